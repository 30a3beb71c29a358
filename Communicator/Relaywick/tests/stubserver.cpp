#include "stubserver.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "relaytest.h"

namespace stubserver {

namespace {

constexpr int kWaitMs = 5000;

bool readable(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, timeout_ms) > 0;
}

}  // namespace

StubServer::StubServer() { listener_ = relaytest::listen_peer(&port_); }

StubServer::~StubServer() {
  // Subclasses finish() first; this only catches a thread never joined.
  if (thread_.joinable()) thread_.join();
  relaytest::close_peer(connection_);
  relaytest::close_peer(listener_);
}

void StubServer::start() {
  thread_ = std::thread([this] {
    if (!readable(listener_, kWaitMs)) return;
    connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    const int on = 1;
    ::setsockopt(connection_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    serve();
  });
}

void StubServer::finish() {
  if (thread_.joinable()) thread_.join();
}

std::string StubServer::read_until(const std::string& end) {
  std::string out;
  while (connection_ >= 0 && out.size() < 1u << 20 &&
         (out.size() < end.size() || out.compare(out.size() - end.size(), end.size(), end) != 0)) {
    if (!readable(connection_, kWaitMs)) break;
    char byte;
    if (::recv(connection_, &byte, 1, 0) != 1) break;
    out += byte;
  }
  return out;
}

std::string StubServer::read_line() { return read_until("\n"); }

bool StubServer::send_reply(const std::string& reply) {
  if (connection_ < 0) return false;
  std::string text = reply;
  const bool closing = text.size() >= std::string(kClose).size() &&
                       text.compare(text.size() - std::string(kClose).size(),
                                    std::string::npos, kClose) == 0;
  if (closing) text.erase(text.size() - std::string(kClose).size());
  size_t start = 0;
  for (size_t cut = text.find('|'); ; cut = text.find('|', start)) {
    const std::string piece = text.substr(start, cut == std::string::npos ? cut : cut - start);
    if (!piece.empty()) relaytest::send_peer(connection_, piece);
    if (cut == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    start = cut + 1;
  }
  if (closing) {
    ::close(connection_);
    connection_ = -1;
  }
  return connection_ >= 0;
}

std::string StubServer::read_quietly(int quiet_ms) {
  std::string out;
  while (connection_ >= 0 && readable(connection_, quiet_ms)) {
    char buffer[4096];
    const ssize_t got = ::recv(connection_, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    out.append(buffer, static_cast<size_t>(got));
  }
  return out;
}

void StubServer::drain() {
  while (connection_ >= 0 && readable(connection_, kWaitMs)) {
    char buffer[4096];
    if (::recv(connection_, buffer, sizeof buffer, 0) <= 0) break;
  }
}

SmtpStub::SmtpStub(std::vector<std::string> replies) : replies_(std::move(replies)) { start(); }

void SmtpStub::serve() {
  size_t next = 0;
  if (next < replies_.size() && !send_reply(replies_[next++])) return;
  for (std::string line = read_line(); !line.empty(); line = read_line()) {
    commands_.push_back(line);
    if (next >= replies_.size()) continue;
    const std::string& reply = replies_[next++];
    if (!send_reply(reply)) return;
    if (reply.rfind("354", 0) == 0) {
      mail_ = read_until("\r\n.\r\n");
      if (next < replies_.size() && !send_reply(replies_[next++])) return;
    }
  }
}

HttpStub::HttpStub(std::string response) : response_(std::move(response)) { start(); }

void HttpStub::serve() {
  request_ = read_until("\r\n\r\n");
  request_ += read_quietly(200);
  const std::string silent = "<silent>";
  std::string response = response_;
  const bool stays = response.size() >= silent.size() &&
                     response.compare(response.size() - silent.size(), silent.size(), silent) == 0;
  if (stays) {
    response.erase(response.size() - silent.size());
    send_reply(response);
    drain();
    return;
  }
  send_reply(response + kClose);
}

}  // namespace stubserver
