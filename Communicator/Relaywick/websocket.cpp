#include "Relaywick/websocket.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "Platform/asyncsocket.h"
#include "Platform/socketerror.h"
#include "Toolwick/format.h"
#include "Toolwick/url.h"

namespace {

const char* or_empty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

CWebSocket::~CWebSocket() { flush(); }

void CWebSocket::flush() {
  url_.reset();
  page_.clear();
  page_.shrink_to_fit();
  has_page_ = false;
}

void CWebSocket::append(const char* bytes, size_t length) {
  page_.append(bytes, length);
  has_page_ = true;
}

void CWebSocket::add_to_page(const char* text) {
  if (text != nullptr) append(text, std::strlen(text));
}

void CWebSocket::show_error(unsigned code) {
  const bool known = (code >= platform::WSAEWOULDBLOCK && code <= platform::WSAEREMOTE) ||
                     code == platform::WSASYSNOTREADY || code == platform::WSAVERNOTSUPPORTED ||
                     code == platform::WSANOTINITIALISED || code == platform::WSAEDISCON;
  const char* name = known ? platform::socket_error_name(static_cast<int>(code)) : nullptr;
  debug("<CClientSocket> Winsock Returned: [%s]", name != nullptr ? name : "UNKNOWN");
}

char* CWebSocket::retrieve_page(const char* url, int method) {
  flush();
  url_ = std::make_unique<CURL>();
  char* page = url_->parse_url(url) == 1 ? retrieve_page(url_.get(), method) : nullptr;
  url_.reset();
  return page;
}

char* CWebSocket::retrieve_page(CURL* url, int method) {
  if (url == nullptr) return nullptr;
  const char* host = or_empty(url->get_host());
  const char* proto = or_empty(url->get_proto());
  const char* page = or_empty(url->get_webpage());
  const char* cgi = url->get_cgi();
  if (cgi != nullptr) {
    message_ = str_format("url at host [%s] with proto [%s] and cgi [%s] at port [%d] and page [%s]",
                          host, proto, cgi, url->get_port(), page);
  } else {
    message_ = str_format("url at host [%s] with proto [%s] at port [%d] and page [%s]", host,
                          proto, url->get_port(), page);
  }

  CSocket socket;
  const int32_t port = url->get_port();
  // A port out of range would reach whatever port its low bits name.
  if (port < 0 || port > 65535) platform::set_last_socket_error(platform::WSAEINVAL);
  if (port < 0 || port > 65535 || !socket.Create() ||
      !socket.Connect(url->get_host(), static_cast<unsigned>(port))) {
    show_error(static_cast<unsigned>(CAsyncSocket::GetLastError()));
    return nullptr;
  }
  const char* name = or_empty(get_name());
  switch (method) {
    case kGet:
      message_ = str_format(
          "GET %s://%s/%s HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nHost: %s\r\nAccept: "
          "*/*\r\n\r\n",
          proto, host, cgi != nullptr ? cgi : page, name);
      break;
    case kPost:
      message_ = str_format(
          "POST %s HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nFrom: %s\r\nContent-Type: "
          "application/x-www-form-urlencoded\r\nContent-Length: %zu\r\n\r\n\r\n%s",
          or_empty(cgi), name, std::strlen(page) + 1, page);
      break;
    case kHead:
      message_ = str_format(
          "HEAD %s HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nHost: %s\r\nAccept: */*\r\n\r\n",
          page, name);
      break;
    default:
      debug("<CWebSocket> Unknown request method [%d], nothing sent", method);
      return nullptr;
  }
  const int length = static_cast<int>(message_.size());
  if (socket.Send(message_.data(), length) != length) {
    show_error(static_cast<unsigned>(CAsyncSocket::GetLastError()));
    return nullptr;
  }

  // The page ends when the server closes: a response cut short by the
  // timeout or a broken connection is no page, and what came of it goes.
  const size_t kept = page_.size();
  const bool had_page = has_page_;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_);
  char chunk[kChunk];
  size_t received = 0;
  int failure = platform::WSAETIMEDOUT;
  while (received < kMaxPage && std::chrono::steady_clock::now() < deadline) {
    const int want = static_cast<int>(std::min<size_t>(kChunk, kMaxPage - received));
    const int got = socket.Receive(chunk, want);
    if (got > 0) {
      append(chunk, static_cast<size_t>(got));
      received += static_cast<size_t>(got);
    } else if (got == 0) {
      return get_page();
    } else if (CAsyncSocket::GetLastError() != platform::WSAETIMEDOUT) {
      failure = CAsyncSocket::GetLastError();
      break;
    }
  }
  if (received >= kMaxPage) {
    debug("<CWebSocket> Page cut at %zu bytes", kMaxPage);
    return get_page();
  }
  show_error(static_cast<unsigned>(failure));
  page_.resize(kept);
  has_page_ = had_page;
  return nullptr;
}
