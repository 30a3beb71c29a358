// Test helper: a plain listening socket on 127.0.0.1, for peers that must
// meet the code under test without going through it.
#pragma once

#include <vector>

namespace testsupport {

// A TCP socket listening on a free loopback port, which goes to `port`;
// -1 (and a test failure) when it cannot be made. The caller closes it.
int listen_on_loopback(unsigned* port, int backlog = 16);

// A loopback port on which nothing listens, free when the call returns and
// outside the range the system hands out for port 0, for a program that
// must be given a fixed port; 0 (and a test failure) when none is found.
unsigned unused_loopback_port();

// A TCP socket connected to loopback `port`, or -1 when the connection was
// not made within timeout_ms. The caller closes it.
int connect_to_loopback(unsigned port, int timeout_ms = 3000);

// A listener on loopback whose queue of waiting connections is full, so that
// the system leaves further handshakes to its port unanswered: a connect
// there neither succeeds nor fails until the connecting side gives up.
// Everything is closed when the object goes.
class UnansweringListener {
 public:
  UnansweringListener();
  ~UnansweringListener();
  UnansweringListener(const UnansweringListener&) = delete;
  UnansweringListener& operator=(const UnansweringListener&) = delete;

  unsigned port() const { return port_; }

 private:
  unsigned port_ = 0;
  int listener_ = -1;
  std::vector<int> fillers_;
};

}  // namespace testsupport
