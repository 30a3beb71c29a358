#include "Sidewick/valuetext.h"

#include <cstring>
#include <limits>

#include "Lexwick/parser.h"
#include "Talkwick/kqmlstring.h"
#include "Toolwick/llist.h"
#include "Toolwick/numbers.h"
#include "Toolwick/token.h"
#include "Toolwick/utils.h"

namespace sidewick {

namespace {

// The keyword and the value of the token at `e`; null for what is missing.
const char* keyword_of(const CListElement* e) {
  const auto* token = dynamic_cast<const CToken*>(e);
  return token != nullptr && token->get_token() != nullptr ? token->get_token()->get_name()
                                                           : nullptr;
}

const char* value_of(const CListElement* e) {
  const auto* token = dynamic_cast<const CToken*>(e);
  return token != nullptr && token->get_token_content() != nullptr
             ? token->get_token_content()->get_name()
             : nullptr;
}

bool equal(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

// Whether `text` ends inside a double-quoted string, by the parser's rules:
// a quote opens a string, and inside one a backslash takes the character
// after it and a quote closes it. Alone such a text reads back (a string
// that never ends hides nothing), but written beside another field its
// string would run on into that field.
bool leaves_string_open(const char* text) {
  bool in_string = false;
  for (const char* c = text; *c != '\0'; ++c) {
    if (!in_string) {
      in_string = *c == '"';
    } else if (*c == '\\') {
      if (*++c == '\0') break;
    } else if (*c == '"') {
      in_string = false;
    }
  }
  return in_string;
}

}  // namespace

float read_float(const char* text) {
  const double value = read_real(text);
  if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

std::string unwrapped(const char* value) {
  if (value == nullptr) return std::string();
  std::string copy(value);
  CUtils utils;
  return utils.remove_parenthesis(copy.data());
}

bool reads_back_as_value(const char* value) {
  if (value == nullptr || leaves_string_open(value)) return false;
  const std::string text = std::string("(v :v (") + value + ") :w ())";
  CParser parser;
  if (parser.parse_message(text.c_str()) != 1) return false;
  const char* read = parser.find_token("v");
  return read != nullptr && unwrapped(read) == value && equal(parser.find_token("w"), "()");
}

bool reads_back_as_keyword(const char* name) {
  // A name whose parentheses or strings are left open reads back alone but
  // takes in the keywords written after it.
  if (!reads_back_as_value(name)) return false;
  const std::string keyword = std::string(":") + name;
  const std::string text = "(k " + keyword + " (x) :w ())";
  CParser parser;
  if (parser.parse_message(text.c_str()) != 1 || parser.get_tokens() == nullptr) return false;
  // Exactly the three tokens written: "k", the keyword with its value, ":w ()".
  const CListElement* e = parser.get_tokens()->get_element(0);
  if (e == nullptr || !equal(keyword_of(e), "k") || value_of(e) != nullptr) return false;
  e = e->get_next();
  if (e == nullptr || !equal(keyword_of(e), keyword.c_str()) || !equal(value_of(e), "(x)")) {
    return false;
  }
  e = e->get_next();
  return e != nullptr && equal(keyword_of(e), ":w") && equal(value_of(e), "()") &&
         e->get_next() == nullptr;
}

bool is_writable(const char* text) {
  return text != nullptr && std::strpbrk(text, "\t\n\r") == nullptr;
}

std::string written_value(const char* text) {
  const std::string enclosed = "(" + std::string(text) + ")";
  return reads_back_as_value(text) && !takes_in_keywords(enclosed.c_str()) ? enclosed
                                                                          : kqml_string(text);
}

std::string value_text(const char* value) {
  return value != nullptr && value[0] == '"' ? kqml_string_text(value) : unwrapped(value);
}

bool takes_in_keywords(const char* value) {
  if (value == nullptr || value[0] != '(') return false;
  const char* c = value;
  for (int depth = 0; *c != '\0'; ++c) {
    if (*c == '(') {
      ++depth;
    } else if (*c == ')' && --depth == 0) {
      break;
    }
  }
  for (; *c != '\0'; ++c) {
    if (c[0] == ' ' && c[1] == ':' && c[2] != '\0' && c[2] != ' ') return true;
  }
  return false;
}

bool is_list_name(const char* name) {
  return is_writable(name) && std::strchr(name, ',') == nullptr;
}

std::string comma_list(CLList* list) {
  std::string joined;
  bool first = true;
  bool last_empty = false;
  if (list == nullptr) return joined;
  for (CListElement* e = list->get_element(0); e != nullptr; e = e->get_next()) {
    const char* name = e->get_name();
    if (!is_list_name(name)) continue;
    if (!first) joined += ',';
    joined += name;
    first = false;
    last_empty = name[0] == '\0';
  }
  if (last_empty) joined += ',';
  return joined;
}

int parse_closing_at_end(CParser& parser, const char* text) {
  if (parser.parse_message(text) == 1) return 1;
  if (text == nullptr || std::strchr(text, '(') == nullptr) return 0;
  const std::string closed = std::string(text) + ")";
  return parser.parse_message(closed.c_str());
}

}  // namespace sidewick
