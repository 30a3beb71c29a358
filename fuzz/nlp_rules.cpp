// Fuzzes reading rule files: the input is the rule file of a keyword-rule
// engine, and also an include file that it may name ("include::fuzz.txt"),
// and the word-rule file of a word-rule engine; each engine then answers a
// few sentences and the input itself. The engines write their state files
// into the working directory: each input runs inside a scratch directory,
// which is also the framework home, and the fuzzer's own directory comes
// back afterwards.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "Sidewick/nlp.h"

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
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ + "/" + name, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const char* const kSentences[] = {"Where is the interceptor?", "show the radars near the gate",
                                  "(\"What is the price?\")", "", "a b c"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchHome home;
  const std::string text(reinterpret_cast<const char*>(data), size);
  home.write("rules.txt", text);
  home.write("system/nlp/fuzz.txt", text);
  const std::filesystem::path fuzzer_directory = std::filesystem::current_path();
  std::filesystem::current_path(home.path());

  CNLP nlp;
  nlp.Create(home.file("rules.txt").c_str());
  for (const char* sentence : kSentences) {
    nlp.parse_data(sentence);
    nlp.get_target();
    nlp.get_query_template();
  }
  nlp.parse_data(text.c_str());

  CNLPBase words;
  words.Create(home.file("rules.txt").c_str());
  for (const char* sentence : kSentences) words.parse_data(sentence);
  words.parse_data(text.c_str());
  std::filesystem::current_path(fuzzer_directory);
  return 0;
}
