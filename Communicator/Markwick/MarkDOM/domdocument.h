// DOMDocument: a handle on a whole document, and the loader that builds one
// from a file or a text with the pull parser (pullparser.h).
//
// A document handle is a node handle on the document node; like every handle
// it shares the document (see domnode.h for lifetimes), so copies refer to
// the same document. Nodes made by a document belong to it until it is freed.
#pragma once

#include "MarkDOM/domnode.h"

class DOMDocument : public DOMNode {
 public:
  // A new empty document: a document node named "#document".
  DOMDocument();

  // Loads a whole document from the file named `source` when `fromFile`,
  // else from the text `source`. Elements and text, white space included,
  // become children of the element open at that point, or of the document
  // outside every element; so a document may hold several roots, text
  // beside them, or none, and elements left open at the end stay as they
  // are. Throws 101 when the file cannot be read, 103 when the text is not
  // well formed (a null or empty text, a malformed tag, comment, instruction
  // or declaration, or an end tag that does not close the open element),
  // 104 when memory runs out.
  static DOMDocument load(const char* source, bool fromFile);

  // New parentless nodes of this document; a null name or value stays unset.
  DOMNode createElement(const char* tagName);
  DOMNode createAttribute(const char* name, const char* value = nullptr);
  DOMNode createTextNode(const char* data);

 private:
  friend class DOMNode;
  explicit DOMDocument(DOMTreeNode* document) : DOMNode(document) {}
};
