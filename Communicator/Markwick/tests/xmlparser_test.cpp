#include <gtest/gtest.h>

#include "Markwick/xmlparser.h"

namespace {

TEST(XMLParser, IsTheXmlMemberOfTheFamily) {
  CXMLParser parser;
  EXPECT_STREQ(parser.get_name(), "VERANTA XML Parser v0.80");
  EXPECT_EQ(parser.get_parser_type(), PARSER_XML);
  EXPECT_EQ(parser.get_entities(), nullptr);
  EXPECT_EQ(parser.get_tokens(), nullptr);
}

// Whatever it is given, the member reads nothing and answers nothing.
TEST(XMLParser, ReadsNoText) {
  const char* texts[] = {"<a x=\"1\">b</a>", "<?xml version=\"1.0\"?><r/>", "(tell :sender A)",
                         "", "<", "</", "<unclosed", nullptr};
  for (const char* text : texts) {
    SCOPED_TRACE(text != nullptr ? text : "(null)");
    CXMLParser parser;
    EXPECT_EQ(parser.parsable(text), 0);
    EXPECT_EQ(parser.parse_message(text), 0);
    EXPECT_EQ(parser.parse_xml_message(text), 1);
    EXPECT_EQ(parser.find_token("a"), nullptr);
    EXPECT_EQ(parser.find_token("x"), nullptr);
    EXPECT_EQ(parser.find_token(nullptr), nullptr);
  }
}

TEST(XMLParser, ComposesNothing) {
  CXMLParser parser;
  EXPECT_EQ(parser.compose_message("tell", "B", "A", "o", "l", "r", "i", "f", 1), nullptr);
  EXPECT_EQ(parser.create_message("tell", "B", "A", "o", "l", "r", "i", "f", "x"), nullptr);
  EXPECT_EQ(parser.compose_token("x", 3), nullptr);
}

}  // namespace
