#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Lexwick/parser.h"
#include "Talkwick/kqmlparser.h"
#include "testsupport/logfile.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

constexpr const char* kTell = "(tell :sender A :receiver B :content (hello world))";
constexpr const char* kRequest = "GET /agent HTTP/1.0\r\nHost: a\r\n\r\n";
constexpr const char* kNested = "(tell :sender A :content (move :command (go :to x)))";

// A front end that logs into a fresh directory; messages() reads back the
// log lines without their number and time.
class FrontEnd : public ::testing::Test {
 protected:
  FrontEnd() { parser.set_file("parser.log"); }

  Lines messages() const { return log_messages(dir.file("parser.log")); }

  TempDir dir;
  CParser parser;
};

TEST_F(FrontEnd, FreshFrontEndTriesHttpFirst) {
  EXPECT_EQ(parser.get_parser_type(), PARSER_HTTP);
  EXPECT_EQ(parser.get_tokens(), nullptr);
  EXPECT_EQ(parser.get_entities(), nullptr);
  EXPECT_EQ(parser.find_namespace("(content)"), nullptr);  // nothing parsed yet

  EXPECT_EQ(parser.parse_message(kRequest), 1);
  EXPECT_EQ(parser.get_parser_type(), PARSER_HTTP);
  EXPECT_STREQ(parser.find_sender(), "HTTPCLIENT");
  EXPECT_STREQ(parser.find_reply_with(), "HTTPREPLY");
  EXPECT_EQ(parser.find_token("Host"), nullptr);
  EXPECT_EQ(parser.get_tokens(), nullptr);
  EXPECT_EQ(messages(), Lines{"<CParser> Successfully assigned parser with primary parser"});
}

TEST_F(FrontEnd, KqmlTextAssignsTheKqmlParser) {
  EXPECT_EQ(parser.parse_message(kTell), 1);
  EXPECT_EQ(parser.get_parser_type(), PARSER_KQML);
  EXPECT_STREQ(parser.get_parserbase()->get_name(), "VERANTA KQML Parser v2.00");
  EXPECT_STREQ(parser.find_performative(), "tell");
  EXPECT_STREQ(parser.find_sender(), "A");
  EXPECT_STREQ(parser.find_receiver(), "B");
  EXPECT_STREQ(parser.find_content(), "(hello world)");
  EXPECT_STREQ(parser.find_token("content"), "(hello world)");
  EXPECT_EQ(parser.find_token(nullptr), nullptr);
  EXPECT_NE(parser.get_tokens(), nullptr);
  EXPECT_NE(parser.get_entities(), nullptr);
  // HTTP failed silently: the one line is the fallback's.
  EXPECT_EQ(messages(), Lines{"<CParser> KQML parser assigned"});
}

TEST_F(FrontEnd, OnceKqmlIsAssignedItStays) {
  ASSERT_EQ(parser.parse_message(kTell), 1);
  // The request is not read as HTTP any more: KQML fails on it.
  EXPECT_EQ(parser.parse_message(kRequest), 0);
  EXPECT_EQ(parser.get_parser_type(), PARSER_KQML);
  EXPECT_EQ(parser.find_namespace("(content)"), nullptr);  // the last parse failed
  EXPECT_EQ(parser.parse_message(kNested), 1);
  EXPECT_EQ(parser.get_parser_type(), PARSER_KQML);
  EXPECT_EQ(messages(), (Lines{"<CParser> KQML parser assigned",
                               "<CParser> Successfully assigned parser with primary parser"}));
}

// A holder that keeps its front end between messages (a connection) has
// it let go of what a large message left: the parse is forgotten, the
// current parser stays.
TEST_F(FrontEnd, ReleasedStorageForgetsTheParseNotTheParser) {
  std::string many = "(tell :sender A";
  for (int i = 0; i < 20000; ++i) many += " :k" + std::to_string(i) + " v";
  ASSERT_EQ(parser.parse_message((many + " :content (big))").c_str()), 1);
  parser.release_storage();
  EXPECT_EQ(parser.get_parser_type(), PARSER_KQML);
  EXPECT_EQ(parser.find_sender(), nullptr);
  EXPECT_EQ(parser.find_token("k7"), nullptr);
  EXPECT_EQ(parser.find_namespace("(content)"), nullptr);
  ASSERT_EQ(parser.parse_message(kNested), 1);
  EXPECT_STREQ(parser.find_namespace("(content:command:to)"), "x");
  // HTTP is not tried again.
  EXPECT_EQ(messages()[0], "<CParser> KQML parser assigned");
  EXPECT_EQ(messages()[1], "<CParser> Successfully assigned parser with primary parser");
}

// The KQML parser reads a text once: as the fallback while HTTP is current,
// as the current parser afterwards, where a failure has nothing to fall
// back to.
TEST_F(FrontEnd, KqmlReadsEachTextOnce) {
  EXPECT_EQ(parser.parse_message("plain words"), 0);  // HTTP, then KQML
  ASSERT_EQ(parser.parse_message(kTell), 1);          // HTTP, then KQML, now current
  const auto* kqml = static_cast<const CKQMLParser*>(parser.get_parserbase());
  EXPECT_EQ(kqml->get_parse_count(), 2u);
  EXPECT_EQ(parser.parse_message(kRequest), 0);
  EXPECT_EQ(kqml->get_parse_count(), 3u);
  EXPECT_EQ(parser.parse_message("(tell :a (b)"), 0);
  EXPECT_EQ(kqml->get_parse_count(), 4u);
  EXPECT_EQ(parser.parse_message(kNested), 1);
  EXPECT_EQ(kqml->get_parse_count(), 5u);
  EXPECT_EQ(messages(), (Lines{"<CParser> KQML parser assigned",
                               "<CParser> Successfully assigned parser with primary parser"}));
}

// A member's parse frees the texts it handed out: a parse of one of them,
// failing or not, must not read freed text.
TEST_F(FrontEnd, ParsesTextsItsMembersHandedOut) {
  ASSERT_EQ(parser.parse_message("(tell :content hello :reply-with (ask :x y))"), 1);
  EXPECT_EQ(parser.parse_message(parser.find_content()), 0);  // a plain word
  ASSERT_EQ(parser.parse_message("(tell :content hello :reply-with (ask :x y))"), 1);
  EXPECT_EQ(parser.parse_message(parser.find_reply_with()), 1);
  EXPECT_STREQ(parser.find_token("x"), "y");
}

TEST_F(FrontEnd, UnreadableTextsLeaveHttpCurrent) {
  // XML included: the XML member is never tried.
  for (const char* text : {"<a>b</a>", "", "plain words", "(tell :a (b)"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(parser.parse_message(text), 0);
    EXPECT_EQ(parser.get_parser_type(), PARSER_HTTP);
  }
  EXPECT_EQ(parser.parse_message(nullptr), 0);
  EXPECT_EQ(messages(), Lines{"<CParser> No stream specified, aborting"});
}

TEST_F(FrontEnd, ForwardsComposition) {
  // The HTTP member composes nothing.
  EXPECT_EQ(parser.compose_token("x", 3), nullptr);
  ASSERT_EQ(parser.parse_message(kTell), 1);
  EXPECT_STREQ(parser.compose_token("x", 3), ":x (3) ");
  EXPECT_STREQ(parser.compose_token("x", 0.5f), ":x (0.500000) ");
  EXPECT_STREQ(parser.compose_token("x", "v"), ":x (v) ");
  EXPECT_EQ(parser.compose_token(nullptr, 3), nullptr);
  EXPECT_EQ(parser.compose_token(nullptr, 0.5f), nullptr);
  EXPECT_EQ(parser.compose_token("x", static_cast<const char*>(nullptr)), nullptr);
  EXPECT_STREQ(parser.compose_message("tell", "B", "A", "o", "l", "r", "i", "f", 1),
               "(tell :sender A :receiver B :ontology o :language l :reply-with r "
               ":in-reply-to i :forward-to f :content ( ");
  EXPECT_STREQ(parser.create_message("tell", "B", "A", "o", "l", "r", "i", "f", "x"),
               "(tell :sender A :receiver B :ontology o :language l :reply-with r "
               ":in-reply-to i :forward-to f :content ( x))");
}

TEST_F(FrontEnd, ListsWalkTheCurrentParse) {
  ASSERT_EQ(parser.parse_message("(ask :x :y 3)"), 1);
  std::vector<std::string> tokens;
  for (char* t = parser.listall_getfirst_token(); t != nullptr; t = parser.listall_getnext_token()) {
    tokens.emplace_back(t);
  }
  EXPECT_EQ(tokens, (Lines{"ask", ":x", ":y"}));
  EXPECT_STREQ(parser.listall_getfirst(0), "ask");
  EXPECT_STREQ(parser.listall_getnext(0), ":x");
  EXPECT_STREQ(parser.listall_getfirst_contents(), nullptr);  // ask has no value
}

// find_namespace on the message (tell :sender A :content (move :command (go :to x))).
TEST(FindNamespace, WalksIntoNestedMessages) {
  struct Case {
    const char* path;
    const char* result;  // null: no result
  };
  const Case cases[] = {
      {"(content:command:to)", "x"},
      {"content:command:to", "x"},  // without parentheses
      {"(content)", "(move :command (go :to x))"},
      {"(content:command)", "(go :to x)"},
      {"(sender)", "A"},
      // A name that is not found is passed over, wherever it stands.
      {"(content:missing:command)", "(go :to x)"},
      {"(missing:content)", "(move :command (go :to x))"},
      {"(content:missing)", "(move :command (go :to x))"},
      {"(missing)", nullptr},
      {"()", nullptr},
      // A middle value that is not a message ends the walk.
      {"(sender:content)", nullptr},
      {"(content:command:to:deeper)", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CParser parser;
    const char* text_result = parser.find_namespace(c.path, kNested);
    EXPECT_STREQ(text_result, c.result);

    CParser other;
    std::string path(c.path);
    CNameSpace names;
    names.from_string(path.data());
    EXPECT_STREQ(other.find_namespace(&names, kNested), c.result);
  }
}

TEST(FindNamespace, AgreesWithFindContent) {
  CParser parser;
  ASSERT_EQ(parser.parse_message(kTell), 1);
  const std::string content = parser.find_content();
  EXPECT_EQ(parser.find_namespace("(content)", kTell), content);
}

TEST(FindNamespace, NullArgumentsGiveNull) {
  CParser parser;
  CNameSpace names;
  names.add_name("content");
  EXPECT_EQ(parser.find_namespace(static_cast<const char*>(nullptr), kNested), nullptr);
  EXPECT_EQ(parser.find_namespace("(content)", nullptr), nullptr);
  EXPECT_EQ(parser.find_namespace(static_cast<CNameSpace*>(nullptr), kNested), nullptr);
  EXPECT_EQ(parser.find_namespace(&names, nullptr), nullptr);
  EXPECT_EQ(parser.find_namespace(static_cast<const char*>(nullptr)), nullptr);
  EXPECT_EQ(parser.find_namespace(static_cast<CNameSpace*>(nullptr)), nullptr);
  EXPECT_EQ(parser.find_namespace(&names), nullptr);  // nothing parsed
}

TEST(FindNamespace, WalksTheMessageAlreadyParsedAndKeepsTheLastParse) {
  CParser parser;
  ASSERT_EQ(parser.parse_message(kNested), 1);
  CNameSpace names;
  names.add_name("content");
  names.add_name("command");
  EXPECT_STREQ(parser.find_namespace(&names), "(go :to x)");
  // The walk parsed (move ...) last; the path form reads on from there.
  EXPECT_STREQ(parser.find_performative(), "move");
  EXPECT_STREQ(parser.find_namespace("(command:to)"), "x");
  EXPECT_STREQ(parser.find_performative(), "go");
  EXPECT_STREQ(parser.find_token("to"), "x");
  // A failed middle parse leaves nothing parsed.
  ASSERT_EQ(parser.parse_message(kNested), 1);
  EXPECT_EQ(parser.find_namespace("(sender:content)"), nullptr);
  EXPECT_EQ(parser.find_namespace("(content)"), nullptr);
}

// The previous result stays alive through the walk, so a call may be fed
// its own last result, as text or as path.
TEST(FindNamespace, TakesItsOwnLastResult) {
  CParser parser;
  const char* content = parser.find_namespace("(content)", kNested);
  ASSERT_STREQ(content, "(move :command (go :to x))");
  const char* command = parser.find_namespace("(command)", content);
  ASSERT_STREQ(command, "(go :to x)");
  EXPECT_STREQ(parser.find_namespace("(to)", command), "x");

  char path_text[] = "(first)";
  ASSERT_STREQ(parser.find_namespace(path_text, "(p :first (a:b) :a (q :b r))"), "(a:b)");
  // The last result, "(a:b)", is now the path: a, then b.
  EXPECT_STREQ(parser.find_namespace(parser.find_namespace("(first)"), "(p :a (q :b r))"), "r");
}

// A walk through many levels: every level's value is copied into the
// result before the next parse, which reads its text from the front end's
// own copy.
TEST(FindNamespace, WalksDeepPaths) {
  std::string text = "v";
  std::string path = "(a";
  for (int level = 0; level < 200; ++level) {
    text = "(x" + std::to_string(level) + " :a " + text + ")";
    if (level > 0) path += ":a";
  }
  path += ")";
  CParser parser;
  EXPECT_STREQ(parser.find_namespace(path.c_str(), text.c_str()), "v");
  EXPECT_STREQ(parser.find_performative(), "x0");
}

// Long messages are looked up through an index: names that are missing are
// passed over and the first of several equal names answers, as in short ones.
TEST(FindNamespace, WalksLongMessages) {
  std::string text = "(m :k0 (n :deep v :deep w)";
  for (int i = 1; i < 40; ++i) text += " :k" + std::to_string(i) + " " + std::to_string(i);
  text += " :k5 again)";
  CParser parser;
  EXPECT_STREQ(parser.find_namespace("(missing:k0:deep)", text.c_str()), "v");
  EXPECT_STREQ(parser.find_namespace("(k5)", text.c_str()), "5");
  EXPECT_STREQ(parser.find_namespace("(missing:k39)", text.c_str()), "39");
  EXPECT_EQ(parser.find_namespace("(k39:k1)", text.c_str()), nullptr);  // 39 is no message
}

}  // namespace
