#include "Toolwick/tree.h"

#include <cstring>
#include <vector>

namespace {

// Subtrees that the outermost node destructor still has to destroy; null
// when no tree is being destroyed. Nodes destroyed meanwhile hand their
// subtrees over to it instead of destroying them, so that a deep tree does
// not use stack in proportion to its depth.
thread_local std::vector<CTreeElement*>* subtrees_to_destroy = nullptr;

}  // namespace

CTreeElement::~CTreeElement() {
  std::vector<CTreeElement*> subtrees;
  std::vector<CTreeElement*>* to_destroy = subtrees_to_destroy;
  if (to_destroy == nullptr) to_destroy = &subtrees;
  if (left_ != nullptr) to_destroy->push_back(left_);
  if (right_ != nullptr && right_ != left_) to_destroy->push_back(right_);
  if (to_destroy != &subtrees) return;

  subtrees_to_destroy = &subtrees;
  while (!subtrees.empty()) {
    CTreeElement* subtree = subtrees.back();
    subtrees.pop_back();
    delete subtree;
  }
  subtrees_to_destroy = nullptr;
}

void CTreeElement::init() {
  btype_ = BTYPE_TREE_ELEMENT;
  parent_ = nullptr;
  left_ = nullptr;
  right_ = nullptr;
}

CTreeElement* CTreeElement::find_element(const char* name) {
  if (name == nullptr) return nullptr;
  // Pre-order with a stack of its own: the right subtree waits below the left.
  std::vector<CTreeElement*> waiting{this};
  while (!waiting.empty()) {
    CTreeElement* node = waiting.back();
    waiting.pop_back();
    if (node->get_name() != nullptr && std::strcmp(node->get_name(), name) == 0) return node;
    if (node->right_ != nullptr) waiting.push_back(node->right_);
    if (node->left_ != nullptr) waiting.push_back(node->left_);
  }
  return nullptr;
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
