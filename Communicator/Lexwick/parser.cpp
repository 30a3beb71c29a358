#include "Lexwick/parser.h"

#include <string>

#include "Lexwick/httpparser.h"
#include "Markwick/xmlparser.h"
#include "Talkwick/kqmlparser.h"

CParser::CParser()
    : kqml_(std::make_unique<CKQMLParser>()),
      xml_(std::make_unique<CXMLParser>()),
      http_(std::make_unique<CHTTPParser>()) {
  current_ = http_.get();
}

CParser::~CParser() = default;

int CParser::parse_message(const char* text) {
  if (text == nullptr) {
    debug("<CParser> No stream specified, aborting");
    return 0;
  }
  if (current_ == nullptr) return 0;
  // With KQML current there is no fallback: a text that failed would only
  // fail again, and the KQML parser copies its text before it discards the
  // parse that text may come from.
  const bool fallback = current_ != kqml_.get();
  // A text that a member handed out (find_content and the like) is
  // overwritten by that member's first parse; the fallback reads it again
  // from this copy.
  const char* source = fallback ? text_.assign({text}) : text;
  if (current_ == http_.get()) http_used_ = true;
  const int result = current_->parse_message(source);
  if (result == 1) {
    debug("<CParser> Successfully assigned parser with primary parser");
    parsed_ = 1;
    return 1;
  }
  if (fallback && kqml_->parse_message(source) == 1) {
    debug("<CParser> KQML parser assigned");
    parsed_ = 1;
    current_ = kqml_.get();
    return 1;
  }
  parsed_ = 0;
  return result;
}

void CParser::release_storage() {
  parsed_ = 0;
  text_.release();
  result_.release();
  kqml_->release_storage();
  if (http_used_ || current_ == http_.get()) http_->release_storage();
  http_used_ = false;
}

char* CParser::find_token(const char* name) {
  if (name == nullptr || current_ == nullptr) return nullptr;
  return current_->find_token(name);
}

#define TW_FORWARD(call) (current_ != nullptr ? current_->call : nullptr)

char* CParser::find_performative() { return TW_FORWARD(find_performative()); }
char* CParser::find_sender() { return TW_FORWARD(find_sender()); }
char* CParser::find_ontology() { return TW_FORWARD(find_ontology()); }
char* CParser::find_language() { return TW_FORWARD(find_language()); }
char* CParser::find_receiver() { return TW_FORWARD(find_receiver()); }
char* CParser::find_reply_with() { return TW_FORWARD(find_reply_with()); }
char* CParser::find_in_reply_to() { return TW_FORWARD(find_in_reply_to()); }
char* CParser::find_contents() { return TW_FORWARD(find_contents()); }
char* CParser::find_content() { return TW_FORWARD(find_content()); }
char* CParser::find_forward() { return TW_FORWARD(find_forward()); }
char* CParser::listall_getfirst(unsigned which) { return TW_FORWARD(listall_getfirst(which)); }
char* CParser::listall_getnext(unsigned which) { return TW_FORWARD(listall_getnext(which)); }
char* CParser::listall_getfirst_token() { return TW_FORWARD(listall_getfirst_token()); }
char* CParser::listall_getnext_token() { return TW_FORWARD(listall_getnext_token()); }
char* CParser::listall_getfirst_contents() { return TW_FORWARD(listall_getfirst_contents()); }
char* CParser::listall_getnext_contents() { return TW_FORWARD(listall_getnext_contents()); }

char* CParser::compose_message(const char* performative, const char* receiver, const char* sender,
                               const char* ontology, const char* language,
                               const char* reply_with, const char* in_reply_to,
                               const char* forward_to, int empty_style) {
  return TW_FORWARD(compose_message(performative, receiver, sender, ontology, language,
                                    reply_with, in_reply_to, forward_to, empty_style));
}

char* CParser::create_message(const char* performative, const char* receiver, const char* sender,
                              const char* ontology, const char* language, const char* reply_with,
                              const char* in_reply_to, const char* forward_to,
                              const char* content) {
  return TW_FORWARD(create_message(performative, receiver, sender, ontology, language, reply_with,
                                   in_reply_to, forward_to, content));
}

char* CParser::compose_token(const char* name, float value) {
  return name != nullptr ? TW_FORWARD(compose_token(name, value)) : nullptr;
}

char* CParser::compose_token(const char* name, int value) {
  return name != nullptr ? TW_FORWARD(compose_token(name, value)) : nullptr;
}

char* CParser::compose_token(const char* name, const char* value) {
  return name != nullptr && value != nullptr ? TW_FORWARD(compose_token(name, value)) : nullptr;
}

#undef TW_FORWARD

void CParser::read_kqml() { current_ = kqml_.get(); }

int32_t CParser::get_parser_type() const {
  return current_ != nullptr ? current_->get_parser_type() : PARSER_NONE;
}

CLList* CParser::get_tokens() const {
  return current_ != nullptr ? current_->get_tokens() : nullptr;
}

CLList* CParser::get_entities() const {
  return current_ != nullptr ? current_->get_entities() : nullptr;
}

char* CParser::find_namespace(CNameSpace* path, const char* text) {
  if (path == nullptr || text == nullptr) return nullptr;
  // `text` may be the previous result: the parse copies it first.
  if (parse_message(text) != 1) {
    result_.clear();
    return nullptr;
  }
  return walk(path);
}

char* CParser::find_namespace(CNameSpace* path) {
  if (path == nullptr || parsed_ == 0) return nullptr;
  return walk(path);
}

char* CParser::find_namespace(const char* path, const char* text) {
  if (path == nullptr || text == nullptr) return nullptr;
  std::string path_text(path);  // from_string cuts in place; `path` may be result_
  CNameSpace names;
  names.from_string(path_text.data());
  return find_namespace(&names, text);
}

char* CParser::find_namespace(const char* path) {
  if (path == nullptr) return nullptr;
  std::string path_text(path);
  CNameSpace names;
  names.from_string(path_text.data());
  return find_namespace(&names);
}

char* CParser::walk(CNameSpace* path) {
  bool found = false;
  const CListElement* last = path->get_last_element();
  for (CListElement* name = path->get_first_element(); name != nullptr;
       name = path->get_next_element()) {
    const char* value = find_token(name->get_name());
    if (value == nullptr) continue;  // not in this message: try the next name here
    result_.assign({value});         // copied: the next parse discards `value`
    found = true;
    if (name != last && parse_message(result_.get()) != 1) {
      result_.clear();
      return nullptr;
    }
  }
  if (!found) {
    result_.clear();
    return nullptr;
  }
  return result_.get();
}
