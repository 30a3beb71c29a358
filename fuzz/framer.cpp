// Fuzz target for the message framer: one stream fed whole and fed cut into
// segments gives the same messages, and those are what cutting the stream at
// every 0x04 and each piece at its first NUL gives. The input's first byte
// says how many of the bytes after it are segment lengths; the rest is the
// stream.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Talkwick/messageframer.h"

namespace {

struct Cut {
  std::vector<std::string> messages;
  std::string held;
  bool in_message = false;
  bool overflow = false;
};

Cut feed(const std::vector<std::string_view>& segments) {
  CMessageFramer framer;
  Cut cut;
  for (std::string_view segment : segments) {
    const CMessageFramer::Result& result = framer.feed(segment);
    for (const CMessageFramer::Message& message : result.messages) {
      cut.messages.emplace_back(message.text);
    }
    cut.overflow = cut.overflow || result.overflow;
  }
  cut.held = std::string(framer.held());
  cut.in_message = framer.in_message();
  return cut;
}

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t lengths = std::min<size_t>(data[0] % 32, size - 1);
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1 + lengths,
                                size - 1 - lengths);

  std::vector<std::string_view> segments;
  size_t at = 0;
  for (size_t i = 0; i < lengths && at < stream.size(); ++i) {
    const size_t length = std::min<size_t>(data[1 + i], stream.size() - at);
    segments.push_back(stream.substr(at, length));
    at += length;
  }
  segments.push_back(stream.substr(at));

  const Cut whole = feed({stream});
  const Cut pieces = feed(segments);
  check(pieces.messages == whole.messages);
  check(pieces.held == whole.held);
  check(pieces.in_message == whole.in_message);
  check(pieces.overflow == whole.overflow);

  // What a message is, written out plainly.
  if (!whole.overflow) {
    std::vector<std::string> expected;
    size_t start = 0;
    for (size_t end = stream.find('\x04'); end != std::string_view::npos;
         end = stream.find('\x04', start)) {
      const std::string_view piece = stream.substr(start, end - start);
      expected.emplace_back(piece.substr(0, piece.find('\0')));
      start = end + 1;
    }
    check(whole.messages == expected);
  }

  // Each message framed again reads back as itself, alone.
  for (std::string text : whole.messages) {
    const std::string before = text;
    check(CMessageFramer::frame(&text));
    check(feed({text}).messages == std::vector<std::string>{before});
  }
  return 0;
}
