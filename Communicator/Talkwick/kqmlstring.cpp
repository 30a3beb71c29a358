#include "Talkwick/kqmlstring.h"

std::string kqml_string(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string kqml_string_text(std::string_view value) {
  if (value.empty() || value.front() != '"') return std::string(value);
  // The parser stores every string closed, one that never ended included.
  const size_t end = value.size() >= 2 && value.back() == '"' ? value.size() - 1 : value.size();
  std::string text;
  text.reserve(end);
  for (size_t i = 1; i < end; ++i) {
    if (value[i] == '\\' && i + 1 < end) ++i;
    text += value[i];
  }
  return text;
}
