// Parse and compose speed of the KQML parser on message sizes the system
// sees: a short tell, a scenario-sized message with nested lists, and a
// 64 KB message, with the heap warm and cold, each beside its baseline (a
// plain tokenizer, a plain string composition) and with the allocations
// per call; a parse by a parser that has parsed before, and a parser's
// first. Parse cost per byte should not grow with the size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "Talkwick/kqmlparser.h"
#include "heap.h"
#include "plaintokenizer.h"

namespace {

const std::string& tell_message() {
  static const std::string text =
      "(tell :sender station-blue :receiver sim-agent :ontology default-language "
      ":language default-ontology :reply-with r42 :in-reply-to q41 :content (ok :unit 7))";
  return text;
}

// One unit record of a scenario: nested lists, a quoted label.
std::string unit_record(int i) {
  return " :unit" + std::to_string(i) + " (radar :id " + std::to_string(i) +
         " :pos (lat 52.1 lon 4.3) :range 120 :label \"Site " + std::to_string(i) +
         "\" :state (active (sweep 30)))";
}

// A message with unit records appended until it reaches `size` bytes.
std::string message_of_size(size_t size) {
  std::string body;
  for (int i = 0; body.size() + 120 < size; ++i) body += unit_record(i);
  return "(tell :sender sim-agent :receiver station-blue :ontology default-language "
         ":language default-ontology :reply-with r7 :content (scenario" +
         body + "))";
}

const std::string& message(int64_t which) {
  static const std::string scenario = message_of_size(2 * 1024);
  static const std::string large = message_of_size(64 * 1024);
  switch (which) {
    case 0:
      return tell_message();
    case 1:
      return scenario;
    default:
      return large;
  }
}

void count(benchmark::State& state, const std::string& text) {
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["msg_bytes"] = static_cast<double>(text.size());
}

// Arguments: message size (0 tell, 1 2 KB, 2 64 KB), heap cold (1) or warm.
void BM_Parse(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  CKQMLParser parser;
  bench::run_iterations(state, state.range(1) != 0, [&] {
    benchmark::DoNotOptimize(parser.parse_message(text.c_str()));
    benchmark::DoNotOptimize(parser.find_content());
  });
  count(state, text);
}

// A parser's first parse, as a caller that makes a parser per message pays
// it: its storage is made then.
void BM_ParseFirst(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  bench::run_iterations(state, state.range(1) != 0, [&] {
    CKQMLParser parser;
    benchmark::DoNotOptimize(parser.parse_message(text.c_str()));
    benchmark::DoNotOptimize(parser.find_content());
  });
  count(state, text);
}

// The baseline of BM_Parse: the same tokens, found and nothing more.
void BM_Tokenize(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  bench::PlainTokenizer tokenizer;
  bench::run_iterations(state, state.range(1) != 0, [&] {
    benchmark::DoNotOptimize(tokenizer.tokenize(text));
    benchmark::DoNotOptimize(tokenizer.find(":content"));
  });
  count(state, text);
}

// Composing a reply around the content of a message of each size.
void BM_CreateMessage(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  CKQMLParser reader;
  reader.parse_message(text.c_str());
  const std::string content = reader.find_content();
  CKQMLParser parser;
  const char* out = nullptr;
  bench::run_iterations(state, state.range(1) != 0, [&] {
    out = parser.create_message("tell", "sim-agent", "station-blue", "default-language",
                                "default-ontology", "r1", "", "", content.c_str());
    benchmark::DoNotOptimize(out);
  });
  count(state, std::string(out));
}

// The baseline of BM_CreateMessage: the same header and content appended
// into one string.
void BM_ComposePlain(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  CKQMLParser reader;
  reader.parse_message(text.c_str());
  const std::string content = reader.find_content();
  std::string out;
  bench::run_iterations(state, state.range(1) != 0, [&] {
    out.clear();
    out.append("(tell :sender station-blue :receiver sim-agent :ontology default-language ")
        .append(":language default-ontology :reply-with r1 :in-reply-to   :forward-to   ")
        .append(":content ( ")
        .append(content)
        .append("))");
    benchmark::DoNotOptimize(out.data());
  });
  count(state, out);
}

BENCHMARK(BM_Parse)->Apply(bench::sizes_warm_and_cold);
BENCHMARK(BM_ParseFirst)->Apply(bench::sizes_warm_and_cold);
BENCHMARK(BM_Tokenize)->Apply(bench::sizes_warm_and_cold);
BENCHMARK(BM_CreateMessage)->Apply(bench::sizes_warm_and_cold);
BENCHMARK(BM_ComposePlain)->Apply(bench::sizes_warm_and_cold);

}  // namespace
