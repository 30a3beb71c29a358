// Fuzzes URL splitting: two parses on one object (the second over the
// URL's own text), and the constructor form. The oracle: the parts of a URL
// that parsed, put together again, parse to the same parts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Toolwick/url.h"
#include "oracle.h"

namespace {

void read_everything(CURL& url) {
  url.get_proto();
  url.get_subproto();
  url.get_host();
  url.get_port();
  url.get_webpage();
  url.get_cgi();
  for (CListElement* e = url.get_first_element(); e != nullptr; e = url.get_next_element()) {
    e->get_name();
  }
  url.to_string();
}

std::string text_of(const char* text) { return text != nullptr ? text : "(unset)"; }

std::vector<std::string> parts_of(CURL& url) {
  std::vector<std::string> parts = {text_of(url.get_proto()), text_of(url.get_subproto()),
                                    text_of(url.get_host()),  std::to_string(url.get_port()),
                                    text_of(url.get_webpage()), text_of(url.get_cgi())};
  for (CListElement* e = url.get_element(0); e != nullptr; e = e->get_next()) {
    parts.push_back(text_of(e->get_name()));
  }
  return parts;
}

// proto[:subproto]://host:port[/[path?]webpage]. The cgi is the path with
// a '/' put before it when it had none; its first element tells which.
std::string assembled(const CURL& url) {
  std::string text = url.get_proto();
  if (url.get_subproto() != nullptr) text += std::string(":") + url.get_subproto();
  text += std::string("://") + url.get_host() + ":" + std::to_string(url.get_port());
  if (url.get_webpage() != nullptr) {
    text += "/";
    if (url.get_cgi() != nullptr) {
      const CListElement* first = url.get_element(0);
      const bool slash = first != nullptr && first->get_name()[0] == '/';
      text += std::string(url.get_cgi() + (slash ? 0 : 1)) + "?";
    }
    text += url.get_webpage();
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CURL url;
  const int parsed = url.parse_url(text.c_str());
  read_everything(url);
  if (parsed == 1) {
    CURL fresh;
    FUZZ_CHECK(fresh.parse_url(text.c_str()) == 1);
    CURL again;
    FUZZ_CHECK(again.parse_url(assembled(fresh).c_str()) == 1);
    FUZZ_CHECK(parts_of(again) == parts_of(fresh));
  }
  // Half the input names a second URL; then the URL's own webpage text.
  url.parse_url(text.substr(size / 2).c_str());
  read_everything(url);
  if (url.get_webpage() != nullptr) url.parse_url(url.get_webpage());
  read_everything(url);

  CURL constructed(text.c_str());
  read_everything(constructed);
  return 0;
}
