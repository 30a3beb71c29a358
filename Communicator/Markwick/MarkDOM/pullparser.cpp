#include "MarkDOM/pullparser.h"

#include <cstring>
#include <new>
#include <string_view>

#include "MarkDOM/domexception.h"

namespace {

bool isWhite(char c) { return c == '\n' || c == '\t' || c == '\r' || c == '\f' || c == ' '; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isNameStart(char c) { return isLetter(c); }
bool isNameChar(char c) {
  return isLetter(c) || isDigit(c) || c == '-' || c == '_' || c == '.' || c == ':';
}
bool isUnquotedValueChar(char c) { return isNameChar(c) || c == '/'; }

unsigned digitValue(char c) {
  if (isDigit(c)) return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return static_cast<unsigned>(c - 'A' + 10);
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (lower(text[i]) != prefix[i]) return false;
  }
  return true;
}

[[noreturn]] void malformed() { throw DOMException(DOM_PARSE_ERR); }

struct Entity {
  std::string_view text;  // lower case
  char decoded;
};

constexpr Entity kEntities[] = {
    {"&quot;", '"'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&amp;", '&'},
};

// The length of the entity at the start of `text` (which starts with '&') and
// its byte in *decoded; 0 when none starts there. Character references give
// their byte when the value is 1 to 255.
size_t entityAt(std::string_view text, char* decoded) {
  for (const Entity& e : kEntities) {
    if (startsWithIgnoringCase(text, e.text)) {
      *decoded = e.decoded;
      return e.text.size();
    }
  }
  if (text.size() < 2 || text[1] != '#') return 0;
  const bool hex = text.size() > 2 && text[2] == 'x';
  const size_t digits = hex ? 3 : 2;
  size_t i = digits;
  unsigned value = 0;
  while (i < text.size() && (hex ? isHexDigit(text[i]) : isDigit(text[i]))) {
    // Once past 255 the value only has to stay too large, so long digit runs
    // cannot overflow it.
    if (value <= 255) value = value * (hex ? 16 : 10) + digitValue(text[i]);
    ++i;
  }
  if (i == digits || i == text.size() || text[i] != ';' || value < 1 || value > 255) return 0;
  *decoded = static_cast<char>(value);
  return i + 1;
}

}  // namespace

DOMPullParser::DOMPullParser(const char* text) {
  if (text == nullptr || *text == '\0') malformed();
  try {
    text_ = text;
  } catch (const std::bad_alloc&) {
    throw DOMException(DOM_NO_MEMORY_ERR);
  }
}

int DOMPullParser::next() try {
  endTag_ = false;
  name_.clear();
  value_.clear();
  for (;;) {
    if (insideTag_) {
      const int kind = readInsideTag();
      if (kind >= 0) return kind;
      continue;
    }
    if (cursor_ >= text_.size()) return END;
    if (text_[cursor_] == '<') {
      const int kind = readMarkup();
      if (kind >= 0) return kind;
      continue;
    }
    size_t end = text_.find('<', cursor_);
    if (end == std::string::npos) end = text_.size();
    const size_t from = cursor_;
    cursor_ = end;
    name_ = "#text";
    appendDecoded(from, end);
    return TEXT;
  }
} catch (const std::bad_alloc&) {
  throw DOMException(DOM_NO_MEMORY_ERR);
}

int DOMPullParser::readMarkup() {
  if (startsWith("<!--")) {
    cursor_ += 4;
    skipPast("-->");
    return -1;
  }
  if (startsWith("<?")) {
    cursor_ += 2;
    skipPast("?>");
    return -1;
  }
  if (startsWith("<!")) {
    cursor_ += 2;
    skipDeclaration();
    return -1;
  }
  if (startsWith("</")) {
    cursor_ += 2;
    readName();
    skipWhite();
    if (at(cursor_) != '>') malformed();
    ++cursor_;
    endTag_ = true;
    return ELEMENT;
  }
  ++cursor_;
  readName();
  openElement_ = name_;
  insideTag_ = true;
  return ELEMENT;
}

int DOMPullParser::readInsideTag() {
  skipWhite();
  if (at(cursor_) == '>') {
    ++cursor_;
    insideTag_ = false;
    return -1;
  }
  if (startsWith("/>")) {
    cursor_ += 2;
    insideTag_ = false;
    endTag_ = true;
    name_ = openElement_;
    return ELEMENT;
  }
  readName();
  skipWhite();
  if (at(cursor_) != '=') malformed();
  ++cursor_;
  skipWhite();
  readAttributeValue();
  return ATTRIBUTE;
}

void DOMPullParser::readName() {
  if (!isNameStart(at(cursor_))) malformed();
  const size_t from = cursor_;
  while (isNameChar(at(cursor_))) ++cursor_;
  name_.assign(text_, from, cursor_ - from);
}

void DOMPullParser::readAttributeValue() {
  const char quote = at(cursor_);
  if (quote == '"' || quote == '\'') {
    const size_t end = text_.find(quote, cursor_ + 1);
    if (end == std::string::npos) malformed();
    appendDecoded(cursor_ + 1, end);
    cursor_ = end + 1;
    return;
  }
  const size_t from = cursor_;
  // '/' belongs to the value class, but "/>" closes the element.
  while (isUnquotedValueChar(at(cursor_)) && !startsWith("/>")) ++cursor_;
  if (cursor_ == from) malformed();
  value_.assign(text_, from, cursor_ - from);
}

void DOMPullParser::skipWhite() {
  while (isWhite(at(cursor_))) ++cursor_;
}

void DOMPullParser::skipPast(const char* terminator) {
  const size_t found = text_.find(terminator, cursor_);
  if (found == std::string::npos) malformed();
  cursor_ = found + std::strlen(terminator);
}

void DOMPullParser::skipDeclaration() {
  // Brackets nest, so a document type with an internal subset, or a CDATA
  // section, ends only at a '>' outside them.
  size_t depth = 0;
  for (;; ++cursor_) {
    if (cursor_ >= text_.size()) malformed();
    const char c = text_[cursor_];
    if (c == '[') {
      ++depth;
    } else if (c == ']' && depth > 0) {
      --depth;
    } else if (c == '>' && depth == 0) {
      ++cursor_;
      return;
    }
  }
}

void DOMPullParser::appendDecoded(size_t from, size_t to) {
  const std::string_view run(text_.data() + from, to - from);
  size_t i = 0;
  while (i < run.size()) {
    const size_t amp = run.find('&', i);
    if (amp == std::string_view::npos) {
      value_.append(run.substr(i));
      return;
    }
    value_.append(run.substr(i, amp - i));
    char decoded = '&';
    const size_t length = entityAt(run.substr(amp), &decoded);
    value_ += decoded;
    i = amp + (length == 0 ? 1 : length);
  }
}

bool DOMPullParser::startsWith(const char* prefix) const {
  return text_.compare(cursor_, std::strlen(prefix), prefix) == 0;
}
