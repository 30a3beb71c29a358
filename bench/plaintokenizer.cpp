#include "plaintokenizer.h"

#include <algorithm>

namespace bench {

namespace {

// The '"' closing the string that opens at `at` (a backslash takes the
// next character in); npos when none does.
size_t string_end(std::string_view s, size_t at) {
  for (size_t i = at + 1; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
    } else if (s[i] == '"') {
      return i;
    }
  }
  return std::string_view::npos;
}

// Just past the ')' closing the group that opens at `at`, strings passed
// over; npos when none does.
size_t group_end(std::string_view s, size_t at) {
  size_t depth = 0;
  bool strings = true;  // false once a string was found unended: it hides nothing
  for (size_t i = at; i < s.size(); ++i) {
    if (s[i] == '(') {
      ++depth;
    } else if (s[i] == ')' && --depth == 0) {
      return i + 1;
    } else if (s[i] == '"' && strings) {
      const size_t end = string_end(s, i);
      if (end == std::string_view::npos) {
        strings = false;
      } else {
        i = end;
      }
    }
  }
  return std::string_view::npos;
}

bool is_keyword(std::string_view entity) { return !entity.empty() && entity[0] == ':'; }

}  // namespace

bool PlainTokenizer::tokenize(std::string_view text) {
  copy_.assign(text);
  entities_.clear();
  tokens_.clear();
  const size_t open = copy_.find('(');
  if (open == std::string::npos) return false;
  const size_t close = group_end(copy_, open);
  if (close == std::string::npos) return false;
  const std::string_view s = std::string_view(copy_).substr(open + 1, close - open - 2);
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
      continue;
    }
    size_t end = i + 1;
    if (c == '"') {
      end = string_end(s, i);
      end = end == std::string_view::npos ? s.size() : end + 1;
    } else if (c == '(') {
      end = std::min(group_end(s, i), s.size());
    } else {
      while (end < s.size() && s[end] != ' ' && s[end] != '\t' && s[end] != '\n' &&
             s[end] != '\r') {
        ++end;
      }
    }
    entities_.push_back(s.substr(i, end - i));
    i = end;
  }
  for (size_t i = 0; i < entities_.size(); ++i) {
    const bool paired =
        is_keyword(entities_[i]) && i + 1 < entities_.size() && !is_keyword(entities_[i + 1]);
    tokens_.emplace_back(entities_[i], paired ? entities_[i + 1] : std::string_view());
    if (paired) ++i;
  }
  return true;
}

std::string_view PlainTokenizer::find(std::string_view keyword) const {
  for (const auto& [key, value] : tokens_) {
    if (key == keyword) return value;
  }
  return {};
}

}  // namespace bench
