// Tree shapes of named objects: CTreeElement, a binary tree node with a
// pre-order search by name; CTree, a node that holds the root of a tree; and
// CTreeList, a list that can carry a list of children and point to a parent.
#pragma once

#include <cstdint>

#include "Toolwick/dna.h"
#include "Toolwick/listelement.h"
#include "Toolwick/llist.h"

// A node of a binary tree. It owns its left and right subtrees; the parent
// and the content are not owned. It is not a list element.
class CTreeElement : public CDNA {
 public:
  CTreeElement() = default;
  explicit CTreeElement(const char* name) : CDNA(name) {}
  // Destroys the left and the right subtree (once when they are the same node).
  ~CTreeElement() override;

  // Type code BTYPE_TREE_ELEMENT; no parent, left or right.
  void init();

  // The setters only store: they neither link back nor destroy what they
  // replace (the caller takes a replaced subtree back).
  int32_t get_btype() const { return btype_; }
  CTreeElement* get_parent() const { return parent_; }
  void set_parent(CTreeElement* parent) { parent_ = parent; }
  CTreeElement* get_left() const { return left_; }
  void set_left(CTreeElement* left) { left_ = left; }
  CTreeElement* get_right() const { return right_; }
  void set_right(CTreeElement* right) { right_ = right; }
  void* get_content() const { return content_; }
  void set_content(void* content) { content_ = content; }

  // The first node named `name` in pre-order (node, left, right); unnamed
  // nodes never match. Null for null or no match.
  CTreeElement* find_element(const char* name);

 protected:
  void set_btype(int32_t btype) { btype_ = btype; }

 private:
  int32_t btype_ = BTYPE_TREE_ELEMENT;
  void* content_ = nullptr;
  CTreeElement* parent_ = nullptr;
  CTreeElement* left_ = nullptr;
  CTreeElement* right_ = nullptr;
};

// A binary tree: a node that owns a root node.
class CTree : public CTreeElement {
 public:
  CTree();
  explicit CTree(const char* name);
  // Destroys the root and everything below it.
  ~CTree() override;

  // Takes ownership of `root`; a replaced root goes back to the caller.
  void set_root(CTreeElement* root) { root_ = root; }
  CTreeElement* get_root() const { return root_; }

  // The root's find_element(name) when `mode` is 1 (the only search mode);
  // null for any other mode, a null name or no root.
  CTreeElement* find_element(const char* name, int mode);

 private:
  CTreeElement* root_ = nullptr;
};

// A list that may carry a list of children (owned) and point to a parent
// list (not owned). This parent is the list's place in the tree, apart from
// the element parent that CLList::add_element sets.
class CTreeList : public CLList {
 public:
  CTreeList();
  explicit CTreeList(const char* name);
  // Destroys the children list, then the list's own elements.
  ~CTreeList() override;

  // 1 when a children list is set, else 0.
  int has_children() const { return children_ != nullptr ? 1 : 0; }
  // Takes ownership of `children`; a replaced list goes back to the caller.
  void set_children(CLList* children) { children_ = children; }
  CLList* get_children() const { return children_; }
  void set_parent(CLList* parent) { parent_ = parent; }
  CLList* get_parent() const { return parent_; }

 private:
  CLList* children_ = nullptr;
  CLList* parent_ = nullptr;
};
