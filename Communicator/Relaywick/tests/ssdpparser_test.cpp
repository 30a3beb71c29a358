#include "Relaywick/ssdpparser.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace {

std::string text_or_null(const char* text) { return text != nullptr ? text : "(none)"; }

// A parser set up as the discovery module sets it up before each use.
class SSDPParserTest : public ::testing::Test {
 protected:
  SSDPParserTest() {
    parser.set_mcast_ip("239.255.255.250");
    parser.set_mcast_port(1900);
    parser.set_USN("alpha");
  }
  CSSDPParser parser;
};

TEST_F(SSDPParserTest, WritesTheTemplatesExactly) {
  struct Case {
    const char* what;
    std::function<char*(CSSDPParser&)> write;
    const char* expected;
  };
  const Case cases[] = {
      {"alive", [](CSSDPParser& p) { return p.create_notify("ignored", "127.0.0.1", 7001); },
       "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\nNT: veranta:Agent\r\n"
       "NTS: ssdp:alive\r\nUSN: alpha\r\nAL: <127.0.0.1:7001>\r\nCache-Control: no-cache\r\n\r\n"},
      {"alive external",
       [](CSSDPParser& p) { return p.create_notify_external("uuid:b", "10.1.2.3", 80); },
       "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\nNT: veranta:Agent\r\n"
       "NTS: ssdp:alive\r\nUSN: uuid:b\r\nAL: <10.1.2.3:80>\r\nCache-Control: no-cache\r\n\r\n"},
      {"byebye", [](CSSDPParser& p) { return p.create_byebye("ignored", "127.0.0.1", 7001); },
       "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\nNT: veranta:Agent\r\n"
       "NTS: ssdp:byebye\r\nUSN: alpha\r\nAL: <127.0.0.1:7001>\r\nCache-Control: ???\r\n\r\n"},
      {"byebye external",
       [](CSSDPParser& p) { return p.create_byebye_external("b", "127.0.0.1", 7001); },
       "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\nNT: veranta:Agent\r\n"
       "NTS: ssdp:byebye\r\nUSN: b\r\nAL: <127.0.0.1:7001>\r\nCache-Control: ???\r\n\r\n"},
      {"search", [](CSSDPParser& p) { return p.create_m_search(" ", "127.0.0.1", 40000, "alpha"); },
       "M-SEARCH * HTTP/1.1\r\nS: alpha\r\nHost: 127.0.0.1:40000\r\nMan: ssdp:discover\r\n"
       "ST:  \r\nMX: ???\r\n\r\n"},
      {"answer",
       [](CSSDPParser& p) { return p.create_http("ignored", "127.0.0.1", 7001, "bravo"); },
       "HTTP/1.1 200 OK\r\nS: bravo\r\nExt: ???\r\nCache-Control: no-cache\r\nUSN: alpha\r\n"
       "NT: veranta:Agent\r\nAL: <127.0.0.1:7001>\r\n\r\n"},
      // A host that set_param never gave shows as the peers have always seen it.
      {"alive without host", [](CSSDPParser& p) { return p.create_notify("x", nullptr, 0); },
       "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\nNT: veranta:Agent\r\n"
       "NTS: ssdp:alive\r\nUSN: alpha\r\nAL: <(null):0>\r\nCache-Control: no-cache\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(text_or_null(c.write(parser)), c.expected);
  }
}

// A line end inside a field would add header lines of the writer's choosing
// (a location of another host, say) to what the peers read.
TEST_F(SSDPParserTest, AFieldHoldingALineEndIsNotWritten) {
  const char* kInjected = "alpha\r\nAL: <10.9.9.9:1>";
  const std::pair<const char*, std::function<char*(CSSDPParser&)>> cases[] = {
      {"usn of an alive", [&](CSSDPParser& p) { return p.create_notify_external(kInjected, "h", 1); }},
      {"usn of a byebye", [&](CSSDPParser& p) { return p.create_byebye_external(kInjected, "h", 1); }},
      {"host of an alive", [](CSSDPParser& p) { return p.create_notify("x", "h\nX: y", 1); }},
      {"searcher", [](CSSDPParser& p) { return p.create_m_search(" ", "h", 1, "s\rX: y"); }},
      {"searcher answered", [](CSSDPParser& p) { return p.create_http("x", "h", 1, "s\nX: y"); }},
      {"own usn answered",
       [&](CSSDPParser& p) {
         p.set_USN(kInjected);
         return p.create_http("x", "h", 1, "s");
       }},
  };
  for (const auto& [what, write] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(write(parser), nullptr);
  }
}

TEST_F(SSDPParserTest, TheNtFollowsTheServiceType) {
  parser.set_service_type(SERVICETYPE_MATCHMAKER);
  EXPECT_NE(std::string(parser.create_notify("x", "h", 1)).find("\r\nNT: veranta:matchmaker\r\n"),
            std::string::npos);
  EXPECT_EQ(std::string(ssdp_service_type_text(SERVICETYPE_ANS_SERVER)), "veranta:AgentNameServer");
  EXPECT_EQ(std::string(ssdp_service_type_text(SERVICETYPE_PELVAN_SERVER)), "veranta:PelvanServer");
  EXPECT_EQ(ssdp_service_type_text(SERVICETYPE_NONE), nullptr);
  EXPECT_EQ(ssdp_service_type_text(0), nullptr);
}

TEST(SSDPParserWriters, NeedTheirSettings) {
  CSSDPParser bare;
  EXPECT_EQ(bare.create_notify("x", "h", 1), nullptr);
  EXPECT_EQ(bare.create_byebye("x", "h", 1), nullptr);
  EXPECT_EQ(bare.create_http("x", "h", 1, "s"), nullptr);
  bare.set_USN("alpha");
  // The announcements also need the group address; the answer does not.
  EXPECT_EQ(bare.create_notify("x", "h", 1), nullptr);
  EXPECT_EQ(bare.create_notify_external("b", "h", 1), nullptr);
  EXPECT_NE(bare.create_http("x", "h", 1, "s"), nullptr);
  EXPECT_NE(bare.create_m_search(" ", "h", 1, "s"), nullptr);
  bare.set_mcast_ip("239.255.255.250");
  EXPECT_EQ(bare.create_notify_external(nullptr, "h", 1), nullptr);
  EXPECT_NE(bare.create_notify("x", "h", 1), nullptr);
  // Null settings are ignored.
  bare.set_USN(nullptr);
  bare.set_mcast_ip(nullptr);
  EXPECT_EQ(std::string(bare.get_USN()), "alpha");
  EXPECT_NE(bare.create_byebye("x", "h", 1), nullptr);
}

TEST(SSDPParserMethods, EachTextGetsItsCode) {
  struct Case {
    const char* text;
    int parsed;
    int32_t method;
  };
  const Case cases[] = {
      {"M-SEARCH * HTTP/1.1\r\nS: a\r\n\r\n", 1, SSDP_METHOD_M_SEARCH},
      {"HTTP/1.1 200 OK\r\nUSN: a\r\n\r\n", 1, SSDP_METHOD_HTTP},
      {"HTTP/1.0 200 OK\r\n\r\n", 1, SSDP_METHOD_HTTP},
      {"NOTIFY * HTTP/1.1\r\nNTS: ssdp:alive\r\n\r\n", 1, SSDP_METHOD_NOTIFY},
      // M-SEARCH wins over the others, a standard method over all three.
      {"NOTIFY * HTTP/1.1\r\nM-SEARCH: x\r\n", 1, SSDP_METHOD_M_SEARCH},
      {"HTTP/1.1 200 OK\r\nNOTIFY: x\r\n", 1, SSDP_METHOD_HTTP},
      {"M-SEARCH * HTTP/1.1\r\nGET: x\r\n", 1, HTTP_METHOD_GET},
      {"notify * HTTP/1.1\r\n", 0, HTTP_METHOD_NONE},
      {"NOTIFY", 0, HTTP_METHOD_NONE},
      {"(tell :sender a)", 0, HTTP_METHOD_NONE},
      {"", 0, HTTP_METHOD_NONE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CSSDPParser parser;
    EXPECT_EQ(parser.parse_message(c.text), c.parsed);
    EXPECT_EQ(parser.get_method(), c.method);
  }
  CSSDPParser parser;
  EXPECT_EQ(parser.parse_message(nullptr), 0);
  // A text that is none of them clears the code of the one before.
  parser.parse_message("NOTIFY * HTTP/1.1\r\n");
  EXPECT_EQ(parser.parse_message("hello there"), 0);
  EXPECT_EQ(parser.get_method(), HTTP_METHOD_NONE);
}

TEST(SSDPParserReaders, ReadEveryField) {
  CSSDPParser parser;
  ASSERT_EQ(parser.parse_message(
                "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\nNT: veranta:matchmaker\r\n"
                "NTS: ssdp:alive\r\nUSN: uuid:bravo\r\nAL: <127.0.0.1:7100>\r\n"
                "Location: <http://127.0.0.1:8080/x>\r\nCache-Control: no-cache\r\nS: s1\r\n"
                "ST: veranta:Agent\r\nMan: ssdp:discover\r\nMX: ???\r\nExt: ???\r\n\r\n"),
            1);
  struct Case {
    const char* field;
    char* (CSSDPParser::*read)();
    const char* expected;
  };
  const Case cases[] = {
      {"NOTIFY", &CSSDPParser::find_NOTIFY, "* HTTP/1.1"},
      {"Host", &CSSDPParser::find_Host, "239.255.255.250:1900"},
      {"NT", &CSSDPParser::find_NT, "veranta:matchmaker"},
      {"NTS", &CSSDPParser::find_NTS, "ssdp:alive"},
      {"USN", &CSSDPParser::find_USN, "uuid:bravo"},
      {"AL", &CSSDPParser::find_AL, "127.0.0.1:7100"},
      {"Location", &CSSDPParser::find_Location, "http://127.0.0.1:8080/x"},
      {"Cache-Control", &CSSDPParser::find_Cache_Control, "no-cache"},
      {"S", &CSSDPParser::find_S, "s1"},
      {"ST", &CSSDPParser::find_ST, "veranta:Agent"},
      {"Man", &CSSDPParser::find_Man, "ssdp:discover"},
      {"MX", &CSSDPParser::find_MX, "???"},
      {"Ext", &CSSDPParser::find_Ext, "???"},
      {"M-SEARCH", &CSSDPParser::find_M_SEARCH, "(none)"},
      {"HTTP", &CSSDPParser::find_HTTP, "(none)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(text_or_null((parser.*c.read)()), c.expected);
  }
  // Reading again gives the same value: the field itself is not cut.
  EXPECT_EQ(text_or_null(parser.find_AL()), "127.0.0.1:7100");
  EXPECT_EQ(text_or_null(parser.find_field("AL")), "<127.0.0.1:7100>");
}

TEST(SSDPParserReaders, HttpPrefersOnePointZero) {
  CSSDPParser parser;
  parser.parse_message("HTTP/1.1 200 OK\r\nHTTP/1.0 x\r\n");
  EXPECT_EQ(text_or_null(parser.find_HTTP()), "x");
  parser.parse_message("HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(text_or_null(parser.find_HTTP()), "200 OK");
}

TEST(SSDPParserReaders, AngleBracketsAreOptional) {
  struct Case {
    const char* line;
    const char* al;
  };
  const Case cases[] = {
      {"AL: host:1", "host:1"},
      {"AL: <host:1", "host:1"},
      {"AL: host:1>", "host:1"},
      {"AL: <<a>>", "<a>"},
      {"AL: ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CSSDPParser parser;
    parser.parse_message(c.line);
    EXPECT_EQ(text_or_null(parser.find_AL()), c.al);
  }
}

TEST_F(SSDPParserTest, WrittenTextsParseBack) {
  parser.parse_message(parser.create_http("x", "127.0.0.1", 7001, "bravo"));
  EXPECT_EQ(parser.get_method(), SSDP_METHOD_HTTP);
  EXPECT_EQ(text_or_null(parser.find_USN()), "alpha");
  EXPECT_EQ(text_or_null(parser.find_AL()), "127.0.0.1:7001");
  parser.parse_message(parser.create_m_search("veranta:Agent", "127.0.0.1", 5, "alpha"));
  EXPECT_EQ(parser.get_method(), SSDP_METHOD_M_SEARCH);
  EXPECT_EQ(text_or_null(parser.find_ST()), "veranta:Agent");
  EXPECT_EQ(text_or_null(parser.find_Host()), "127.0.0.1:5");
  parser.parse_message(parser.create_byebye("x", "127.0.0.1", 7001));
  EXPECT_EQ(parser.get_method(), SSDP_METHOD_NOTIFY);
  EXPECT_EQ(text_or_null(parser.find_NTS()), "ssdp:byebye");
}

}  // namespace
