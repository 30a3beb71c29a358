// HeapText: an owned, nullable, NUL-terminated heap text -- the string field
// of nearly every framework object. A null text is "unset", distinct from "".
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

class HeapText {
 public:
  HeapText() = default;
  explicit HeapText(const char* text) { set(text); }
  explicit HeapText(std::string_view text) { assign(text); }
  HeapText(HeapText&&) noexcept = default;
  HeapText& operator=(HeapText&&) noexcept = default;
  HeapText(const HeapText& other) { set(other.get()); }
  HeapText& operator=(const HeapText& other) {
    set(other.get());
    return *this;
  }

  // Replaces the text by a copy of `text`; null clears it. The copy is made
  // before the old text is freed, so `text` may point into the current value.
  void set(const char* text);
  // Replaces the text by a copy of the bytes of `text` (NUL-terminated).
  void assign(std::string_view text);
  // Frees the text; it is unset afterwards.
  void reset() { text_.reset(); }

  // The text, owned by this object; null when unset.
  char* get() const { return text_.get(); }
  bool is_set() const { return text_ != nullptr; }

 private:
  std::unique_ptr<char[]> text_;
};
