// Parse and compose speed of the KQML parser on message sizes the system
// sees: a short tell, a scenario-sized message with nested lists, and a
// 64 KB message. Parse cost per byte should not grow with the size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "Talkwick/kqmlparser.h"

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

void BM_Parse(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  CKQMLParser parser;
  for (auto _ : state) {
    benchmark::DoNotOptimize(parser.parse_message(text.c_str()));
    benchmark::DoNotOptimize(parser.find_content());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["msg_bytes"] = static_cast<double>(text.size());
}

// Composing a reply around the content of a message of each size.
void BM_CreateMessage(benchmark::State& state) {
  const std::string& text = message(state.range(0));
  CKQMLParser reader;
  reader.parse_message(text.c_str());
  const std::string content = reader.find_content();
  CKQMLParser parser;
  int64_t bytes = 0;
  for (auto _ : state) {
    const char* out = parser.create_message("tell", "sim-agent", "station-blue", "default-language",
                                            "default-ontology", "r1", "", "", content.c_str());
    benchmark::DoNotOptimize(out);
    bytes += static_cast<int64_t>(std::char_traits<char>::length(out));
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(bytes);
  state.counters["msg_bytes"] = static_cast<double>(bytes) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_Parse)->DenseRange(0, 2)->ArgName("size");
BENCHMARK(BM_CreateMessage)->DenseRange(0, 2)->ArgName("size");

}  // namespace
