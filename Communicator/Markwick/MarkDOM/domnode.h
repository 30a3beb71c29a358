// DOMNode, DOMNodeList, DOMNamedNodeMap: reference-counted handles on the
// nodes of a document (see domdocument.h for the document itself).
//
// Lifetime: every handle that holds a node keeps the node's whole document
// alive, so a handle stays valid after the document handle and every other
// handle are gone. The nodes of a document, in the tree, removed from it or
// never added, are freed together when the last handle on the document or on
// any of its nodes is released. Handles are cheap to copy; they are not
// thread-safe.
//
// Failures throw DOMException: a handle that holds no node gives code 100,
// a node that is not where the operation needs it code 8, a failed allocation
// code 104.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Node kinds, numbered as the W3C node types.
enum DOMNodeType {
  ELEMENT_NODE = 1,    // name: the tag name
  ATTRIBUTE_NODE = 2,  // name and value of the attribute
  TEXT_NODE = 3,       // name "#text", value: the text
  DOCUMENT_NODE = 9,   // name "#document"
};

struct DOMTreeNode;
class DOMDocument;
class DOMNodeList;
class DOMNamedNodeMap;

class DOMNode {
 public:
  // A handle that holds no node.
  DOMNode() = default;
  // Used by the library to hand out a node (null gives an empty handle).
  explicit DOMNode(DOMTreeNode* node);
  DOMNode(const DOMNode& other);
  DOMNode(DOMNode&& other) noexcept;
  DOMNode& operator=(DOMNode other) noexcept;
  ~DOMNode();

  bool isNull() const { return node_ == nullptr; }
  // The same node (two empty handles are equal).
  bool operator==(const DOMNode& other) const { return node_ == other.node_; }

  // Copies owned by the caller; unset where the node has none (an element's value).
  std::optional<std::string> getNodeName() const;
  std::optional<std::string> getNodeValue() const;
  int getNodeType() const;

  // Neighbours; an empty handle where there is none. An attribute's parent is
  // its element, and its siblings are the element's other attributes.
  DOMNode getParentNode() const;
  DOMNode getFirstChild() const;
  DOMNode getLastChild() const;
  DOMNode getPreviousSibling() const;
  DOMNode getNextSibling() const;
  // The document that made the node (the document node gives itself).
  DOMDocument getOwnerDocument() const;
  // The children and the attributes as they are now (later changes do not
  // show in the list).
  DOMNodeList getChildNodes() const;
  DOMNamedNodeMap getAttributes() const;

  // Child operations. Only elements and the document take children, only
  // elements take attributes; an attribute node given to them goes to the
  // attribute chain, any other node to the children. The new node must come
  // from the same document, must not be a document node, nor this node or one
  // of its ancestors (code 8). A node that has a parent is first removed from
  // it. Each returns the node that was added or taken out.
  DOMNode appendChild(const DOMNode& newChild);
  // `refChild` empty appends; otherwise it must be in the chain of this node
  // that `newChild` joins (code 8).
  DOMNode insertBefore(const DOMNode& newChild, const DOMNode& refChild);
  // Puts `newChild` in the place of `oldChild`, which must be in the chain
  // that `newChild` joins (code 8); returns `oldChild`, now parentless.
  DOMNode replaceChild(const DOMNode& newChild, const DOMNode& oldChild);
  // `oldChild` must be a child or an attribute of this node (code 8).
  DOMNode removeChild(const DOMNode& oldChild);

  // A parentless copy of the node and its attributes; `deep` copies all its
  // descendants too. A copy of the document node is a new document.
  DOMNode cloneNode(bool deep) const;
  // Sets the value of the first attribute named `name`, or adds one; only on
  // an element (code 8).
  void setAttribute(const char* name, const char* value);
  // Every element below this node, in document order, whose name is `tagName`
  // (exactly), or every element for "*".
  DOMNodeList getElementsByTagName(const char* tagName) const;

 protected:
  // The node, or throws code 100 when the handle holds none.
  DOMTreeNode* need() const;

  DOMTreeNode* node_ = nullptr;
};

// A list of nodes, each held by a handle of its own.
class DOMNodeList {
 public:
  DOMNodeList() = default;
  explicit DOMNodeList(std::vector<DOMNode> items) : items_(std::move(items)) {}

  int getLength() const { return static_cast<int>(items_.size()); }
  // An empty handle when `index` is out of range.
  DOMNode item(int index) const;

 private:
  std::vector<DOMNode> items_;
};

// The attributes of an element.
class DOMNamedNodeMap {
 public:
  DOMNamedNodeMap() = default;
  explicit DOMNamedNodeMap(std::vector<DOMNode> items) : items_(std::move(items)) {}

  int getLength() const { return static_cast<int>(items_.size()); }
  // An empty handle when `index` is out of range.
  DOMNode item(int index) const;
  // The index of the first attribute named `name`; -1 when there is none.
  int findNamedItem(const char* name) const;

 private:
  std::vector<DOMNode> items_;
};
