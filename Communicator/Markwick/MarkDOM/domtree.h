// Inside of the document model (not for callers): the node records and the
// store of one document that owns them.
//
// Ownership: a DOMTree owns every node made for its document, linked into the
// tree or not, and frees them all together when the last handle on the
// document or on any of its nodes is released. The links between nodes are
// plain pointers and own nothing, so freeing never walks the tree. Not
// thread-safe.
#pragma once

#include <deque>
#include <optional>
#include <string>

class DOMTree;

struct DOMTreeNode {
  int type = 0;  // a DOMNodeType
  std::optional<std::string> name;
  std::optional<std::string> value;
  DOMTree* tree = nullptr;
  DOMTreeNode* parent = nullptr;
  DOMTreeNode* firstChild = nullptr;
  DOMTreeNode* lastChild = nullptr;
  // Siblings in the chain the node is in: the children or the attributes.
  DOMTreeNode* next = nullptr;
  DOMTreeNode* previous = nullptr;
  DOMTreeNode* firstAttribute = nullptr;
  DOMTreeNode* lastAttribute = nullptr;

  // Links the parentless `node` at the end of its chain: attributes to the
  // attribute chain, every other kind to the children.
  void append(DOMTreeNode* node);
  // Links the parentless `node` right before `ref`, which is in the chain of
  // this node that `node` belongs to.
  void insertBefore(DOMTreeNode* node, DOMTreeNode* ref);
  // Unlinks this node from its parent; nothing when it has none.
  void detach();
};

// A copy of `text`; unset for null.
std::optional<std::string> textOrUnset(const char* text);
// True when `node` has a name and it equals `text` (never for null).
bool hasName(const DOMTreeNode& node, const char* text);

class DOMTree {
 public:
  // A store holding one node: the document node "#document".
  DOMTree();
  DOMTree(const DOMTree&) = delete;
  DOMTree& operator=(const DOMTree&) = delete;

  DOMTreeNode* document() { return &nodes_.front(); }
  // A new parentless node owned by the store; a null name or value stays unset.
  DOMTreeNode* make(int type, const char* name, const char* value);
  DOMTreeNode* make(int type, std::optional<std::string> name, std::optional<std::string> value);

  // Handles count themselves here; the store deletes itself when the count
  // drops to zero.
  void retain() { ++handles_; }
  void release();

 private:
  ~DOMTree() = default;

  std::deque<DOMTreeNode> nodes_;  // a deque keeps node addresses stable
  long handles_ = 0;
};
