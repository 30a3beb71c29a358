// HeapText: an owned, nullable, NUL-terminated heap text -- the string field
// of nearly every framework object. A null text is "unset", distinct from "".
// It may instead view a text that something else owns (a parser's copy of
// its input); a viewed text is never freed here.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

// The deleter of HeapText: frees a copied text, never a viewed one.
struct HeapTextRelease {
  bool owned = true;
  void operator()(char* text) const {
    if (owned) delete[] text;
  }
};

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
  // Takes `text` itself, not a copy: its owner keeps it alive for as long as
  // this object holds it. A later set/assign/reset lets go of it unfreed.
  void view(char* text) { text_ = Text(text, HeapTextRelease{false}); }

  // The text, owned by this object unless it is viewed; null when unset.
  char* get() const { return text_.get(); }
  bool is_set() const { return text_ != nullptr; }

 private:
  using Text = std::unique_ptr<char[], HeapTextRelease>;

  Text text_;
};
