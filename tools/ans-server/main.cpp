// ans-server: the agent name server peer for tests and the demo.
//
//   ans-server [--port P] [--host ADDRESS] [--sorry] [--delay MS] [--close]
//
// Listens on 127.0.0.1:6677 by default (port 0: any free port) and prints
// "ans-server listening on PORT" once ready. One request per connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "nameserver.h"

namespace {

constexpr int kReadTimeoutMs = 5000;
constexpr size_t kMaxRequest = 64 * 1024;

// Reads up to the first 0x04 (or the peer's close); false on a timeout.
bool read_request(int fd, std::string* request) {
  char buffer[2048];
  while (request->size() < kMaxRequest) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, kReadTimeoutMs) <= 0) return false;
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return !request->empty();
    request->append(buffer, static_cast<size_t>(got));
    const size_t end = request->find('\x04');
    if (end != std::string::npos) {
      request->resize(end);
      return true;
    }
  }
  return false;
}

void send_all(int fd, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

int usage() {
  std::fprintf(stderr, "usage: ans-server [--port P] [--host ADDRESS] [--sorry] [--delay MS] [--close]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  NameServer::Options options;
  unsigned port = 6677;
  std::string host = "127.0.0.1";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--port" && has_value) {
      port = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (arg == "--host" && has_value) {
      host = argv[++i];
    } else if (arg == "--delay" && has_value) {
      options.delay_ms = std::atoi(argv[++i]);
    } else if (arg == "--sorry") {
      options.always_sorry = true;
    } else if (arg == "--close") {
      options.close_silently = true;
    } else {
      return usage();
    }
  }

  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0) {
    std::fprintf(stderr, "ans-server: cannot listen on %s:%u: %s\n", host.c_str(), port,
                 std::strerror(errno));
    return 1;
  }
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::printf("ans-server listening on %u\n", ntohs(address.sin_port));
  std::fflush(stdout);

  NameServer server(options);
  for (;;) {
    const int peer = accept(listener, nullptr, nullptr);
    if (peer < 0) continue;
    std::string request;
    if (read_request(peer, &request)) {
      if (options.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.delay_ms));
      const std::string text = server.answer(request);
      if (!text.empty()) send_all(peer, text + '\x04');
    }
    close(peer);
  }
}
