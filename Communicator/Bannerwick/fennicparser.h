// CFennicParser: the parser plug-in for the capability language of service
// advertisements. It recognises nothing: every parse and query gives 0 or
// null, and its parser type stays PARSER_NONE.
#pragma once

#include "Toolwick/parserbase.h"

class CFennicParser : public CParserBase {
 public:
  CFennicParser() = default;

  int parsable(const char* text) override;
  int parse_message(const char* text) override;
  char* find_token(const char* name) override;
  char* find_performative() override;
  char* find_sender() override;
  char* find_ontology() override;
  char* find_language() override;
  char* find_receiver() override;
  char* find_reply_with() override;
  char* find_in_reply_to() override;
  char* find_contents() override;
  char* find_content() override;
  char* find_forward() override;
  char* listall_getfirst(unsigned which) override;
  char* listall_getnext(unsigned which) override;
  char* listall_getfirst_token() override;
  char* listall_getnext_token() override;
  char* listall_getfirst_contents() override;
  char* listall_getnext_contents() override;
};
