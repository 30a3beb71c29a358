#include "Toolwick/parameter.h"

#include <cstring>

#include "Toolwick/format.h"
#include "Toolwick/utils.h"

void CParameter::set_content(void* value) {
  if (value == nullptr) return;
  value_.set(static_cast<const char*>(value));
  CListElement::set_content(value_.get());
}

char* CParameter::to_string() {
  if (get_name() == nullptr) return nullptr;
  text_buffer().assign(str_format(":%s (%s)", get_name(), value_.is_set() ? value_.get() : ""));
  return text_buffer().get();
}

int CParameter::from_string(char* text) {
  if (text == nullptr) return 0;
  char* colon = std::strchr(text, ':');
  if (colon == nullptr) return 0;
  char* blank = std::strchr(colon, ' ');
  if (blank == nullptr) return 0;
  *blank = '\0';
  set_name(colon + 1);
  CUtils utils;
  char* value = utils.remove_quotes(utils.remove_parenthesis(utils.remove_spaces(blank + 1)));
  set_content(value);
  return 1;
}
