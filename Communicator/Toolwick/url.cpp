#include "Toolwick/url.h"

#include <optional>
#include <string>
#include <string_view>

#include "Toolwick/numbers.h"

namespace {

constexpr const char* kDefaultProto = "HTTP";

}  // namespace

CURL::CURL() : proto_(kDefaultProto) {}

CURL::CURL(const char* url) : CLList(url), proto_(kDefaultProto) { parse_url(get_name()); }

void CURL::set_proto(const char* text) {
  if (text == nullptr) return;
  const std::string copy(text);  // `text` may be the sub-protocol freed below
  const size_t colon = copy.find(':');
  if (colon != std::string::npos) subproto_.assign(std::string_view(copy).substr(colon + 1));
  proto_.assign(std::string_view(copy).substr(0, colon));
}

void CURL::set_subproto(const char* text) {
  if (text != nullptr) subproto_.set(text);
}

void CURL::set_webpage(const char* text) {
  if (text != nullptr) webpage_.set(text);
}

void CURL::set_host(const char* text) {
  if (text == nullptr) return;
  const std::string copy(text);
  const size_t colon = copy.find(':');
  if (colon != std::string::npos) port_ = read_int(copy.c_str() + colon + 1);
  host_.assign(std::string_view(copy).substr(0, colon));
}

void CURL::set_cgi(const char* text) {
  if (text == nullptr) return;
  cgi_.assign(text[0] == '/' ? std::string(text) : "/" + std::string(text));
}

int CURL::parse_url(const char* url) {
  // Copied before anything is freed: `url` may be one of this URL's own texts.
  const std::optional<std::string> work =
      url != nullptr ? std::optional<std::string>(url) : std::nullopt;
  host_.reset();
  proto_.reset();
  subproto_.reset();
  webpage_.reset();
  cgi_.reset();
  if (!work) return 0;
  set_name(work->c_str());

  const size_t scheme_end = work->find("://");
  if (scheme_end == std::string::npos) return 0;
  set_proto(work->substr(0, scheme_end).c_str());

  const std::string rest = work->substr(scheme_end + 3);
  // The host ends at whichever comes first, so a query may hold a '/'.
  const size_t host_end = rest.find_first_of("/?");
  std::optional<std::string> page;
  if (host_end == std::string::npos) {
    set_host(rest.c_str());
  } else {
    set_host(rest.substr(0, host_end).c_str());
    std::string path_text = rest.substr(host_end + 1);
    const size_t query = path_text.find('?');
    if (query == std::string::npos) {
      page = path_text;
    } else {
      page = path_text.substr(query + 1);
      std::string path = path_text.substr(0, query);
      set_cgi(path.c_str());
      tokenize(path.data(), '&');
    }
  }

  if (!host_.is_set() || host_.get()[0] == '\0') return 0;
  if (page) webpage_.assign(*page);
  return 1;
}
