// CParser: the one front end through which the system parses a message text
// and reads its fields. It owns a KQML, an XML and an HTTP parser, keeps one
// of them current, forwards every query to it, and falls back to KQML when
// the current parser cannot read a text. It also walks name-space paths such
// as (content:command:to) into nested messages.
//
// A fresh front end has HTTP current. Once a text only KQML could read, KQML
// stays current for the life of the object: HTTP is not tried again, and the
// XML parser is never tried.
//
// Texts returned are owned by the member parser that produced them (valid
// until its next parse or compose call); find_namespace results are owned by
// the front end and valid until its next find_namespace.
#pragma once

#include <cstdint>
#include <memory>

#include "Toolwick/listelement.h"
#include "Toolwick/namespace.h"
#include "Toolwick/parserbase.h"
#include "Toolwick/textbuffer.h"

class CKQMLParser;
class CXMLParser;
class CHTTPParser;

class CParser : public CListElement {
 public:
  CParser();
  ~CParser() override;

  // The current parser's parse; when it fails, the KQML parser's, which then
  // becomes current. 1 on success; otherwise the current parser's result.
  // Null text: 0 and a debug line.
  int parse_message(const char* text);

  // Forwarded to the current parser; null without one (and for a null name).
  char* find_token(const char* name);
  char* find_performative();
  char* find_sender();
  char* find_ontology();
  char* find_language();
  char* find_receiver();
  char* find_reply_with();
  char* find_in_reply_to();
  char* find_contents();
  char* find_content();
  char* find_forward();
  char* listall_getfirst(unsigned which);
  char* listall_getnext(unsigned which);
  char* listall_getfirst_token();
  char* listall_getnext_token();
  char* listall_getfirst_contents();
  char* listall_getnext_contents();
  char* compose_message(const char* performative, const char* receiver, const char* sender,
                        const char* ontology, const char* language, const char* reply_with,
                        const char* in_reply_to, const char* forward_to, int empty_style);
  char* create_message(const char* performative, const char* receiver, const char* sender,
                       const char* ontology, const char* language, const char* reply_with,
                       const char* in_reply_to, const char* forward_to, const char* content);
  // Null when the name (or the text value) is null.
  char* compose_token(const char* name, float value);
  char* compose_token(const char* name, int value);
  char* compose_token(const char* name, const char* value);

  // Forgets the last parse (nothing is found until the next one) and gives
  // back what large texts left behind; the current parser stays current.
  // For a holder that keeps its front end while it has nothing to parse.
  void release_storage();

  // Makes KQML current, as a text only KQML could read does: for a front
  // end that is to read texts as one that has read such a text.
  void read_kqml();

  // The current parser's type code (3 HTTP, 1 KQML); 0 without one.
  int32_t get_parser_type() const;
  // The current parser, owned by the front end.
  CParserBase* get_parserbase() const { return current_; }
  // The current parser's lists; null while HTTP is current.
  CLList* get_tokens() const;
  CLList* get_entities() const;

  // Parses `text`, then walks `path`: each name is looked up in the message
  // at hand; a found value becomes the working value and, unless the name
  // is the last, is parsed as the next message. Names that are not found
  // are passed over. The result is the last working value (null when no name
  // gave one, or when a parse fails). `text` may be this front end's own
  // last result. Afterwards the front end holds the last parse it made.
  char* find_namespace(CNameSpace* path, const char* text);
  // The same walk on the message already parsed; null unless the last
  // parse_message succeeded.
  char* find_namespace(CNameSpace* path);
  // The path given as text, "(a:b:c)"; it is not changed.
  char* find_namespace(const char* path, const char* text);
  char* find_namespace(const char* path);

 private:
  // The walk of find_namespace on the current parse; sets result_.
  char* walk(CNameSpace* path);

  TextBuffer text_;  // parse_message's copy of its text
  TextBuffer result_;
  int parsed_ = 0;
  // The HTTP parser has parsed since release_storage last gave back its
  // storage; once KQML is current it parses no more, and is released once.
  bool http_used_ = false;
  CParserBase* current_ = nullptr;
  std::unique_ptr<CKQMLParser> kqml_;
  std::unique_ptr<CXMLParser> xml_;
  std::unique_ptr<CHTTPParser> http_;
};
