// CParserBase: the interface every message parser implements (KQML, HTTP,
// XML, discovery, advertisements). The rest of the system reaches parsers
// only through it or through the front end CParser. The order of the virtual
// operations is part of the interface: subclasses in other libraries rely on it.
//
// Every text a parser returns stays owned by the parser and is valid until
// its next parse or compose call, or its destruction.
#pragma once

#include <cstdint>

#include "Toolwick/llist.h"

// Parser family codes (get_parser_type).
enum : int32_t {
  PARSER_NONE = 0,
  PARSER_KQML = 1,
  PARSER_XML = 2,
  PARSER_HTTP = 3,
};

class CParserBase : public CListElement {
 public:
  CParserBase() = default;
  explicit CParserBase(const char* name) : CListElement(name) {}
  // Releases neither list: the subclass that made them destroys them.
  ~CParserBase() override = default;

  virtual int parsable(const char* text);
  virtual int parse_message(const char* text);
  virtual char* find_token(const char* name);
  virtual char* find_performative();
  virtual char* find_sender();
  virtual char* find_ontology();
  virtual char* find_language();
  virtual char* find_receiver();
  virtual char* find_reply_with();
  virtual char* find_in_reply_to();
  virtual char* find_contents();
  virtual char* find_content();
  virtual char* find_forward();
  virtual char* listall_getfirst(unsigned which);
  virtual char* listall_getnext(unsigned which);
  virtual char* listall_getfirst_token();
  virtual char* listall_getnext_token();
  virtual char* listall_getfirst_contents();
  virtual char* listall_getnext_contents();
  virtual char* compose_message(const char* performative, const char* receiver, const char* sender,
                                const char* ontology, const char* language, const char* reply_with,
                                const char* in_reply_to, const char* forward_to, int empty_style);
  virtual char* create_message(const char* performative, const char* receiver, const char* sender,
                               const char* ontology, const char* language, const char* reply_with,
                               const char* in_reply_to, const char* forward_to, const char* content);
  virtual char* compose_token(const char* name, float value);
  virtual char* compose_token(const char* name, int value);
  virtual char* compose_token(const char* name, const char* value);

  void set_parser_type(int32_t type) { parser_type_ = type; }
  int32_t get_parser_type() const { return parser_type_; }
  // The entities (raw texts) and CToken pairs of the last parse; null when
  // the subclass keeps none.
  CLList* get_entities() const { return entities_; }
  CLList* get_tokens() const { return tokens_; }

 protected:
  // For subclasses, which create and destroy the lists.
  CLList* entities_ = nullptr;
  CLList* tokens_ = nullptr;

 private:
  int32_t parser_type_ = PARSER_NONE;
};
