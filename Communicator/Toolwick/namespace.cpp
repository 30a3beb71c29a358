#include "Toolwick/namespace.h"

#include <string>

#include "Toolwick/utils.h"

void CNameSpace::add_name(const char* name) {
  if (name == nullptr) return;
  add_element(new CListElement(name));
}

HeapText CNameSpace::remove_name() {
  CListElement* tail = pop();
  if (tail == nullptr) return HeapText();
  HeapText name(tail->get_name());
  delete tail;
  return name;
}

int CNameSpace::from_string(char* text) {
  if (text == nullptr) return 0;
  CUtils utils;
  utils.tokenize(utils.remove_parenthesis(text), separator_, this);
  return 1;
}

char* CNameSpace::to_string() {
  if (get_nr_elements() == 0) return nullptr;
  std::string path;
  bool first = true;
  for (CListElement* e = get_first_element(); e != nullptr; e = get_next_element()) {
    if (e->get_name() == nullptr) continue;
    if (!first) path += separator_;
    path += e->get_name();
    first = false;
  }
  text_.assign("(" + path + ")");
  return text_.get();
}
