// ReceivedQueue: the messages that a connection has cut from its stream and
// not yet handed over, in arrival order. Each keeps its length and a running
// number (1, 2, ... per queue) by which the connection tells them apart.
//
// The buffers of texts that left are used again for the next ones of any
// queue on the same thread (a few, and only small ones), so that
// connections in their steady state queue without allocating. Texts are
// owned by the queue: a text stays valid, at the same address, until it is
// popped or the queue is cleared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class ReceivedQueue {
 public:
  struct Entry {
    std::string text;
    uint64_t number = 0;
    // The connection has parsed or checked it, and read its sender.
    bool examined = false;
    // What a check of the text as it was queued found, if one was made.
    enum class Check : uint8_t { kNone, kParses, kFails };
    Check check = Check::kNone;
  };

  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  // The length of all texts queued.
  size_t bytes() const { return bytes_; }

  // Only on a queue that is not empty.
  Entry& front() { return entries_.front(); }
  const Entry& front() const { return entries_.front(); }
  Entry& back() { return entries_.back(); }

  // Appends a copy of `text` as the next numbered entry.
  Entry& push(std::string_view text);
  void pop_front();
  void pop_back();
  void clear();

 private:
  void recycle(std::string&& buffer);

  std::deque<Entry> entries_;
  size_t bytes_ = 0;
  uint64_t numbered_ = 0;
};
