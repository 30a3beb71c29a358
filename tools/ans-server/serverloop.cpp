#include "serverloop.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "nameserver.h"

namespace {

constexpr auto kRequestTime = std::chrono::seconds(5);
constexpr auto kReplyTime = std::chrono::seconds(5);
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
constexpr size_t kMaxRequest = 64 * 1024;

// Closes at once and drops what is still queued: a peer that ran out of
// time gets nothing more and holds no buffers.
void drop(int fd) {
  const linger at_once{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &at_once, sizeof at_once);
  close(fd);
}

bool transient(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

void NameServerLoop::run() {
  std::vector<pollfd> ready;
  for (;;) {
    ready.clear();
    const bool accepting = Clock::now() >= accept_paused_until_;
    ready.push_back({accepting ? listener_ : -1, POLLIN, 0});
    for (const Connection& c : connections_) {
      // A delayed connection is left out: a peer that resets it meanwhile
      // would otherwise wake the loop until the answer is due.
      if (c.state == State::kDelaying) {
        ready.push_back({-1, 0, 0});
      } else {
        const short events = c.state == State::kReading ? POLLIN : POLLOUT;
        ready.push_back({c.fd, events, 0});
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
      if (outcome == Outcome::kDone) {
        close(c.fd);
      } else {
        drop(c.fd);
      }
      connections_[i] = std::move(connections_.back());
      connections_.pop_back();
    }
    if ((ready[0].revents & POLLIN) != 0) accept_all(now);
  }
}

void NameServerLoop::accept_all(Clock::time_point now) {
  for (;;) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const int fd = accept4(listener_, reinterpret_cast<sockaddr*>(&address), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // The pending connection stays queued and the listener readable:
        // wait for descriptors to come free instead of polling it in vain.
        std::fprintf(stderr, "ans-server: cannot accept: %s\n", std::strerror(errno));
        accept_paused_until_ = now + kAcceptPause;
      }
      return;
    }
    char peer[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &address.sin_addr, peer, sizeof peer);
    Connection c;
    c.fd = fd;
    c.peer = peer;
    c.due = now + kRequestTime;
    connections_.push_back(std::move(c));
  }
}

NameServerLoop::Outcome NameServerLoop::step(Connection* c, short events, Clock::time_point now) {
  if (c->state == State::kReading && events != 0) {
    const Outcome outcome = read_request(c, now);
    if (outcome != Outcome::kKeep) return outcome;
  }
  if (c->state == State::kDelaying && now >= c->due) return answer(c, now);
  if (c->state == State::kWriting && events != 0) {
    const Outcome outcome = write_reply(c);
    if (outcome != Outcome::kKeep) return outcome;
  }
  // The deadline covers the whole request or reply, however it trickles.
  if (c->state != State::kDelaying && now >= c->due) return Outcome::kDrop;
  return Outcome::kKeep;
}

NameServerLoop::Outcome NameServerLoop::read_request(Connection* c, Clock::time_point now) {
  char buffer[4096];
  const ssize_t got = recv(c->fd, buffer, sizeof buffer, 0);
  if (got < 0) return transient(errno) ? Outcome::kKeep : Outcome::kDrop;
  // A peer that closes after its text without a 0x04 still asked.
  if (got == 0) return c->request.empty() ? Outcome::kDone : request_read(c, now);
  const size_t old_size = c->request.size();
  c->request.append(buffer, static_cast<size_t>(got));
  const size_t end = c->request.find('\x04', old_size);
  if (end != std::string::npos) {
    c->request.resize(end);
    return request_read(c, now);
  }
  return c->request.size() < kMaxRequest ? Outcome::kKeep : Outcome::kDrop;
}

NameServerLoop::Outcome NameServerLoop::request_read(Connection* c, Clock::time_point now) {
  const int delay_ms = server_->options().delay_ms;
  if (delay_ms <= 0) return answer(c, now);
  c->state = State::kDelaying;
  c->due = now + std::chrono::milliseconds(delay_ms);
  return Outcome::kKeep;
}

NameServerLoop::Outcome NameServerLoop::answer(Connection* c, Clock::time_point now) {
  const std::string text = server_->answer(c->request, c->peer);
  if (text.empty()) return Outcome::kDone;
  c->reply = text + '\x04';
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
