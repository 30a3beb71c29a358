// Loads the input as an XML text and walks what comes out: every node's name,
// value and attributes, the element lists, and a deep copy that must have the
// same shape. A text that does not load must fail with code 103 only.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "MarkDOM/domdocument.h"
#include "MarkDOM/domexception.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// Walks `a` and `b` side by side in document order, without recursion, and
// checks that they have the same shape; returns the number of nodes.
size_t walkAlike(const DOMNode& a, const DOMNode& b) {
  size_t count = 0;
  DOMNode x = a;
  DOMNode y = b;
  while (!x.isNull()) {
    check(!y.isNull());
    ++count;
    check(x.getNodeType() == y.getNodeType());
    check(x.getNodeName() == y.getNodeName());
    check(x.getNodeValue() == y.getNodeValue());
    const DOMNamedNodeMap ax = x.getAttributes();
    const DOMNamedNodeMap ay = y.getAttributes();
    check(ax.getLength() == ay.getLength());
    for (int i = 0; i < ax.getLength(); ++i) {
      check(ax.item(i).getNodeValue() == ay.item(i).getNodeValue());
      const std::optional<std::string> name = ax.item(i).getNodeName();
      check(ax.findNamedItem(name->c_str()) <= i);
    }
    if (!x.getFirstChild().isNull()) {
      check(x.getFirstChild().getParentNode() == x);
      x = x.getFirstChild();
      y = y.getFirstChild();
      continue;
    }
    check(y.getFirstChild().isNull());
    while (!(x == a) && x.getNextSibling().isNull()) {
      check(y.getNextSibling().isNull());
      x = x.getParentNode();
      y = y.getParentNode();
    }
    if (x == a) break;
    x = x.getNextSibling();
    y = y.getNextSibling();
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A C text: the input ends at its first NUL byte.
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const DOMDocument doc = DOMDocument::load(text.c_str(), false);
    const DOMNode copy = doc.cloneNode(true);
    const size_t nodes = walkAlike(doc, copy);
    const DOMNodeList elements = doc.getElementsByTagName("*");
    check(static_cast<size_t>(elements.getLength()) < nodes);
    if (elements.getLength() > 0) {
      const std::optional<std::string> rootName = elements.item(0).getNodeName();
      check(doc.getElementsByTagName(rootName->c_str()).item(0) == elements.item(0));
    }
  } catch (const DOMException& e) {
    check(e.getCode() == DOM_PARSE_ERR);
  }
  return 0;
}
