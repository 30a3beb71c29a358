// Fuzzes URL splitting: two parses on one object (the second over the
// URL's own text), and the constructor form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Toolwick/url.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CURL url;
  url.parse_url(text.c_str());
  read_everything(url);
  // Half the input names a second URL; then the URL's own webpage text.
  url.parse_url(text.substr(size / 2).c_str());
  read_everything(url);
  if (url.get_webpage() != nullptr) url.parse_url(url.get_webpage());
  read_everything(url);

  CURL constructed(text.c_str());
  read_everything(constructed);
  return 0;
}
