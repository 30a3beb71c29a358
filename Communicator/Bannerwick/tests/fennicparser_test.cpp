#include "Bannerwick/fennicparser.h"

#include <gtest/gtest.h>

namespace {

TEST(FennicParser, RecognisesNothing) {
  CFennicParser parser;
  char text[] = "(tell :sender A :receiver B :content (x))";
  EXPECT_EQ(parser.get_parser_type(), PARSER_NONE);
  EXPECT_EQ(parser.parsable(text), 0);
  EXPECT_EQ(parser.parse_message(text), 0);
  EXPECT_EQ(parser.parse_message(nullptr), 0);
  // Reached through the interface, as the front end would.
  CParserBase& base = parser;
  EXPECT_EQ(base.find_token("sender"), nullptr);
  EXPECT_EQ(base.find_performative(), nullptr);
  EXPECT_EQ(base.find_sender(), nullptr);
  EXPECT_EQ(base.find_ontology(), nullptr);
  EXPECT_EQ(base.find_language(), nullptr);
  EXPECT_EQ(base.find_receiver(), nullptr);
  EXPECT_EQ(base.find_reply_with(), nullptr);
  EXPECT_EQ(base.find_in_reply_to(), nullptr);
  EXPECT_EQ(base.find_contents(), nullptr);
  EXPECT_EQ(base.find_content(), nullptr);
  EXPECT_EQ(base.find_forward(), nullptr);
  EXPECT_EQ(base.listall_getfirst(0), nullptr);
  EXPECT_EQ(base.listall_getnext(1), nullptr);
  EXPECT_EQ(base.listall_getfirst_token(), nullptr);
  EXPECT_EQ(base.listall_getnext_token(), nullptr);
  EXPECT_EQ(base.listall_getfirst_contents(), nullptr);
  EXPECT_EQ(base.listall_getnext_contents(), nullptr);
  EXPECT_EQ(base.compose_token("x", 3), nullptr);
  EXPECT_EQ(base.get_tokens(), nullptr);
  EXPECT_EQ(base.get_entities(), nullptr);
}

}  // namespace
