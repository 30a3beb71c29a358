#include "Relaywick/receivedqueue.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Blocks whose texts left, kept for the next texts of any queue on the same
// thread: the one taken is the last one given back. Enough for the bursts
// that a few receives cut, so that what they keep does not grow with the
// connections.
constexpr size_t kPooledBlocks = 64;
thread_local std::vector<std::unique_ptr<char[]>> pooled;

// The ring an empty queue keeps at most: a burst's entries.
constexpr size_t kKeptRing = 16;

}  // namespace

ReceivedQueue::Entry& ReceivedQueue::push(std::string_view text) {
  const size_t size = text.size() + 1;
  Block& block = room_for(size);
  char* at = block.bytes.get() + block.used;
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  at[text.size()] = '\0';
  block.used += size;
  ++block.texts;

  if (count_ == ring_.size()) {
    // Twice as large, the entries in order from the start.
    std::vector<Entry> larger(std::max<size_t>(8, ring_.size() * 2));
    for (size_t i = 0; i < count_; ++i) larger[i] = ring_[(head_ + i) & (ring_.size() - 1)];
    ring_ = std::move(larger);
    head_ = 0;
  }
  ++count_;
  Entry& entry = back();
  entry = Entry{at, text.size(), ++numbered_, false, Entry::Check::kNone};
  bytes_ += text.size();
  return entry;
}

void ReceivedQueue::pop_front() {
  bytes_ -= front().length;
  head_ = (head_ + 1) & (ring_.size() - 1);
  --count_;
  if (--blocks_.front().texts == 0 && blocks_.size() > 1) {
    give_back(blocks_.front());
    blocks_.erase(blocks_.begin());
  }
  if (count_ == 0) emptied();
}

void ReceivedQueue::pop_back() {
  Block& block = blocks_.back();
  block.used -= back().length + 1;
  bytes_ -= back().length;
  --count_;
  if (--block.texts == 0 && blocks_.size() > 1) {
    give_back(block);
    blocks_.pop_back();
  }
  if (count_ == 0) emptied();
}

void ReceivedQueue::clear() {
  count_ = 0;
  bytes_ = 0;
  emptied();
}

ReceivedQueue::Block& ReceivedQueue::room_for(size_t size) {
  const bool shared = size <= kLargestShared;
  if (shared && !blocks_.empty() && blocks_.back().capacity - blocks_.back().used >= size) {
    return blocks_.back();
  }
  Block block;
  block.capacity = shared ? kBlockSize : size;
  if (shared && !pooled.empty()) {
    block.bytes = std::move(pooled.back());
    pooled.pop_back();
  } else {
    block.bytes = std::make_unique<char[]>(block.capacity);
  }
  return blocks_.emplace_back(std::move(block));
}

void ReceivedQueue::give_back(Block& block) {
  if (block.capacity == kBlockSize && pooled.size() < kPooledBlocks) {
    pooled.push_back(std::move(block.bytes));
  }
  block.bytes.reset();
}

void ReceivedQueue::emptied() {
  for (Block& block : blocks_) give_back(block);
  blocks_.clear();
  head_ = 0;
  if (ring_.size() > kKeptRing) std::vector<Entry>().swap(ring_);
}
