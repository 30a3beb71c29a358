// ReceivedQueue: the messages that a connection has cut from its stream and
// not yet handed over, in arrival order. Each keeps its length and a running
// number (1, 2, ... per queue) by which the connection tells them apart.
//
// Texts lie back to back in blocks, each followed by a NUL, so that what one
// receive cut lies together; a text never moves, and stays valid until it is
// popped or the queue is cleared. A text of more than a quarter block gets a
// block of its own size, so that what the blocks leave unused stays under a
// quarter of what they hold. Blocks whose texts all left go back to the
// thread (a few are kept there), and the next queue of the thread that needs
// one takes the one given back last, still in the cache: connections in
// their steady state queue without allocating, and an empty queue holds no
// block.
//
// An Entry reference is valid until the next push or pop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class ReceivedQueue {
 public:
  struct Entry {
    char* text = nullptr;  // `length` bytes and a NUL, owned by the queue
    size_t length = 0;
    uint64_t number = 0;
    // The connection has parsed or checked it, and read its sender.
    bool examined = false;
    // What a check of the text as it was queued found, if one was made.
    enum class Check : uint8_t { kNone, kParses, kFails };
    Check check = Check::kNone;
  };

  // Room for the texts of a receive or two.
  static constexpr size_t kBlockSize = 4096;
  // The longest text (with its NUL) that shares a block.
  static constexpr size_t kLargestShared = kBlockSize / 4;

  ReceivedQueue() = default;
  ReceivedQueue(const ReceivedQueue&) = delete;
  ReceivedQueue& operator=(const ReceivedQueue&) = delete;
  ~ReceivedQueue() { clear(); }

  bool empty() const { return count_ == 0; }
  size_t size() const { return count_; }
  // The length of all texts queued.
  size_t bytes() const { return bytes_; }

  // Only on a queue that is not empty.
  Entry& front() { return ring_[head_]; }
  const Entry& front() const { return ring_[head_]; }
  Entry& back() { return ring_[(head_ + count_ - 1) & (ring_.size() - 1)]; }

  // Appends a copy of `text` as the next numbered entry.
  Entry& push(std::string_view text);
  void pop_front();
  void pop_back();
  void clear();

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t capacity = 0;
    size_t used = 0;   // from the start
    size_t texts = 0;  // queued texts in it
  };

  // A block with room for `size` bytes at the end of blocks_.
  Block& room_for(size_t size);
  // Gives the block's storage back to the thread, or frees it.
  static void give_back(Block& block);
  // After the last entry left: blocks back to the thread, a large ring freed.
  void emptied();

  // Entries in a ring whose size is a power of two: [head_, head_ + count_).
  std::vector<Entry> ring_;
  size_t head_ = 0;
  size_t count_ = 0;
  // In the order of their texts: the first entry's text lies in the first.
  std::vector<Block> blocks_;
  size_t bytes_ = 0;
  uint64_t numbered_ = 0;
};
