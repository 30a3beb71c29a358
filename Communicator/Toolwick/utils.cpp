#include "Toolwick/utils.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "Platform/directory.h"
#include "Platform/process.h"
#include "Toolwick/guid.h"

namespace {

char* strip_pair(char* text, char open, char close) {
  if (text == nullptr) return nullptr;
  char* end = std::strrchr(text, close);
  if (end != nullptr) *end = '\0';
  char* start = std::strchr(text, open);
  return start != nullptr ? start + 1 : text;
}

char* replace_chars(char* text, char from, char to) {
  if (text == nullptr) return nullptr;
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == from) *p = to;
  }
  return text;
}

}  // namespace

char* CUtils::get_home() { return std::getenv("VERANTA"); }

char* CUtils::get_pwd() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return nullptr;
    buffer.resize(buffer.size() * 2);
  }
  pwd_ = buffer.data();
  return pwd_.data();
}

int CUtils::is_empty_space(const char* text) {
  if (text == nullptr) return 1;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != ' ') return 0;
  }
  return 1;
}

char* CUtils::remove_brackets(char* text) { return strip_pair(text, '(', ')'); }
char* CUtils::remove_parenthesis(char* text) { return strip_pair(text, '(', ')'); }
char* CUtils::remove_angle_brackets(char* text) { return strip_pair(text, '<', '>'); }
char* CUtils::remove_square_brackets(char* text) { return strip_pair(text, '[', ']'); }
char* CUtils::remove_curly_brackets(char* text) { return strip_pair(text, '{', '}'); }

char* CUtils::remove_quotes(char* text) {
  if (text == nullptr) return nullptr;
  const size_t length = std::strlen(text);
  if (length == 0) return text;
  if (text[length - 1] == '"') text[length - 1] = '\0';
  return text[0] == '"' ? text + 1 : text;
}

char* CUtils::remove_spaces(char* text) {
  if (text == nullptr) return nullptr;
  while (*text == ' ') ++text;
  return text;
}

void CUtils::clean(char* text) {
  if (text == nullptr) return;
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == '\n' || *p == '\r' || *p == '\x04') *p = ' ';
  }
}

void CUtils::unix2dos(char* text) { replace_chars(text, '\r', ' '); }
char* CUtils::to_formatted(char* text) { return replace_chars(text, ' ', '_'); }
char* CUtils::from_formatted(char* text) { return replace_chars(text, '_', ' '); }

void CUtils::tokenize(const char* text, char sep, CLList* list) {
  if (text == nullptr || list == nullptr) return;
  std::string copy(text);
  list->tokenize(copy.data(), sep);
}

HeapText CUtils::tokenator(char sep, CLList* list) {
  if (list == nullptr) return HeapText();
  std::string joined;
  for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
    if (e->get_name() == nullptr) continue;
    joined += e->get_name();
    joined += sep;
  }
  if (!joined.empty()) joined.pop_back();
  return HeapText(std::string_view(joined));
}

void CUtils::cllist_uppr(CLList* list) {
  if (list == nullptr) return;
  for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
    if (e->get_name() == nullptr) continue;
    std::string upper(e->get_name());
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    e->set_name(upper.c_str());
  }
}

HeapText CUtils::replace_keyword(char* text, const char* key, const char* value) {
  if (text == nullptr || key == nullptr) return HeapText();
  const std::string marker = std::string("<") + key + ">";
  char* at = std::strstr(text, marker.c_str());
  if (at == nullptr) return HeapText();
  const std::string after(at + marker.size());
  *at = '\0';
  return HeapText(std::string_view(std::string(text) + (value != nullptr ? value : "") + after));
}

char* CUtils::create_reply_with() {
  CGUID guid;
  reply_with_.assign(std::string("Dur32O") + guid.get_guid());
  return reply_with_.get();
}

std::unique_ptr<CLList> CUtils::list_entries(const char* path, const char* pattern,
                                             bool directories) {
  std::vector<platform::DirEntry> entries;
  if (!platform::list_directory(path, pattern, &entries) || entries.empty()) return nullptr;
  auto list = std::make_unique<CLList>();
  for (const platform::DirEntry& entry : entries) {
    if (entry.is_directory != directories) continue;
    if (entry.name == "." || entry.name == "..") continue;
    list->add_element(new CListElement(entry.name.c_str()));
  }
  return list;
}

std::unique_ptr<CLList> CUtils::dir_list(const char* path) {
  if (path == nullptr) return nullptr;
  return list_entries(path, "*.*", true);
}

std::unique_ptr<CLList> CUtils::file_list(const char* path, const char* pattern) {
  if (path == nullptr || pattern == nullptr) return nullptr;
  return list_entries(path, pattern, false);
}

const char* CUtils::start_executable(const char* path) {
  if (path == nullptr) return nullptr;
  std::fflush(nullptr);
  const int error = platform::start_process(path, {path, "_execl"});
  switch (error) {
    case 0:
      return nullptr;
    case ENOENT:
      return "Command interpreter cannot be found.";
    case E2BIG:
      return "Argument list (which is system-dependent) is too big.";
    case ENOEXEC:
      return "Command-interpreter file has invalid format and is not executable.";
    case ENOMEM:
      return "Not enough memory is available to execute command; or available memory has been "
             "corrupted; or invalid block exists, indicating that process making call was not "
             "allocated properly.";
    default:
      start_error_ = std::strerror(error);
      return start_error_.c_str();
  }
}

void CUtils::dump_data_list(char*, CTreeList*) {}
