// Test helper: a strict reader of KQML, written from the language's syntax
// and apart from the framework's parser, to judge the texts a program sends.
//
//   message    := ws* '(' ws* word (ws+ :keyword ws+ expression)* ws* ')' ws*
//   expression := word | string | '(' ws* [expression (ws+ expression)*] ws* ')'
//   word       := one or more of A-Z a-z 0-9 < > = + - * / & ^ ~ _ @ $ % : . ! ?
//                 (and { }, which the framework's reply-with identifiers hold)
//   string     := '"' (any byte but '\' and '"' | '\' any byte)* '"'
//
// where ws is a blank, tab, CR or LF; an expression ends at white space or
// at the ')' of its list. One allowance: a keyword directly followed by
// another keyword has no value, as the framework writes the empty fields of
// a message header (":in-reply-to   :forward-to").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

struct KQMLExpr {
  enum Kind { kWord, kString, kList };
  Kind kind = kWord;
  std::string text;             // a word as written; a string's text, escapes taken
  std::vector<KQMLExpr> items;  // a list's expressions

  bool is_keyword() const { return kind == kWord && text.size() > 1 && text[0] == ':'; }
  // In a list of the message form: the value after :`key`; null when the
  // list has no such keyword or it has no value.
  const KQMLExpr* field(std::string_view key) const;
};

// Reads `text` as one KQML expression and nothing else; nothing, with what
// is wrong and where in *error, when it is not one.
std::optional<KQMLExpr> read_strict_kqml(std::string_view text, std::string* error);

// Whether `expr` has the message form: a list of a word that is not a
// keyword (the performative), then keyword/value pairs. Says why not in
// *error.
bool is_strict_message(const KQMLExpr& expr, std::string* error);

// read_strict_kqml and is_strict_message in one.
std::optional<KQMLExpr> read_strict_message(std::string_view text, std::string* error);

}  // namespace testsupport
