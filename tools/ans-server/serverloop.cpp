#include "serverloop.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr auto kRequestTime = std::chrono::seconds(5);
constexpr auto kReplyTime = std::chrono::seconds(5);
constexpr auto kProbeTime = std::chrono::seconds(1);
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
// The longest request the protocol can make is well below this.
constexpr size_t kMaxRequest = 4096;
// What the system may hold of a reply for a peer that does not read: the
// rest waits in the connection, which is dropped once its time is up.
// Without it, unread listings would sit in the system's buffers, which grow
// to megabytes a connection.
constexpr int kSendBuffer = 16 * 1024;
// Descriptors kept for the server itself (standard streams, the listener).
constexpr rlim_t kReservedDescriptors = 8;

// Closes at once and drops what is still queued: a peer that ran out of
// time gets nothing more and holds no buffers.
void drop(int fd) {
  const linger at_once{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &at_once, sizeof at_once);
  close(fd);
}

bool transient(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

size_t connection_limit() {
  rlimit descriptors{};
  if (getrlimit(RLIMIT_NOFILE, &descriptors) != 0 || descriptors.rlim_cur == RLIM_INFINITY) {
    return NameServerLoop::kMaxConnections;
  }
  const rlim_t room = descriptors.rlim_cur > kReservedDescriptors
                          ? (descriptors.rlim_cur - kReservedDescriptors) / 2
                          : 1;
  return std::max<size_t>(1, std::min<size_t>(NameServerLoop::kMaxConnections, room));
}

}  // namespace

NameServerLoop::NameServerLoop(int listener, NameServer* server)
    : listener_(listener), server_(server), max_connections_(connection_limit()) {}

void NameServerLoop::run() {
  std::vector<pollfd> ready;
  for (;;) {
    ready.clear();
    const bool accepting = Clock::now() >= accept_paused_until_;
    ready.push_back({accepting ? listener_ : -1, POLLIN, 0});
    for (const Connection& c : connections_) {
      // A delayed connection is left out: a peer that resets it meanwhile
      // would otherwise wake the loop until the answer is due.
      switch (c.state) {
        case State::kDelaying:
          ready.push_back({-1, 0, 0});
          break;
        case State::kProbing:
          ready.push_back({c.probe, POLLOUT, 0});
          break;
        case State::kReading:
          ready.push_back({c.fd, POLLIN, 0});
          break;
        case State::kWriting:
          ready.push_back({c.fd, POLLOUT, 0});
          break;
      }
    }
    if (poll(ready.data(), ready.size(), poll_timeout_ms(Clock::now())) < 0 && errno != EINTR) {
      std::perror("ans-server: poll");
      continue;
    }
    const Clock::time_point now = Clock::now();
    // Backwards, so that removing a connection leaves the earlier ones and
    // their poll entries in step.
    for (size_t i = connections_.size(); i-- > 0;) {
      Connection& c = connections_[i];
      const Outcome outcome = step(&c, ready[i + 1].revents, now);
      if (outcome == Outcome::kKeep) continue;
      close_connection(&c, outcome);
      connections_[i] = std::move(connections_.back());
      connections_.pop_back();
    }
    if ((ready[0].revents & POLLIN) != 0) accept_all(now);
  }
}

void NameServerLoop::close_connection(Connection* c, Outcome outcome) {
  if (c->probe >= 0) close(c->probe);
  if (outcome == Outcome::kDone) {
    close(c->fd);
  } else {
    drop(c->fd);
  }
}

void NameServerLoop::make_room() {
  if (connections_.size() < max_connections_) return;
  // Whatever it waits for, a connection can give way: first one answered
  // that does not take its reply, then one waiting on a probe or a delay,
  // then one waiting for its request; within each the one accepted longest
  // ago. A well-behaved client is done within moments, so peers that hold
  // their connections go first, and a newcomer whose request is on its way
  // is not pushed out by a flood of peers that ask and never read.
  const auto rank = [](State state) {
    return state == State::kWriting ? 0 : state == State::kReading ? 2 : 1;
  };
  const auto first = std::min_element(
      connections_.begin(), connections_.end(), [&rank](const Connection& a, const Connection& b) {
        const int rank_a = rank(a.state);
        const int rank_b = rank(b.state);
        return rank_a != rank_b ? rank_a < rank_b : a.accepted < b.accepted;
      });
  close_connection(&*first, Outcome::kDrop);
  *first = std::move(connections_.back());
  connections_.pop_back();
}

void NameServerLoop::accept_all(Clock::time_point now) {
  // No more in one round than are served at once: a newcomer never gives
  // way to those accepted after it before its request was read.
  for (size_t taken = 0; taken < max_connections_; ++taken) {
    const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // The pending connection stays queued and the listener readable:
        // wait for descriptors to come free instead of polling it in vain.
        std::fprintf(stderr, "ans-server: cannot accept: %s\n", std::strerror(errno));
        accept_paused_until_ = now + kAcceptPause;
      }
      return;
    }
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
    Connection c;
    c.fd = fd;
    c.accepted = ++accepts_;
    c.due = now + kRequestTime;
    // A request that came with the connection is answered at once; only a
    // connection that waits takes a place.
    const Outcome outcome = step(&c, POLLIN, now);
    if (outcome != Outcome::kKeep) {
      close_connection(&c, outcome);
      continue;
    }
    make_room();
    connections_.push_back(std::move(c));
  }
}

NameServerLoop::Outcome NameServerLoop::step(Connection* c, short events, Clock::time_point now) {
  switch (c->state) {
    case State::kReading:
      if (events != 0) {
        const Outcome outcome = read_request(c, now);
        if (outcome != Outcome::kKeep) return outcome;
        // Waiting for its time or for a probe now, with a deadline of that.
        if (c->state == State::kDelaying || c->state == State::kProbing) return Outcome::kKeep;
      }
      break;
    case State::kDelaying:
      return now >= c->due ? answer(c, now) : Outcome::kKeep;
    case State::kProbing:
      if (events != 0) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(c->probe, SOL_SOCKET, SO_ERROR, &error, &length);
        return probed(c, error == 0 ? NameServer::Probe::kAlive : NameServer::Probe::kGone, now);
      }
      return now >= c->due ? probed(c, NameServer::Probe::kSilent, now) : Outcome::kKeep;
    case State::kWriting:
      if (events != 0) {
        const Outcome outcome = write_reply(c);
        if (outcome != Outcome::kKeep) return outcome;
      }
      break;
  }
  // The deadline covers the whole request or reply, however it trickles.
  return now >= c->due ? Outcome::kDrop : Outcome::kKeep;
}

NameServerLoop::Outcome NameServerLoop::read_request(Connection* c, Clock::time_point now) {
  char buffer[4096];
  const ssize_t got = recv(c->fd, buffer, sizeof buffer, 0);
  if (got < 0) return transient(errno) ? Outcome::kKeep : Outcome::kDrop;
  // A peer that closes after its text without a 0x04 still asked.
  if (got == 0) {
    if (c->framer.held().empty()) return Outcome::kDone;
    c->request.assign(c->framer.held());
    return request_read(c, now);
  }
  const auto& cut = c->framer.feed({buffer, static_cast<size_t>(got)});
  if (!cut.messages.empty()) {
    c->request.assign(cut.messages.front().text);
    return request_read(c, now);
  }
  return c->framer.held_size() < kMaxRequest ? Outcome::kKeep : Outcome::kDrop;
}

NameServerLoop::Outcome NameServerLoop::request_read(Connection* c, Clock::time_point now) {
  const int delay_ms = server_->options().delay_ms;
  if (delay_ms <= 0) return answer(c, now);
  c->state = State::kDelaying;
  c->due = now + std::chrono::milliseconds(delay_ms);
  return Outcome::kKeep;
}

NameServerLoop::Outcome NameServerLoop::answer(Connection* c, Clock::time_point now) {
  NameServer::Answer answer = server_->answer(c->request);
  if (!answer.probe) return reply_with(c, std::move(answer.reply), now);
  c->holder_host = answer.host;
  c->holder_port = answer.port;
  return start_probe(c, now);
}

NameServerLoop::Outcome NameServerLoop::start_probe(Connection* c, Clock::time_point now) {
  using Probe = NameServer::Probe;
  sockaddr_in address{};
  // Only places that can be probed are stored.
  if (!NameServer::probe_address(c->holder_host, c->holder_port, &address)) {
    return probed(c, Probe::kGone, now);
  }
  // Out of descriptors the holder is not asked: it keeps its names.
  c->probe = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (c->probe < 0) return probed(c, Probe::kAlive, now);
  if (connect(c->probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    return probed(c, Probe::kAlive, now);
  }
  if (errno != EINPROGRESS) return probed(c, Probe::kGone, now);
  c->state = State::kProbing;
  c->due = now + kProbeTime;
  return Outcome::kKeep;
}

NameServerLoop::Outcome NameServerLoop::probed(Connection* c, NameServer::Probe found,
                                              Clock::time_point now) {
  if (c->probe >= 0) close(c->probe);
  c->probe = -1;
  return reply_with(c, server_->answer_probed(c->request, c->holder_host, c->holder_port, found),
                    now);
}

NameServerLoop::Outcome NameServerLoop::reply_with(Connection* c, std::string text,
                                                   Clock::time_point now) {
  if (text.empty()) return Outcome::kDone;
  c->reply = std::move(text);
  if (!CMessageFramer::frame(&c->reply)) return Outcome::kDrop;
  c->state = State::kWriting;
  c->due = now + kReplyTime;
  return write_reply(c);
}

NameServerLoop::Outcome NameServerLoop::write_reply(Connection* c) {
  while (c->sent < c->reply.size()) {
    const ssize_t n =
        send(c->fd, c->reply.data() + c->sent, c->reply.size() - c->sent, MSG_NOSIGNAL);
    if (n < 0) return transient(errno) ? Outcome::kKeep : Outcome::kDrop;
    c->sent += static_cast<size_t>(n);
  }
  return Outcome::kDone;
}

int NameServerLoop::poll_timeout_ms(Clock::time_point now) const {
  Clock::time_point next = Clock::time_point::max();
  if (now < accept_paused_until_) next = accept_paused_until_;
  for (const Connection& c : connections_) next = std::min(next, c.due);
  if (next == Clock::time_point::max()) return -1;
  if (next <= now) return 0;
  // Rounded up, so that the loop wakes at or after the due time, not just
  // before it with nothing to do.
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count());
}
