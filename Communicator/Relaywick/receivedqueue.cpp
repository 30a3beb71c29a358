#include "Relaywick/receivedqueue.h"

namespace {

// Buffers kept for the next texts: enough for a connection whose owner
// takes each message as it comes, and none that a large text left behind,
// so that a thousand idle connections keep a few megabytes at most.
constexpr size_t kSpares = 2;
constexpr size_t kLargestSpare = 2048;

}  // namespace

ReceivedQueue::Entry& ReceivedQueue::push(std::string_view text) {
  std::string buffer;
  if (!spares_.empty()) {
    buffer = std::move(spares_.back());
    spares_.pop_back();
  }
  buffer.assign(text);
  bytes_ += text.size();
  return entries_.emplace_back(Entry{std::move(buffer), ++numbered_, false, false});
}

void ReceivedQueue::pop_front() {
  bytes_ -= entries_.front().text.size();
  recycle(std::move(entries_.front().text));
  entries_.pop_front();
}

void ReceivedQueue::pop_back() {
  bytes_ -= entries_.back().text.size();
  recycle(std::move(entries_.back().text));
  entries_.pop_back();
}

void ReceivedQueue::clear() {
  entries_.clear();
  bytes_ = 0;
}

void ReceivedQueue::recycle(std::string&& buffer) {
  if (spares_.size() < kSpares && buffer.capacity() < kLargestSpare) {
    buffer.clear();
    spares_.push_back(std::move(buffer));
  }
}
