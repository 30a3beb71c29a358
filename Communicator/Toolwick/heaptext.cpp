#include "Toolwick/heaptext.h"

#include <cstring>

void HeapText::set(const char* text) {
  if (text == nullptr) {
    text_.reset();
    return;
  }
  assign(std::string_view(text));
}

void HeapText::assign(std::string_view text) {
  // Not zero-filled: every byte is written below, and a large copy would
  // otherwise be written twice.
  auto copy = std::make_unique_for_overwrite<char[]>(text.size() + 1);
  std::memcpy(copy.get(), text.data(), text.size());
  copy[text.size()] = '\0';
  text_ = Text(copy.release(), HeapTextRelease{true});
}
