// PlainTokenizer: the baseline of the message parse benchmarks. It finds
// the tokens the KQML parser finds -- the outer group, its top-level
// entities (words, quoted texts, balanced groups) and the keyword/value
// pairs -- as views into one copy of the text, reusing its buffers from one
// message to the next, and does nothing else.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bench {

class PlainTokenizer {
 public:
  // Tokenizes a copy of `text`; false when it holds no balanced group.
  bool tokenize(std::string_view text);
  // The value paired with `keyword` (":content"); empty when missing.
  std::string_view find(std::string_view keyword) const;

 private:
  std::string copy_;
  std::vector<std::string_view> entities_;
  std::vector<std::pair<std::string_view, std::string_view>> tokens_;
};

}  // namespace bench
