#include "Toolwick/textbuffer.h"

#include <cstring>
#include <functional>
#include <utility>

namespace {

// Storage above this size is given back when a text needs a quarter of it
// or less, so that one large message does not pin its memory for the life
// of a long-lived parser.
constexpr size_t kKeptCapacity = 64 * 1024;

bool within(const char* p, const char* data, size_t capacity) {
  // Compared as addresses: p may belong to any other object.
  const std::less_equal<const char*> le;
  return data != nullptr && le(data, p) && !le(data + capacity, p);
}

}  // namespace

char* TextBuffer::assign(std::initializer_list<std::string_view> pieces, size_t spare) {
  size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  const size_t needed = size + 1 + spare;
  if (back_.capacity < needed || (back_.capacity > kKeptCapacity && needed <= back_.capacity / 4)) {
    // Room to grow a little without another allocation.
    back_.capacity = needed + needed / 2;
    back_.data = std::make_unique_for_overwrite<char[]>(back_.capacity);
  }
  char* out = back_.data.get();
  for (const std::string_view piece : pieces) {
    if (piece.empty()) continue;
    std::memcpy(out, piece.data(), piece.size());
    out += piece.size();
  }
  *out = '\0';
  std::swap(front_, back_);
  set_ = true;
  return front_.data.get();
}

void TextBuffer::give_back() {
  for (Storage* storage : {&front_, &back_}) {
    if (storage->capacity > kIdleCapacity) *storage = Storage{};
  }
}

bool TextBuffer::holds(const char* p) const {
  return within(p, front_.data.get(), front_.capacity) ||
         within(p, back_.data.get(), back_.capacity);
}
