#include "Talkwick/kqmlparser.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "Toolwick/format.h"
#include "Toolwick/token.h"

namespace {

bool is_keyword(const CListElement* entity) {
  return entity != nullptr && entity->get_name() != nullptr && entity->get_name()[0] == ':';
}

// The text a walk answers at `token`: its value entity or its token entity.
char* walk_answer(CListElement* token, bool value) {
  const auto* pair = dynamic_cast<CToken*>(token);
  if (pair == nullptr) return nullptr;
  CListElement* entity = value ? pair->get_token_content() : pair->get_token();
  return entity != nullptr ? entity->get_name() : nullptr;
}

char* walk_first(CLList* tokens, CListElement*& cursor, bool value) {
  cursor = tokens != nullptr ? tokens->get_element(0) : nullptr;
  return walk_answer(cursor, value);
}

char* walk_next(CListElement*& cursor, bool value) {
  if (cursor == nullptr) return nullptr;
  cursor = cursor->get_next();
  return walk_answer(cursor, value);
}

// ASCII upper case, whatever the locale.
std::string upper_case(const char* text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

const char* or_filler(const char* field, const char* filler) {
  return field != nullptr && field[0] != '\0' ? field : filler;
}

}  // namespace

CKQMLParser::CKQMLParser() : CParserBase("VERANTA KQML Parser v2.00") {
  set_parser_type(PARSER_KQML);
  new_lists();
}

CKQMLParser::~CKQMLParser() { discard_lists(); }

void CKQMLParser::new_lists() {
  entities_ = new CLList();
  tokens_ = new CLList();
}

void CKQMLParser::discard_lists() {
  // The cursors point into the token list, and the tokens into the entities.
  walk_cursor_ = token_cursor_ = contents_cursor_ = nullptr;
  delete tokens_;
  tokens_ = nullptr;
  delete entities_;
  entities_ = nullptr;
}

void CKQMLParser::pre_exit() {
  input_ = std::string();
  discard_lists();
  message_.reset();
  token_text_.reset();
}

void CKQMLParser::queue_reset() {
  discard_lists();
  new_lists();
}

bool CKQMLParser::prepare(const char* text) {
  if (text == nullptr || text[0] == '\0') return false;
  // Copied before the old parse goes: `text` may be one of its entities.
  std::string copy(text);
  pre_exit();
  new_lists();
  input_ = std::move(copy);
  for (char& c : input_) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  const size_t open = input_.find('(');
  if (open == std::string::npos) return false;
  size_t depth = 0;
  for (size_t i = open; i < input_.size(); ++i) {
    if (input_[i] == '(') {
      ++depth;
    } else if (input_[i] == ')' && --depth == 0) {
      input_[open] = ' ';
      input_[i] = ' ';
      return true;
    }
  }
  return false;
}

void CKQMLParser::split_entities() {
  const char* s = input_.data();
  const size_t n = input_.size();
  std::string entity;
  // Skipping the character after an entity may step past the end; every read
  // is bounded by n, so the walk just stops there.
  size_t i = 0;
  while (i < n) {
    if (s[i] == ' ') {
      ++i;
      continue;
    }
    if (s[i] == '"') {
      // Always stored closed; an unclosed string runs to the end.
      const char* close = static_cast<const char*>(std::memchr(s + i + 1, '"', n - i - 1));
      const size_t end = close != nullptr ? static_cast<size_t>(close - s) : n;
      entity.assign(s + i, end - i);
      entity += '"';
      i = end + 1;
    } else if (s[i] == '(') {
      size_t depth = 0;
      size_t end = i;
      for (; end < n; ++end) {
        if (s[end] == '(') {
          ++depth;
        } else if (s[end] == ')' && --depth == 0) {
          break;
        }
      }
      if (end < n) ++end;  // keep the ')'
      entity.assign(s + i, end - i);
      i = end + 1;  // the character after ')' goes too
    } else {
      size_t end = i;
      while (end < n && s[end] != ' ' && s[end] != '\x04') ++end;
      entity.assign(s + i, end - i);
      i = end + 1;
    }
    entities_->add_element(new CListElement(entity.c_str()));
  }
}

void CKQMLParser::pair_tokens() {
  CListElement* entity = entities_->get_element(0);
  while (entity != nullptr) {
    CListElement* next = entity->get_next();
    auto* token = new CToken();
    token->set_token(entity);
    if (is_keyword(entity) && next != nullptr && !is_keyword(next)) {
      token->set_token_content(next);
      next = next->get_next();
    }
    tokens_->add_element(token);
    entity = next;
  }
}

int CKQMLParser::parse_kqml_message(const char* text) {
  if (!prepare(text)) return 0;
  split_entities();
  if (entities_->get_nr_elements() == 0) {
    pre_exit();
    return 0;
  }
  pair_tokens();
  return 1;
}

int CKQMLParser::parsable(const char* text) { return prepare(text) ? 1 : 0; }

int CKQMLParser::parse_message(const char* text) { return parse_kqml_message(text); }

char* CKQMLParser::find_token(const char* name) {
  if (name == nullptr || tokens_ == nullptr) return nullptr;
  const std::string upper = upper_case(name);
  for (CListElement* e = tokens_->get_element(0); e != nullptr; e = e->get_next()) {
    const auto* token = dynamic_cast<CToken*>(e);
    if (token == nullptr || token->get_token() == nullptr) return nullptr;
    const char* text = token->get_token()->get_name();
    // The first character (the ':') is not compared; shorter entities never match.
    if (text == nullptr || text[0] == '\0' || text[1] == '\0') continue;
    if (std::strcmp(text + 1, name) == 0 || std::strcmp(text + 1, upper.c_str()) == 0) {
      CListElement* value = token->get_token_content();
      return value != nullptr ? value->get_name() : nullptr;
    }
  }
  return nullptr;
}

char* CKQMLParser::find_performative() {
  if (tokens_ == nullptr) return nullptr;
  for (CListElement* e = tokens_->get_element(0); e != nullptr; e = e->get_next()) {
    const auto* token = dynamic_cast<CToken*>(e);
    if (token == nullptr || token->get_token() == nullptr) continue;
    if (!is_keyword(token->get_token())) return token->get_token()->get_name();
  }
  return nullptr;
}

char* CKQMLParser::find_sender() { return find_token("sender"); }
char* CKQMLParser::find_ontology() { return find_token("ontology"); }
char* CKQMLParser::find_language() { return find_token("language"); }
char* CKQMLParser::find_receiver() { return find_token("receiver"); }
char* CKQMLParser::find_reply_with() { return find_token("reply-with"); }
char* CKQMLParser::find_in_reply_to() { return find_token("in-reply-to"); }
char* CKQMLParser::find_contents() { return find_token("content"); }
char* CKQMLParser::find_content() { return find_token("content"); }
char* CKQMLParser::find_forward() { return find_token("forward-to"); }

char* CKQMLParser::listall_getfirst(unsigned which) {
  return walk_first(tokens_, walk_cursor_, which == 1);
}
char* CKQMLParser::listall_getnext(unsigned which) { return walk_next(walk_cursor_, which == 1); }
char* CKQMLParser::listall_getfirst_token() { return walk_first(tokens_, token_cursor_, false); }
char* CKQMLParser::listall_getnext_token() { return walk_next(token_cursor_, false); }
char* CKQMLParser::listall_getfirst_contents() {
  return walk_first(tokens_, contents_cursor_, true);
}
char* CKQMLParser::listall_getnext_contents() { return walk_next(contents_cursor_, true); }

char* CKQMLParser::get_empty_string(int style) {
  return style == 1 ? nil_filler_.get() : blank_filler_.get();
}

char* CKQMLParser::keep_message(std::string text) {
  message_.assign(text);
  return message_.get();
}

char* CKQMLParser::keep_token(std::string text) {
  token_text_.assign(text);
  return token_text_.get();
}

char* CKQMLParser::compose_message(const char* performative, const char* receiver,
                                   const char* sender, const char* ontology, const char* language,
                                   const char* reply_with, const char* in_reply_to,
                                   const char* forward_to, int empty_style) {
  const char* filler = get_empty_string(empty_style);
  const char* reply = reply_with != nullptr && reply_with[0] != '\0'
                          ? reply_with
                          : reply_source_.create_reply_with();
  // Formatted before it replaces the old message, which an argument may be.
  return keep_message(str_format(
      "(%s :sender %s :receiver %s :ontology %s :language %s :reply-with %s :in-reply-to %s "
      ":forward-to %s :content ( ",
      or_filler(performative, filler), or_filler(sender, filler), or_filler(receiver, filler),
      or_filler(ontology, filler), or_filler(language, filler), reply,
      or_filler(in_reply_to, filler), or_filler(forward_to, filler)));
}

char* CKQMLParser::create_message(const char* performative, const char* receiver,
                                  const char* sender, const char* ontology, const char* language,
                                  const char* reply_with, const char* in_reply_to,
                                  const char* forward_to, const char* content) {
  if (content == nullptr) return nullptr;
  // The header replaces the composed message, which `content` may be.
  std::string body(content);
  const char* header = compose_message(performative, receiver, sender, ontology, language,
                                       reply_with, in_reply_to, forward_to, 0);
  if (header == nullptr) return nullptr;
  return keep_message(std::string(header) + body + "))");
}

char* CKQMLParser::compose_token(const char* name, float value) {
  if (name == nullptr) return nullptr;
  // "%f" in the "C" locale, whatever the process locale is.
  char number[64];
  const auto written = std::to_chars(number, number + sizeof number, static_cast<double>(value),
                                     std::chars_format::fixed, 6);
  return keep_token(str_format(":%s (%.*s) ", name, static_cast<int>(written.ptr - number), number));
}

char* CKQMLParser::compose_token(const char* name, int value) {
  if (name == nullptr) return nullptr;
  return keep_token(str_format(":%s (%d) ", name, value));
}

char* CKQMLParser::compose_token(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return nullptr;
  return keep_token(str_format(":%s (%s) ", name, value));
}

void CKQMLParser::set_message(const char* message) {
  if (message != nullptr) message_.set(message);
}

void CKQMLParser::set_string(const char* token) {
  if (token != nullptr) token_text_.set(token);
}
