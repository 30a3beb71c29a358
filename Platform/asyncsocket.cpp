#include "Platform/asyncsocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "Platform/hostaddress.h"
#include "Platform/socketerror.h"

namespace {

using Clock = std::chrono::steady_clock;

bool fail(int code) {
  platform::set_last_socket_error(code);
  return false;
}

int fail_count(int code) {
  platform::set_last_socket_error(code);
  return -1;
}

bool would_block(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

bool out_of_resources(int error) {
  return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

// `host` and `port` as a socket address; null or "" is any address.
bool to_address(const char* host, unsigned port, sockaddr_in* address) {
  *address = sockaddr_in{};
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<uint16_t>(port));
  if (host == nullptr || *host == '\0') {
    address->sin_addr.s_addr = htonl(INADDR_ANY);
    return true;
  }
  std::vector<in_addr> found;
  if (!platform::resolve_ipv4(host, &found)) return false;
  address->sin_addr = found.front();
  return true;
}

void from_address(const sockaddr_in& from, char* address, size_t address_size, unsigned* port) {
  if (address != nullptr && address_size > 0 &&
      inet_ntop(AF_INET, &from.sin_addr, address, static_cast<socklen_t>(address_size)) == nullptr) {
    *address = '\0';
  }
  if (port != nullptr) *port = ntohs(from.sin_port);
}

// Each Send of a connection is a whole message: sent at once, not held back
// for the peer's acknowledgement of the one before. Best effort.
void send_without_delay(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// The error pending on a socket, taken from it: 0, or its code. Once the
// socket is writable it tells the outcome of a connect under way.
int pending_error(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  return error == 0 ? 0 : platform::socket_error_from_errno(error);
}

// An outgoing buffer that held this much is given back once it is empty.
constexpr size_t kKeptSendCapacity = 64 * 1024;

int milliseconds_left(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CAsyncSocket::CAsyncSocket(bool blocking_receive)
    : loop_(platform::current_loop()), blocking_receive_(blocking_receive) {}

CAsyncSocket::~CAsyncSocket() {
  if (destroyed_ != nullptr) *destroyed_ = true;
  Close();
}

bool CAsyncSocket::Socket(int type) {
  if (fd_ >= 0) return fail(platform::WSAEINVAL);
  if (type != SOCK_STREAM && type != SOCK_DGRAM) return fail(platform::WSAESOCKTNOSUPPORT);
  const int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return fail(platform::socket_error_from_errno(errno));
  attach(fd, type, type == SOCK_DGRAM);
  return true;
}

bool CAsyncSocket::Bind(unsigned port, const char* address) {
  if (fd_ < 0) return fail(platform::WSAENOTSOCK);
  sockaddr_in local;
  if (!to_address(address, port, &local)) return false;
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    return fail(platform::socket_error_from_errno(errno));
  }
  return true;
}

bool CAsyncSocket::Create(unsigned port, int type, const char* address) {
  if (!Socket(type)) return false;
  const int on = 1;
  if ((type == SOCK_STREAM && port != 0 && !SetSockOpt(SO_REUSEADDR, &on, sizeof on)) ||
      !Bind(port, address)) {
    Close();
    return false;
  }
  return true;
}

bool CAsyncSocket::Listen(int backlog) {
  if (fd_ < 0) return fail(platform::WSAENOTSOCK);
  if (type_ != SOCK_STREAM) return fail(platform::WSAEOPNOTSUPP);
  if (::listen(fd_, backlog) != 0) return fail(platform::socket_error_from_errno(errno));
  listening_ = true;
  start_notifying();
  return true;
}

bool CAsyncSocket::Accept(CAsyncSocket& connected) {
  if (fd_ < 0) return fail(platform::WSAENOTSOCK);
  if (!listening_) return fail(platform::WSAEINVAL);
  if (&connected == this || connected.fd_ >= 0) {
    armed_ = true;
    update_watch();
    return fail(platform::WSAEINVAL);
  }
  int fd;
  do {
    fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  const int error = errno;
  // Out of descriptors or memory, the waiting connection would be told
  // again at once and fail again, round after round.
  if (fd >= 0 || !out_of_resources(error)) {
    armed_ = true;
    update_watch();
  }
  if (fd < 0) return fail(platform::socket_error_from_errno(error));
  send_without_delay(fd);
  connected.attach(fd, SOCK_STREAM, true);
  return true;
}

int CAsyncSocket::start_connect(const char* host, unsigned port) {
  if (fd_ < 0) return fail_count(platform::WSAENOTSOCK);
  if (listening_ || connecting_) return fail_count(platform::WSAEISCONN);
  if (host == nullptr || *host == '\0') return fail_count(platform::WSAEDESTADDRREQ);
  sockaddr_in peer;
  if (!to_address(host, port, &peer)) return -1;
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return 1;
  // Interrupted or not, a non-blocking connect goes on in the background.
  if (errno != EINPROGRESS && errno != EINTR) {
    return fail_count(platform::socket_error_from_errno(errno));
  }
  return 0;
}

bool CAsyncSocket::Connect(const char* host, unsigned port) {
  const int started = start_connect(host, port);
  if (started < 0) return false;
  if (started == 0) {
    if (!wait_ready(POLLOUT, kBlockingTimeoutMs)) return fail(platform::WSAETIMEDOUT);
    if (const int code = pending_error(fd_)) return fail(code);
  }
  connected();
  return true;
}

bool CAsyncSocket::BeginConnect(const char* host, unsigned port) {
  const int started = start_connect(host, port);
  if (started < 0) return false;
  // A connect to this host is mostly settled by now, answered or refused:
  // only one that is not goes on in the background.
  if (started == 0 && !wait_ready(POLLOUT, 0)) {
    connecting_ = true;
    send_progress_ = Clock::now();
    watch_progress(std::chrono::milliseconds(kBlockingTimeoutMs));
    update_watch();
    return true;
  }
  if (started == 0) {
    if (const int code = pending_error(fd_)) return fail(code);
  }
  connected();
  return true;
}

void CAsyncSocket::connected() {
  connecting_ = false;
  if (type_ != SOCK_STREAM) return;
  send_without_delay(fd_);
  start_notifying();
}

int CAsyncSocket::Send(const void* data, int length, int flags) {
  // Behind bytes that wait, these would arrive first.
  if (connecting_ || GetUnsent() > 0) return fail_count(platform::WSAEINPROGRESS);
  return send_all(data, length, flags, nullptr);
}

int CAsyncSocket::SendBuffered(const void* data, int length, bool more_follows) {
  if (fd_ < 0) return fail_count(platform::WSAENOTSOCK);
  if (length < 0 || (data == nullptr && length > 0)) return fail_count(platform::WSAEFAULT);
  if (type_ != SOCK_STREAM || listening_ || (!connecting_ && !notifying_)) {
    return fail_count(platform::WSAENOTCONN);
  }
  const auto* bytes = static_cast<const char*>(data);
  size_t taken = 0;
  if (!connecting_ && GetUnsent() == 0) {
    const int flags = MSG_NOSIGNAL | MSG_DONTWAIT | (more_follows ? MSG_MORE : 0);
    ssize_t count;
    do {
      count = ::send(fd_, bytes, static_cast<size_t>(length), flags);
    } while (count < 0 && errno == EINTR);
    // A send without the flag takes what was held along.
    push_held_ = more_follows;
    if (count < 0 && !would_block(errno) && errno != ENOBUFS) {
      note_broken(errno);
      return fail_count(platform::socket_error_from_errno(errno));
    }
    if (peer_ended_) {
      // A peer that closed (rather than only ended its sending) answers the
      // data with a reset, on this host before the send returns: what went
      // is lost, and the caller had better know it.
      if (const int code = pending_error(fd_)) {
        note_broken(ECONNRESET);
        return fail_count(code);
      }
    }
    taken = count > 0 ? static_cast<size_t>(count) : 0;
    if (taken == static_cast<size_t>(length)) return length;
  }
  const size_t left = static_cast<size_t>(length) - taken;
  if (GetUnsent() + left > kMaxSendBuffer) return fail_count(platform::WSAENOBUFS);
  if (GetUnsent() == 0 && !connecting_) {
    send_progress_ = Clock::now();
    if (progress_timer_ == 0) watch_progress(std::chrono::milliseconds(kBlockingTimeoutMs));
  }
  const size_t size = GetUnsent() + left;
  if (size > unsent_.capacity()) {
    // Without what went out already, and an eighth to spare rather than a
    // string's doubling: what waits for a slow peer is about what the
    // buffer takes.
    std::string larger;
    larger.reserve(size + size / 8);  // an empty string takes what it is asked for
    larger.append(unsent_, unsent_head_);
    unsent_.swap(larger);
    unsent_head_ = 0;
  } else if (unsent_head_ > 0 &&
             (unsent_head_ >= unsent_.size() / 2 || unsent_.size() + left > unsent_.capacity())) {
    unsent_.erase(0, unsent_head_);
    unsent_head_ = 0;
  }
  unsent_.append(bytes + taken, left);
  update_watch();
  return length;
}

void CAsyncSocket::PushHeld() {
  if (!push_held_ || fd_ < 0) return;
  push_held_ = false;
  // Setting TCP_NODELAY (which stream connections have on) makes the system
  // send what it holds back.
  const int on = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int CAsyncSocket::SendTo(const void* data, int length, unsigned port, const char* host, int flags) {
  if (host == nullptr || *host == '\0') return fail_count(platform::WSAEDESTADDRREQ);
  sockaddr_in to;
  if (!to_address(host, port, &to)) return -1;
  return send_all(data, length, flags, &to);
}

int CAsyncSocket::Receive(void* buffer, int length, int flags) {
  return receive(buffer, length, flags, nullptr);
}

int CAsyncSocket::ReceiveFrom(void* buffer, int length, char* address, size_t address_size,
                              unsigned* port, int flags) {
  sockaddr_in from{};
  const int count = receive(buffer, length, flags, &from);
  if (count >= 0 || GetLastError() == platform::WSAEMSGSIZE) {
    from_address(from, address, address_size, port);
  }
  return count;
}

void CAsyncSocket::Close() {
  if (watch_ != 0) loop_.unwatch(watch_);
  if (again_timer_ != 0) loop_.stop_timer(again_timer_);
  if (progress_timer_ != 0) loop_.stop_timer(progress_timer_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  type_ = 0;
  watch_ = 0;
  again_timer_ = 0;
  progress_timer_ = 0;
  listening_ = notifying_ = armed_ = close_told_ = peer_ended_ = connecting_ = push_held_ = false;
  broken_code_ = 0;
  held_begin_ = held_end_ = 0;
  std::string().swap(unsent_);
  unsent_head_ = 0;
}

bool CAsyncSocket::GetPeerName(char* address, size_t address_size, unsigned* port) const {
  if (fd_ < 0) return fail(platform::WSAENOTSOCK);
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
    return fail(platform::socket_error_from_errno(errno));
  }
  from_address(peer, address, address_size, port);
  return true;
}

bool CAsyncSocket::GetSockName(char* address, size_t address_size, unsigned* port) const {
  if (fd_ < 0) return fail(platform::WSAENOTSOCK);
  sockaddr_in own{};
  socklen_t length = sizeof own;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&own), &length) != 0) {
    return fail(platform::socket_error_from_errno(errno));
  }
  from_address(own, address, address_size, port);
  return true;
}

bool CAsyncSocket::SetSockOpt(int option, const void* value, socklen_t length, int level) {
  if (fd_ < 0) return fail(platform::WSAENOTSOCK);
  if (::setsockopt(fd_, level, option, value, length) != 0) {
    return fail(platform::socket_error_from_errno(errno));
  }
  return true;
}

bool CAsyncSocket::GetSockOpt(int option, void* value, socklen_t* length, int level) const {
  if (fd_ < 0) return fail(platform::WSAENOTSOCK);
  if (::getsockopt(fd_, level, option, value, length) != 0) {
    return fail(platform::socket_error_from_errno(errno));
  }
  return true;
}

int CAsyncSocket::GetLastError() { return platform::last_socket_error(); }

void CAsyncSocket::OnReceive(int /*code*/) {}
void CAsyncSocket::OnAccept(int /*code*/) {}
void CAsyncSocket::OnClose(int /*code*/) {}
void CAsyncSocket::OnSend(int /*code*/) {}

void CAsyncSocket::attach(int fd, int type, bool notifying) {
  fd_ = fd;
  type_ = type;
  watch_ = loop_.watch(fd, 0, [this](unsigned ready) { on_ready(ready); });
  if (notifying) start_notifying();
}

void CAsyncSocket::start_notifying() {
  notifying_ = true;
  armed_ = true;
  update_watch();
}

void CAsyncSocket::update_watch() {
  const bool reading = notifying_ && armed_ && !close_told_;
  const bool writing = connecting_ || GetUnsent() > 0;
  loop_.set_events(watch_,
                   (reading ? platform::kReadable : 0u) | (writing ? platform::kWritable : 0u));
}

void CAsyncSocket::on_ready(unsigned ready) {
  // A socket that told OnSend may be gone; what it may read waits for the
  // next round (readiness is level-triggered).
  if ((ready & platform::kWritable) != 0 && (connecting_ || GetUnsent() > 0) && send_unsent()) {
    return;
  }
  if ((ready & platform::kReadable) != 0) on_readable();
}

bool CAsyncSocket::send_unsent() {
  if (connecting_) {
    if (const int code = pending_error(fd_)) {
      fail_sending(code);
      return true;
    }
    connected();
  }
  bool progress = false;
  while (GetUnsent() > 0) {
    const ssize_t count = ::send(fd_, unsent_.data() + unsent_head_, GetUnsent(),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
    if (count > 0) {
      unsent_head_ += static_cast<size_t>(count);
      progress = true;
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (would_block(errno) || errno == ENOBUFS)) break;
    note_broken(errno);
    fail_sending(platform::socket_error_from_errno(errno));
    return true;
  }
  if (GetUnsent() > 0) {
    if (progress) {
      send_progress_ = Clock::now();
      // What went out takes no memory for long: once half of a large buffer
      // has, the rest moves to a buffer of its own length.
      if (unsent_head_ >= unsent_.size() / 2 && unsent_.capacity() > kKeptSendCapacity) {
        std::string rest(unsent_, unsent_head_);
        unsent_.swap(rest);
        unsent_head_ = 0;
      }
    }
    update_watch();
    return false;
  }
  unsent_head_ = 0;
  unsent_.clear();
  if (unsent_.capacity() > kKeptSendCapacity) std::string().swap(unsent_);
  if (progress_timer_ != 0) loop_.stop_timer(progress_timer_);
  progress_timer_ = 0;
  update_watch();
  OnSend(0);
  return true;
}

void CAsyncSocket::fail_sending(int code) {
  Close();
  platform::set_last_socket_error(code);
  OnSend(code);
}

void CAsyncSocket::watch_progress(Clock::duration after) {
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(after).count();
  progress_timer_ = loop_.start_timer(static_cast<int>(wait), false, [this] {
    progress_timer_ = 0;
    if (!connecting_ && GetUnsent() == 0) return;
    const Clock::duration limit = std::chrono::milliseconds(kBlockingTimeoutMs);
    const Clock::duration idle = Clock::now() - send_progress_;
    if (idle < limit) {
      watch_progress(limit - idle);
      return;
    }
    fail_sending(platform::WSAETIMEDOUT);
  });
}

// Everything is settled before the handler runs: it may receive (arming
// again), close or delete this object.
void CAsyncSocket::on_readable() {
  if (listening_) {
    armed_ = false;
    update_watch();
    OnAccept(0);
    return;
  }
  if (type_ == SOCK_STREAM && held() == 0) {
    // Readable means data, the end of the stream or an error: the one
    // receive of this notification tells them apart.
    const int count = receive_ahead();
    if (count < 0 && (would_block(errno) || errno == EINTR)) return;
    if (count == 0) peer_ended_ = true;
    if (count <= 0) {
      // A reset that a Receive already took shows up as a plain end here.
      int code = count == 0 ? 0 : platform::socket_error_from_errno(errno);
      if (broken_code_ != 0) code = broken_code_;
      tell_close(code);
      return;
    }
  }
  tell_receive();
}

void CAsyncSocket::tell_receive() {
  armed_ = false;
  update_watch();
  bool destroyed = false;
  bool* outer = std::exchange(destroyed_, &destroyed);
  OnReceive(0);
  if (destroyed) {
    if (outer != nullptr) *outer = true;
    return;
  }
  destroyed_ = outer;
}

void CAsyncSocket::tell_close(int code) {
  close_told_ = true;
  update_watch();
  OnClose(code);
}

void CAsyncSocket::tell_again() {
  if (again_timer_ != 0) return;
  again_timer_ = loop_.start_timer(0, false, [this] {
    again_timer_ = 0;
    if (held() > 0 && armed_ && notifying_ && !close_told_) tell_receive();
  });
}

int CAsyncSocket::receive_ahead() {
  if (ahead_capacity_ < ahead_size_) {
    ahead_ = std::make_unique<char[]>(static_cast<size_t>(ahead_size_));
    ahead_capacity_ = ahead_size_;
  }
  held_begin_ = held_end_ = 0;
  const ssize_t count =
      ::recv(fd_, ahead_.get(), static_cast<size_t>(ahead_size_), MSG_DONTWAIT);
  if (count < 0) {
    if (!would_block(errno) && errno != EINTR) note_broken(errno);
    return -1;
  }
  held_end_ = static_cast<int>(count);
  return held_end_;
}

int CAsyncSocket::take_held(void* buffer, int length, bool peek) {
  const int taken = std::min(length, held());
  if (taken > 0) std::memcpy(buffer, ahead_.get() + held_begin_, static_cast<size_t>(taken));
  if (!peek) held_begin_ += taken;
  return taken;
}

void CAsyncSocket::note_broken(int error) {
  if (type_ == SOCK_STREAM && notifying_ && !listening_ && broken_code_ == 0) {
    broken_code_ = platform::socket_error_from_errno(error);
  }
}

// Waits for `events` on the descriptor alone; false when the time ran out.
// Errors count as ready: the call that follows reports them.
bool CAsyncSocket::wait_ready(short events, int timeout_ms) const {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    pollfd entry{fd_, events, 0};
    const int ready = ::poll(&entry, 1, milliseconds_left(deadline));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

int CAsyncSocket::send_all(const void* data, int length, int flags, const void* to) {
  if (fd_ < 0) return fail_count(platform::WSAENOTSOCK);
  if (length < 0 || (data == nullptr && length > 0)) return fail_count(platform::WSAEFAULT);
  const auto* bytes = static_cast<const char*>(data);
  // Counted from the first time the socket is full: a send that goes at
  // once reads no clock.
  std::optional<Clock::time_point> deadline;
  int sent = 0;
  // do-while: an empty datagram is still a datagram.
  do {
    const size_t left = static_cast<size_t>(length - sent);
    const int send_flags = flags | MSG_NOSIGNAL | MSG_DONTWAIT;
    const ssize_t count =
        to == nullptr ? ::send(fd_, bytes + sent, left, send_flags)
                      : ::sendto(fd_, bytes + sent, left, send_flags,
                                 static_cast<const sockaddr*>(to), sizeof(sockaddr_in));
    if (count >= 0) {
      sent += static_cast<int>(count);
      continue;
    }
    if (errno == EINTR) continue;
    if (would_block(errno) || errno == ENOBUFS) {
      if (!deadline) deadline = Clock::now() + std::chrono::milliseconds(kBlockingTimeoutMs);
      if (!wait_ready(POLLOUT, milliseconds_left(*deadline))) {
        return fail_count(platform::WSAETIMEDOUT);
      }
      continue;
    }
    note_broken(errno);
    return fail_count(platform::socket_error_from_errno(errno));
  } while (sent < length);
  return sent;
}

int CAsyncSocket::receive(void* buffer, int length, int flags, void* from) {
  if (fd_ < 0) return fail_count(platform::WSAENOTSOCK);
  if (length < 0 || (buffer == nullptr && length > 0)) return fail_count(platform::WSAEFAULT);
  // Any receive call arms the next notification, as on the original platform.
  if (notifying_ && !listening_) {
    armed_ = true;
    update_watch();
  }
  if (type_ == SOCK_STREAM) {
    if (length > 0) ahead_size_ = std::min(length, kMaxReceiveAhead);
    if (held() > 0) {
      const int taken = take_held(buffer, length, (flags & MSG_PEEK) != 0);
      if (held() > 0 && notifying_) tell_again();
      return taken;
    }
  }
  if (blocking_receive_ && destroyed_ == nullptr && !wait_ready(POLLIN, kBlockingTimeoutMs)) {
    return fail_count(platform::WSAETIMEDOUT);
  }
  // MSG_TRUNC makes a datagram report its whole length, so a cut one is seen.
  const int receive_flags = flags | MSG_DONTWAIT | (type_ == SOCK_DGRAM ? MSG_TRUNC : 0);
  socklen_t from_length = sizeof(sockaddr_in);
  ssize_t count;
  do {
    count = ::recvfrom(fd_, buffer, static_cast<size_t>(length), receive_flags,
                       static_cast<sockaddr*>(from), from == nullptr ? nullptr : &from_length);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    if (!would_block(errno)) note_broken(errno);
    return fail_count(platform::socket_error_from_errno(errno));
  }
  if (count > length) return fail_count(platform::WSAEMSGSIZE);
  if (count == 0 && length > 0 && type_ == SOCK_STREAM) peer_ended_ = true;
  return static_cast<int>(count);
}
