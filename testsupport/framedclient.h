// Test helper: a plain client connection on loopback that sends 0x04-framed
// texts and reads the framed texts that come back, for tests that play a
// peer of the programs under test with nothing of the framework.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <string>

#include "Talkwick/messageframer.h"
#include "testsupport/loopback.h"

namespace testsupport {

// The messages cut from what one connection received, oldest first.
class FramedReader {
 public:
  void add(const char* data, size_t length) {
    for (const auto& message : framer_.feed({data, length}).messages) {
      messages_.emplace_back(message.text);
    }
  }
  // Moves the oldest whole message (without its 0x04) into `message`;
  // false while none is whole.
  bool take(std::string* message) {
    if (messages_.empty()) return false;
    *message = std::move(messages_.front());
    messages_.pop_front();
    return true;
  }
  // Forgets everything: a new connection begins.
  void reset() {
    framer_.reset();
    messages_.clear();
  }

 private:
  CMessageFramer framer_;
  std::deque<std::string> messages_;
};

class FramedClient {
 public:
  // Connects to loopback `port`; see connected().
  explicit FramedClient(unsigned port) : fd_(connect_to_loopback(port)) {}
  ~FramedClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  FramedClient(const FramedClient&) = delete;
  FramedClient& operator=(const FramedClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Sends `text` and the 0x04 that ends it; false when not all of it went.
  bool send(const std::string& text) {
    std::string framed = text;
    if (!CMessageFramer::frame(&framed)) return false;
    return fd_ >= 0 && ::send(fd_, framed.data(), framed.size(), MSG_NOSIGNAL) ==
                           static_cast<ssize_t>(framed.size());
  }

  // The next message without its 0x04; "" when none came within
  // timeout_ms or the peer closed first.
  std::string next(int timeout_ms = 5000) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string message;
    while (!reader_.take(&message)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            give_up - std::chrono::steady_clock::now())
                            .count();
      pollfd ready{fd_, POLLIN, 0};
      if (fd_ < 0 || left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0) return "";
      char buffer[65536];
      const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
      if (got <= 0) return "";
      reader_.add(buffer, static_cast<size_t>(got));
    }
    return message;
  }

 private:
  int fd_;
  FramedReader reader_;
};

// One request over a connection of its own, as the agents' name-server
// client asks: the reply without its 0x04, or "(no reply)".
inline std::string ask_once(unsigned port, const std::string& request, int timeout_ms = 5000) {
  FramedClient client(port);
  if (!client.send(request)) return "(no reply)";
  std::string reply = client.next(timeout_ms);
  return reply.empty() ? "(no reply)" : reply;
}

// Enters `name` at the name server on loopback `ans_port` for the agent
// at 127.0.0.1:`port`, as a peer of plain sockets would; true when the
// server took it.
inline bool register_with_name_server(unsigned ans_port, const std::string& name, unsigned port) {
  const std::string reply = ask_once(
      ans_port, "(register :sender " + name + " :receiver ANS :reply-with r0 :content "
                "(register :name " + name + " :host 127.0.0.1 :port " + std::to_string(port) + "))");
  return reply.find(":content (ok") != std::string::npos;
}

}  // namespace testsupport
