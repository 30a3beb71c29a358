#include "MarkDOM/domnode.h"

#include <new>
#include <string_view>
#include <utility>

#include "MarkDOM/domdocument.h"
#include "MarkDOM/domexception.h"
#include "MarkDOM/domtree.h"

namespace {

[[noreturn]] void notFound() { throw DOMException(DOM_NOT_FOUND_ERR); }
[[noreturn]] void outOfMemory() { throw DOMException(DOM_NO_MEMORY_ERR); }

// Throws code 8 unless `node` may join `parent`: same document, not a
// document node, a chain that `parent` has, and no loop.
void checkInsertable(const DOMTreeNode* parent, const DOMTreeNode* node) {
  if (node->tree != parent->tree || node->type == DOCUMENT_NODE) notFound();
  const bool takes = node->type == ATTRIBUTE_NODE
                         ? parent->type == ELEMENT_NODE
                         : parent->type == ELEMENT_NODE || parent->type == DOCUMENT_NODE;
  if (!takes) notFound();
  // Walked upwards, so that deep trees cost no stack.
  for (const DOMTreeNode* p = parent; p != nullptr; p = p->parent) {
    if (p == node) notFound();
  }
}

// True when `ref` is in the chain of `parent` that `node` joins.
bool inChainOf(const DOMTreeNode* parent, const DOMTreeNode* ref, const DOMTreeNode* node) {
  return ref->parent == parent && (ref->type == ATTRIBUTE_NODE) == (node->type == ATTRIBUTE_NODE);
}

// A parentless copy of `source` and its attributes, made in `tree`.
DOMTreeNode* copyOf(DOMTree& tree, const DOMTreeNode* source) {
  DOMTreeNode* copy = tree.make(source->type, source->name, source->value);
  for (const DOMTreeNode* a = source->firstAttribute; a != nullptr; a = a->next) {
    copy->append(tree.make(ATTRIBUTE_NODE, a->name, a->value));
  }
  return copy;
}

std::vector<DOMNode> handlesOf(DOMTreeNode* first) {
  std::vector<DOMNode> handles;
  for (DOMTreeNode* n = first; n != nullptr; n = n->next) handles.emplace_back(n);
  return handles;
}

}  // namespace

DOMNode::DOMNode(DOMTreeNode* node) : node_(node) {
  if (node_ != nullptr) node_->tree->retain();
}

DOMNode::DOMNode(const DOMNode& other) : DOMNode(other.node_) {}

DOMNode::DOMNode(DOMNode&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}

DOMNode& DOMNode::operator=(DOMNode other) noexcept {
  std::swap(node_, other.node_);
  return *this;
}

DOMNode::~DOMNode() {
  if (node_ != nullptr) node_->tree->release();
}

DOMTreeNode* DOMNode::need() const {
  if (node_ == nullptr) throw DOMException(DOM_NO_NODE_ERR);
  return node_;
}

std::optional<std::string> DOMNode::getNodeName() const try {
  return need()->name;
} catch (const std::bad_alloc&) {
  outOfMemory();
}

std::optional<std::string> DOMNode::getNodeValue() const try {
  return need()->value;
} catch (const std::bad_alloc&) {
  outOfMemory();
}

int DOMNode::getNodeType() const { return need()->type; }

DOMNode DOMNode::getParentNode() const { return DOMNode(need()->parent); }
DOMNode DOMNode::getFirstChild() const { return DOMNode(need()->firstChild); }
DOMNode DOMNode::getLastChild() const { return DOMNode(need()->lastChild); }
DOMNode DOMNode::getPreviousSibling() const { return DOMNode(need()->previous); }
DOMNode DOMNode::getNextSibling() const { return DOMNode(need()->next); }

DOMDocument DOMNode::getOwnerDocument() const { return DOMDocument(need()->tree->document()); }

DOMNodeList DOMNode::getChildNodes() const try {
  return DOMNodeList(handlesOf(need()->firstChild));
} catch (const std::bad_alloc&) {
  outOfMemory();
}

DOMNamedNodeMap DOMNode::getAttributes() const try {
  return DOMNamedNodeMap(handlesOf(need()->firstAttribute));
} catch (const std::bad_alloc&) {
  outOfMemory();
}

DOMNode DOMNode::appendChild(const DOMNode& newChild) {
  DOMTreeNode* parent = need();
  DOMTreeNode* node = newChild.need();
  checkInsertable(parent, node);
  node->detach();
  parent->append(node);
  return newChild;
}

DOMNode DOMNode::insertBefore(const DOMNode& newChild, const DOMNode& refChild) {
  if (refChild.isNull()) return appendChild(newChild);
  DOMTreeNode* parent = need();
  DOMTreeNode* node = newChild.need();
  checkInsertable(parent, node);
  if (!inChainOf(parent, refChild.node_, node)) notFound();
  if (node != refChild.node_) {
    node->detach();
    parent->insertBefore(node, refChild.node_);
  }
  return newChild;
}

DOMNode DOMNode::replaceChild(const DOMNode& newChild, const DOMNode& oldChild) {
  DOMTreeNode* parent = need();
  DOMTreeNode* node = newChild.need();
  DOMTreeNode* old = oldChild.node_;
  if (old == nullptr || !inChainOf(parent, old, node)) notFound();
  checkInsertable(parent, node);
  if (node != old) {
    node->detach();
    parent->insertBefore(node, old);
    old->detach();
  }
  return oldChild;
}

DOMNode DOMNode::removeChild(const DOMNode& oldChild) {
  DOMTreeNode* parent = need();
  DOMTreeNode* old = oldChild.node_;
  if (old == nullptr || old->parent != parent) notFound();
  old->detach();
  return oldChild;
}

DOMNode DOMNode::cloneNode(bool deep) const try {
  const DOMTreeNode* source = need();
  // The result handle holds the copy from the start, so that a failure
  // half-way frees whatever was made.
  DOMNode result;
  if (source->type == DOCUMENT_NODE) {
    result = DOMNode((new DOMTree)->document());
  } else {
    result = DOMNode(copyOf(*source->tree, source));
  }
  if (deep) {
    // Level by level with a work list instead of recursion: depth costs no stack.
    DOMTree& tree = *result.node_->tree;
    std::vector<std::pair<const DOMTreeNode*, DOMTreeNode*>> pending{{source, result.node_}};
    while (!pending.empty()) {
      auto [from, to] = pending.back();
      pending.pop_back();
      for (const DOMTreeNode* child = from->firstChild; child != nullptr; child = child->next) {
        DOMTreeNode* copy = copyOf(tree, child);
        to->append(copy);
        if (child->firstChild != nullptr) pending.emplace_back(child, copy);
      }
    }
  }
  return result;
} catch (const std::bad_alloc&) {
  outOfMemory();
}

void DOMNode::setAttribute(const char* name, const char* value) try {
  DOMTreeNode* element = need();
  if (element->type != ELEMENT_NODE) notFound();
  for (DOMTreeNode* a = element->firstAttribute; a != nullptr; a = a->next) {
    if (hasName(*a, name)) {
      a->value = textOrUnset(value);
      return;
    }
  }
  element->append(element->tree->make(ATTRIBUTE_NODE, name, value));
} catch (const std::bad_alloc&) {
  outOfMemory();
}

DOMNodeList DOMNode::getElementsByTagName(const char* tagName) const try {
  DOMTreeNode* top = need();
  const bool all = tagName != nullptr && std::string_view(tagName) == "*";
  std::vector<DOMNode> found;
  // Document order without recursion: down to the first child, else on to the
  // next sibling of the nearest node below `top` that has one.
  DOMTreeNode* n = top->firstChild;
  while (n != nullptr) {
    if (n->type == ELEMENT_NODE && (all || hasName(*n, tagName))) found.emplace_back(n);
    if (n->firstChild != nullptr) {
      n = n->firstChild;
      continue;
    }
    while (n != top && n->next == nullptr) n = n->parent;
    n = n == top ? nullptr : n->next;
  }
  return DOMNodeList(std::move(found));
} catch (const std::bad_alloc&) {
  outOfMemory();
}

DOMNode DOMNodeList::item(int index) const {
  if (index < 0 || index >= getLength()) return DOMNode();
  return items_[static_cast<size_t>(index)];
}

DOMNode DOMNamedNodeMap::item(int index) const {
  if (index < 0 || index >= getLength()) return DOMNode();
  return items_[static_cast<size_t>(index)];
}

int DOMNamedNodeMap::findNamedItem(const char* name) const {
  if (name == nullptr) return -1;
  for (int i = 0; i < getLength(); ++i) {
    if (items_[static_cast<size_t>(i)].getNodeName() == name) return i;
  }
  return -1;
}
