// ans-server: the agent name server peer for tests and the demo.
//
//   ans-server [--port P] [--host ADDRESS] [--sorry] [--delay MS] [--close]
//
// Listens on 127.0.0.1:6677 by default (port 0: any free port) and prints
// "ans-server listening on PORT" once ready. One request per connection;
// connections are served side by side.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "nameserver.h"
#include "serverloop.h"

namespace {

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

  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, SOMAXCONN) != 0) {
    std::fprintf(stderr, "ans-server: cannot listen on %s:%u: %s\n", host.c_str(), port,
                 std::strerror(errno));
    return 1;
  }
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::printf("ans-server listening on %u\n", ntohs(address.sin_port));
  std::fflush(stdout);

  NameServer server(options);
  NameServerLoop(listener, &server).run();
}
