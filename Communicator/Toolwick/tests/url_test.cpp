#include "Toolwick/url.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

// A text field as the tests compare it: unset reads "(unset)".
std::string text(const char* value) { return value != nullptr ? value : "(unset)"; }

std::vector<std::string> element_names(CLList& list) {
  std::vector<std::string> out;
  for (CListElement* e = list.get_first_element(); e != nullptr; e = list.get_next_element()) {
    out.push_back(text(e->get_name()));
  }
  return out;
}

struct ParseCase {
  const char* name;
  const char* url;
  int result;
  const char* proto;
  const char* host;
  int port;
  const char* cgi;
  const char* webpage;
  std::vector<std::string> elements;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }

constexpr const char* kUnset = "(unset)";

class UrlParse : public testing::TestWithParam<ParseCase> {};

TEST_P(UrlParse, SplitsIntoParts) {
  const ParseCase& c = GetParam();
  CURL url;
  EXPECT_EQ(url.parse_url(c.url), c.result);
  EXPECT_STREQ(url.get_name(), c.url);
  if (c.result == 0) return;
  EXPECT_EQ(text(url.get_proto()), c.proto);
  EXPECT_EQ(text(url.get_host()), c.host);
  EXPECT_EQ(url.get_port(), c.port);
  EXPECT_EQ(text(url.get_cgi()), c.cgi);
  EXPECT_EQ(text(url.get_webpage()), c.webpage);
  EXPECT_EQ(element_names(url), c.elements);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UrlParse,
    testing::Values(
        ParseCase{"PathOnAServer", "http://server/index.html", 1, "http", "server", 80, kUnset,
                  "index.html", {}},
        ParseCase{"PortCgiAndQuery", "http://host:8080/cgi-bin/run?a=1&b=2", 1, "http", "host",
                  8080, "/cgi-bin/run", "a=1&b=2", {"cgi-bin/run"}},
        ParseCase{"FileWithADriveLetter", "file://c:/maps/map.txt", 1, "file", "c", 0, kUnset,
                  "maps/map.txt", {}},
        ParseCase{"HostOnly", "tcp://agent", 1, "tcp", "agent", 80, kUnset, kUnset, {}},
        ParseCase{"NoScheme", "host/index.html", 0, nullptr, nullptr, 0, nullptr, nullptr, {}},
        // A query without a path: no cgi, the query is the webpage.
        ParseCase{"QueryWithoutPath", "http://h?x=1", 1, "http", "h", 80, kUnset, "x=1", {}},
        ParseCase{"EmptyPort", "http://h:/", 1, "http", "h", 0, kUnset, "", {}},
        // The path pieces between '&' become elements, empty ones inside too.
        ParseCase{"AmpersandPiecesBecomeElements", "http://h/a&&b&?q", 1, "http", "h", 80,
                  "/a&&b&", "q", {"a", "", "b"}},
        ParseCase{"RootPathWithQuery", "http://h/?q", 1, "http", "h", 80, "/", "q", {}},
        // The host ends at the '?' even when the query holds a '/'.
        ParseCase{"HostEndsAtTheQuery", "http://h?u=/x", 1, "http", "h", 80, kUnset, "u=/x", {}},
        // No host at all is a failure, not an empty host.
        ParseCase{"NothingAfterTheScheme", "http://", 0, nullptr, nullptr, 0, nullptr, nullptr,
                  {}},
        ParseCase{"EmptyHostBeforeThePath", "http:///index.html", 0, nullptr, nullptr, 0,
                  nullptr, nullptr, {}},
        ParseCase{"EmptyHostBeforeThePort", "http://:8080/x", 0, nullptr, nullptr, 0, nullptr,
                  nullptr, {}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(Url, Defaults) {
  CURL url;
  EXPECT_EQ(url.get_btype(), BTYPE_LIST);
  EXPECT_STREQ(url.get_proto(), "HTTP");
  EXPECT_EQ(url.get_port(), 80);
  EXPECT_EQ(url.get_host(), nullptr);
  EXPECT_EQ(url.get_subproto(), nullptr);
  EXPECT_EQ(url.get_webpage(), nullptr);
  EXPECT_EQ(url.get_cgi(), nullptr);
  EXPECT_EQ(url.generate_url(), nullptr);
}

TEST(Url, ConstructorParsesItsOwnCopy) {
  char given[] = "proto:sub://host:81/p?q";
  CURL url(given);
  EXPECT_STREQ(given, "proto:sub://host:81/p?q");
  EXPECT_STREQ(url.get_name(), given);
  EXPECT_NE(url.get_name(), given);
  EXPECT_STREQ(url.get_proto(), "proto");
  EXPECT_STREQ(url.get_subproto(), "sub");
  EXPECT_STREQ(url.get_host(), "host");
  EXPECT_EQ(url.get_port(), 81);
  EXPECT_STREQ(url.get_cgi(), "/p");
  EXPECT_STREQ(url.get_webpage(), "q");
}

TEST(Url, FailedParseLeavesTextsUnset) {
  CURL url("tcp://agent:7000");
  EXPECT_EQ(url.parse_url("no-scheme"), 0);
  EXPECT_EQ(url.get_proto(), nullptr);
  EXPECT_EQ(url.get_host(), nullptr);
  EXPECT_EQ(url.get_port(), 7000);
  EXPECT_EQ(url.parse_url(nullptr), 0);
  EXPECT_STREQ(url.get_name(), "no-scheme");
}

TEST(Url, SecondParseKeepsPortAndAppendsPieces) {
  CURL url;
  ASSERT_EQ(url.parse_url("http://host:8080/cgi-bin/run?a=1"), 1);
  ASSERT_EQ(url.parse_url("ftp://other/x/y?q"), 1);
  EXPECT_STREQ(url.get_proto(), "ftp");
  EXPECT_STREQ(url.get_host(), "other");
  EXPECT_EQ(url.get_port(), 8080);
  EXPECT_STREQ(url.get_cgi(), "/x/y");
  EXPECT_EQ(element_names(url), (std::vector<std::string>{"cgi-bin/run", "x/y"}));
  // A second parse without a path leaves no cgi of the first behind.
  ASSERT_EQ(url.parse_url("tcp://agent"), 1);
  EXPECT_EQ(url.get_cgi(), nullptr);
  EXPECT_EQ(url.get_webpage(), nullptr);
}

TEST(Url, ParsesItsOwnTexts) {
  CURL url("http://host:8080/cgi-bin/run?a=1");
  ASSERT_EQ(url.parse_url(url.get_name()), 1);
  EXPECT_STREQ(url.get_name(), "http://host:8080/cgi-bin/run?a=1");
  EXPECT_STREQ(url.get_host(), "host");
  EXPECT_STREQ(url.get_webpage(), "a=1");
  url.set_webpage("tcp://w");
  EXPECT_EQ(url.parse_url(url.get_webpage()), 1);
  EXPECT_STREQ(url.get_host(), "w");
}

TEST(Url, SettersAcceptTheirOwnValue) {
  CURL url("http:sec://host:8080/cgi-bin/run?a=1");
  url.set_host(url.get_host());
  url.set_proto(url.get_proto());
  url.set_subproto(url.get_subproto());
  url.set_webpage(url.get_webpage());
  url.set_cgi(url.get_cgi());
  EXPECT_STREQ(url.get_host(), "host");
  EXPECT_STREQ(url.get_proto(), "http");
  EXPECT_STREQ(url.get_subproto(), "sec");
  EXPECT_STREQ(url.get_webpage(), "a=1");
  EXPECT_STREQ(url.get_cgi(), "/cgi-bin/run");
  EXPECT_EQ(url.get_port(), 8080);

  // Values that carry their own separators, fed back from another field.
  url.set_subproto("a:b");
  url.set_proto(url.get_subproto());
  EXPECT_STREQ(url.get_proto(), "a");
  EXPECT_STREQ(url.get_subproto(), "b");
  url.set_cgi("x");
  url.set_cgi(url.get_cgi());
  EXPECT_STREQ(url.get_cgi(), "/x");
}

TEST(Url, Setters) {
  CURL url;
  url.set_proto("tcp");  // a literal: the text is not cut in place
  EXPECT_STREQ(url.get_proto(), "tcp");
  EXPECT_EQ(url.get_subproto(), nullptr);
  url.set_proto("udp:multi:cast");
  EXPECT_STREQ(url.get_proto(), "udp");
  EXPECT_STREQ(url.get_subproto(), "multi:cast");
  url.set_host("h:");
  EXPECT_STREQ(url.get_host(), "h");
  EXPECT_EQ(url.get_port(), 0);
  url.set_host("h2");
  EXPECT_EQ(url.get_port(), 0);
  url.set_host("h3:99999999999");
  EXPECT_EQ(url.get_port(), INT32_MAX);
  url.set_port(6677);
  EXPECT_EQ(url.get_port(), 6677);
  url.set_cgi("/abs");
  EXPECT_STREQ(url.get_cgi(), "/abs");

  // Null leaves every field as it was.
  url.set_proto(nullptr);
  url.set_subproto(nullptr);
  url.set_webpage(nullptr);
  url.set_host(nullptr);
  url.set_cgi(nullptr);
  EXPECT_STREQ(url.get_proto(), "udp");
  EXPECT_STREQ(url.get_subproto(), "multi:cast");
  EXPECT_STREQ(url.get_host(), "h3");
  EXPECT_STREQ(url.get_cgi(), "/abs");
}

}  // namespace
