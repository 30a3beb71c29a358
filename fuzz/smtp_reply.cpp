// Fuzzes cutting a mail server's bytes into replies: the input fed whole,
// and fed in pieces whose sizes its own bytes choose. The oracle: both give
// the same replies and the same rest; a reply is never longer than the
// limit; while no reply was cut, the replies and the rest are the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Relaywick/smtp.h"
#include "oracle.h"

namespace {

struct Cut {
  std::vector<std::string> replies;
  std::string rest;
  bool operator==(const Cut&) const = default;
};

Cut cut(const std::string& bytes, bool in_pieces) {
  CSMTPReplyReader reader;
  Cut out;
  size_t at = 0;
  for (size_t i = 0; at < bytes.size(); ++i) {
    const size_t piece =
        in_pieces ? 1 + static_cast<unsigned char>(bytes[i % bytes.size()]) % 7 : bytes.size();
    const size_t length = std::min(piece, bytes.size() - at);
    reader.append(bytes.data() + at, length);
    at += length;
    // Replies taken as they come, as the client does between its reads.
    for (std::string reply; reader.next(&reply);) out.replies.push_back(reply);
  }
  out.rest = reader.rest();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const Cut whole = cut(bytes, false);
  FUZZ_CHECK(cut(bytes, true) == whole);
  std::string joined;
  bool limited = false;
  for (const std::string& reply : whole.replies) {
    FUZZ_CHECK(reply.size() <= CSMTPReplyReader::kMaxReply);
    limited = limited || reply.size() == CSMTPReplyReader::kMaxReply;
    joined += reply;
    CSMTP::GetError(reply.c_str());
  }
  if (!limited) FUZZ_CHECK(joined + whole.rest == bytes);
  return 0;
}
