#include "ssdppeer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ssdppeer {

namespace {

sockaddr_in address_of(in_addr host, unsigned port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr = host;
  return address;
}

in_addr loopback() {
  in_addr host{};
  host.s_addr = htonl(INADDR_LOOPBACK);
  return host;
}

std::optional<std::string> receive_from(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  if (fd < 0 || ::poll(&entry, 1, timeout_ms) <= 0) return std::nullopt;
  std::vector<char> buffer(65536);
  const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
  if (got < 0) return std::nullopt;
  return std::string(buffer.data(), static_cast<size_t>(got));
}

// The interface address of VERANTA_MULTICAST_IF, when it is on loopback.
std::optional<in_addr> loopback_interface() {
  const char* value = std::getenv("VERANTA_MULTICAST_IF");
  in_addr address{};
  if (value == nullptr || inet_pton(AF_INET, value, &address) != 1) return std::nullopt;
  if ((ntohl(address.s_addr) >> 24) != 127) return std::nullopt;
  return address;
}

}  // namespace

bool loopback_multicast(std::string* why) {
  if (loopback_interface()) return true;
  *why = "VERANTA_MULTICAST_IF does not name a loopback address: no group is joined";
  return false;
}

unsigned free_udp_port() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = address_of(loopback(), 0);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ADD_FAILURE() << "free_udp_port: " << std::strerror(errno);
  }
  if (fd >= 0) ::close(fd);
  return ntohs(address.sin_port);
}

GroupPeer::GroupPeer(const char* group, unsigned port) : group_(group), port_(port) {
  const std::optional<in_addr> interface_address = loopback_interface();
  in_addr group_address{};
  if (!interface_address || inet_pton(AF_INET, group, &group_address) != 1) {
    ADD_FAILURE() << "GroupPeer: no loopback interface or no group";
    return;
  }
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  const int ttl = 1;
  // Bound to the group address: only the group's datagrams arrive.
  const sockaddr_in local = address_of(group_address, port);
  ip_mreq membership{};
  membership.imr_multiaddr = group_address;
  membership.imr_interface = *interface_address;
  if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &*interface_address,
                   sizeof *interface_address) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &on, sizeof on) != 0) {
    ADD_FAILURE() << "GroupPeer: " << std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return;
  }
  fd_ = fd;
}

GroupPeer::~GroupPeer() {
  if (fd_ >= 0) ::close(fd_);
}

bool GroupPeer::send(const std::string& bytes) const {
  in_addr group_address{};
  inet_pton(AF_INET, group_.c_str(), &group_address);
  const sockaddr_in to = address_of(group_address, port_);
  return fd_ >= 0 &&
         ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(bytes.size());
}

std::optional<std::string> GroupPeer::receive(int timeout_ms) const {
  return receive_from(fd_, timeout_ms);
}

void GroupPeer::drain() const {
  while (receive_from(fd_, 50)) {
  }
}

UnicastPeer::UnicastPeer() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = address_of(loopback(), 0);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ADD_FAILURE() << "UnicastPeer: " << std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return;
  }
  fd_ = fd;
  port_ = ntohs(address.sin_port);
}

UnicastPeer::~UnicastPeer() {
  if (fd_ >= 0) ::close(fd_);
}

bool UnicastPeer::send_to(unsigned port, const std::string& bytes) const {
  const sockaddr_in to = address_of(loopback(), port);
  return fd_ >= 0 &&
         ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(bytes.size());
}

std::optional<std::string> UnicastPeer::receive(int timeout_ms) const {
  return receive_from(fd_, timeout_ms);
}

}  // namespace ssdppeer
