// CMessageFramer: cuts the byte stream of one connection into messages. A
// message is its text followed by the byte 0x04; the text is read as a C
// text, so it ends at its first NUL. The beginning of a message whose 0x04
// has not arrived yet is held until a later segment completes it.
//
// No message, held part included, may grow beyond kMaxMessage bytes: a peer
// that never sends 0x04 must not take the agent's memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CMessageFramer {
 public:
  static constexpr size_t kMaxMessage = size_t{1} << 20;

  struct Message {
    std::string text;
    bool joined;  // it completed a held beginning
  };

  // What a segment left after its last 0x04.
  enum class Tail {
    kNone,           // the segment ended with 0x04
    kEmptySegment,   // the segment held no byte at all
    kEmptyText,      // a text of length 0 (it begins with NUL): dropped
    kHeld,           // kept as (the start of) the held beginning
  };

  struct Result {
    std::vector<Message> messages;  // in stream order
    Tail tail = Tail::kNone;
    std::string_view held;  // kHeld: the piece kept, a view into the segment
    bool overflow = false;  // a message passed kMaxMessage; nothing is held now
  };

  // Cuts `segment`. On overflow the messages cut before it are dropped too,
  // with the held beginning: the stream can no longer be trusted.
  Result feed(std::string_view segment);

  bool holds_text() const { return !held_.empty(); }
  size_t held_size() const { return held_.size(); }
  // Drops the held beginning.
  void reset() { held_.clear(); }

 private:
  std::string held_;
};
