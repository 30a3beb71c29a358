#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Lexwick/httpparser.h"
#include "Toolwick/parameter.h"

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> lines_of(CHTTPParser& parser) {
  std::vector<std::string> out;
  CLList* lines = parser.get_lines();
  for (CListElement* e = lines->get_first_element(); e != nullptr; e = lines->get_next_element()) {
    out.push_back(e->get_name());
  }
  return out;
}

Fields fields_of(CHTTPParser& parser) {
  Fields out;
  CLList* elements = parser.get_elements();
  for (CListElement* e = elements->get_first_element(); e != nullptr;
       e = elements->get_next_element()) {
    EXPECT_EQ(e->get_btype(), BTYPE_PARAMETER);
    out.emplace_back(e->get_name(), static_cast<CParameter*>(e)->get_value());
  }
  return out;
}

TEST(HTTPParser, IsTheHttpMemberOfTheFamily) {
  CHTTPParser parser;
  EXPECT_STREQ(parser.get_name(), "HTTP Parser v0.29");
  EXPECT_EQ(parser.get_parser_type(), PARSER_HTTP);
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_NONE);
  EXPECT_STREQ(parser.get_lines()->get_name(), "<CHTTPParser> tokens");
  EXPECT_STREQ(parser.get_elements()->get_name(), "<CHTTPParser> elements");
  EXPECT_STREQ(parser.find_sender(), "HTTPCLIENT");
  EXPECT_STREQ(parser.find_reply_with(), "HTTPREPLY");
  EXPECT_EQ(parser.create_error_reply(404), nullptr);
}

TEST(HTTPParser, SplitsLinesFieldsAndMethod) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
    Fields fields;
    int32_t method;
  };
  const Case cases[] = {
      {"GET / HTTP/1.0\r\nHost: a\r\n\r\n",
       {"GET / HTTP/1.0", "Host: a", "", ""},
       {{"GET", "/ HTTP/1.0"}, {"Host", "a"}},
       HTTP_METHOD_GET},
      {"POST /agent HTTP/1.0\nContent-Length: 12\n\n(tell :x 1)",
       {"POST /agent HTTP/1.0", "Content-Length: 12", "", "(tell :x 1)"},
       {{"POST", "/agent HTTP/1.0"}, {"Content-Length", "12"}, {"(tell", ":x 1)"}},
       HTTP_METHOD_POST},
      // A KQML message is one line with one odd field and no method.
      {"(tell :sender A)", {"(tell :sender A)"}, {{"(tell", ":sender A)"}}, HTTP_METHOD_NONE},
      // Names are compared exactly.
      {"get / HTTP/1.0", {"get / HTTP/1.0"}, {{"get", "/ HTTP/1.0"}}, HTTP_METHOD_NONE},
      {"GET", {"GET"}, {}, HTTP_METHOD_NONE},
      // A name with nothing after it still has a value, the empty one.
      {"HEAD ", {"HEAD "}, {{"HEAD", ""}}, HTTP_METHOD_HEAD},
      {"DELETE:", {"DELETE:"}, {{"DELETE", ""}}, HTTP_METHOD_DELETE},
      // A ':' that comes first ends the name; blanks after it are skipped.
      {"OPTIONS:   * HTTP/1.1", {"OPTIONS:   * HTTP/1.1"}, {{"OPTIONS", "* HTTP/1.1"}},
       HTTP_METHOD_OPTIONS},
      {":x", {":x"}, {{"", "x"}}, HTTP_METHOD_NONE},
      // "\r\n" is one line end, "\n\r" two, a lone CR one.
      {"a\n\rb", {"a", "", "b"}, {}, HTTP_METHOD_NONE},
      {"a\rb\r\n", {"a", "b", ""}, {}, HTTP_METHOD_NONE},
      {"\n", {"", ""}, {}, HTTP_METHOD_NONE},
      {"", {}, {}, HTTP_METHOD_NONE},
      {nullptr, {}, {}, HTTP_METHOD_NONE},
      // A header named like a method counts, and the order of the codes
      // decides between several.
      {"Host: a\nPUT: x", {"Host: a", "PUT: x"}, {{"Host", "a"}, {"PUT", "x"}}, HTTP_METHOD_PUT},
      {"CONNECT h:1 HTTP/1.0\nTRACE: t\nGET: g",
       {"CONNECT h:1 HTTP/1.0", "TRACE: t", "GET: g"},
       {{"CONNECT", "h:1 HTTP/1.0"}, {"TRACE", "t"}, {"GET", "g"}},
       HTTP_METHOD_GET},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text != nullptr ? c.text : "(null)");
    CHTTPParser parser;
    EXPECT_EQ(parser.parse_message(c.text), c.method != HTTP_METHOD_NONE ? 1 : 0);
    EXPECT_EQ(lines_of(parser), c.lines);
    EXPECT_EQ(fields_of(parser), c.fields);
    EXPECT_EQ(parser.get_method(), c.method);
    EXPECT_EQ(parser.find_token("Host"), nullptr);  // fields are not tokens
    EXPECT_EQ(parser.get_tokens(), nullptr);
    EXPECT_EQ(parser.get_entities(), nullptr);
  }
}

TEST(HTTPParser, FindOperationsReadTheirField) {
  CHTTPParser parser;
  ASSERT_EQ(parser.parse_message("OPTIONS o\nGET /a HTTP/1.0\nHEAD h\nPOST p\nPUT u\n"
                                 "DELETE d\nTRACE t\nCONNECT c\nHost: x\nGET second"),
            1);
  EXPECT_STREQ(parser.find_OPTIONS(), "o");
  EXPECT_STREQ(parser.find_GET(), "/a HTTP/1.0");  // the first of two
  EXPECT_STREQ(parser.find_HEAD(), "h");
  EXPECT_STREQ(parser.find_POST(), "p");
  EXPECT_STREQ(parser.find_PUT(), "u");
  EXPECT_STREQ(parser.find_DELETE(), "d");
  EXPECT_STREQ(parser.find_TRACE(), "t");
  EXPECT_STREQ(parser.find_CONNECT(), "c");
  EXPECT_STREQ(parser.find_field("Host"), "x");
  EXPECT_EQ(parser.find_field("host"), nullptr);
  EXPECT_EQ(parser.find_field(nullptr), nullptr);
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_OPTIONS);

  // Each parse replaces the last.
  EXPECT_EQ(parser.parse_message("Host: y"), 0);
  EXPECT_EQ(parser.find_GET(), nullptr);
  EXPECT_STREQ(parser.find_field("Host"), "y");
  EXPECT_EQ(lines_of(parser), std::vector<std::string>{"Host: y"});
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_NONE);
}

TEST(HTTPParser, ParsableAlwaysSaysYesAndKeepsAnUnfoundMethod) {
  CHTTPParser parser;
  EXPECT_EQ(parser.parsable(""), 1);
  EXPECT_EQ(parser.parsable(nullptr), 1);
  EXPECT_EQ(parser.parsable("(tell :sender A)"), 1);
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_NONE);

  EXPECT_EQ(parser.parsable("PUT /x HTTP/1.0"), 1);
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_PUT);
  EXPECT_EQ(parser.parsable("nothing here"), 1);
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_PUT);  // not cleared
  EXPECT_EQ(lines_of(parser), std::vector<std::string>{"nothing here"});
  EXPECT_EQ(parser.parse_message("nothing here"), 0);  // cleared
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_NONE);
}

// A subclass recognises methods of its own when no standard one is present.
class SearchParser : public CHTTPParser {
 public:
  int calls = 0;
  void process_additional() override {
    ++calls;
    if (find_field("M-SEARCH") != nullptr) set_method(10);
  }
};

TEST(HTTPParser, AddsMethodsThroughProcessAdditional) {
  SearchParser parser;
  EXPECT_EQ(parser.parse_message("M-SEARCH * HTTP/1.1\r\nST: x\r\n\r\n"), 1);
  EXPECT_EQ(parser.get_method(), 10);
  EXPECT_EQ(parser.calls, 1);
  EXPECT_EQ(parser.parse_message("GET / HTTP/1.0"), 1);  // a standard method: no call
  EXPECT_EQ(parser.calls, 1);
  EXPECT_EQ(parser.parse_message("NOTIFY * HTTP/1.1"), 0);
  EXPECT_EQ(parser.calls, 2);
  parser.process_fields();
  EXPECT_EQ(parser.calls, 3);
}

// The parse reads from its own copy, so a text the parser itself handed out
// (a line, a field value) can be parsed again.
TEST(HTTPParser, ParsesItsOwnTexts) {
  CHTTPParser parser;
  ASSERT_EQ(parser.parse_message("X: GET /inner HTTP/1.0\nY"), 0);
  EXPECT_EQ(parser.parse_message(parser.find_field("X")), 1);
  EXPECT_STREQ(parser.find_GET(), "/inner HTTP/1.0");
  EXPECT_EQ(parser.parse_message(parser.get_lines()->get_first_element()->get_name()), 1);
  EXPECT_EQ(lines_of(parser), std::vector<std::string>{"GET /inner HTTP/1.0"});
}

// Lines and fields live in storage reused from parse to parse: a parse shows
// itself alone, and a caller that renames a line or revalues a field (which
// then holds a copy of its own) leaves the next parse unharmed.
TEST(HTTPParser, ReusedStorageShowsOnlyTheLastParse) {
  std::string request = "POST /agent HTTP/1.0\r\n";
  for (int i = 0; i < 60; ++i) request += "X-" + std::to_string(i) + ": v" + std::to_string(i) + "\r\n";
  request += "\r\n(tell :x 1)";
  CHTTPParser parser;
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(parser.parse_message(request.c_str()), 1);
    EXPECT_EQ(parser.get_lines()->get_nr_elements(), 63);
    EXPECT_STREQ(parser.find_field("X-59"), "v59");
    auto* field = static_cast<CParameter*>(parser.get_elements()->get_first_element());
    EXPECT_EQ(field->get_content(), field->get_value());
    EXPECT_STREQ(field->to_string(), ":POST (/agent HTTP/1.0)");
    field->set_content(const_cast<char*>("changed"));
    parser.get_lines()->get_first_element()->set_name("renamed");
    EXPECT_STREQ(parser.find_POST(), "changed");

    EXPECT_EQ(parser.parse_message("GET /\nHost: h"), 1);
    EXPECT_EQ(lines_of(parser), (std::vector<std::string>{"GET /", "Host: h"}));
    EXPECT_EQ(fields_of(parser), (Fields{{"GET", "/"}, {"Host", "h"}}));
    EXPECT_EQ(parser.find_POST(), nullptr);
    EXPECT_EQ(parser.find_field("X-0"), nullptr);

    EXPECT_EQ(parser.parse_message(""), 0);
    EXPECT_EQ(lines_of(parser), std::vector<std::string>{});
    EXPECT_EQ(fields_of(parser), Fields{});
  }
}


// has_method must answer what the parse would, for every text: its cases,
// then every text made of up to four pieces that come near a method line.
struct MethodCase {
  const char* name;
  std::string text;
  bool method;
};

void PrintTo(const MethodCase& c, std::ostream* out) { *out << c.name; }

class HTTPParserHasMethod : public ::testing::TestWithParam<MethodCase> {};

TEST_P(HTTPParserHasMethod, AnswersAsTheParseDoes) {
  CHTTPParser parser;
  EXPECT_EQ(parser.parse_message(GetParam().text.c_str()) == 1, GetParam().method);
  EXPECT_EQ(CHTTPParser::has_method(GetParam().text.c_str()), GetParam().method);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HTTPParserHasMethod,
    ::testing::Values(MethodCase{"RequestLine", "GET / HTTP/1.0\r\n\r\n", true},
                      MethodCase{"KqmlMessage", "(tell :sender a :content (GET x))", false},
                      MethodCase{"MethodAlone", "GET", false},
                      MethodCase{"MethodWithColon", "POST:", true},
                      MethodCase{"LowerCase", "get / HTTP/1.0", false},
                      MethodCase{"LongerWord", "GETS / HTTP/1.0", false},
                      MethodCase{"AfterALineFeed", "(tell :content (x\nCONNECT y))", true},
                      MethodCase{"AfterACarriageReturn", "x\rOPTIONS *", true},
                      MethodCase{"HeaderNamedLikeAMethod", "Host: a\r\nDELETE: b", true},
                      MethodCase{"AfterATab", "\tGET /", false},
                      MethodCase{"Empty", "", false},
                      MethodCase{"LastOfTheTable", "TRACE /", true}),
    [](const ::testing::TestParamInfo<MethodCase>& info) { return std::string(info.param.name); });

TEST(HTTPParser, HasMethodAgreesWithTheParseOnEveryShortText) {
  const std::vector<std::string> pieces = {"GET", "GE", "HEAD", " ", ":", "\r", "\n", "x", "\x04"};
  CHTTPParser parser;
  std::vector<size_t> at;  // the pieces of the text, as digits of a number
  for (size_t length = 0; length <= 4; ++length) {
    at.assign(length, 0);
    for (;;) {
      std::string text;
      for (size_t i : at) text += pieces[i];
      ASSERT_EQ(CHTTPParser::has_method(text.c_str()), parser.parse_message(text.c_str()) == 1)
          << testing::PrintToString(text);
      size_t digit = 0;
      while (digit < length && ++at[digit] == pieces.size()) at[digit++] = 0;
      if (digit == length) break;
    }
  }
}

}  // namespace
