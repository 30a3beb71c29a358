#include "Toolwick/listelement.h"

#include "Toolwick/format.h"

int CListElement::from_string(char* /*text*/) { return 0; }

char* CListElement::to_string() {
  if (get_name() == nullptr) return nullptr;
  text_.assign(str_format("(i :n (%s) :t (string) :c (void))\n ", get_name()));
  return text_.get();
}

void CListElement::init() {
  btype_ = BTYPE_ELEMENT;
  content_ = nullptr;
  text_.reset();
  parent_ = nullptr;
  last_ = nullptr;
  next_ = nullptr;
}
