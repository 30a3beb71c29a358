#include "Relaywick/smtp.h"

#include <chrono>

#include "Platform/socketerror.h"
#include "Toolwick/format.h"

namespace {

// The code each step expects (kinds above 7 pass without comparison).
constexpr int kExpected[8] = {220, 250, 250, 250, 354, 250, 221, 354};
enum Kind {
  kGreeting = 0,
  kHelo = 1,
  kMailFrom = 2,
  kRcptTo = 3,
  kEndOfData = 5,
  kQuit = 6,
  kData = 7
};

// The decimal number of the first three characters; -1 when fewer came.
int reply_code(const std::string& reply) {
  if (reply.size() < 3) return -1;
  int code = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (reply[i] < '0' || reply[i] > '9') return -1;
    code = code * 10 + (reply[i] - '0');
  }
  return code;
}

// A reply line "ddd-text" announces more lines of the same reply.
bool is_continuation(const std::string& line_head) {
  return line_head.size() >= 4 && line_head[3] == '-';
}

// The body with a second '.' before every line that begins with one, so
// that no body line reads as the end of data.
std::string dot_stuffed(const char* body) {
  std::string out;
  bool line_start = true;
  for (const char* c = body; *c != '\0'; ++c) {
    if (line_start && *c == '.') out += '.';
    out += *c;
    line_start = *c == '\n';
  }
  return out;
}

}  // namespace

void CSMTPReplyReader::append(const char* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const char c = bytes[i];
    if (!cut_) {
      reply_ += c;
      cut_ = reply_.size() >= kMaxReply;
    }
    if (line_head_.size() < 4) line_head_ += c;
    if (c != '\n') continue;
    const bool more = is_continuation(line_head_);
    line_head_.clear();
    if (more) continue;
    done_.push_back(std::move(reply_));
    reply_.clear();
    cut_ = false;
  }
}

bool CSMTPReplyReader::next(std::string* reply) {
  if (done_.empty()) return false;
  *reply = std::move(done_.front());
  done_.pop_front();
  return true;
}

std::string CSMTPReplyReader::rest() {
  std::string partial = std::move(reply_);
  reply_.clear();
  line_head_.clear();
  cut_ = false;
  return partial;
}

CSMTP::CSMTP() { socket_.Create(); }

std::string CSMTP::GetError(const char* response) {
  const std::string text = response != nullptr ? response : "";
  switch (reply_code(text)) {
    case 211:
      return "System status or system help reply";
    case 214:
      return "Help Message";
    case 220:
      return "Service is ready";
    case 221:
      return "Service closing transmission channel";
    case 250:
      return "Requested mail action okay, completed";
    case 251:
      return "user not local: will forward to forward path";
    case 354:
      return "Start mail input; end with <CRLF>.<CRLF>";
    default:
      return "No Error Number is matched with " + text;
  }
}

bool CSMTP::send_text(const std::string& text) {
  if (socket_.Send(text.data(), static_cast<int>(text.size())) == static_cast<int>(text.size())) {
    return true;
  }
  const char* name = platform::socket_error_name(CAsyncSocket::GetLastError());
  error_ = str_format("Sending to the server failed [%s]", name != nullptr ? name : "UNKNOWN");
  return false;
}

std::string CSMTP::read_reply() {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_);
  std::string reply;
  while (!replies_.next(&reply)) {
    if (std::chrono::steady_clock::now() >= deadline) return replies_.rest();
    char buffer[1024];
    const int got = socket_.Receive(buffer, sizeof buffer);
    if (got > 0) {
      replies_.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || CAsyncSocket::GetLastError() != platform::WSAETIMEDOUT) {
      return replies_.rest();  // closed or broken: no more will come
    }
  }
  return reply;
}

int CSMTP::CheckResponse(int kind) {
  const std::string reply = read_reply();
  if (kind > 7) return 1;
  if (reply_code(reply) == kExpected[kind]) return 1;
  error_ = GetError(reply.c_str());
  return 0;
}

int CSMTP::Connect() { return Connect(host_.c_str(), sender_.c_str()); }

int CSMTP::Connect(const char* host, const char* helo) {
  if (host == nullptr || !socket_.Connect(host, port_)) {
    error_ = "Server cannot be connected";
    return 0;
  }
  if (CheckResponse(kGreeting) == 0) return 0;
  if (!send_text(str_format("HELO %s\r\n", helo != nullptr ? helo : ""))) return 0;
  return CheckResponse(kHelo);
}

int CSMTP::Mail() { return Mail(sender_.c_str()); }

int CSMTP::Mail(const char* sender) {
  if (!send_text(str_format("MAIL FROM:<%s>\r\n", sender != nullptr ? sender : ""))) return 0;
  return CheckResponse(kMailFrom);
}

int CSMTP::SetTo(const char* recipient) {
  const std::string to = recipient != nullptr ? recipient : "";
  recipients_.push_back(to);
  if (!send_text(str_format("RCPT TO:<%s>\r\n", to.c_str()))) return 0;
  return CheckResponse(kRcptTo);
}

const char* CSMTP::GetTo() {
  if (cursor_ >= recipients_.size()) return "No more To available";
  return recipients_[cursor_++].c_str();
}

int CSMTP::Data(const char* subject, const char* body) {
  if (!send_text("DATA\r\n") || CheckResponse(kData) == 0) return 0;
  const std::string mail = str_format("SUBJECT:%s\r\n", subject != nullptr ? subject : "") +
                           dot_stuffed(body != nullptr ? body : "") + "\r\n.\r\n";
  if (!send_text(mail)) return 0;
  return CheckResponse(kEndOfData);
}

int CSMTP::Disconnect() {
  if (!send_text("QUIT \r\n")) return 0;
  return CheckResponse(kQuit);
}
