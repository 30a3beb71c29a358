// The name server's event loop: one thread polls the listening socket and
// every accepted connection, so that a slow, idle or non-reading peer holds
// only its own connection. Each connection carries one request and its
// reply; the whole request must arrive within five seconds of the accept and
// the whole reply must be taken within five seconds, or the connection is
// dropped.
#pragma once

#include <chrono>
#include <string>
#include <vector>

class NameServer;

class NameServerLoop {
 public:
  // Serves `listener` (bound, listening and non-blocking) with `server`;
  // neither is owned and both must outlive the loop.
  NameServerLoop(int listener, NameServer* server) : listener_(listener), server_(server) {}
  NameServerLoop(const NameServerLoop&) = delete;
  NameServerLoop& operator=(const NameServerLoop&) = delete;

  // Serves until the process ends, which closes the connections still open.
  [[noreturn]] void run();

 private:
  using Clock = std::chrono::steady_clock;
  enum class State { kReading, kDelaying, kWriting };
  enum class Outcome { kKeep, kDone, kDrop };

  struct Connection {
    int fd = -1;                 // owned
    std::string peer;            // the peer's dotted address
    State state = State::kReading;
    Clock::time_point due;       // deadline, or when a delayed answer is due
    std::string request;
    std::string reply;
    size_t sent = 0;
  };

  void accept_all(Clock::time_point now);
  Outcome step(Connection* c, short events, Clock::time_point now);
  Outcome read_request(Connection* c, Clock::time_point now);
  Outcome request_read(Connection* c, Clock::time_point now);
  Outcome answer(Connection* c, Clock::time_point now);
  Outcome write_reply(Connection* c);
  int poll_timeout_ms(Clock::time_point now) const;

  int listener_;
  NameServer* server_;
  std::vector<Connection> connections_;
  Clock::time_point accept_paused_until_;  // while out of descriptors
};
