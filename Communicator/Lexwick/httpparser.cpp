#include "Lexwick/httpparser.h"

#include <cstring>
#include <string_view>

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

CHTTPParser::~CHTTPParser() { discard_lines(); }

void CHTTPParser::discard_lines() {
  lines_.forget_elements();
  elements_.forget_elements();
  records_.clear();
}

void CHTTPParser::release_storage() {
  discard_lines();
  method_ = HTTP_METHOD_NONE;
  input_.release();
  records_.release();
}

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

char* CHTTPParser::find_sender() { return sender_; }

char* CHTTPParser::find_reply_with() { return reply_with_; }

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

bool CHTTPParser::has_method(const char* text) {
  if (text == nullptr) return false;
  // Every place a line may begin: the start and after each CR or LF (the LF
  // of a CR LF begins no method).
  for (const char* line = text;; ++line) {
    for (const MethodName& method : kMethods) {
      const size_t length = std::strlen(method.name);
      if (std::strncmp(line, method.name, length) == 0 &&
          (line[length] == ' ' || line[length] == ':')) {
        return true;
      }
    }
    line = std::strpbrk(line, "\r\n");
    if (line == nullptr) return false;
  }
}

void CHTTPParser::parse_lines(const char* text) {
  // Copied before the lists go: `text` may be one of this parser's own lines.
  const std::string_view source = text != nullptr ? text : "";
  const size_t n = source.size();
  char* lines = input_.assign({source, std::string_view("", 1), source});
  char* fields = lines + n + 1;
  discard_lines();
  if (n == 0) return;

  for (size_t at = 0;;) {
    char* line = lines + at;
    const size_t length = std::strcspn(line, "\r\n");
    const char line_end = line[length];
    // "\r\n" is one line end; "\n\r" is two.
    const size_t next = at + length + ((line_end == '\r' && line[length + 1] == '\n') ? 2 : 1);
    line[length] = '\0';
    auto* element = records_.make<CListElement>();
    element->view_name(line);
    lines_.add_element(element);

    // The field is cut from the second copy, so the line keeps the whole line.
    char* field = fields + at;
    field[length] = '\0';
    const size_t name_end = std::strcspn(field, " :");
    if (name_end < length) {
      field[name_end] = '\0';
      char* value = field + name_end + 1;
      while (*value == ' ') ++value;
      auto* parameter = records_.make<CParameter>();
      parameter->view_name(field);
      parameter->view_value(value);
      elements_.add_element(parameter);
    }

    if (line_end == '\0') break;
    at = next;
  }
}
