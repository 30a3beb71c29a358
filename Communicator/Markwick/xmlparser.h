// CXMLParser: the XML member of the parser family. The front end and the
// communicator's message class each hold one so that the XML parser type
// exists; it reads no XML, and nothing queries it. The document model lives
// apart, in MarkDOM/.
#pragma once

#include <string>
#include <vector>

#include "Toolwick/parserbase.h"

class CXMLParser : public CParserBase {
 public:
  // Named "VERANTA XML Parser v0.80", parser type 2; both chains empty and
  // the lists of CParserBase null.
  CXMLParser();

  // Always 0: the front end never hands this parser a message.
  int parsable(const char* text) override;
  // Reads nothing: 0.
  int parse_message(const char* text) override;
  // The value of the first token record named `name`; null when there is
  // none, which is always, since nothing fills the chain.
  char* find_token(const char* name) override;
  // Always null.
  char* compose_message(const char* performative, const char* receiver, const char* sender,
                        const char* ontology, const char* language, const char* reply_with,
                        const char* in_reply_to, const char* forward_to,
                        int empty_style) override;

  // Returns 1 for any text (null and "" included). It keeps nothing of the
  // tags it passes: both chains are empty afterwards.
  int parse_xml_message(const char* text);

 private:
  struct EntityRecord {
    std::string text;
  };
  struct TokenRecord {
    std::string name;
    std::string value;
  };

  std::vector<EntityRecord> entity_chain_;
  std::vector<TokenRecord> token_chain_;
};
