#include "Lexwick/httpparser.h"

#include <cstring>
#include <string>

#include "Toolwick/parameter.h"

namespace {

struct MethodName {
  int32_t code;
  const char* name;
};

// In code order: the first one present wins.
constexpr MethodName kMethods[] = {
    {HTTP_METHOD_OPTIONS, "OPTIONS"}, {HTTP_METHOD_GET, "GET"},
    {HTTP_METHOD_HEAD, "HEAD"},       {HTTP_METHOD_POST, "POST"},
    {HTTP_METHOD_PUT, "PUT"},         {HTTP_METHOD_DELETE, "DELETE"},
    {HTTP_METHOD_TRACE, "TRACE"},     {HTTP_METHOD_CONNECT, "CONNECT"},
};

}  // namespace

CHTTPParser::CHTTPParser() : CParserBase("HTTP Parser v0.29") { set_parser_type(PARSER_HTTP); }

int CHTTPParser::parsable(const char* text) {
  parse_lines(text);
  process_fields();
  return 1;
}

int CHTTPParser::parse_message(const char* text) {
  method_ = HTTP_METHOD_NONE;
  parse_lines(text);
  process_fields();
  return method_ != HTTP_METHOD_NONE ? 1 : 0;
}

char* CHTTPParser::find_sender() { return sender_.get(); }

char* CHTTPParser::find_reply_with() { return reply_with_.get(); }

char* CHTTPParser::find_field(const char* name) const {
  const CListElement* field = elements_.find_element(name);
  return field != nullptr ? static_cast<const CParameter*>(field)->get_value() : nullptr;
}

void CHTTPParser::process_fields() {
  for (const MethodName& method : kMethods) {
    if (find_field(method.name) != nullptr) {
      method_ = method.code;
      return;
    }
  }
  process_additional();
}

char* CHTTPParser::create_error_reply(int) { return nullptr; }

void CHTTPParser::parse_lines(const char* text) {
  // Copied before the lists go: `text` may be one of this parser's own lines.
  std::string copy = text != nullptr ? text : "";
  lines_.delete_list();
  elements_.delete_list();
  if (copy.empty()) return;

  for (char* line = copy.data();;) {
    const size_t length = std::strcspn(line, "\r\n");
    const char line_end = line[length];
    // "\r\n" is one line end; "\n\r" is two.
    const size_t next = length + ((line_end == '\r' && line[length + 1] == '\n') ? 2 : 1);
    line[length] = '\0';
    lines_.add_element(new CListElement(line));

    // The field is cut from the copy, so the line element keeps the whole line.
    const size_t name_end = std::strcspn(line, " :");
    if (name_end < length) {
      line[name_end] = '\0';
      char* value = line + name_end + 1;
      while (*value == ' ') ++value;
      auto* field = new CParameter(line);
      field->set_content(value);
      elements_.add_element(field);
    }

    if (line_end == '\0') break;
    line += next;
  }
}
