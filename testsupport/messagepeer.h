// Test helpers: a listener on loopback that stands in for an agent. It takes
// the connections made to it (a later one replaces the one before, as when
// the sending agent restarts) and reads the 0x04-framed messages that come
// over them.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "testsupport/framedclient.h"
#include "testsupport/loopback.h"

namespace testsupport {

class MessagePeer {
 public:
  MessagePeer() : listener_(listen_on_loopback(&port_, 4)) {}
  ~MessagePeer() {
    if (connection_ >= 0) ::close(connection_);
    if (listener_ >= 0) ::close(listener_);
  }
  MessagePeer(const MessagePeer&) = delete;
  MessagePeer& operator=(const MessagePeer&) = delete;

  unsigned port() const { return port_; }
  // The location to enter in a service table.
  std::string location() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

  // The next message without its 0x04; "" when none came within timeout_ms.
  std::string next(int timeout_ms = 3000) {
    std::string message;
    while (!reader_.take(&message)) {
      pollfd ready[2] = {{listener_, POLLIN, 0}, {connection_, POLLIN, 0}};
      if (::poll(ready, connection_ >= 0 ? 2 : 1, timeout_ms) <= 0) return "";
      if ((ready[0].revents & POLLIN) != 0) {
        if (connection_ >= 0) ::close(connection_);
        connection_ = ::accept(listener_, nullptr, nullptr);
        reader_.reset();
        continue;
      }
      char buffer[2048];
      const ssize_t got = ::recv(connection_, buffer, sizeof buffer, 0);
      if (got <= 0) {
        ::close(connection_);
        connection_ = -1;
        continue;
      }
      reader_.add(buffer, static_cast<size_t>(got));
    }
    return message;
  }

 private:
  unsigned port_ = 0;
  int listener_ = -1;
  int connection_ = -1;
  FramedReader reader_;
};

}  // namespace testsupport
