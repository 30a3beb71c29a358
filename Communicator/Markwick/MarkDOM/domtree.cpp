#include "MarkDOM/domtree.h"

#include <utility>

#include "MarkDOM/domnode.h"

std::optional<std::string> textOrUnset(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

bool hasName(const DOMTreeNode& node, const char* text) {
  return text != nullptr && node.name.has_value() && *node.name == text;
}

namespace {

// The head and tail of the chain of `parent` that `node` belongs to.
struct Chain {
  DOMTreeNode*& first;
  DOMTreeNode*& last;
};

Chain chainFor(DOMTreeNode* parent, const DOMTreeNode* node) {
  if (node->type == ATTRIBUTE_NODE) return {parent->firstAttribute, parent->lastAttribute};
  return {parent->firstChild, parent->lastChild};
}

}  // namespace

void DOMTreeNode::append(DOMTreeNode* node) {
  Chain chain = chainFor(this, node);
  node->parent = this;
  node->previous = chain.last;
  node->next = nullptr;
  if (chain.last != nullptr) {
    chain.last->next = node;
  } else {
    chain.first = node;
  }
  chain.last = node;
}

void DOMTreeNode::insertBefore(DOMTreeNode* node, DOMTreeNode* ref) {
  Chain chain = chainFor(this, node);
  node->parent = this;
  node->next = ref;
  node->previous = ref->previous;
  if (ref->previous != nullptr) {
    ref->previous->next = node;
  } else {
    chain.first = node;
  }
  ref->previous = node;
}

void DOMTreeNode::detach() {
  if (parent == nullptr) return;
  Chain chain = chainFor(parent, this);
  if (previous != nullptr) {
    previous->next = next;
  } else {
    chain.first = next;
  }
  if (next != nullptr) {
    next->previous = previous;
  } else {
    chain.last = previous;
  }
  parent = nullptr;
  next = nullptr;
  previous = nullptr;
}

DOMTree::DOMTree() { make(DOCUMENT_NODE, "#document", nullptr); }

DOMTreeNode* DOMTree::make(int type, const char* name, const char* value) {
  return make(type, textOrUnset(name), textOrUnset(value));
}

DOMTreeNode* DOMTree::make(int type, std::optional<std::string> name,
                           std::optional<std::string> value) {
  DOMTreeNode& node = nodes_.emplace_back();
  node.type = type;
  node.name = std::move(name);
  node.value = std::move(value);
  node.tree = this;
  return &node;
}

void DOMTree::release() {
  if (--handles_ == 0) delete this;
}
