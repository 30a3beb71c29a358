// CWebSocket: fetches a page over HTTP/1.0 with GET, POST or HEAD on the
// blocking socket of the caller's thread, one new connection per fetch. The
// object's name is sent as the request's "Host" (GET, HEAD) or "From"
// (POST) value.
//
// The page is the response as received (status line, headers and body),
// read until the server closes, within the timeout and up to kMaxPage
// bytes (a longer one is cut there). A response that the server does not
// end within the timeout, or whose connection breaks, fails the fetch. Texts returned are owned by the object: the page until flush() or
// the next fetch, the message until the next fetch.
#pragma once

#include <memory>
#include <string>

#include "Toolwick/listelement.h"

class CURL;

class CWebSocket : public CListElement {
 public:
  enum Method { kGet = 0, kPost = 1, kHead = 2 };
  static constexpr int kDefaultTimeoutMs = 30000;
  static constexpr size_t kMaxPage = 16u << 20;
  static constexpr int kChunk = 2048;

  explicit CWebSocket(const char* name = nullptr) : CListElement(name) {}
  ~CWebSocket() override;

  // Starts from an empty page and fetches `url`; null when it does not
  // parse or the fetch fails.
  char* retrieve_page(const char* url, int method);
  // Appends what comes to the page so far; null for a null URL or when the
  // connection, the request or the response fails (also for a method other
  // than the three): the page is then as it was before the call.
  char* retrieve_page(CURL* url, int method);
  // Null changes nothing.
  void add_to_page(const char* text);
  char* get_page() { return has_page_ ? page_.data() : nullptr; }
  // "Not used yet", then the description of the last URL, then the request.
  char* get_message() { return message_.data(); }
  // Frees the URL and the page.
  void flush();
  // How long the response may take in all.
  void set_timeout(int milliseconds) { timeout_ms_ = milliseconds; }

 private:
  // Logs the Windows Sockets name of `code`.
  void show_error(unsigned code);
  void append(const char* bytes, size_t length);

  std::unique_ptr<CURL> url_;
  std::string page_;
  bool has_page_ = false;
  std::string message_ = "Not used yet";
  int timeout_ms_ = kDefaultTimeoutMs;
};
