// Peers of the discovery tests: plain POSIX UDP sockets on the loopback
// interface, so that the discovery sockets meet the system alone.
//
// Safety: multicast goes only through the interface that
// VERANTA_MULTICAST_IF names, and the tests run only when that is a loopback
// address (loopback_multicast); unicast goes to 127.0.0.1 only.
#pragma once

#include <optional>
#include <string>

namespace ssdppeer {

inline constexpr const char* kGroup = "239.255.255.250";

// True when VERANTA_MULTICAST_IF names a loopback address; otherwise false
// with the reason in *why, and no test may join a group or send.
bool loopback_multicast(std::string* why);
// A UDP port that was free on 127.0.0.1 a moment ago: each test takes its
// own group port, so that tests running side by side do not hear each other.
unsigned free_udp_port();

// A member of `group`:`port` on the loopback interface that hears the
// group's datagrams and sends to the group.
class GroupPeer {
 public:
  GroupPeer(const char* group, unsigned port);
  ~GroupPeer();
  GroupPeer(const GroupPeer&) = delete;
  GroupPeer& operator=(const GroupPeer&) = delete;

  bool ok() const { return fd_ >= 0; }
  bool send(const std::string& bytes) const;
  // The next datagram within timeout_ms, or nothing.
  std::optional<std::string> receive(int timeout_ms = 2000) const;
  // Drops every datagram that waits.
  void drain() const;

 private:
  int fd_ = -1;
  std::string group_;
  unsigned port_ = 0;
};

// A UDP socket on 127.0.0.1 (port of the system's choice).
class UnicastPeer {
 public:
  UnicastPeer();
  ~UnicastPeer();
  UnicastPeer(const UnicastPeer&) = delete;
  UnicastPeer& operator=(const UnicastPeer&) = delete;

  unsigned port() const { return port_; }
  // One datagram to 127.0.0.1:`port`.
  bool send_to(unsigned port, const std::string& bytes) const;
  std::optional<std::string> receive(int timeout_ms = 2000) const;

 private:
  int fd_ = -1;
  unsigned port_ = 0;
};

}  // namespace ssdppeer
