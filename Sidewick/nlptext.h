// Text helpers of the language engines. Internal to Sidewick.
#pragma once

#include <string>

#include "Toolwick/llist.h"
#include "Toolwick/utils.h"

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
// Appends to `list` one element per piece of `text` split at `separator`
// (as CUtils::tokenize splits), named by the piece in upper case.
inline void add_upper_pieces(const char* text, char separator, CLList* list) {
  CLList pieces;
  CUtils().tokenize(text, separator, &pieces);
  for (CListElement* e = pieces.get_element(0); e != nullptr; e = e->get_next()) {
    list->add_element(new CListElement(upper(e->get_name()).c_str()));
  }
}

}  // namespace sidewick
