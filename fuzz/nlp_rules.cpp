// Fuzzes reading rule files: the input is the rule text of a keyword-rule
// engine and the word-rule text of a word-rule engine, read from memory;
// each engine then answers a few sentences and the input itself. An input
// that names an include file ("include::fuzz.txt") finds itself there too:
// only such inputs are written to a file, in a framework home made once.
// The engines write their state files into the working directory (run.sh
// runs the fuzzer in a scratch directory).
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "Sidewick/nlp.h"
#include "Toolwick/filebuffer.h"

namespace {

class ScratchHome {
 public:
  ScratchHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nlp-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    path_ = pattern;
    std::filesystem::create_directories(path_ + "/system/nlp");
    setenv("VERANTA", path_.c_str(), 1);
  }
  ~ScratchHome() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  void write_include(const std::string& bytes) const {
    std::ofstream(path_ + "/system/nlp/fuzz.txt", std::ios::binary | std::ios::trunc) << bytes;
  }

 private:
  std::string path_;
};

const char* const kSentences[] = {"Where is the interceptor?", "show the radars near the gate",
                                  "(\"What is the price?\")", "", "a b c"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchHome home;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find("include::") != std::string::npos || text.find("INCLUDE::") != std::string::npos) {
    home.write_include(text);
  }

  CFileBuffer rules;
  CNLP nlp;
  rules.load_text(text.data(), text.size());
  nlp.read_rules(rules);
  for (const char* sentence : kSentences) {
    nlp.parse_data(sentence);
    nlp.get_target();
    nlp.get_query_template();
  }
  nlp.parse_data(text.c_str());

  CNLPBase words;
  rules.load_text(text.data(), text.size());
  words.read_word_rules(rules);
  for (const char* sentence : kSentences) words.parse_data(sentence);
  words.parse_data(text.c_str());
  return 0;
}
