// CStreamBuffer: a growing heap text to which pieces are appended. CLList
// builds its text form in it.
#pragma once

#include <string>

#include "Toolwick/listelement.h"

class CStreamBuffer : public CListElement {
 public:
  CStreamBuffer() = default;
  explicit CStreamBuffer(const char* name) : CListElement(name) {}

  // Appends a copy of `piece`; null is ignored.
  void add_to_buffer(const char* piece);
  // The accumulated text, owned by the buffer; null when empty.
  char* get_buffer() { return has_text_ ? text_.data() : nullptr; }
  // Empties the buffer.
  void reset();

 private:
  std::string text_;
  bool has_text_ = false;
};
