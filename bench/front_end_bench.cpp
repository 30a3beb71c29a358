// Parse speed of the message-parser front end on a ~150-byte tell, a ~2 KB
// nested message and a 64 KB message: on fresh front ends (HTTP is tried
// first, KQML takes over) and on one whose KQML member is already current,
// given whole messages and pieces that fail, with the heap warm and cold,
// beside a plain tokenizer as the baseline and with the allocations per parse.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "Lexwick/parser.h"
#include "heap.h"
#include "plaintokenizer.h"

namespace {

std::string unit_record(int i) {
  const std::string n = std::to_string(i);
  return " :unit" + n + " (radar :id " + n + " :pos (lat 52.1 lon 4.3) :range 120 :state (active (sweep " + n + ")))";
}

std::string message_of_size(size_t size) {
  std::string body;
  for (int i = 0; body.size() + 160 < size; ++i) body += unit_record(i);
  return "(tell :sender sim-agent :receiver station-blue :ontology default-language "
         ":language default-ontology :reply-with r7 :content (scenario" + body + "))";
}

const std::string& message(int64_t which) {
  static const std::string tell =
      "(tell :sender station-blue :receiver sim-agent :ontology default-language "
      ":language default-ontology :reply-with Dur32O42 :content (ok :unit 7 :cost 12))";
  static const std::string nested = message_of_size(2 * 1024);
  static const std::string large = message_of_size(64 * 1024);
  return which == 0 ? tell : which == 1 ? nested : large;
}

void count(benchmark::State& state, const std::string& text) {
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
}

// Arguments: message size (0 tell, 1 2 KB, 2 64 KB), heap cold (1) or warm.
//
// Each iteration makes, uses and destroys a front end, as a caller that
// parses one message per object does; the KQML-current case pays the same
// teardown of the previous parse inside its next parse.
void BM_ParseFresh(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  bench::run_iterations(state, state.range(1) != 0, [&] {
    CParser parser;
    benchmark::DoNotOptimize(parser.parse_message(text.c_str()));
  });
  count(state, text);
}

void BM_ParseKqmlCurrent(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  CParser parser;
  parser.parse_message(text.c_str());  // KQML becomes current
  bench::run_iterations(state, state.range(1) != 0,
                        [&] { benchmark::DoNotOptimize(parser.parse_message(text.c_str())); });
  count(state, text);
}

// A piece of a message whose end has not come yet, as the middle pieces of
// a long message are: the KQML-current front end fails on it.
void BM_ParseKqmlCurrentPiece(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  const std::string piece = text.substr(0, text.size() - 1);
  CParser parser;
  parser.parse_message(text.c_str());
  bench::run_iterations(state, state.range(1) != 0,
                        [&] { benchmark::DoNotOptimize(parser.parse_message(piece.c_str())); });
  count(state, piece);
}

// The baseline of all three: the KQML tokens, found and nothing more.
void BM_Tokenize(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  bench::PlainTokenizer tokenizer;
  bench::run_iterations(state, state.range(1) != 0,
                        [&] { benchmark::DoNotOptimize(tokenizer.tokenize(text)); });
  count(state, text);
}

BENCHMARK(BM_ParseFresh)->Apply(bench::sizes_warm_and_cold);
BENCHMARK(BM_ParseKqmlCurrent)->Apply(bench::sizes_warm_and_cold);
BENCHMARK(BM_ParseKqmlCurrentPiece)->Apply(bench::sizes_warm_and_cold);
BENCHMARK(BM_Tokenize)->Apply(bench::sizes_warm_and_cold);

}  // namespace
