// Text helpers of the language engines. Internal to Sidewick.
#pragma once

#include <string>

namespace sidewick {

// ASCII upper case, whatever the locale; other bytes stay.
inline char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
inline std::string upper(std::string text) {
  for (char& c : text) c = upper(c);
  return text;
}
// In place; null is ignored.
inline void upper_in_place(char* text) {
  for (; text != nullptr && *text != '\0'; ++text) *text = upper(*text);
}

}  // namespace sidewick
