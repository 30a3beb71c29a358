// DOMPullParser: cuts an XML text into tokens, one per call of next().
//
// Tokens: "<name" starts an element (ELEMENT, the parser is then inside the
// tag); inside a tag, name="value" or name=value-run gives ATTRIBUTE and ">"
// ends the tag; "/>" ends the element just started (ELEMENT with the end-tag
// flag and its name); "</name>" gives ELEMENT with the end-tag flag; the text
// between tags gives TEXT ("#text", the text as value), white space alone
// included; the end of the text gives END. Comments, processing instructions and
// declarations ("<!...>", CDATA sections among them) are skipped. Entities in
// text and attribute values are decoded. The parser checks the form of each
// token only; that the tags nest is for its caller to check.
#pragma once

#include <cstddef>
#include <string>

class DOMPullParser {
 public:
  enum TokenKind { END = 0, ELEMENT = 1, ATTRIBUTE = 2, TEXT = 3 };

  // Works on its own copy of `text`. Throws 103 for a null or empty text.
  explicit DOMPullParser(const char* text);
  DOMPullParser(const DOMPullParser&) = delete;
  DOMPullParser& operator=(const DOMPullParser&) = delete;

  // The next token's kind; END again and again once the text is used up.
  // Throws 103 when the text is not well formed there, 104 when memory runs
  // out.
  int next();

  // The last token's name and value, owned by the parser and valid until the
  // next call of next(). Names and values may be of any length.
  const char* getName() const { return name_.c_str(); }
  const char* getValue() const { return value_.c_str(); }
  bool isEndTag() const { return endTag_; }

 private:
  // At a '<' outside a tag, and inside a tag: a token kind, or -1 when
  // nothing was given (markup skipped, the tag closed by '>').
  int readMarkup();
  int readInsideTag();
  // Reads the name at the cursor into name_; 103 when none starts there.
  void readName();
  void readAttributeValue();
  void skipWhite();
  // Moves the cursor past `terminator`; 103 when the text ends before it.
  void skipPast(const char* terminator);
  void skipDeclaration();
  // Appends text_[from, to) to value_, decoding its entities.
  void appendDecoded(size_t from, size_t to);
  bool startsWith(const char* prefix) const;
  // The character at `i`, or NUL past the end (NUL is in no class).
  char at(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  std::string text_;
  size_t cursor_ = 0;
  std::string name_;
  std::string value_;
  // The element whose start tag is open, for "/>".
  std::string openElement_;
  bool endTag_ = false;
  bool insideTag_ = false;
};
