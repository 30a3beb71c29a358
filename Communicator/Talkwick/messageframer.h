// CMessageFramer: the framing of agent messages on a byte stream, both ways.
// On the wire a message is its text followed by the byte 0x04.
//
// Reading, feed() cuts the stream of one connection into messages. A
// message's text ends at its first NUL: what follows the NUL up to the 0x04
// is no part of it. The beginning of a message whose 0x04 has not arrived
// yet is held until a later segment completes it. The messages made never
// depend on where the stream was cut into segments.
//
// Writing, frame() makes one text ready for sending; a text that the peer
// would not read back as that one text (it holds 0x04 or NUL) is refused.
//
// No message, held part included, may grow beyond kMaxMessage bytes: a peer
// that never sends 0x04 must not take the agent's memory. Past it the framer
// gives up on the stream (overflow) until reset().
//
// A reader of one reply feeds what it receives until a message comes out;
// when the peer closes first, held() is what it sent without a 0x04.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CMessageFramer {
 public:
  static constexpr size_t kMaxMessage = size_t{1} << 20;
  static constexpr char kTerminator = 0x04;

  struct Message {
    // Into the segment fed or into the framer: valid until the next feed
    // or reset, as long as the segment lives.
    std::string_view text;
    bool joined;  // it completed text held from earlier segments
  };

  // What a segment left after its last 0x04.
  enum class Tail {
    kNone,          // the segment ended with 0x04
    kEmptySegment,  // the segment held no byte at all
    kEmptyText,     // bytes that add no text (from a NUL on): dropped
    kHeld,          // text kept as (the start of) the held beginning
  };

  struct Result {
    std::vector<Message> messages;  // in stream order
    Tail tail = Tail::kNone;
    std::string_view held;  // kHeld: the text kept, a view into the segment
    // A message passed kMaxMessage: the messages before it came out, nothing
    // is held, and every later feed makes nothing until reset().
    bool overflow = false;
  };

  // Cuts `segment`; the result is the framer's, valid until the next feed
  // or reset.
  const Result& feed(std::string_view segment);

  // Gives back what the messages of the last feed took, once the reader is
  // done with them (their texts are no longer valid): a long message joined
  // from several segments would otherwise keep its copy until the next feed.
  void release_messages();

  // True while a message has begun and its 0x04 has not come.
  bool in_message() const { return held_size_ > 0 || cut_; }
  // The text held of that message, valid until the next feed or reset.
  std::string_view held() const;
  size_t held_size() const { return held_size_; }
  // Forgets the message begun and an overflow.
  void reset();

  // Appends the 0x04 to `text`; false, and `text` unchanged, when it holds
  // 0x04 or NUL, so that the peer would read something else.
  static bool frame(std::string* text);
  // True when a C text goes out as one message: it holds no 0x04 but, at
  // most, as its last byte.
  static bool is_one_message(std::string_view text);

 private:
  // The held text begins in held_, which grows as a string does up to
  // kPiece bytes; the rest lies in pieces_ of kPiece bytes each, so that a
  // long message takes little more than its length and is not moved as it
  // grows. It is put together once, when it is read or its 0x04 comes.
  static constexpr size_t kPiece = 4096;

  // Adds the text of `piece` to the message begun; false on overflow.
  bool hold(std::string_view piece);
  void append_held(std::string_view text);
  // Puts the held text together in held_, which then takes its length.
  void gather() const;
  // Moves the completed held text out of the way of the next message.
  std::string_view finish();
  void forget_held();
  void give_up();

  Result result_;
  mutable std::string held_;
  mutable std::vector<std::string> pieces_;
  size_t held_size_ = 0;
  bool cut_ = false;  // a NUL ended the held text: the rest is dropped
  std::string joined_;  // the text of the last message that finish() made
  bool overflowed_ = false;
};
