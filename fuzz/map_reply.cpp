// Fuzz target for the map source's reading of an HTTP reply (the status line,
// the headers and the body, as a fetch receives it from a socket): the input
// is the whole reply. Judged:
//   - a body is given only for a 2xx status line ("HTTP/", then after the
//     first blank three digits from 200 to 299), and it is exactly what
//     follows the first empty line of the reply;
//   - the reply cut anywhere before that empty line gives no body.
// A broken rule aborts, which the fuzzer reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "TesselStationCore/mapsource.h"

namespace {

void check(bool rule) {
  if (!rule) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  std::string body;
  if (!HttpReplyBody(reply, &body)) return 0;
  check(reply.substr(0, 5) == "HTTP/");
  const size_t blank = reply.find(' ');
  check(blank != std::string_view::npos && blank + 4 <= reply.size());
  const std::string_view status = reply.substr(blank + 1, 3);
  check(status >= "200" && status <= "299");
  const size_t crlf = reply.find("\r\n\r\n");
  const size_t lf = reply.find("\n\n");
  const size_t end = crlf < lf ? crlf + 4 : lf + 2;
  check(body == reply.substr(end));
  std::string cut;
  check(!HttpReplyBody(reply.substr(0, end - 1), &cut));
  return 0;
}
