#include "TesselStationCore/mapsource.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Platform/asyncsocket.h"
#include "Platform/eventloop.h"
#include "Toolwick/format.h"
#include "Toolwick/url.h"

namespace {

constexpr const char* kFileScheme = "file://";
constexpr const char* kHttpScheme = "http://";

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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

bool HttpReplyBody(std::string_view reply, std::string* body) {
  // The status line: "HTTP/", then after the first blank three digits.
  if (!starts_with(reply, "HTTP/")) return false;
  const size_t blank = reply.find(' ');
  if (blank == std::string_view::npos || reply.size() < blank + 4) return false;
  int status = 0;
  for (size_t i = blank + 1; i < blank + 4; ++i) {
    if (reply[i] < '0' || reply[i] > '9') return false;
    status = status * 10 + (reply[i] - '0');
  }
  if (status < 200 || status > 299) return false;
  // The headers end at the first empty line.
  const size_t crlf = reply.find("\r\n\r\n");
  const size_t lf = reply.find("\n\n");
  if (crlf == std::string_view::npos && lf == std::string_view::npos) return false;
  const size_t start = crlf < lf ? crlf + 4 : lf + 2;
  body->assign(reply.substr(start));
  return true;
}

// One GET on a socket of its own: the request goes out as the socket
// connects, the answer is taken as it comes, and the fetch ends when the
// server closes, when the connection breaks, when the answer grows too
// long, or when kFetchTimeoutMs have passed. Its end is the last thing it
// does: the callback may destroy it.
class CMapSource::Fetch : public CAsyncSocket {
 public:
  enum class Outcome { kAnswered, kFailed, kTimedOut };
  using Ended = std::function<void(Outcome outcome, std::string reply)>;

  explicit Fetch(Ended ended) : ended_(std::move(ended)) {}
  ~Fetch() override {
    if (timer_ != 0) platform::current_loop().stop_timer(timer_);
  }

  // Connects (for at most the platform's blocking limit) and sends the
  // request; false when either fails, and then nothing is told.
  bool Start(const char* host, unsigned port, const std::string& request) {
    if (!Create() || !Connect(host, port)) return false;
    if (Send(request.data(), static_cast<int>(request.size())) !=
        static_cast<int>(request.size())) {
      return false;
    }
    timer_ = platform::current_loop().start_timer(kFetchTimeoutMs, false, [this] {
      timer_ = 0;
      End(Outcome::kTimedOut);
    });
    return true;
  }

 protected:
  void OnReceive(int /*code*/) override {
    char chunk[4096];
    for (;;) {
      const int got = Receive(chunk, sizeof chunk);
      if (got < 0) return;  // nothing more now: told again when it comes
      if (got == 0) return End(Outcome::kAnswered);
      // Room for the status line and the headers beyond the longest text.
      if (reply_.size() + static_cast<size_t>(got) > kMaxText + kChunkOfHeaders) {
        return End(Outcome::kFailed);
      }
      reply_.append(chunk, static_cast<size_t>(got));
    }
  }
  void OnClose(int code) override { End(code == 0 ? Outcome::kAnswered : Outcome::kFailed); }

 private:
  static constexpr size_t kChunkOfHeaders = 64u << 10;

  void End(Outcome outcome) {
    if (!ended_) return;
    if (timer_ != 0) platform::current_loop().stop_timer(timer_);
    timer_ = 0;
    Close();
    Ended ended = std::move(ended_);
    ended_ = nullptr;
    ended(outcome, std::move(reply_));
  }

  Ended ended_;
  std::string reply_;
  platform::EventLoop::Id timer_ = 0;
};

CMapSource::CMapSource() = default;

CMapSource::~CMapSource() = default;

void CMapSource::Open(const char* url, Done done) {
  text_.clear();
  at_ = 0;
  read_ = false;
  timedOut_ = false;
  fetch_.reset();
  done_ = std::move(done);
  const std::string location(url != nullptr ? url : "");
  if (starts_with(location, kHttpScheme)) {
    CURL parsed;
    const int32_t port = parsed.parse_url(location.c_str()) == 1 ? parsed.get_port() : -1;
    if (port >= 0 && port <= 65535) {
      const char* cgi = parsed.get_cgi();
      const char* page = parsed.get_webpage();
      // The server is named in the request as the URL names it.
      const size_t host_start = std::strlen(kHttpScheme);
      const std::string name =
          location.substr(host_start, location.find('/', host_start) - host_start);
      const std::string request = str_format(
          "GET %s://%s/%s HTTP/1.0\r\nUser-Agent: NotelinkAgent\r\nHost: %s\r\nAccept: "
          "*/*\r\n\r\n",
          text_or_empty(parsed.get_proto()).c_str(), text_or_empty(parsed.get_host()).c_str(),
          cgi != nullptr ? cgi : text_or_empty(page).c_str(), name.c_str());
      fetch_ = std::make_unique<Fetch>([this](Fetch::Outcome outcome, std::string reply) {
        timedOut_ = outcome == Fetch::Outcome::kTimedOut;
        Fetched(outcome == Fetch::Outcome::kAnswered, reply);
      });
      if (fetch_->Start(parsed.get_host(), static_cast<unsigned>(port), request)) return;
    }
    debug("<CMapSource> Unable to fetch [%s]", location.c_str());
    fetch_.reset();
  } else if (starts_with(location, kFileScheme)) {
    read_ = ReadFile(location.substr(std::strlen(kFileScheme)));
  }
  Done told = std::move(done_);
  told(read_);
}

void CMapSource::Fetched(bool answered, const std::string& reply) {
  read_ = answered && HttpReplyBody(reply, &text_) && text_.size() <= kMaxText;
  if (!read_) {
    text_.clear();
    debug("<CMapSource> No map in the answer: %s", answered ? "no text of 2xx" : "no answer");
  }
  // The fetch goes at once; `done` may destroy this source.
  std::unique_ptr<Fetch> ended = std::move(fetch_);
  Done told = std::move(done_);
  told(read_);
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
  if (std::filesystem::file_size(path, error) > kMaxText || error) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream whole;
  whole << in.rdbuf();
  if (in.bad()) return false;
  text_ = whole.str();
  return true;
}
