#include "testsupport/loopback.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>

namespace testsupport {

int listen_on_loopback(unsigned* port, int backlog) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, backlog) != 0) {
    ADD_FAILURE() << "listen_on_loopback: " << std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return -1;
  }
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  *port = ntohs(address.sin_port);
  return fd;
}

unsigned unused_loopback_port() {
  // Below the system's ephemeral range, which every bind to port 0 and
  // every connect of the tests running beside this one draws from: a port
  // found free there would soon be taken again.
  constexpr unsigned kFirst = 20000;
  constexpr unsigned kCount = 12000;
  static std::minstd_rand pick(static_cast<unsigned>(::getpid()) ^
                               static_cast<unsigned>(std::random_device{}()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned port = kFirst + static_cast<unsigned>(pick() % kCount);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool free = fd >= 0 &&
                      ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    if (free) return port;
  }
  ADD_FAILURE() << "unused_loopback_port: no free port";
  return 0;
}

int connect_to_loopback(unsigned port, int timeout_ms) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  int error = 0;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    pollfd ready{fd, POLLOUT, 0};
    socklen_t length = sizeof error;
    if (errno != EINPROGRESS || ::poll(&ready, 1, timeout_ms) != 1 ||
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
      error = -1;
    }
  }
  if (error != 0) {
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

UnansweringListener::UnansweringListener() : listener_(listen_on_loopback(&port_, 0)) {
  // A backlog of 0 holds one connection; two leave no room.
  for (int i = 0; i < 2; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers_.push_back(fd);
  }
}

UnansweringListener::~UnansweringListener() {
  for (const int fd : fillers_) ::close(fd);
  if (listener_ >= 0) ::close(listener_);
}

}  // namespace testsupport
