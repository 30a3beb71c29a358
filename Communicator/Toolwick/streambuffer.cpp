#include "Toolwick/streambuffer.h"

void CStreamBuffer::add_to_buffer(const char* piece) {
  if (piece == nullptr) return;
  text_ += piece;
  has_text_ = true;
}

void CStreamBuffer::reset() {
  text_.clear();
  text_.shrink_to_fit();
  has_text_ = false;
}
