#include "Toolwick/tree.h"

#include <cstring>

CTreeElement::~CTreeElement() {
  delete left_;
  if (right_ != left_) delete right_;
}

void CTreeElement::init() {
  btype_ = BTYPE_TREE_ELEMENT;
  parent_ = nullptr;
  left_ = nullptr;
  right_ = nullptr;
}

CTreeElement* CTreeElement::find_element(const char* name) {
  if (name == nullptr) return nullptr;
  if (get_name() != nullptr && std::strcmp(get_name(), name) == 0) return this;
  CTreeElement* found = left_ != nullptr ? left_->find_element(name) : nullptr;
  if (found == nullptr && right_ != nullptr) found = right_->find_element(name);
  return found;
}

CTree::CTree() { set_btype(BTYPE_TREE); }

CTree::CTree(const char* name) : CTreeElement(name) { set_btype(BTYPE_TREE); }

CTree::~CTree() { delete root_; }

CTreeElement* CTree::find_element(const char* name, int mode) {
  if (name == nullptr || root_ == nullptr || mode != 1) return nullptr;
  return root_->find_element(name);
}

CTreeList::CTreeList() { set_btype(BTYPE_TREE_LIST); }

CTreeList::CTreeList(const char* name) : CLList(name) { set_btype(BTYPE_TREE_LIST); }

CTreeList::~CTreeList() { delete children_; }
