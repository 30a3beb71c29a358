#include "Relaywick/receivedqueue.h"

namespace {

// Buffers of texts that left, kept for the next texts of any queue on the
// same thread: the one taken is the last one given back, still in the
// cache, whichever connection queues next. Enough for the bursts that a
// few receives cut, and none that a large text left behind, so that what
// they keep does not grow with the connections.
constexpr size_t kSpares = 64;
constexpr size_t kLargestSpare = 2048;
thread_local std::vector<std::string> spares;

}  // namespace

ReceivedQueue::Entry& ReceivedQueue::push(std::string_view text) {
  std::string buffer;
  if (!spares.empty()) {
    buffer = std::move(spares.back());
    spares.pop_back();
  }
  buffer.assign(text);
  bytes_ += text.size();
  return entries_.emplace_back(Entry{std::move(buffer), ++numbered_, false, Entry::Check::kNone});
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
  if (spares.size() < kSpares && buffer.capacity() < kLargestSpare) {
    buffer.clear();
    spares.push_back(std::move(buffer));
  }
}
