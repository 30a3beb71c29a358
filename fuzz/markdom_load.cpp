// Loads the input as an XML text and walks what comes out: every node's name,
// value and attributes, the element lists, and a deep copy that must have the
// same shape. A text that does not load must fail with code 103 only. The
// oracle: the document written back as XML loads to the same tree.
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

// The text of a node's children as XML that loads back to them: every
// character that markup could take for its own is written as a character
// reference, and adjacent texts are kept apart by an empty comment.
std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '<' || c == '>' || c == '&' || c == '"' || c == '\'') {
      out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
    } else {
      out += c;
    }
  }
  return out;
}

std::string start_tag(const DOMNode& element) {
  std::string out = "<" + element.getNodeName().value_or("");
  const DOMNamedNodeMap attributes = element.getAttributes();
  for (int a = 0; a < attributes.getLength(); ++a) {
    out += " " + attributes.item(a).getNodeName().value_or("") + "=\"" +
           escaped(attributes.item(a).getNodeValue().value_or("")) + "\"";
  }
  return out + ">";
}

// In document order, without recursion, as walkAlike walks.
std::string written(const DOMNode& document) {
  std::string out;
  bool after_text = false;
  DOMNode x = document.getFirstChild();
  while (!x.isNull()) {
    if (x.getNodeType() == TEXT_NODE) {
      if (after_text) out += "<!---->";
      out += escaped(x.getNodeValue().value_or(""));
      after_text = true;
    } else {
      out += start_tag(x);
      after_text = false;
      if (!x.getFirstChild().isNull()) {
        x = x.getFirstChild();
        continue;
      }
      out += "</" + x.getNodeName().value_or("") + ">";
    }
    // Up past the elements that end here, closing each.
    while (x.getNextSibling().isNull()) {
      x = x.getParentNode();
      if (x == document) return out;
      out += "</" + x.getNodeName().value_or("") + ">";
      after_text = false;
    }
    x = x.getNextSibling();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A C text: the input ends at its first NUL byte.
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string xml;
  DOMNode loaded;
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
    xml = written(doc);
    loaded = doc;
  } catch (const DOMException& e) {
    check(e.getCode() == DOM_PARSE_ERR);
  }
  if (xml.empty()) return 0;  // nothing loaded, or nothing to write
  try {
    const DOMDocument reloaded = DOMDocument::load(xml.c_str(), false);
    check(walkAlike(loaded, reloaded) > 0);
  } catch (const DOMException&) {
    check(false);
  }
  return 0;
}
