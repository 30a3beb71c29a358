#include "Markwick/xmlparser.h"

CXMLParser::CXMLParser() : CParserBase("VERANTA XML Parser v0.80") {
  set_parser_type(PARSER_XML);
}

int CXMLParser::parsable(const char*) { return 0; }

int CXMLParser::parse_message(const char*) { return 0; }

char* CXMLParser::find_token(const char* name) {
  if (name == nullptr) return nullptr;
  for (TokenRecord& token : token_chain_) {
    if (token.name == name) return token.value.data();
  }
  return nullptr;
}

char* CXMLParser::compose_message(const char*, const char*, const char*, const char*, const char*,
                                  const char*, const char*, const char*, int) {
  return nullptr;
}

int CXMLParser::parse_xml_message(const char*) {
  // Nothing is kept of the tags a scan would pass, so there is nothing to read.
  entity_chain_.clear();
  token_chain_.clear();
  return 1;
}
