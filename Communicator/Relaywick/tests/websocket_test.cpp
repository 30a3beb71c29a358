#include "Relaywick/websocket.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Toolwick/url.h"
#include "moduletest.h"
#include "stubserver.h"

namespace {

using stubserver::HttpStub;

constexpr const char* kResponse = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nhello";

std::string at(const HttpStub& server, const std::string& rest) {
  return "http://127.0.0.1:" + std::to_string(server.port()) + rest;
}

class WebSocketTest : public LoopTest {
 protected:
  WebSocketTest() { web.set_file(log.stream()); }

  relaytest::LogCapture log;
  CWebSocket web{"station"};
};

TEST_F(WebSocketTest, RequestsOfTheThreeMethods) {
  EXPECT_STREQ(web.get_message(), "Not used yet");
  const struct {
    std::string path;
    int method;
    std::string request;
  } cases[] = {
      {"/index.html", CWebSocket::kGet,
       "GET http://127.0.0.1/index.html HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nHost: "
       "station\r\nAccept: */*\r\n\r\n"},
      {"/cgi-bin/run?a=1", CWebSocket::kGet,
       "GET http://127.0.0.1//cgi-bin/run HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nHost: "
       "station\r\nAccept: */*\r\n\r\n"},
      {"/cgi-bin/form?name=x&y=2", CWebSocket::kPost,
       "POST /cgi-bin/form HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nFrom: station\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 11\r\n\r\n\r\n"
       "name=x&y=2"},
      {"/index.html", CWebSocket::kHead,
       "HEAD index.html HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nHost: station\r\nAccept: "
       "*/*\r\n\r\n"},
  };
  for (const auto& c : cases) {
    HttpStub server(kResponse);
    const char* page = web.retrieve_page(at(server, c.path).c_str(), c.method);
    ASSERT_NE(page, nullptr) << c.path;
    EXPECT_STREQ(page, kResponse);
    EXPECT_EQ(web.get_message(), c.request);
    server.finish();
    EXPECT_EQ(server.request(), c.request);
  }
}

TEST_F(WebSocketTest, ADirectCallAppendsToThePage) {
  CURL url;
  {
    HttpStub server("first|,second");
    ASSERT_EQ(url.parse_url(at(server, "/a").c_str()), 1);
    EXPECT_STREQ(web.retrieve_page(&url, CWebSocket::kGet), "first,second");
  }
  {
    HttpStub server(" again");
    url.set_port(static_cast<int32_t>(server.port()));
    EXPECT_STREQ(web.retrieve_page(&url, CWebSocket::kGet), "first,second again");
  }
  web.add_to_page(nullptr);
  web.add_to_page("!");
  EXPECT_STREQ(web.get_page(), "first,second again!");
  {
    HttpStub server("fresh");
    EXPECT_STREQ(web.retrieve_page(at(server, "/a").c_str(), CWebSocket::kGet), "fresh");
  }
  web.flush();
  EXPECT_EQ(web.get_page(), nullptr);
}

TEST_F(WebSocketTest, FailuresGiveNull) {
  EXPECT_EQ(web.retrieve_page(static_cast<CURL*>(nullptr), CWebSocket::kGet), nullptr);
  EXPECT_EQ(web.retrieve_page("no url", CWebSocket::kGet), nullptr);
  EXPECT_EQ(web.retrieve_page(static_cast<const char*>(nullptr), CWebSocket::kGet), nullptr);

  const std::string dead =
      "http://127.0.0.1:" + std::to_string(moduletest::dead_port()) + "/cgi?q=1";
  EXPECT_EQ(web.retrieve_page(dead.c_str(), CWebSocket::kGet), nullptr);
  EXPECT_EQ(web.get_message(),
            "url at host [127.0.0.1] with proto [http] and cgi [/cgi] at port [" +
                dead.substr(17, dead.find('/', 17) - 17) + "] and page [q=1]");
  // A port beyond 65535 reaches nobody instead of the port of its low bits.
  EXPECT_EQ(web.retrieve_page("http://127.0.0.1:70000/x", CWebSocket::kGet), nullptr);
  EXPECT_STREQ(web.get_message(),
               "url at host [127.0.0.1] with proto [http] at port [70000] and page [x]");
  CURL hostless;
  EXPECT_EQ(web.retrieve_page(&hostless, CWebSocket::kGet), nullptr);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "<CClientSocket> Winsock Returned: [WSAECONNREFUSED]",
                             "<CClientSocket> Winsock Returned: [UNKNOWN]",
                             "<CClientSocket> Winsock Returned: [WSAEDESTADDRREQ]"}));
}

TEST_F(WebSocketTest, AnUnknownMethodSendsNothing) {
  HttpStub server(kResponse);
  EXPECT_EQ(web.retrieve_page(at(server, "/x").c_str(), 3), nullptr);
  EXPECT_TRUE(log.has("<CWebSocket> Unknown request method [3], nothing sent"));
  server.finish();
  EXPECT_EQ(server.request(), "");
}

// A page the server does not end in time is no page: the fetch fails and
// leaves the page as it was.
TEST_F(WebSocketTest, AResponseCutShortByTheTimeoutFails) {
  web.set_timeout(200);
  {
    HttpStub server("HTTP/1.0 200 OK\r\n\r\npart<silent>");
    EXPECT_EQ(web.retrieve_page(at(server, "/x").c_str(), CWebSocket::kGet), nullptr);
    EXPECT_EQ(web.get_page(), nullptr);
  }
  web.add_to_page("earlier");
  {
    HttpStub server("more<silent>");
    CURL url;
    ASSERT_EQ(url.parse_url(at(server, "/x").c_str()), 1);
    EXPECT_EQ(web.retrieve_page(&url, CWebSocket::kGet), nullptr);
    EXPECT_STREQ(web.get_page(), "earlier");
  }
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "<CClientSocket> Winsock Returned: [WSAETIMEDOUT]",
                             "<CClientSocket> Winsock Returned: [WSAETIMEDOUT]"}));
}

TEST_F(WebSocketTest, APageIsCutAtItsLimit) {
  HttpStub server(std::string(CWebSocket::kMaxPage + 5000, 'x'));
  const char* page = web.retrieve_page(at(server, "/big").c_str(), CWebSocket::kGet);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(std::strlen(page), CWebSocket::kMaxPage);
  EXPECT_TRUE(log.has("<CWebSocket> Page cut at 16777216 bytes"));
}

}  // namespace
