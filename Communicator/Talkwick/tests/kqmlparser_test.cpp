#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "Talkwick/kqmlparser.h"
#include "Toolwick/token.h"
#include "testsupport/tempdir.h"

namespace {

// The tokens of the last parse as "key=value" or, without a value, "key".
std::vector<std::string> tokens_of(CKQMLParser& parser) {
  std::vector<std::string> out;
  CLList* tokens = parser.get_tokens();
  if (tokens == nullptr) return out;
  for (CListElement* e = tokens->get_element(0); e != nullptr; e = e->get_next()) {
    auto* token = dynamic_cast<CToken*>(e);
    std::string text = token->get_token()->get_name();
    if (token->get_token_content() != nullptr) text += "=" + std::string(token->get_token_content()->get_name());
    out.push_back(text);
  }
  return out;
}

bool has_no_tokens(CKQMLParser& parser) {
  return parser.get_tokens() == nullptr || parser.get_tokens()->get_nr_elements() == 0;
}

std::string or_null(const char* text) { return text != nullptr ? text : "(null)"; }

// New reply-with identifiers keep the UUID generator's state files in the
// working directory: those tests run in a scratch one.
class KQMLCompose : public ::testing::Test {
 private:
  testsupport::TempDir dir_;
};

TEST(KQMLParser, StartsIdle) {
  CKQMLParser parser;
  EXPECT_STREQ(parser.get_name(), "VERANTA KQML Parser v2.00");
  EXPECT_EQ(parser.get_parser_type(), PARSER_KQML);
  ASSERT_NE(parser.get_entities(), nullptr);
  ASSERT_NE(parser.get_tokens(), nullptr);
  EXPECT_EQ(parser.get_entities()->get_nr_elements(), 0);
  EXPECT_EQ(parser.find_performative(), nullptr);
  EXPECT_EQ(parser.find_sender(), nullptr);
  EXPECT_EQ(parser.listall_getfirst(0), nullptr);
  EXPECT_EQ(parser.get_message(), nullptr);
  EXPECT_EQ(parser.get_string(), nullptr);
}

TEST(KQMLParser, SplitsIntoTokens) {
  struct Case {
    const char* text;
    std::vector<std::string> tokens;
  };
  const std::vector<Case> cases = {
      {"(tell :sender A :receiver B :content (hello world))",
       {"tell", ":sender=A", ":receiver=B", ":content=(hello world)"}},
      {"(ask :x :y 3)", {"ask", ":x", ":y=3"}},
      {"(tell :a)", {"tell", ":a"}},
      {"(tell :a :b)", {"tell", ":a", ":b"}},
      {"(tell\r\n:sender\tA\n)", {"tell", ":sender=A"}},
      {"(tell :c (a (b c) d))", {"tell", ":c=(a (b c) d)"}},
      // Text outside the first group stays in the copy.
      {"pre (tell :a b) post", {"pre", "tell", ":a=b", "post"}},
      {"(tell) last", {"tell", "last"}},
      {"(tell :s \"x y\" :t 1)", {"tell", ":s=\"x y\"", ":t=1"}},
      // An unclosed string runs to the end and is stored closed; the blank
      // that replaced the message's ')' stays inside it.
      {"(tell :content \"abc)", {"tell", ":content=\"abc \""}},
      {"(tell) \"ab\"", {"tell", "\"ab\""}},
      {"(tell) \"", {"tell", "\"\""}},
      // A list entity loses the one character after its ')'.
      {"(tell :c (x)y :d 1)", {"tell", ":c=(x)", ":d=1"}},
      {"(tell) (a)", {"tell", "(a)"}},
      {"(tell) (a (b", {"tell", "(a (b"}},
      // 0x04 ends a word; at the start of one it makes an empty entity.
      {"(tell :a\x04z)", {"tell", ":a=z"}},
      {"(tell \x04x)", {"tell", "", "x"}},
      {"(tell :a \x04)", {"tell", ":a="}},
      {"(tell) w\x04", {"tell", "w"}},
      {"(:a 1 tell)", {":a=1", "tell"}},
  };
  for (const Case& c : cases) {
    CKQMLParser parser;
    EXPECT_EQ(parser.parse_message(c.text), 1) << c.text;
    EXPECT_EQ(tokens_of(parser), c.tokens) << c.text;
  }
}

TEST(KQMLParser, RejectsAndLeavesNothing) {
  for (const char* text : {"", "tell :a b", "(tell :a (b)", "(", "()", "(  \t\r\n)", "x ("}) {
    CKQMLParser parser;
    ASSERT_EQ(parser.parse_message("(tell :sender A)"), 1);
    parser.set_message("kept?");
    EXPECT_EQ(parser.parse_message(text), 0) << text;
    if (text[0] == '\0') continue;  // an empty text is refused before anything is discarded
    EXPECT_TRUE(has_no_tokens(parser)) << text;
    EXPECT_EQ(parser.find_performative(), nullptr) << text;
    EXPECT_EQ(parser.find_sender(), nullptr) << text;
    EXPECT_EQ(parser.listall_getfirst_token(), nullptr) << text;
    EXPECT_EQ(parser.get_message(), nullptr) << text;
  }
  CKQMLParser parser;
  EXPECT_EQ(parser.parse_message(nullptr), 0);
}

TEST(KQMLParser, ParseDiscardsComposedTexts) {
  CKQMLParser parser;
  parser.create_message("tell", "B", "A", "o", "l", "r", "", "", "x");
  parser.compose_token("x", 3);
  ASSERT_EQ(parser.parse_message("(tell :a b)"), 1);
  EXPECT_EQ(parser.get_message(), nullptr);
  EXPECT_EQ(parser.get_string(), nullptr);
}

TEST(KQMLParser, FindsTheHeaderFields) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(ask-one :sender A :receiver B :ontology o :language l "
                                 ":reply-with r1 :in-reply-to r0 :forward-to F "
                                 ":content (lookup :name N))"),
            1);
  EXPECT_STREQ(parser.find_performative(), "ask-one");
  EXPECT_STREQ(parser.find_sender(), "A");
  EXPECT_STREQ(parser.find_receiver(), "B");
  EXPECT_STREQ(parser.find_ontology(), "o");
  EXPECT_STREQ(parser.find_language(), "l");
  EXPECT_STREQ(parser.find_reply_with(), "r1");
  EXPECT_STREQ(parser.find_in_reply_to(), "r0");
  EXPECT_STREQ(parser.find_forward(), "F");
  EXPECT_STREQ(parser.find_content(), "(lookup :name N)");
  EXPECT_STREQ(parser.find_contents(), "(lookup :name N)");
}

TEST(KQMLParser, PerformativeIsTheFirstNonKeyword) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(:a 1 :b :c 2 tell)"), 1);
  EXPECT_STREQ(parser.find_performative(), "tell");
  ASSERT_EQ(parser.parse_message("(:a :b)"), 1);
  EXPECT_EQ(parser.find_performative(), nullptr);
}

TEST(KQMLParser, FindTokenRules) {
  struct Case {
    const char* text;
    const char* name;
    const char* value;  // null: not found or no value
  };
  const std::vector<Case> cases = {
      {"(tell :sender A)", "sender", "A"},
      {"(tell :SENDER A)", "sender", "A"},
      {"(tell :Sender A)", "sender", nullptr},
      {"(tell :sender A)", "SENDER", nullptr},
      {"(tell :s \"q (x)\")", "s", "\"q (x)\""},
      {"(ask :x :y 3)", "x", nullptr},
      {"(ask :x :y 3)", "y", "3"},
      // The first match answers, even without a value.
      {"(tell :x :x 3)", "x", nullptr},
      {"(tell :x 1 :x 2)", "x", "1"},
      {"(tell :sender A)", "nobody", nullptr},
      // Entities shorter than two characters match no name.
      {"(tell : v)", "", nullptr},
      {"(tell \x04 :x 1)", "", nullptr},
      {"(tell \x04 :x 1)", "x", "1"},
  };
  for (const Case& c : cases) {
    CKQMLParser parser;
    ASSERT_EQ(parser.parse_message(c.text), 1) << c.text;
    EXPECT_EQ(or_null(parser.find_token(c.name)), or_null(c.value)) << c.text << " / " << c.name;
  }
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(tell :sender A)"), 1);
  EXPECT_EQ(parser.find_token(nullptr), nullptr);
}

// Texts the parser returned are fed back to it: it copies before it discards.
TEST(KQMLParser, ReparsesItsOwnTexts) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(tell :sender A :content (move :command (go :to x)))"), 1);
  ASSERT_EQ(parser.parsable(parser.find_content()), 1);
  ASSERT_EQ(parser.parse_message("(tell :sender A :content (move :command (go :to x)))"), 1);
  ASSERT_EQ(parser.parse_message(parser.find_content()), 1);
  EXPECT_STREQ(parser.find_performative(), "move");
  ASSERT_EQ(parser.parse_message(parser.find_token("command")), 1);
  EXPECT_STREQ(parser.find_performative(), "go");
  EXPECT_STREQ(parser.find_token("to"), "x");
  EXPECT_EQ(parser.parse_message(parser.find_token("to")), 0);  // a plain word
}

TEST(KQMLParser, SettersAndComposersTakeTheirOwnTexts) {
  CKQMLParser parser;
  parser.set_message("(tell :content ( x))");
  parser.set_message(parser.get_message());
  EXPECT_STREQ(parser.get_message(), "(tell :content ( x))");
  parser.set_message(nullptr);
  EXPECT_STREQ(parser.get_message(), "(tell :content ( x))");

  parser.set_string(":x (1) ");
  parser.set_string(parser.get_string());
  parser.set_string(nullptr);
  EXPECT_STREQ(parser.get_string(), ":x (1) ");
  EXPECT_STREQ(parser.compose_token(parser.get_string(), 2), "::x (1)  (2) ");

  parser.set_message("inner");
  EXPECT_STREQ(parser.create_message("tell", "B", "A", "o", "l", "r", "i", "f", parser.get_message()),
               "(tell :sender A :receiver B :ontology o :language l :reply-with r :in-reply-to i "
               ":forward-to f :content ( inner))");
  parser.set_message("P");
  EXPECT_STREQ(parser.compose_message(parser.get_message(), "B", "A", "o", "l", "r", "i", "f", 0),
               "(P :sender A :receiver B :ontology o :language l :reply-with r :in-reply-to i "
               ":forward-to f :content ( ");
}

TEST(KQMLParser, Walks) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(:a 1 :b 2 tell :c)"), 1);
  struct Walk {
    char* (CKQMLParser::*first)();
    char* (CKQMLParser::*next)();
    std::vector<std::string> expected;
  };
  const std::vector<Walk> walks = {
      {&CKQMLParser::listall_getfirst_token, &CKQMLParser::listall_getnext_token,
       {":a", ":b", "tell", ":c", "(null)"}},
      // A token without a value answers null, but the walk can go on.
      {&CKQMLParser::listall_getfirst_contents, &CKQMLParser::listall_getnext_contents,
       {"1", "2", "(null)", "(null)", "(null)"}},
  };
  for (const Walk& walk : walks) {
    std::vector<std::string> seen = {or_null((parser.*walk.first)())};
    for (size_t i = 1; i < walk.expected.size(); ++i) seen.push_back(or_null((parser.*walk.next)()));
    EXPECT_EQ(seen, walk.expected);
  }
  for (unsigned which : {0u, 1u, 2u}) {
    std::vector<std::string> seen = {or_null(parser.listall_getfirst(which))};
    for (int i = 0; i < 4; ++i) seen.push_back(or_null(parser.listall_getnext(which)));
    const std::vector<std::string> expected =
        which == 1 ? std::vector<std::string>{"1", "2", "(null)", "(null)", "(null)"}
                   : std::vector<std::string>{":a", ":b", "tell", ":c", "(null)"};
    EXPECT_EQ(seen, expected) << which;
  }
}

TEST(KQMLParser, WalkCursorsAreIndependentAndEndWithTheParse) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(tell :a 1 :b 2)"), 1);
  EXPECT_STREQ(parser.listall_getfirst_token(), "tell");
  EXPECT_STREQ(parser.listall_getfirst_contents(), nullptr);
  EXPECT_STREQ(parser.listall_getfirst(0), "tell");
  EXPECT_STREQ(parser.listall_getnext_contents(), "1");
  EXPECT_STREQ(parser.listall_getnext_token(), ":a");
  EXPECT_STREQ(parser.listall_getnext_token(), ":b");
  EXPECT_STREQ(parser.listall_getnext(1), "1");
  EXPECT_STREQ(parser.listall_getnext_contents(), "2");

  // A new parse (or a reset) ends every walk; nothing points at old tokens.
  ASSERT_EQ(parser.parse_message("(ask :x 9)"), 1);
  EXPECT_EQ(parser.listall_getnext_token(), nullptr);
  EXPECT_EQ(parser.listall_getnext_contents(), nullptr);
  EXPECT_EQ(parser.listall_getnext(0), nullptr);
  EXPECT_STREQ(parser.listall_getfirst_token(), "ask");
  parser.queue_reset();
  EXPECT_EQ(parser.listall_getnext_token(), nullptr);
  EXPECT_EQ(parser.listall_getfirst_token(), nullptr);
}

TEST(KQMLParser, ParsableChecksOnlyTheBrackets) {
  struct Case {
    const char* text;
    int result;
  };
  for (const Case& c : std::vector<Case>{{"(tell :a b)", 1},
                                         {"x (a (b) c) (", 1},
                                         {"()", 1},
                                         {"(tell :a (b)", 0},
                                         {"tell", 0},
                                         {"", 0}}) {
    CKQMLParser parser;
    EXPECT_EQ(parser.parsable(c.text), c.result) << c.text;
  }
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(tell :sender A)"), 1);
  EXPECT_EQ(parser.parsable("(ask :x 1)"), 1);
  EXPECT_TRUE(has_no_tokens(parser));
  EXPECT_EQ(parser.find_sender(), nullptr);
}

// parses answers what a parse would, without one: on texts the bracket
// check alone lets through, on strings and escapes, and wherever the group
// ends in the sixteen-byte blocks that the scans read.
TEST(KQMLParser, ParsesAgreesWithTheParse) {
  struct Case {
    std::string text;
    bool parses;
  };
  const std::string pad(13, 'x');
  std::vector<Case> cases{{"(tell :a b)", true},
                          {"x (a (b) c) (", true},
                          {"()", false},
                          {" ( \t\r\n ) ", false},
                          {"(\x04)", true},
                          {"() x", true},
                          {"(tell :a (b)", false},
                          {"(a \"(\")", true},
                          {"(a \"b\\\")\" c", false},
                          {"(a \"unended)", true},
                          {"tell", false},
                          {"", false}};
  for (size_t n = 0; n < 20; ++n) {
    cases.push_back({"(" + std::string(n, ' ') + ")", false});
    cases.push_back({"(" + pad.substr(0, n % pad.size()) + std::string(n, ' ') + ")", n % 13 != 0});
  }
  CKQMLParser parser;
  for (const Case& c : cases) {
    EXPECT_EQ(CKQMLParser::parses(c.text.c_str()), c.parses) << c.text;
    EXPECT_EQ(parser.parse_message(c.text.c_str()), c.parses ? 1 : 0) << c.text;
  }
  EXPECT_FALSE(CKQMLParser::parses(nullptr));
}

TEST(KQMLParser, ResetAndPreExit) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(tell :sender A)"), 1);
  parser.compose_token("x", 1);
  parser.queue_reset();
  ASSERT_NE(parser.get_tokens(), nullptr);
  EXPECT_TRUE(has_no_tokens(parser));
  EXPECT_EQ(parser.get_entities()->get_nr_elements(), 0);
  EXPECT_EQ(parser.find_performative(), nullptr);
  EXPECT_STREQ(parser.get_string(), ":x (1) ");  // only the lists go

  ASSERT_EQ(parser.parse_message("(tell :sender A)"), 1);
  parser.create_message("tell", "B", "A", "o", "l", "r", "", "", "x");
  parser.compose_token("x", 1);
  parser.pre_exit();
  EXPECT_EQ(parser.get_tokens(), nullptr);
  EXPECT_EQ(parser.get_entities(), nullptr);
  EXPECT_EQ(parser.get_message(), nullptr);
  EXPECT_EQ(parser.get_string(), nullptr);
  EXPECT_EQ(parser.find_sender(), nullptr);
  EXPECT_EQ(parser.listall_getfirst(1), nullptr);
  EXPECT_EQ(parser.parse_message("(tell :sender B)"), 1);
  EXPECT_STREQ(parser.find_sender(), "B");
}

TEST(KQMLParser, EmptyStrings) {
  CKQMLParser parser;
  EXPECT_STREQ(parser.get_empty_string(1), "nil");
  EXPECT_STREQ(parser.get_empty_string(0), " ");
  for (int style : {-1, 2, 7}) EXPECT_STREQ(parser.get_empty_string(style), " ") << style;
}

TEST(KQMLParser, ComposeMessageFillsEmptyFields) {
  struct Case {
    int style;
    const char* filler;
  };
  for (const Case& c : std::vector<Case>{{1, "nil"}, {0, " "}, {5, " "}}) {
    CKQMLParser parser;
    const std::string f = c.filler;
    EXPECT_EQ(or_null(parser.compose_message(nullptr, "", nullptr, "", nullptr, "r", "", nullptr,
                                             c.style)),
              "(" + f + " :sender " + f + " :receiver " + f + " :ontology " + f + " :language " +
                  f + " :reply-with r :in-reply-to " + f + " :forward-to " + f + " :content ( ")
        << c.style;
  }
  CKQMLParser parser;
  const std::string header =
      parser.compose_message("tell", "B", "A", "o", "", "r", "i", "f", 1);
  EXPECT_NE(header.find(":language nil :reply-with"), std::string::npos);
  EXPECT_STREQ(parser.get_message(), header.c_str());
}

TEST_F(KQMLCompose, ComposeMessageMakesReplyWith) {
  CKQMLParser parser;
  const std::string prefix = "(tell :sender A :receiver B :ontology o :language l :reply-with ";
  const std::string one = parser.compose_message("tell", "B", "A", "o", "l", nullptr, "", "", 0);
  const std::string two = parser.compose_message("tell", "B", "A", "o", "l", "", "", "", 0);
  for (const std::string& text : {one, two}) {
    ASSERT_EQ(text.rfind(prefix + "Dur32O{", 0), 0u) << text;
    EXPECT_NE(text.find("} :in-reply-to   :forward-to   :content ( "), std::string::npos) << text;
  }
  EXPECT_NE(one, two);
}

TEST_F(KQMLCompose, CreateMessage) {
  CKQMLParser parser;
  const std::string text = parser.create_message("tell", "B", "A", "o", "l", "", "", "", "x");
  const size_t id = text.find("Dur32O{");
  const size_t id_end = text.find('}', id);
  ASSERT_NE(id, std::string::npos);
  ASSERT_NE(id_end, std::string::npos);
  EXPECT_EQ(text.substr(0, id), "(tell :sender A :receiver B :ontology o :language l :reply-with ");
  EXPECT_EQ(text.substr(id_end + 1), " :in-reply-to   :forward-to   :content ( x))");
  EXPECT_STREQ(parser.get_message(), text.c_str());

  EXPECT_EQ(parser.create_message("tell", "B", "A", "o", "l", "r", "", "", nullptr), nullptr);
  EXPECT_STREQ(parser.get_message(), text.c_str());

  // A composed message parses back.
  ASSERT_EQ(parser.parse_message(
                parser.create_message("tell", "B", "A", "o", "l", "r", "", "", "(go :to x)")),
            1);
  EXPECT_STREQ(parser.find_sender(), "A");
  EXPECT_STREQ(parser.find_reply_with(), "r");
  EXPECT_STREQ(parser.find_content(), "( (go :to x))");
}

TEST(KQMLParser, ComposeToken) {
  CKQMLParser parser;
  EXPECT_STREQ(parser.compose_token("x", 3), ":x (3) ");
  EXPECT_STREQ(parser.compose_token("x", -12), ":x (-12) ");
  EXPECT_STREQ(parser.compose_token("x", 0.5f), ":x (0.500000) ");
  EXPECT_STREQ(parser.compose_token("x", -1234.25f), ":x (-1234.250000) ");
  EXPECT_STREQ(parser.compose_token("x", "v w"), ":x (v w) ");
  EXPECT_STREQ(parser.get_string(), ":x (v w) ");
  EXPECT_EQ(parser.compose_token(nullptr, 3), nullptr);
  EXPECT_EQ(parser.compose_token(nullptr, 0.5f), nullptr);
  EXPECT_EQ(parser.compose_token(nullptr, "v"), nullptr);
  EXPECT_EQ(parser.compose_token("x", static_cast<const char*>(nullptr)), nullptr);
  EXPECT_STREQ(parser.get_string(), ":x (v w) ");
}

TEST(KQMLParser, LongMessage) {
  std::string text = "(tell";
  for (int i = 0; i < 5000; ++i) text += " :k" + std::to_string(i) + " (v " + std::to_string(i) + ")";
  text += " :last \"end)";
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message(text.c_str()), 1);
  EXPECT_EQ(parser.get_tokens()->get_nr_elements(), 5002);
  EXPECT_STREQ(parser.find_token("k4999"), "(v 4999)");
  EXPECT_STREQ(parser.find_token("last"), "\"end \"");
}

// Entities are ended in place in the parser's copy of the text; a quoted
// entity followed directly by another character cannot be, and must still
// read exactly as stored.
TEST(KQMLParser, EntitiesEndWhereTheyShould) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> tokens;
  };
  const std::vector<Case> cases = {
      {"QuoteThenQuote", "(tell \"a\"\"b\")", {"tell", "\"a\"", "\"b\""}},
      {"QuoteThenGroup", "(tell \"a\"(b) c)", {"tell", "\"a\"", "(b)", "c"}},
      {"QuoteThenKeyword", "(tell :s \"x\":t 1)", {"tell", ":s=\"x\"", ":t=1"}},
      {"QuoteThenEndOfWord", "(tell :a \"q\"\x04z)", {"tell", ":a=\"q\"", "", "z"}},
      {"QuoteThenBlank", "(tell :a \"q\" z)", {"tell", ":a=\"q\"", "z"}},
      {"QuoteAtTheEnd", "(tell) \"q\"", {"tell", "\"q\""}},
      {"GroupThenGroup", "(tell (a)(b))", {"tell", "(a)", "b)"}},
      {"GroupAtTheEnd", "(tell) (a)", {"tell", "(a)"}},
      {"WordsAtTheEnd", "(tell) a b", {"tell", "a", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CKQMLParser parser;
    ASSERT_EQ(parser.parse_message(c.text), 1);
    EXPECT_EQ(tokens_of(parser), c.tokens);
  }
}

// Strings are read as KQML writes them: a parenthesis inside one belongs to
// it, wherever the string stands, and a backslash takes the next character
// (a quote, a backslash) into it.
struct StringCase {
  const char* name;
  const char* text;
  std::vector<std::string> tokens;
};

void PrintTo(const StringCase& c, std::ostream* out) { *out << c.name; }

class KQMLStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(KQMLStrings, HoldParenthesesAndEscapedQuotes) {
  const StringCase& c = GetParam();
  CKQMLParser parser;
  EXPECT_EQ(parser.parsable(c.text), 1);
  ASSERT_EQ(parser.parse_message(c.text), 1);
  EXPECT_EQ(tokens_of(parser), c.tokens);
}

const StringCase kStringCases[] = {
    {"CloseInNestedString", "(tell :sender A :receiver B :content (chat :msg \"one ) two\"))",
     {"tell", ":sender=A", ":receiver=B", ":content=(chat :msg \"one ) two\")"}},
    {"CloseInTopLevelString", "(tell :content \"a)b\")", {"tell", ":content=\"a)b\""}},
    {"OpenInString", "(tell :s \"(\" :t 1)", {"tell", ":s=\"(\"", ":t=1"}},
    {"OpenInNestedString", "(tell :c (a \"((\" b) :t 1)", {"tell", ":c=(a \"((\" b)", ":t=1"}},
    {"EscapedQuotes", "(tell :content \"escaped \\\"quote\\\" inside\")",
     {"tell", ":content=\"escaped \\\"quote\\\" inside\""}},
    {"EscapedQuoteBeforeClose", "(tell :s \"x \\\") y\" :t 1)",
     {"tell", ":s=\"x \\\") y\"", ":t=1"}},
    {"EscapedBackslashEndsString", "(tell :s \"a\\\\\" :t 1)", {"tell", ":s=\"a\\\\\"", ":t=1"}},
    {"EscapedQuoteThenGroup", "(tell :s \"\\\"\"(b) c)", {"tell", ":s=\"\\\"\"", "(b)", "c"}},
    // A string that never ends hides no parenthesis: the message ends at
    // its ')', and the string runs to the end of the text.
    {"UnendedStringAfterEscape", "(tell :s \"a\\\")", {"tell", ":s=\"a\\\" \""}},
    {"UnendedStringInGroup", "(tell :c (x \"y) :t 1)", {"tell", ":c=(x \"y)", ":t=1"}},
    {"UnendedStringEndingInBackslash", "(tell :s \"a\\)", {"tell", ":s=\"a\\ \""}},
};

INSTANTIATE_TEST_SUITE_P(KQMLParser, KQMLStrings, ::testing::ValuesIn(kStringCases),
                         [](const ::testing::TestParamInfo<StringCase>& info) {
                           return std::string(info.param.name);
                         });

// The text is scanned in blocks of bytes: a parenthesis, quote or backslash
// reads the same wherever it falls in one, also across the border of two.
TEST(KQMLParser, ReadsAlikeWhereverItsMarksFall) {
  for (size_t pad = 0; pad < 40; ++pad) {
    SCOPED_TRACE(pad);
    const std::string word(pad + 1, 'x');
    CKQMLParser parser;
    ASSERT_EQ(parser.parse_message(("(tell :pad " + word +
                                    " :content (chat :msg \"one ) two \\\" (three\") :s \"a\\\\\" :t 1)")
                                       .c_str()),
              1);
    EXPECT_EQ(tokens_of(parser),
              (std::vector<std::string>{"tell", ":pad=" + word,
                                        ":content=(chat :msg \"one ) two \\\" (three\")",
                                        ":s=\"a\\\\\"", ":t=1"}));
    // An unended string: its parentheses count.
    ASSERT_EQ(parser.parse_message(("(tell :pad " + word + " :s \"a\\\"(b))").c_str()), 1);
    EXPECT_EQ(tokens_of(parser),
              (std::vector<std::string>{"tell", ":pad=" + word, ":s=\"a\\\"(b) \""}));
    EXPECT_EQ(parser.parse_message(("(tell :pad " + word + " :s \"a\\\"(b)").c_str()), 0);
  }
}

// A string with a parenthesis stays whole down every level of a message.
TEST(KQMLParser, NestedStringsSurviveReparsing) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message(
                "(tell :content (chat :msg \"one ) two\" :quote \"say \\\"(hi\\\"\" :to B))"),
            1);
  ASSERT_EQ(parser.parse_message(parser.find_content()), 1);
  EXPECT_STREQ(parser.find_token("msg"), "\"one ) two\"");
  EXPECT_STREQ(parser.find_token("quote"), "\"say \\\"(hi\\\"\"");
  EXPECT_STREQ(parser.find_token("to"), "B");
}

// The copy, entities and tokens are reused from parse to parse: what a parse
// shows is that parse alone, whatever came before and however long it was.
TEST(KQMLParser, ReusedStorageShowsOnlyTheLastParse) {
  std::string long_text = "(inform :sender Z :only-first 1 :content \"x\"(y)";
  for (int i = 0; i < 40; ++i) long_text += " :k" + std::to_string(i) + " v" + std::to_string(i);
  long_text += ")";
  CKQMLParser parser;
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(parser.parse_message(long_text.c_str()), 1);
    EXPECT_EQ(parser.get_tokens()->get_nr_elements(), 45);
    EXPECT_STREQ(parser.find_token("k39"), "v39");

    ASSERT_EQ(parser.parse_message("(tell :sender A)"), 1);
    EXPECT_EQ(tokens_of(parser), (std::vector<std::string>{"tell", ":sender=A"}));
    EXPECT_EQ(parser.get_entities()->get_nr_elements(), 3);
    EXPECT_STREQ(parser.find_performative(), "tell");
    EXPECT_STREQ(parser.find_sender(), "A");
    EXPECT_EQ(parser.find_token("only-first"), nullptr);
    EXPECT_EQ(parser.find_token("k39"), nullptr);
    EXPECT_EQ(parser.find_content(), nullptr);

    EXPECT_EQ(parser.parse_message("(ask"), 0);
    EXPECT_TRUE(has_no_tokens(parser));
    EXPECT_EQ(parser.find_performative(), nullptr);
    EXPECT_EQ(parser.find_token("sender"), nullptr);
  }
}

// Two long messages of one shape in turn reuse the same records: the index
// that answered the first must answer nothing of the second.
TEST(KQMLParser, EachLongParseLooksUpItsOwnTokens) {
  const auto message = [](const std::string& key) {
    std::string text = "(tell";
    for (int i = 0; i < 20; ++i) text += " :" + key + std::to_string(i) + " " + key + "-value";
    return text + ")";
  };
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message(message("a").c_str()), 1);
  EXPECT_STREQ(parser.find_token("a19"), "a-value");
  ASSERT_EQ(parser.parse_message(message("b").c_str()), 1);
  EXPECT_STREQ(parser.find_token("b19"), "b-value");
  EXPECT_EQ(parser.find_token("a19"), nullptr);
}

// Texts a parse handed out stay as they were while the parser is queried,
// walked and composes, and the parser can parse any of them again, also one
// that it had to store apart from the rest of its copy.
TEST(KQMLParser, HandedOutTextsLastUntilTheNextParse) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message("(tell :sender A :s \"(a b)\"(c) :content (go :to x))"), 1);
  const char* sender = parser.find_sender();
  const char* quoted = parser.find_token("s");
  const char* content = parser.find_content();
  const char* performative = parser.find_performative();
  for (char* t = parser.listall_getfirst(1); t != nullptr; t = parser.listall_getnext(1)) {
  }
  parser.find_token("nobody");
  parser.set_message("m");
  parser.compose_token("x", 1);
  parser.compose_token("y", "z");
  parser.create_message("tell", "B", sender, "o", "l", "r", "", "", content);
  EXPECT_STREQ(sender, "A");
  EXPECT_STREQ(quoted, "\"(a b)\"");
  EXPECT_STREQ(content, "(go :to x)");
  EXPECT_STREQ(performative, "tell");
  EXPECT_STREQ(parser.get_message(),
               "(tell :sender A :receiver B :ontology o :language l :reply-with r :in-reply-to   "
               ":forward-to   :content ( (go :to x)))");

  ASSERT_EQ(parser.parse_message(quoted), 1);
  EXPECT_EQ(tokens_of(parser), std::vector<std::string>{"\" a b \""});
}

// Composed texts are built in storage kept from call to call: a short text
// after a long one carries nothing of it.
TEST(KQMLParser, ComposedTextsCarryNothingOfEarlierOnes) {
  CKQMLParser parser;
  const std::string long_content(3000, 'c');
  const std::string long_name(500, 'n');
  parser.create_message("tell", "B", "A", "o", "l", "r", "", "", long_content.c_str());
  parser.compose_token(long_name.c_str(), long_content.c_str());
  EXPECT_STREQ(parser.create_message("t", "b", "a", "o", "l", "r", "i", "f", "x"),
               "(t :sender a :receiver b :ontology o :language l :reply-with r :in-reply-to i "
               ":forward-to f :content ( x))");
  EXPECT_STREQ(parser.compose_token("x", 7), ":x (7) ");
  EXPECT_STREQ(parser.compose_token("x", 2.25f), ":x (2.250000) ");
  parser.set_message(long_content.c_str());
  EXPECT_STREQ(parser.compose_message("p", "b", "a", "o", "l", "r", "i", "f", 1),
               "(p :sender a :receiver b :ontology o :language l :reply-with r :in-reply-to i "
               ":forward-to f :content ( ");
  // Its own message as the content, and again as its own header's field.
  EXPECT_STREQ(parser.create_message("t", "b", "a", "o", "l", "r", "i", "f", parser.get_message()),
               "(t :sender a :receiver b :ontology o :language l :reply-with r :in-reply-to i "
               ":forward-to f :content ( (p :sender a :receiver b :ontology o :language l "
               ":reply-with r :in-reply-to i :forward-to f :content ( ))");
  parser.set_message("P");
  EXPECT_STREQ(parser.create_message(parser.get_message(), "b", "a", "o", "l", "r", "i", "f",
                                     parser.get_message()),
               "(P :sender a :receiver b :ontology o :language l :reply-with r :in-reply-to i "
               ":forward-to f :content ( P))");
}

// find_token walks a short token list and indexes a long one; both answer
// alike: the first token whose name (after its first character) is the name
// or its upper-case form.
struct FindCase {
  const char* name;
  const char* tokens;  // inside the message, after its performative
  const char* find;
  const char* value;  // null: not found or no value
};

void PrintTo(const FindCase& c, std::ostream* out) { *out << c.name; }

class KQMLFindToken : public ::testing::TestWithParam<std::tuple<FindCase, bool>> {};

TEST_P(KQMLFindToken, AnswersAlikeWithAndWithoutIndex) {
  const auto& [c, padded] = GetParam();
  std::string text = std::string("(tell ") + c.tokens;
  // Padding after the case's tokens changes no first match.
  if (padded) {
    for (int i = 0; i < 20; ++i) text += " :pad" + std::to_string(i) + " p";
  }
  text += ")";
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message(text.c_str()), 1);
  EXPECT_EQ(parser.get_tokens()->get_nr_elements() >= 16, padded);
  EXPECT_EQ(or_null(parser.find_token(c.find)), or_null(c.value));
  // Asked twice: the index made by the first question answers the second.
  EXPECT_EQ(or_null(parser.find_token(c.find)), or_null(c.value));
}

const FindCase kFindCases[] = {
    {"Exact", ":sender A", "sender", "A"},
    {"UpperCaseForm", ":SENDER A", "sender", "A"},
    {"MixedCaseIsNoMatch", ":Sender A", "sender", nullptr},
    {"UpperNameFindsOnlyUpper", ":sender A", "SENDER", nullptr},
    {"EarlierUpperWins", ":SENDER X :sender Y", "sender", "X"},
    {"EarlierExactWins", ":sender Y :SENDER X", "sender", "Y"},
    {"FirstMatchWithoutValue", ":x :x 3", "x", nullptr},
    {"FirstOfTwoValues", ":x 1 :x 2", "x", "1"},
    {"NonKeywordMatchesWithoutValue", "?x 1 :x 2", "x", nullptr},
    {"DigitsAndDashes", ":reply-with r-1 :K9 v", "k9", "v"},
    {"Missing", ":sender A", "nobody", nullptr},
    {"EmptyName", ": v :a b", "", nullptr},
    {"PrefixIsNoMatch", ":senders A", "sender", nullptr},
    {"ValueIsNotAName", ":a sender", "ender", nullptr},
    {"MixedCaseNameFindsUpperForm", ":CONTENT (x) :Content (y)", "Content", "(x)"},
};

INSTANTIATE_TEST_SUITE_P(
    KQMLParser, KQMLFindToken,
    ::testing::Combine(::testing::ValuesIn(kFindCases), ::testing::Bool()),
    [](const ::testing::TestParamInfo<KQMLFindToken::ParamType>& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) ? "Indexed" : "Walked");
    });

}  // namespace
