#include "Toolwick/elementpool.h"

void* ElementPool::grow() {
  if (used_ == kFirstChunk << chunk_) {
    ++chunk_;
    used_ = 0;
  }
  if (!chunks_[chunk_]) {
    chunks_[chunk_] = std::make_unique_for_overwrite<Slot[]>(kFirstChunk << chunk_);
  }
  return &chunks_[chunk_][used_++];
}

void ElementPool::clear() {
  for (size_t k = 0; k <= chunk_; ++k) {
    const size_t count = k < chunk_ ? kFirstChunk << k : used_;
    for (size_t i = 0; i < count; ++i) {
      std::launder(reinterpret_cast<CListElement*>(&chunks_[k][i]))->~CListElement();
    }
  }
  for (size_t k = chunk_ + 2; k < kChunks && chunks_[k]; ++k) chunks_[k].reset();
  chunk_ = 0;
  used_ = 0;
}

void ElementPool::release() {
  clear();
  for (size_t k = kIdleChunks; k < kChunks && chunks_[k]; ++k) chunks_[k].reset();
}
