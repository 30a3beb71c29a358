// CParameter: a keyword parameter. The element's name is the keyword; its
// content is a string value that the parameter owns. Text form ":%s (%s)".
#pragma once

#include "Toolwick/listelement.h"

class CParameter : public CListElement {
 public:
  CParameter() { set_btype(BTYPE_PARAMETER); }
  explicit CParameter(const char* name) : CListElement(name) { set_btype(BTYPE_PARAMETER); }

  // Keeps a copy of `value`, read as text; null is ignored.
  void set_content(void* value) override;
  // ":%s (%s)" of name and value (a missing value reads ""); null when unnamed.
  char* to_string() override;
  // Reads ":name value": 0 for null, for a text without ':' or without a
  // blank after it. Cuts `text` at that blank, takes the word as the name and
  // the rest, without its parentheses and one pair of double quotes, as the value.
  int from_string(char* text) override;

  // Takes `value` itself as the value, not a copy, for parsers whose fields
  // point into their own copy of the text, which outlives the parameter.
  void view_value(char* value) {
    value_.view(value);
    CListElement::set_content(value);
  }

  // The value, owned by the parameter unless it is viewed; null when unset.
  char* get_value() const { return value_.get(); }

 private:
  HeapText value_;
};
