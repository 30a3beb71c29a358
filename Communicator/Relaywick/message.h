// CMessage: the record through which the communicator composes a message.
// It owns a KQML and an XML parser; the KQML one composes.
#pragma once

#include <memory>

#include "Toolwick/heaptext.h"
#include "Toolwick/listelement.h"
#include "Toolwick/parserbase.h"

class CKQMLParser;
class CXMLParser;

class CMessage : public CListElement {
 public:
  CMessage();
  ~CMessage() override;

  // Keeps a copy; null is ignored.
  void set_data(const char* data);
  // Owned by the record; null until set.
  char* get_data() const { return data_.get(); }
  // The record's current parser (not owned); its own KQML parser at first.
  void set_parser(CParserBase* parser) { parser_ = parser; }
  CParserBase* get_parser() const { return parser_; }

  // The KQML header up to ":content ( ", owned by the KQML parser until its
  // next compose.
  char* compose_message(const char* performative, const char* receiver, const char* sender,
                        const char* ontology, const char* language, const char* reply_with,
                        const char* in_reply_to, const char* forward_to, int empty_style);

 private:
  HeapText data_;
  CParserBase* parser_;
  std::unique_ptr<CKQMLParser> kqml_;
  std::unique_ptr<CXMLParser> xml_;
};
