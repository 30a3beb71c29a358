// ElementPool: list elements built in place in storage that is kept from
// one parse to the next, so that a parser's entity, token, line and field
// lists cost no allocation per element.
//
// Ownership: the pool owns every element it built until clear(), which
// destroys them all at once; an element never moves meanwhile. The lists
// that link them must let go of them first (CLList::forget_elements), and
// nothing may delete or unlink them on its own.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "Toolwick/listelement.h"
#include "Toolwick/parameter.h"
#include "Toolwick/token.h"

class ElementPool {
 public:
  ElementPool() = default;
  ElementPool(const ElementPool&) = delete;
  ElementPool& operator=(const ElementPool&) = delete;
  ~ElementPool() { clear(); }

  // A new T built from `args` in the next free slot.
  template <typename T, typename... Args>
  T* make(Args&&... args) {
    static_assert(std::is_base_of_v<CListElement, T>);
    static_assert(sizeof(T) <= sizeof(Slot) && alignof(T) <= alignof(Slot));
    void* slot = next_slot();
    T* element;
    if constexpr (sizeof...(Args) == 0) {
      // Default-initialised: every member has its initialiser, and
      // value-initialisation would first clear the whole slot.
      element = new (slot) T;
    } else {
      element = new (slot) T(std::forward<Args>(args)...);
    }
    // clear() reaches every element through its CListElement at the slot's start.
    assert(static_cast<void*>(static_cast<CListElement*>(element)) == slot);
    return element;
  }
  // Destroys every element built since the last clear. The storage stays,
  // except chunks beyond twice what this round used.
  void clear();
  // clear(), giving back every chunk but the first kIdleChunks: what a
  // long-lived parser keeps while it has nothing to parse.
  void release();

 private:
  struct alignas(std::max_align_t) Slot {
    unsigned char bytes[std::max({sizeof(CListElement), sizeof(CToken), sizeof(CParameter)})];
  };
  // Chunk k holds kFirstChunk << k slots: the storage grows without moving
  // an element, and a short message needs the first chunk only. All chunks
  // together would hold more than any address space: an allocation fails
  // long before the last one.
  static constexpr size_t kFirstChunk = 32;
  static constexpr size_t kChunks = 48;
  static constexpr size_t kIdleChunks = 3;

  void* next_slot() {
    Slot* chunk = chunks_[chunk_].get();
    return chunk != nullptr && used_ < kFirstChunk << chunk_ ? &chunk[used_++] : grow();
  }
  // The next slot when the current chunk is full or not yet made.
  void* grow();

  std::unique_ptr<Slot[]> chunks_[kChunks];
  size_t chunk_ = 0;  // the chunk of the next free slot
  size_t used_ = 0;   // slots used in it
};
