// CBoundedLines: the last lines of a conversation, the oldest first, kept
// within a bound on their bytes and on their number: a line that comes
// pushes out the oldest ones until both hold again. A line counts the bytes
// that its `Size` gives; the caller cuts a line longer than the whole bound
// to it, so that the newest line always stays. The chat (CChatDoc) and the
// conversation log keep their lines in one.
#pragma once

#include <cstddef>
#include <deque>
#include <utility>

template <typename Line, size_t (*Size)(const Line&)>
class CBoundedLines {
 public:
  CBoundedLines(size_t maxBytes, size_t maxLines) : maxBytes_(maxBytes), maxLines_(maxLines) {}

  void Add(Line line) {
    bytes_ += Size(line);
    lines_.push_back(std::move(line));
    while (lines_.size() > 1 && (bytes_ > maxBytes_ || lines_.size() > maxLines_)) {
      bytes_ -= Size(lines_.front());
      lines_.pop_front();
    }
  }
  void Clear() {
    lines_.clear();
    bytes_ = 0;
  }
  const std::deque<Line>& Get() const { return lines_; }
  // What the lines kept count together.
  size_t Bytes() const { return bytes_; }

 private:
  size_t maxBytes_;
  size_t maxLines_;
  size_t bytes_ = 0;
  std::deque<Line> lines_;
};
