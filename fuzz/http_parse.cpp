// Fuzzes the HTTP request parser: both parse forms, every find operation,
// the line and field lists, and a parse of one of its own lines. The
// oracle: the fields read, written again one a line as "name: value", read
// back to the same fields and the same method.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Lexwick/httpparser.h"
#include "Toolwick/parameter.h"
#include "oracle.h"

namespace {

void read_everything(CHTTPParser& parser) {
  parser.find_OPTIONS();
  parser.find_GET();
  parser.find_HEAD();
  parser.find_POST();
  parser.find_PUT();
  parser.find_DELETE();
  parser.find_TRACE();
  parser.find_CONNECT();
  parser.find_sender();
  parser.find_reply_with();
  parser.get_method();
  CLList* elements = parser.get_elements();
  for (CListElement* e = elements->get_first_element(); e != nullptr;
       e = elements->get_next_element()) {
    parser.find_field(e->get_name());
    static_cast<CParameter*>(e)->to_string();
  }
}

using Fields = std::vector<std::pair<std::string, std::string>>;

Fields fields_of(CHTTPParser& parser) {
  Fields fields;
  CLList* elements = parser.get_elements();
  for (CListElement* e = elements->get_element(0); e != nullptr; e = e->get_next()) {
    const char* value = static_cast<CParameter*>(e)->get_value();
    fields.emplace_back(e->get_name(), value != nullptr ? value : "");
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CHTTPParser parser;
  parser.parse_message(text.c_str());
  read_everything(parser);
  const Fields fields = fields_of(parser);
  std::string written;
  for (const auto& [name, value] : fields) written += name + ": " + value + "\r\n";
  CHTTPParser reread;
  reread.parse_message(written.c_str());
  FUZZ_CHECK(fields_of(reread) == fields);
  FUZZ_CHECK(reread.get_method() == parser.get_method());
  parser.parsable(text.c_str());
  read_everything(parser);
  CListElement* last_line = parser.get_lines()->get_last_element();
  if (last_line != nullptr) parser.parse_message(last_line->get_name());
  if (parser.find_GET() != nullptr) parser.parsable(parser.find_GET());
  read_everything(parser);
  return 0;
}
