#include "Toolwick/listelement.h"

#include "Toolwick/format.h"
#include "Toolwick/llist.h"

void CListElement::set_name(const char* name) {
  if (!name_indexed_ || parent_ == nullptr || !parent_->keeps_name_index_) {
    CDNA::set_name(name);
    return;
  }
  auto* list = static_cast<CLList*>(parent_);
  list->unindex_name(this);
  CDNA::set_name(name);
  list->index_name(this);
}

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
