#include "Talkwick/messageframer.h"

#include <algorithm>

namespace {

// A text buffer that held a message this large or larger is given back
// when its text is done with, and so is the list of a segment that held
// more messages than this, so that one large message or one segment of
// empty ones does not keep its memory for the life of the connection.
constexpr size_t kKeptCapacity = 4096;
constexpr size_t kKeptMessages = 64;

// The C text at the start of `piece`: up to its first NUL.
std::string_view c_text(std::string_view piece) {
  const size_t nul = piece.find('\0');
  return nul == std::string_view::npos ? piece : piece.substr(0, nul);
}

void release_if_large(std::string& buffer) {
  if (buffer.capacity() >= kKeptCapacity) std::string().swap(buffer);
}

}  // namespace

const CMessageFramer::Result& CMessageFramer::feed(std::string_view segment) {
  release_if_large(joined_);
  if (result_.messages.capacity() > kKeptMessages) {
    std::vector<Message>().swap(result_.messages);
  }
  result_.messages.clear();
  result_.tail = Tail::kNone;
  result_.held = {};
  result_.overflow = overflowed_;
  if (overflowed_) return result_;

  size_t start = 0;
  for (size_t at = segment.find(kTerminator); at != std::string_view::npos;
       at = segment.find(kTerminator, start)) {
    const std::string_view piece = segment.substr(start, at - start);
    start = at + 1;
    if (!in_message()) {
      // Most messages: the whole of it in this segment, handed out in place.
      const std::string_view text = c_text(piece);
      if (text.size() > kMaxMessage) {
        give_up();
        return result_;
      }
      result_.messages.push_back({text, false});
      continue;
    }
    if (!hold(piece)) return result_;
    const bool joined = held_size_ > 0;
    result_.messages.push_back({finish(), joined});
  }

  const std::string_view rest = segment.substr(start);
  if (segment.empty()) {
    result_.tail = Tail::kEmptySegment;
  } else if (!rest.empty()) {
    const size_t before = held_size_;
    if (!hold(rest)) return result_;
    if (held_size_ > before) {
      result_.tail = Tail::kHeld;
      result_.held = rest.substr(0, held_size_ - before);
    } else {
      result_.tail = Tail::kEmptyText;
    }
  }
  return result_;
}

void CMessageFramer::release_messages() {
  result_.messages.clear();
  release_if_large(joined_);
}

std::string_view CMessageFramer::held() const {
  gather();
  return held_;
}

bool CMessageFramer::hold(std::string_view piece) {
  if (cut_) return true;
  const std::string_view text = c_text(piece);
  cut_ = text.size() < piece.size();
  if (held_size_ + text.size() > kMaxMessage) {
    give_up();
    return false;
  }
  append_held(text);
  return true;
}

void CMessageFramer::append_held(std::string_view text) {
  held_size_ += text.size();
  if (pieces_.empty() && held_.size() + text.size() <= kPiece) {
    held_.append(text);
    return;
  }
  while (!text.empty()) {
    if (pieces_.empty() || pieces_.back().size() == kPiece) {
      pieces_.emplace_back().reserve(kPiece);  // an empty string takes what it is asked for
    }
    std::string& last = pieces_.back();
    const size_t taken = std::min(text.size(), kPiece - last.size());
    last.append(text.substr(0, taken));
    text.remove_prefix(taken);
  }
}

void CMessageFramer::gather() const {
  if (pieces_.empty()) return;
  std::string whole;
  whole.reserve(held_size_);
  whole.append(held_);
  for (const std::string& piece : pieces_) whole.append(piece);
  held_.swap(whole);
  pieces_.clear();
}

std::string_view CMessageFramer::finish() {
  // The two buffers trade places, so that a stream of messages longer than
  // a segment reuses the same two.
  gather();
  joined_.swap(held_);
  held_.clear();
  held_size_ = 0;
  cut_ = false;
  return joined_;
}

void CMessageFramer::forget_held() {
  held_.clear();
  release_if_large(held_);
  pieces_.clear();
  held_size_ = 0;
  cut_ = false;
}

void CMessageFramer::give_up() {
  // The stream can no longer be trusted: whatever came after the oversized
  // message would be read from its middle.
  forget_held();
  overflowed_ = true;
  result_.overflow = true;
}

void CMessageFramer::reset() {
  forget_held();
  overflowed_ = false;
}

bool CMessageFramer::frame(std::string* text) {
  // Two scans of the whole text: find_first_of would search the pair of
  // bytes once for every byte of it.
  if (text->find(kTerminator) != std::string::npos || text->find('\0') != std::string::npos) {
    return false;
  }
  text->push_back(kTerminator);
  return true;
}

bool CMessageFramer::is_one_message(std::string_view text) {
  const size_t at = text.find(kTerminator);
  return at == std::string_view::npos || at + 1 == text.size();
}
