#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Toolwick/namespace.h"
#include "Toolwick/parameter.h"
#include "Toolwick/parserbase.h"
#include "Toolwick/token.h"

namespace {

std::vector<std::string> names(CLList& list) {
  std::vector<std::string> out;
  for (CListElement* e = list.get_first_element(); e != nullptr; e = list.get_next_element()) {
    out.push_back(e->get_name() != nullptr ? e->get_name() : "(null)");
  }
  return out;
}

TEST(ParserBase, EveryDefaultAnswersNothing) {
  CParserBase parser;
  char text[] = "(tell :sender A)";
  EXPECT_EQ(parser.get_parser_type(), PARSER_NONE);
  EXPECT_EQ(parser.parsable(text), 0);
  EXPECT_EQ(parser.parse_message(text), 0);
  EXPECT_EQ(parser.find_token("sender"), nullptr);
  using Find = char* (CParserBase::*)();
  for (Find find : {&CParserBase::find_performative, &CParserBase::find_sender,
                    &CParserBase::find_ontology, &CParserBase::find_language,
                    &CParserBase::find_receiver, &CParserBase::find_reply_with,
                    &CParserBase::find_in_reply_to, &CParserBase::find_contents,
                    &CParserBase::find_content, &CParserBase::find_forward,
                    &CParserBase::listall_getfirst_token, &CParserBase::listall_getnext_token,
                    &CParserBase::listall_getfirst_contents,
                    &CParserBase::listall_getnext_contents}) {
    EXPECT_EQ((parser.*find)(), nullptr);
  }
  EXPECT_EQ(parser.listall_getfirst(1), nullptr);
  EXPECT_EQ(parser.listall_getnext(0), nullptr);
  EXPECT_EQ(parser.compose_message("tell", "B", "A", "o", "l", "r", "i", "f", 1), nullptr);
  EXPECT_EQ(parser.create_message("tell", "B", "A", "o", "l", "r", "i", "f", "x"), nullptr);
  EXPECT_EQ(parser.compose_token("x", 0.5f), nullptr);
  EXPECT_EQ(parser.compose_token("x", 3), nullptr);
  EXPECT_EQ(parser.compose_token("x", "v"), nullptr);
  EXPECT_EQ(parser.get_entities(), nullptr);
  EXPECT_EQ(parser.get_tokens(), nullptr);
  parser.set_parser_type(PARSER_HTTP);
  EXPECT_EQ(parser.get_parser_type(), 3);
}

TEST(Token, PointsIntoEntities) {
  CListElement key(":sender");
  CListElement value("A");
  CToken token;
  EXPECT_EQ(token.get_btype(), BTYPE_TOKEN);
  token.set_token(&key);
  token.set_token_content(&value);
  EXPECT_EQ(token.get_token(), &key);
  EXPECT_EQ(token.get_token_content(), &value);
}

TEST(Parameter, OwnsItsValueAndWritesItsTextForm) {
  CParameter port("port");
  EXPECT_EQ(port.get_btype(), BTYPE_PARAMETER);
  EXPECT_STREQ(port.to_string(), ":port ()");  // no value yet
  char value[] = "6678";
  port.set_content(value);
  value[0] = 'X';  // the parameter keeps its own copy
  EXPECT_STREQ(port.to_string(), ":port (6678)");
  EXPECT_STREQ(static_cast<char*>(port.get_content()), "6678");
  port.set_content(nullptr);
  EXPECT_STREQ(port.get_value(), "6678");
  port.set_content(port.get_content());  // its own value
  EXPECT_STREQ(port.get_value(), "6678");
  EXPECT_EQ(CParameter().to_string(), nullptr);
}

TEST(Parameter, FromString) {
  struct Case {
    const char* text;
    int result;
    const char* name;
    const char* value;
  };
  for (const Case& c : std::vector<Case>{{":port (6678)", 1, "port", "6678"},
                                         {":text \"hi there\"", 1, "text", "hi there"},
                                         {":text (\"quoted\")", 1, "text", "quoted"},
                                         {"no colon", 0, nullptr, nullptr},
                                         {":noblank", 0, nullptr, nullptr}}) {
    CParameter parameter;
    std::string text = c.text;
    EXPECT_EQ(parameter.from_string(text.data()), c.result) << c.text;
    if (c.name == nullptr) continue;
    EXPECT_STREQ(parameter.get_name(), c.name);
    EXPECT_STREQ(parameter.get_value(), c.value);
    const std::string original = c.text;
    EXPECT_STREQ(text.c_str(), original.substr(0, original.find(' ')).c_str());  // cut in place
  }
  EXPECT_EQ(CParameter().from_string(nullptr), 0);
}

TEST(NameSpace, ReadsAndWritesPaths) {
  struct Case {
    const char* text;
    char separator;
    std::vector<std::string> names;
    const char* written;
  };
  for (const Case& c : std::vector<Case>{{"(a:b:c)", ':', {"a", "b", "c"}, "(a:b:c)"},
                                         {"a::b", ':', {"a", "", "b"}, "(a::b)"},
                                         {"a:", ':', {"a"}, "(a)"},
                                         {"(x/y)", '/', {"x", "y"}, "(x/y)"}}) {
    CNameSpace path;
    path.set_separator(c.separator);
    std::string text = c.text;
    EXPECT_EQ(path.from_string(text.data()), 1);
    EXPECT_EQ(names(path), c.names) << c.text;
    EXPECT_STREQ(path.to_string(), c.written);
  }
}

TEST(NameSpace, StackOfNames) {
  CNameSpace path;
  EXPECT_EQ(path.get_btype(), BTYPE_STACK);
  EXPECT_EQ(path.to_string(), nullptr);
  EXPECT_EQ(path.from_string(nullptr), 0);
  path.add_name("content");
  path.add_name(nullptr);
  std::string more = "(command)";
  path.from_string(more.data());  // appends after what is there
  EXPECT_STREQ(path.to_string(), "(content:command)");
  EXPECT_STREQ(path.remove_name().get(), "command");
  EXPECT_STREQ(path.remove_name().get(), "content");
  EXPECT_FALSE(path.remove_name().is_set());
}

TEST(NameSpace, AddNameIgnoresTheCapacity) {
  CNameSpace path;
  path.set_size(2);
  for (int i = 0; i < 5; ++i) path.add_name("n");
  EXPECT_EQ(path.get_nr_elements(), 5);
}

}  // namespace
