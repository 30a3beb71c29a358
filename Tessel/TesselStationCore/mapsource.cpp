#include "TesselStationCore/mapsource.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Relaywick/websocket.h"
#include "Toolwick/url.h"  // the web client holds a CURL

namespace {

constexpr const char* kFileScheme = "file://";
constexpr const char* kHttpScheme = "http://";

bool starts_with(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The status code of an HTTP answer's first line ("HTTP/1.0 200 OK"); 0
// when it is not one.
int status_code(const std::string& page) {
  if (!starts_with(page, "HTTP/")) return 0;
  const size_t blank = page.find(' ');
  if (blank == std::string::npos || page.size() < blank + 4) return 0;
  int code = 0;
  for (size_t i = blank + 1; i < blank + 4; ++i) {
    if (page[i] < '0' || page[i] > '9') return 0;
    code = code * 10 + (page[i] - '0');
  }
  return code;
}

// The path that the rest of a "file://" URL names; false when it does not
// decode.
bool decode_path(const std::string& encoded, std::string* path) {
  path->clear();
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      *path += encoded[i];
      continue;
    }
    const int high = i + 2 < encoded.size() ? hex_digit(encoded[i + 1]) : -1;
    const int low = high >= 0 ? hex_digit(encoded[i + 2]) : -1;
    // "%00" would cut the path short where the system reads it.
    if (low < 0 || (high == 0 && low == 0)) return false;
    *path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return !path->empty();
}

}  // namespace

bool CMapSource::Open(const char* url) {
  text_.clear();
  at_ = 0;
  if (url == nullptr) return false;
  const std::string location(url);
  if (starts_with(location, kFileScheme))
    return ReadFile(location.substr(std::strlen(kFileScheme)));
  if (starts_with(location, kHttpScheme)) return Fetch(location);
  return false;
}

bool CMapSource::ReadLine(std::string* line) {
  if (at_ >= text_.size()) return false;
  size_t end = text_.find('\n', at_);
  if (end == std::string::npos) end = text_.size();
  line->assign(text_, at_, end - at_);
  if (!line->empty() && line->back() == '\r') line->pop_back();
  at_ = end + 1;
  return true;
}

bool CMapSource::ReadFile(const std::string& encoded) {
  std::string path;
  if (!decode_path(encoded, &path)) return false;
  // A device or a pipe would never end.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream whole;
  whole << in.rdbuf();
  if (in.bad()) return false;
  text_ = whole.str();
  return true;
}

bool CMapSource::Fetch(const std::string& url) {
  // The server is named in the request as the URL names it.
  const size_t host_start = std::strlen(kHttpScheme);
  CWebSocket web(url.substr(host_start, url.find('/', host_start) - host_start).c_str());
  const char* page = web.retrieve_page(url.c_str(), CWebSocket::kGet);
  if (page == nullptr) {
    debug("<CMapSource> Unable to fetch [%s]", url.c_str());
    return false;
  }
  const std::string answer(page);
  const int status = status_code(answer);
  // The headers end at the first empty line.
  const size_t crlf = answer.find("\r\n\r\n");
  const size_t lf = answer.find("\n\n");
  const size_t body = crlf < lf ? crlf + 4 : (lf != std::string::npos ? lf + 2 : lf);
  if (status < 200 || status > 299 || body == std::string::npos) {
    debug("<CMapSource> No map at [%s]: answer %d", url.c_str(), status);
    return false;
  }
  text_ = answer.substr(body);
  return true;
}
