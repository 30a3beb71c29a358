#include "Bannerwick/datatype.h"

#include <cstring>

#include "Lexwick/parser.h"

CDataType::CDataType() : tokens_(std::make_unique<CLList>()) {}

int CDataType::from_string(char* text) {
  if (text == nullptr) return 0;
  CParser parser;
  if (parser.parse_message(text) != 1) {
    debug("<CDataType> Unable to parse fields");
    return 0;
  }
  const char* first = parser.listall_getfirst_token();
  if (first == nullptr || std::strcmp(first, "cfield") == 0) return 1;
  for (const char* token = first; token != nullptr; token = parser.listall_getnext_token()) {
    tokens_->add_element(new CListElement(token));
  }
  return 1;
}
