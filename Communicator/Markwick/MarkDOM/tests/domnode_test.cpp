#include "MarkDOM/domnode.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "MarkDOM/domdocument.h"
#include "MarkDOM/domexception.h"

namespace {

// Names of the children of `node`, walking the sibling links both ways, so
// that a broken back link shows.
std::string childNames(const DOMNode& node) {
  std::string forward;
  for (DOMNode c = node.getFirstChild(); !c.isNull(); c = c.getNextSibling()) {
    forward += c.getNodeName().value_or("?") + " ";
  }
  std::string backward;
  for (DOMNode c = node.getLastChild(); !c.isNull(); c = c.getPreviousSibling()) {
    backward.insert(0, c.getNodeName().value_or("?") + " ");
  }
  EXPECT_EQ(forward, backward);
  const DOMNodeList list = node.getChildNodes();
  std::string listed;
  for (int i = 0; i < list.getLength(); ++i) listed += list.item(i).getNodeName().value_or("?") + " ";
  EXPECT_EQ(forward, listed);
  return forward;
}

std::string attributeNames(const DOMNode& node) {
  const DOMNamedNodeMap map = node.getAttributes();
  std::string out;
  for (int i = 0; i < map.getLength(); ++i) {
    out += map.item(i).getNodeName().value_or("?") + "=" + map.item(i).getNodeValue().value_or("-") + " ";
  }
  return out;
}

int codeOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const DOMException& e) {
    return e.getCode();
  }
  return 0;
}

// A document with root > a b c.
struct Tree {
  DOMDocument doc;
  DOMNode root = doc.appendChild(doc.createElement("root"));
  DOMNode a = root.appendChild(doc.createElement("a"));
  DOMNode b = root.appendChild(doc.createElement("b"));
  DOMNode c = root.appendChild(doc.createElement("c"));
};

TEST(DOMNode, CreatedNodes) {
  DOMDocument doc;
  EXPECT_EQ(doc.getNodeName(), "#document");
  DOMNode element = doc.createElement("Point");
  DOMNode attribute = doc.createAttribute("Lat", "1.5");
  const DOMNode bare = doc.createAttribute("flag");
  DOMNode text = doc.createTextNode("hello");
  const DOMNode unnamed = doc.createElement(nullptr);
  EXPECT_EQ(element.getNodeType(), ELEMENT_NODE);
  EXPECT_EQ(element.getNodeName(), "Point");
  EXPECT_FALSE(element.getNodeValue().has_value());
  EXPECT_EQ(attribute.getNodeType(), ATTRIBUTE_NODE);
  EXPECT_EQ(attribute.getNodeValue(), "1.5");
  EXPECT_FALSE(bare.getNodeValue().has_value());
  EXPECT_EQ(text.getNodeType(), TEXT_NODE);
  EXPECT_EQ(text.getNodeName(), "#text");
  EXPECT_EQ(text.getNodeValue(), "hello");
  EXPECT_FALSE(unnamed.getNodeName().has_value());
  EXPECT_TRUE(element.getParentNode().isNull());
  EXPECT_EQ(element.getOwnerDocument(), doc);
  EXPECT_EQ(doc.getOwnerDocument(), doc);
}

TEST(DOMNode, AppendInsertReplaceRemove) {
  Tree t;
  EXPECT_EQ(childNames(t.root), "a b c ");
  DOMNode d = t.doc.createElement("d");
  EXPECT_EQ(t.root.insertBefore(d, t.b), d);
  EXPECT_EQ(childNames(t.root), "a d b c ");
  t.root.insertBefore(t.c, t.a);  // moves within the parent
  EXPECT_EQ(childNames(t.root), "c a d b ");
  t.root.insertBefore(t.a, DOMNode());  // no reference child appends
  EXPECT_EQ(childNames(t.root), "c d b a ");
  t.root.insertBefore(d, d);  // before itself: stays
  EXPECT_EQ(childNames(t.root), "c d b a ");

  EXPECT_EQ(t.root.replaceChild(t.doc.createElement("e"), d), d);
  EXPECT_EQ(childNames(t.root), "c e b a ");
  EXPECT_TRUE(d.getParentNode().isNull());
  t.root.replaceChild(t.a, t.b);  // a neighbour takes the place
  EXPECT_EQ(childNames(t.root), "c e a ");

  EXPECT_EQ(t.root.removeChild(t.c), t.c);
  EXPECT_TRUE(t.c.getParentNode().isNull());
  EXPECT_TRUE(t.c.getNextSibling().isNull());
  EXPECT_EQ(childNames(t.root), "e a ");
  t.root.removeChild(t.root.getFirstChild());
  t.root.removeChild(t.a);
  EXPECT_EQ(childNames(t.root), "");
  EXPECT_TRUE(t.root.getFirstChild().isNull());
}

TEST(DOMNode, AppendMovesFromThePreviousParent) {
  Tree t;
  t.a.appendChild(t.c);
  EXPECT_EQ(childNames(t.root), "a b ");
  EXPECT_EQ(childNames(t.a), "c ");
  EXPECT_EQ(t.c.getParentNode(), t.a);
}

TEST(DOMNode, AttributesGoToTheAttributeChain) {
  Tree t;
  const DOMNode lat = t.doc.createAttribute("Lat", "1");
  t.a.appendChild(lat);
  t.a.setAttribute("Lng", "2");
  t.a.insertBefore(t.doc.createAttribute("Id", "p"), lat);
  EXPECT_EQ(attributeNames(t.a), "Id=p Lat=1 Lng=2 ");
  EXPECT_EQ(childNames(t.a), "");
  EXPECT_EQ(lat.getParentNode(), t.a);

  t.a.setAttribute("Lat", "3");  // the existing one changes
  t.a.setAttribute("Alt", nullptr);
  EXPECT_EQ(attributeNames(t.a), "Id=p Lat=3 Lng=2 Alt=- ");
  const DOMNamedNodeMap map = t.a.getAttributes();
  EXPECT_EQ(map.findNamedItem("Lng"), 2);
  EXPECT_EQ(map.findNamedItem("lng"), -1);
  EXPECT_EQ(map.findNamedItem(nullptr), -1);
  EXPECT_TRUE(map.item(4).isNull());
  EXPECT_TRUE(map.item(-1).isNull());

  t.a.replaceChild(t.doc.createAttribute("Lat", "4"), lat);
  EXPECT_EQ(attributeNames(t.a), "Id=p Lat=4 Lng=2 Alt=- ");
  t.b.appendChild(lat);  // moves to another element
  EXPECT_EQ(attributeNames(t.b), "Lat=3 ");
  t.a.removeChild(t.a.getAttributes().item(0));
  EXPECT_EQ(attributeNames(t.a), "Lat=4 Lng=2 Alt=- ");
}

TEST(DOMNode, MisplacedNodesThrow8) {
  Tree t;
  DOMNode nested = t.a.appendChild(t.doc.createElement("n"));
  DOMNode text = t.b.appendChild(t.doc.createTextNode("x"));
  DOMNode attribute = t.a.appendChild(t.doc.createAttribute("k", "v"));
  const DOMNode loose = t.doc.createElement("loose");
  DOMDocument other;
  const DOMNode foreign = other.createElement("f");
  const struct {
    const char* what;
    std::function<void()> operation;
  } cases[] = {
      {"append to itself", [&] { t.a.appendChild(t.a); }},
      {"append to a descendant", [&] { nested.appendChild(t.root); }},
      {"insert into a descendant", [&] { nested.insertBefore(t.a, DOMNode()); }},
      {"replace with an ancestor", [&] { t.a.replaceChild(t.root, nested); }},
      {"insert before a non-child", [&] { t.root.insertBefore(loose, nested); }},
      {"insert before a node of another chain", [&] { t.a.insertBefore(t.doc.createAttribute("z"), nested); }},
      {"replace a non-child", [&] { t.root.replaceChild(loose, nested); }},
      {"replace nothing", [&] { t.root.replaceChild(loose, DOMNode()); }},
      {"remove a non-child", [&] { t.root.removeChild(nested); }},
      {"remove a loose node", [&] { t.root.removeChild(loose); }},
      {"remove nothing", [&] { t.root.removeChild(DOMNode()); }},
      {"append a node of another document", [&] { t.root.appendChild(foreign); }},
      {"append a document", [&] { t.root.appendChild(other); }},
      {"append the own document", [&] { t.root.appendChild(t.doc); }},
      {"append to a text", [&] { text.appendChild(loose); }},
      {"append to an attribute", [&] { attribute.appendChild(loose); }},
      {"attribute on the document", [&] { t.doc.appendChild(t.doc.createAttribute("k")); }},
      {"set an attribute on a text", [&] { text.setAttribute("k", "v"); }},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(codeOf(c.operation), 8) << c.what;
  }
  // Nothing moved.
  EXPECT_EQ(childNames(t.root), "a b c ");
  EXPECT_EQ(childNames(t.a), "n ");
  EXPECT_EQ(t.root.getParentNode(), t.doc);
  try {
    t.a.appendChild(t.a);
  } catch (const DOMException& e) {
    EXPECT_STREQ(e.getMessage(), "\n MarkDOM: Referencing a non-existing node");
  }
}

TEST(DOMNode, EmptyHandleThrows100) {
  DOMDocument doc;
  const DOMNode none;
  DOMNode element = doc.createElement("e");
  const struct {
    const char* what;
    std::function<void()> operation;
  } cases[] = {
      {"name", [&] { none.getNodeName(); }},
      {"value", [&] { none.getNodeValue(); }},
      {"kind", [&] { none.getNodeType(); }},
      {"parent", [&] { none.getParentNode(); }},
      {"children", [&] { none.getChildNodes(); }},
      {"attributes", [&] { none.getAttributes(); }},
      {"clone", [&] { none.cloneNode(true); }},
      {"elements", [&] { none.getElementsByTagName("*"); }},
      {"append to nothing", [&] { DOMNode().appendChild(element); }},
      {"append nothing", [&] { element.appendChild(none); }},
      {"insert nothing", [&] { element.insertBefore(none, DOMNode()); }},
      {"set attribute", [&] { DOMNode().setAttribute("a", "b"); }},
      {"moved-from document", [&] {
         DOMDocument from;
         DOMDocument to = std::move(from);
         from.createElement("x");  // a moved-from handle holds nothing
       }},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(codeOf(c.operation), 100) << c.what;
  }
  EXPECT_TRUE(none == DOMNode());
  EXPECT_EQ(DOMNodeList().item(0), none);
}

TEST(DOMNode, CloneShallowAndDeep) {
  Tree t;
  t.a.setAttribute("k", "v");
  t.a.appendChild(t.doc.createTextNode("inner"));
  t.a.appendChild(t.doc.createElement("n")).appendChild(t.doc.createElement("m"));

  const DOMNode shallow = t.a.cloneNode(false);
  EXPECT_EQ(shallow.getNodeName(), "a");
  EXPECT_EQ(attributeNames(shallow), "k=v ");
  EXPECT_EQ(childNames(shallow), "");
  EXPECT_TRUE(shallow.getParentNode().isNull());

  DOMNode deep = t.a.cloneNode(true);
  EXPECT_EQ(childNames(deep), "#text n ");
  EXPECT_EQ(deep.getFirstChild().getNodeValue(), "inner");
  EXPECT_EQ(childNames(deep.getLastChild()), "m ");
  // The copy is separate: changing it leaves the original alone.
  deep.setAttribute("k", "changed");
  deep.removeChild(deep.getFirstChild());
  EXPECT_EQ(attributeNames(t.a), "k=v ");
  EXPECT_EQ(childNames(t.a), "#text n ");
  t.root.appendChild(deep);  // same document: it can join the tree
  EXPECT_EQ(childNames(t.root), "a b c a ");
}

TEST(DOMNode, CloneOfTheDocumentIsANewDocument) {
  Tree t;
  DOMNode copy = t.doc.cloneNode(true);
  EXPECT_EQ(copy.getNodeType(), DOCUMENT_NODE);
  EXPECT_EQ(childNames(copy.getFirstChild()), "a b c ");
  DOMDocument copyDoc = copy.getOwnerDocument();
  EXPECT_EQ(copyDoc, copy);
  EXPECT_EQ(codeOf([&] { t.root.appendChild(copyDoc.createElement("x")); }), 8);
  copy.getFirstChild().appendChild(copyDoc.createElement("x"));
  EXPECT_EQ(childNames(t.root), "a b c ");
  EXPECT_EQ(childNames(t.doc.cloneNode(false)), "");
}

TEST(DOMNode, ElementsByTagName) {
  const DOMDocument doc = DOMDocument::load(
      "<r><p id='1'><q/><p id='2'>t</p></p><x><p id='3'/></x><P/></r>", false);
  const auto names = [](const DOMNodeList& list) {
    std::string out;
    for (int i = 0; i < list.getLength(); ++i) {
      const DOMNode n = list.item(i);
      out += n.getNodeName().value();
      const DOMNamedNodeMap a = n.getAttributes();
      if (a.getLength() > 0) out += a.item(0).getNodeValue().value();
      out += " ";
    }
    return out;
  };
  EXPECT_EQ(names(doc.getElementsByTagName("*")), "r p1 q p2 x p3 P ");
  EXPECT_EQ(names(doc.getElementsByTagName("p")), "p1 p2 p3 ");
  DOMNode outer = doc.getElementsByTagName("p").item(0);
  EXPECT_EQ(names(outer.getElementsByTagName("*")), "q p2 ");  // not the node itself
  EXPECT_EQ(names(outer.getElementsByTagName("p")), "p2 ");
  EXPECT_EQ(doc.getElementsByTagName("none").getLength(), 0);
  EXPECT_EQ(doc.getElementsByTagName(nullptr).getLength(), 0);
  // The list is taken at the call; later changes do not show in it.
  const DOMNodeList list = doc.getElementsByTagName("p");
  outer.getParentNode().removeChild(outer);
  EXPECT_EQ(list.getLength(), 3);
  EXPECT_EQ(names(doc.getElementsByTagName("p")), "p3 ");
}

// Handles keep the document alive; the sanitizer build checks that nothing
// dangles and nothing leaks.
TEST(DOMNode, HandlesOutliveTheDocumentHandle) {
  DOMNode kept;
  DOMNodeList list;
  DOMNamedNodeMap map;
  {
    DOMDocument doc = DOMDocument::load("<a k='v'><b>text</b></a>", false);
    kept = doc.getFirstChild().getFirstChild();
    list = doc.getElementsByTagName("*");
    map = doc.getFirstChild().getAttributes();
    doc.createElement("never-added");
    doc.getFirstChild().removeChild(doc.getFirstChild().getFirstChild());
  }
  EXPECT_EQ(kept.getNodeName(), "b");
  EXPECT_EQ(kept.getFirstChild().getNodeValue(), "text");
  EXPECT_TRUE(kept.getParentNode().isNull());
  EXPECT_EQ(list.item(0).getNodeName(), "a");
  EXPECT_EQ(map.item(0).getNodeValue(), "v");
  kept.getOwnerDocument().getFirstChild().appendChild(kept);
  EXPECT_EQ(list.item(0).getFirstChild(), kept);
}

TEST(DOMNode, HandleCopiesAndAssignment) {
  Tree t;
  DOMNode h = t.a;
  EXPECT_EQ(h, t.a);
  h = t.b;
  EXPECT_EQ(h, t.b);
  const DOMNode& same = h;
  h = same;  // self-assignment keeps it
  EXPECT_EQ(h.getNodeName(), "b");
  DOMNode moved = std::move(h);
  EXPECT_EQ(moved, t.b);
  EXPECT_FALSE(moved == t.a);
}

}  // namespace
