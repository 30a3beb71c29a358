// Test helper: a plain listening socket on 127.0.0.1, for peers that must
// meet the code under test without going through it.
#pragma once

namespace testsupport {

// A TCP socket listening on a free loopback port, which goes to `port`;
// -1 (and a test failure) when it cannot be made. The caller closes it.
int listen_on_loopback(unsigned* port, int backlog = 16);

// A TCP socket connected to loopback `port`, or -1 when the connection was
// not made within timeout_ms. The caller closes it.
int connect_to_loopback(unsigned port, int timeout_ms = 3000);

}  // namespace testsupport
