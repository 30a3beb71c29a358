#include "relaytest.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "testsupport/loopback.h"

namespace relaytest {

namespace {

bool wait_for(int fd, short events, int timeout_ms) {
  pollfd entry{fd, events, 0};
  return ::poll(&entry, 1, timeout_ms) > 0;
}

// The log line without its "[%.5ld] [%s] " prefix.
std::string strip_prefix(const std::string& line) {
  size_t at = line.find("] [");
  if (at == std::string::npos) return line;
  at = line.find("] ", at + 3);
  return at == std::string::npos ? line : line.substr(at + 2);
}

}  // namespace

EnvSetting::EnvSetting(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

EnvSetting::~EnvSetting() {
  if (old_) {
    setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

LogCapture::LogCapture() : stream_(open_memstream(&buffer_, &size_)) {}

LogCapture::~LogCapture() {
  std::fclose(stream_);
  std::free(buffer_);
}

std::vector<std::string> LogCapture::lines() const {
  std::fflush(stream_);
  std::vector<std::string> out;
  const std::string text(buffer_ != nullptr ? buffer_ : "", size_);
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    out.push_back(strip_prefix(text.substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

bool LogCapture::has(const std::string& line) const {
  for (const std::string& l : lines()) {
    if (l == line) return true;
  }
  return false;
}

std::vector<std::string> LogCapture::starting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& l : lines()) {
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  }
  return out;
}

LRESULT RecordingWindow::WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_SOCKET_NOTIFY) return CWnd::WindowProc(message, wParam, lParam);
  notices.push_back({wParam, lParam});
  if (on_notify) on_notify(notices.back());
  return 0;
}

RecordingModule::RecordingModule(const char* name, std::vector<std::string>* calls,
                                 bool* destroyed)
    : CLogFacility(name, nullptr, nullptr, 0),
      calls_(calls != nullptr ? calls : &own_calls),
      destroyed_(destroyed) {}

RecordingModule::~RecordingModule() {
  if (destroyed_ != nullptr) *destroyed_ = true;
  calls_->push_back(std::string(get_name() ? get_name() : "") + " destroyed");
}

int RecordingModule::change_state(unsigned state) {
  calls_->push_back(std::string(get_name() ? get_name() : "") + " state " + std::to_string(state));
  return 1;
}

void RecordingModule::process_message(const char* text, int direction) {
  calls_->push_back(std::string(get_name() ? get_name() : "") + " message " +
                    std::to_string(direction) + " " + (text ? text : "(null)"));
  if (on_message) on_message();
}

bool run_until(platform::EventLoop& loop, const std::function<bool()>& done, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    loop.process_events(10);
  }
  return true;
}

int listen_peer(unsigned* port) { return testsupport::listen_on_loopback(port); }

int connect_peer(unsigned port) {
  const int fd = testsupport::connect_to_loopback(port);
  if (fd < 0) {
    ADD_FAILURE() << "connect_peer: no connection to port " << port;
    return -1;
  }
  // Every write goes out as its own segment.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

int accept_peer(int listener, int timeout_ms) {
  if (!wait_for(listener, POLLIN, timeout_ms)) return -1;
  return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

bool send_peer(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    sent += static_cast<size_t>(count);
  }
  return true;
}

std::string read_peer(int fd, size_t count, int timeout_ms) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (out.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || !wait_for(fd, POLLIN, static_cast<int>(left))) break;
    char buffer[65536];
    const size_t want = std::min(sizeof buffer, count - out.size());
    const ssize_t got = ::recv(fd, buffer, want, 0);
    if (got <= 0) break;
    out.append(buffer, static_cast<size_t>(got));
  }
  return out;
}

std::string read_message(int fd, int timeout_ms) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || !wait_for(fd, POLLIN, static_cast<int>(left))) break;
    char byte;
    if (::recv(fd, &byte, 1, 0) != 1) break;
    out += byte;
    if (byte == 0x04 || byte == '\0') break;
  }
  return out;
}

bool peer_closed(int fd, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || !wait_for(fd, POLLIN, static_cast<int>(left))) return false;
    char buffer[65536];
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return true;  // end of stream or reset
  }
}

void reset_peer(int fd) {
  const linger hard{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  ::close(fd);
}

void close_peer(int fd) {
  if (fd >= 0) ::close(fd);
}

}  // namespace relaytest
