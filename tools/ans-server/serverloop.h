// The name server's event loop: one thread polls the listening socket and
// every accepted connection, so that a slow, idle or non-reading peer holds
// only its own connection. Each connection carries one request and its
// reply; the whole request must arrive within five seconds of the accept and
// the whole reply must be taken within five seconds, or the connection is
// dropped. A request that needs a name's holder probed waits for a
// non-blocking connect to the holder (at most a second; NameServer decides
// what no answer in that time means) without holding the others up.
//
// At most max_connections() connections are served at once: a newcomer
// beyond them takes the place of the connection accepted longest ago,
// whatever it waits for, so that peers that hold their connections (idle,
// not reading their replies, asking for probes) cannot lock the others out.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "Talkwick/messageframer.h"
#include "nameserver.h"

class NameServerLoop {
 public:
  static constexpr size_t kMaxConnections = 256;

  // Serves `listener` (bound, listening and non-blocking) with `server`;
  // neither is owned and both must outlive the loop.
  NameServerLoop(int listener, NameServer* server);
  NameServerLoop(const NameServerLoop&) = delete;
  NameServerLoop& operator=(const NameServerLoop&) = delete;

  // Serves until the process ends, which closes the connections still open.
  [[noreturn]] void run();

  // kMaxConnections, fewer when the descriptor limit leaves less room (a
  // connection may hold a probe besides its own descriptor).
  size_t max_connections() const { return max_connections_; }

 private:
  using Clock = std::chrono::steady_clock;
  enum class State { kReading, kDelaying, kProbing, kWriting };
  enum class Outcome { kKeep, kDone, kDrop };

  struct Connection {
    int fd = -1;                 // owned
    int probe = -1;              // owned: the connect to a holder, while probing
    State state = State::kReading;
    unsigned long accepted = 0;  // the order of its accept
    Clock::time_point due;       // deadline, or when a delayed answer is due
    CMessageFramer framer;       // cuts the request from what came
    std::string request;         // the whole request, once read
    std::string holder_host;     // the holder being probed
    unsigned holder_port = 0;
    std::string reply;
    size_t sent = 0;
  };

  void accept_all(Clock::time_point now);
  // Makes room for a newcomer.
  void make_room();
  void close_connection(Connection* c, Outcome outcome);
  Outcome step(Connection* c, short events, Clock::time_point now);
  Outcome read_request(Connection* c, Clock::time_point now);
  Outcome request_read(Connection* c, Clock::time_point now);
  Outcome answer(Connection* c, Clock::time_point now);
  Outcome start_probe(Connection* c, Clock::time_point now);
  Outcome probed(Connection* c, NameServer::Probe found, Clock::time_point now);
  Outcome reply_with(Connection* c, std::string text, Clock::time_point now);
  Outcome write_reply(Connection* c);
  int poll_timeout_ms(Clock::time_point now) const;

  int listener_;
  NameServer* server_;
  size_t max_connections_;
  std::vector<Connection> connections_;
  unsigned long accepts_ = 0;
  Clock::time_point accept_paused_until_;  // while out of descriptors
};
