#include "Relaywick/messageframer.h"

namespace {

constexpr char kTerminator = 0x04;

// The C text at the start of `piece`: up to its first NUL.
std::string_view c_text(std::string_view piece) {
  const size_t nul = piece.find('\0');
  return nul == std::string_view::npos ? piece : piece.substr(0, nul);
}

}  // namespace

CMessageFramer::Result CMessageFramer::feed(std::string_view segment) {
  Result result;
  size_t start = 0;
  for (size_t at = segment.find(kTerminator); at != std::string_view::npos;
       at = segment.find(kTerminator, start)) {
    const std::string_view text = c_text(segment.substr(start, at - start));
    if (held_.size() + text.size() > kMaxMessage) {
      held_.clear();
      result.messages.clear();
      result.overflow = true;
      return result;
    }
    if (!held_.empty()) {
      // Moving the held text out keeps joining linear in the message size.
      std::string whole = std::move(held_);
      held_.clear();
      whole.append(text);
      result.messages.push_back({std::move(whole), true});
    } else {
      result.messages.push_back({std::string(text), false});
    }
    start = at + 1;
  }
  if (start == segment.size()) {
    result.tail = segment.empty() ? Tail::kEmptySegment : Tail::kNone;
    return result;
  }
  const std::string_view rest = c_text(segment.substr(start));
  if (rest.empty()) {
    result.tail = Tail::kEmptyText;
    return result;
  }
  if (held_.size() + rest.size() > kMaxMessage) {
    held_.clear();
    result.messages.clear();
    result.overflow = true;
    return result;
  }
  held_.append(rest);
  result.tail = Tail::kHeld;
  result.held = rest;
  return result;
}
