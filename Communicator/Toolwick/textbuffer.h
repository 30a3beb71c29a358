// TextBuffer: a text whose storage is kept from one use to the next, for
// parsers and composers that would otherwise allocate on every call. It
// keeps two storages and builds each new text in the one not in use, so the
// pieces of a new text may come from the current one.
//
// Unset (get() is null) until the first assign and again after clear().
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string_view>

class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  // The text, owned by the buffer and valid until the next assign or clear;
  // null while unset.
  char* get() const { return set_ ? front_.data.get() : nullptr; }
  // Unsets the text; the storage stays for the next use.
  void clear() { set_ = false; }
  // Unsets the text and gives back storage beyond kIdleCapacity: what a
  // long-lived holder keeps while it has nothing to hold. Cheap when there
  // is nothing to give back: holders call it after every message.
  void release() {
    set_ = false;
    if (front_.capacity > kIdleCapacity || back_.capacity > kIdleCapacity) give_back();
  }
  static constexpr size_t kIdleCapacity = 4096;
  // Sets the text to the pieces joined, NUL-terminated, followed by `spare`
  // writable bytes, and returns it. A piece may point into the current text
  // (not into the one before it).
  char* assign(std::initializer_list<std::string_view> pieces, size_t spare = 0);
  // Whether `p` points into either storage: into the current text or the
  // one before it.
  bool holds(const char* p) const;

 private:
  void give_back();

  struct Storage {
    std::unique_ptr<char[]> data;
    size_t capacity = 0;
  };

  Storage front_;
  Storage back_;
  bool set_ = false;
};
