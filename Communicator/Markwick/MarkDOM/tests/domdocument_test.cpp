#include "MarkDOM/domdocument.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "MarkDOM/domexception.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// The tree below `node` in a short form: element(attr=value,...)[children],
// text in quotes.
std::string shape(const DOMNode& node) {
  std::string out;
  if (node.getNodeType() == TEXT_NODE) return "'" + node.getNodeValue().value() + "'";
  out += node.getNodeName().value_or("?");
  const DOMNamedNodeMap attributes = node.getAttributes();
  if (attributes.getLength() > 0) {
    out += "(";
    for (int i = 0; i < attributes.getLength(); ++i) {
      if (i > 0) out += ",";
      out += attributes.item(i).getNodeName().value() + "=" + attributes.item(i).getNodeValue().value();
    }
    out += ")";
  }
  const DOMNodeList children = node.getChildNodes();
  if (children.getLength() > 0) {
    out += "[";
    for (int i = 0; i < children.getLength(); ++i) {
      if (i > 0) out += " ";
      out += shape(children.item(i));
    }
    out += "]";
  }
  return out;
}

int loadFailure(const char* source, bool fromFile) {
  try {
    DOMDocument::load(source, fromFile);
  } catch (const DOMException& e) {
    return e.getCode();
  }
  return 0;
}

TEST(DOMDocumentLoad, BuildsTheTree) {
  const DOMDocument doc = DOMDocument::load(
      "<?xml version=\"1.0\"?>\n<!-- scenario -->\n"
      "<root id=\"r1\" kind=plain>\n  <a>x &amp; y</a>\n  <b n='1'/>text<c></c>\n</root>\n",
      false);
  EXPECT_EQ(doc.getNodeType(), DOCUMENT_NODE);
  EXPECT_EQ(doc.getNodeName(), "#document");
  EXPECT_FALSE(doc.getNodeValue().has_value());
  EXPECT_EQ(shape(doc),
            "#document['\n' '\n' root(id=r1,kind=plain)['\n  ' a['x & y'] '\n  ' b(n=1) 'text' c "
            "'\n'] '\n']");
  const DOMNode root = doc.getElementsByTagName("root").item(0);
  EXPECT_EQ(root.getParentNode(), doc);
  EXPECT_EQ(root.getAttributes().item(0).getParentNode(), root);
  const DOMNode a = root.getFirstChild().getNextSibling();
  EXPECT_EQ(a.getNodeType(), ELEMENT_NODE);
  EXPECT_EQ(a.getFirstChild().getNodeName(), "#text");
}

// Whatever the pull parser gives up to the end of the text goes into the
// tree where it stands: several roots, text outside them, or no root at all.
TEST(DOMDocumentLoad, KeepsEverythingUpToTheEnd) {
  const struct {
    const char* name;
    const char* text;
    const char* shape;
  } cases[] = {
      {"white space between elements", "<p><b>a</b> <i>b</i></p>", "#document[p[b['a'] ' ' i['b']]]"},
      {"an element left open", "<a>", "#document[a]"},
      {"elements left open with text", "<a><b/>x<c>y", "#document[a[b 'x' c['y']]]"},
      {"a second root", "<a/><b/>", "#document[a b]"},
      {"text before and after the root", "hello<a/>tail", "#document['hello' a 'tail']"},
      {"white space only", " \n\t", "#document[' \n\t']"},
      {"only a comment", "<!-- only a comment -->", "#document"},
      {"only a declaration", "<?xml version=\"1.0\"?>", "#document"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shape(DOMDocument::load(c.text, false)), c.shape) << c.name;
  }
}

// The XML form of an impact area, read the way the maps library reads it.
TEST(DOMDocumentLoad, ServesTheImpactLinesReader) {
  const DOMDocument doc = DOMDocument::load(
      "<ImpactLines>\n<NorthernLine>\n"
      "<Point Lat=\"60.500000\" Lng=\"24.250000\"/>\n<Point Lat=\"61.000000\" Lng=\"25.000000\"/>\n"
      "</NorthernLine>\n<SouthernLine>\n<Point Lat=\"59.000000\" Lng=\"24.000000\"/>\n"
      "</SouthernLine>\n</ImpactLines>\n",
      false);
  const DOMNodeList north = doc.getElementsByTagName("NorthernLine").item(0).getElementsByTagName("Point");
  ASSERT_EQ(north.getLength(), 2);
  const DOMNamedNodeMap second = north.item(1).getAttributes();
  EXPECT_EQ(std::atof(second.item(second.findNamedItem("Lat")).getNodeValue()->c_str()), 61.0);
  EXPECT_EQ(std::atof(second.item(second.findNamedItem("Lng")).getNodeValue()->c_str()), 25.0);
  EXPECT_EQ(second.findNamedItem("Alt"), -1);
  EXPECT_EQ(doc.getElementsByTagName("Point").getLength(), 3);
}

TEST(DOMDocumentLoad, MalformedDocumentsThrow103) {
  const char* cases[] = {
      "<a></b>",            // a closing tag that differs from the open element
      "<a><b></a></b>",
      "<A></a>",            // names compare exactly
      "</a>",               // an end tag with no open element
      "<a/></a>",
      "text</a>",
      "",                   // no text at all
      "<a><b c></b></a>",   // a malformed tag inside the document
      "<a><!-- open</a>",
  };
  for (const char* text : cases) {
    EXPECT_EQ(loadFailure(text, false), 103) << text;
  }
  EXPECT_EQ(loadFailure(nullptr, false), 103);
  try {
    DOMDocument::load("<a></b>", false);
    ADD_FAILURE();
  } catch (const DOMException& e) {
    EXPECT_STREQ(e.getMessage(), "\n MarkDOM: Fatal Error During Parsing: Check the document\n");
  }
}

TEST(DOMDocumentLoad, FromFile) {
  TempDir dir;
  TempDir::write(dir.file("ok.xml"), "<Trajectory>\n<Point Lat=\"1.000000\" Lng=\"2.000000\"/>\n</Trajectory>\n");
  EXPECT_EQ(shape(DOMDocument::load(dir.file("ok.xml").c_str(), true)),
            "#document[Trajectory['\n' Point(Lat=1.000000,Lng=2.000000) '\n'] '\n']");

  // The flag decides: the same text is a file name, not a document.
  EXPECT_EQ(loadFailure("<a/>", true), 101);
  EXPECT_EQ(loadFailure(dir.file("missing.xml").c_str(), true), 101);
  EXPECT_EQ(loadFailure(dir.path().c_str(), true), 101);  // a folder
  EXPECT_EQ(loadFailure(nullptr, true), 101);
  try {
    DOMDocument::load(dir.file("missing.xml").c_str(), true);
  } catch (const DOMException& e) {
    EXPECT_STREQ(e.getMessage(), "\n MarkDOM: Fatal Error During Parsing: Check if the file exists\n");
  }

  TempDir::write(dir.file("empty.xml"), "");
  EXPECT_EQ(loadFailure(dir.file("empty.xml").c_str(), true), 103);
  // A NUL byte must not cut the document short into something well formed.
  TempDir::write(dir.file("nul.xml"), std::string("<a/>\0<b>", 8));
  EXPECT_EQ(loadFailure(dir.file("nul.xml").c_str(), true), 103);
}

TEST(DOMDocumentLoad, LongNamesAndValues) {
  const std::string name = "e" + std::string(20000, 'n');
  const std::string value(30000, 'v');
  const std::string text = "<" + name + " " + name + "=\"" + value + "\">" + value + "</" + name + ">";
  const DOMDocument doc = DOMDocument::load(text.c_str(), false);
  const DOMNode root = doc.getFirstChild();
  EXPECT_EQ(root.getNodeName(), name);
  EXPECT_EQ(root.getAttributes().item(0).getNodeName(), name);
  EXPECT_EQ(root.getAttributes().item(0).getNodeValue(), value);
  EXPECT_EQ(root.getFirstChild().getNodeValue(), value);
}

// Building, walking, copying and freeing a very deep tree must not use stack
// in proportion to its depth.
TEST(DOMDocumentLoad, DeepNesting) {
  const int depth = 200000;
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<d>";
  text += "leaf";
  for (int i = 0; i < depth; ++i) text += "</d>";
  const DOMDocument doc = DOMDocument::load(text.c_str(), false);
  EXPECT_EQ(doc.getElementsByTagName("d").getLength(), depth);
  const DOMNode copy = doc.getFirstChild().cloneNode(true);
  EXPECT_EQ(copy.getElementsByTagName("*").getLength(), depth - 1);
  DOMNode leaf = copy;
  while (!leaf.getFirstChild().isNull()) leaf = leaf.getFirstChild();
  EXPECT_EQ(leaf.getNodeValue(), "leaf");

  text.resize(text.size() - 4);  // one element left open
  EXPECT_EQ(DOMDocument::load(text.c_str(), false).getElementsByTagName("d").getLength(), depth);
}

}  // namespace
