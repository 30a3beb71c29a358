#include "Bannerwick/category.h"

#include <cstring>

#include "Bannerwick/datatype.h"
#include "Lexwick/parser.h"

namespace {

// A new list with one CDataType per token of the list text `value`, when
// that text parses and is not headed by "listof"; "listof" tokens are
// skipped. An empty list otherwise.
std::unique_ptr<CLList> read_data_types(const char* value) {
  auto list = std::make_unique<CLList>();
  CParser parser;
  if (parser.parse_message(value) != 1) return list;
  const char* head = parser.find_performative();
  if (head == nullptr || std::strcmp(head, "listof") == 0) return list;
  for (char* token = parser.listall_getfirst_token(); token != nullptr;
       token = parser.listall_getnext_token()) {
    if (std::strcmp(token, "listof") == 0) continue;
    auto data_type = std::make_unique<CDataType>();
    data_type->from_string(token);  // parses with its own front end
    list->add_element(data_type.release());
  }
  return list;
}

}  // namespace

CCategory::~CCategory() { debug("<CCategory> Processing '~CCategory'"); }

char* CCategory::to_string() {
  debug("<CCategory> Processing 'to_string'");
  return nullptr;
}

int CCategory::from_string(char* text) {
  debug("<CCategory> Processing 'from_string'");
  if (text == nullptr) return 0;
  CParser parser;
  if (parser.parse_message(text) != 1) return 0;
  const char* head = parser.find_performative();
  if (head == nullptr) return 0;
  if (std::strcmp(head, "category") != 0) {
    set_name(text);
    return 0;
  }
  const char* name = parser.find_token("name");
  const char* fields = parser.find_token("fields");
  const char* attributes = parser.find_token("attributes");
  if (name == nullptr || fields == nullptr || attributes == nullptr) {
    debug("<CCategory> Required fields not found, aborting processing");
    return 0;
  }
  set_name(name);
  fields_ = read_data_types(fields);
  debug("<CCategory> Processing attributes");
  attributes_ = read_data_types(attributes);
  return 1;
}
