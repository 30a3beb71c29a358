#include "Platform/asyncsocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Platform/hostaddress.h"
#include "Platform/socketerror.h"
#include "looptest.h"
#include "testsupport/descriptorlimit.h"
#include "testsupport/loopback.h"

namespace {

constexpr const char* kLoopback = "127.0.0.1";

// Counts every notification; reads only when told to.
class Recorder : public CAsyncSocket {
 public:
  Recorder() = default;
  explicit Recorder(bool blocking) : CAsyncSocket(blocking) {}

  int receives = 0;
  int accepts = 0;
  int closes = 0;
  int close_code = -1;
  int sends = 0;  // OnSend notifications
  int send_code = -1;
  bool read_when_told = false;
  std::string data;
  std::function<void(Recorder*)> after_receive;  // runs last in OnReceive

  // Takes everything that waits now.
  void drain() {
    char buffer[4096];
    int count;
    while ((count = Receive(buffer, sizeof buffer)) > 0) data.append(buffer, count);
  }

 protected:
  void OnReceive(int code) override {
    EXPECT_EQ(code, 0);
    ++receives;
    if (read_when_told) drain();
    if (after_receive) after_receive(this);
  }
  void OnAccept(int code) override {
    EXPECT_EQ(code, 0);
    ++accepts;
  }
  void OnClose(int code) override {
    ++closes;
    close_code = code;
  }
  void OnSend(int code) override {
    ++sends;
    send_code = code;
  }
};

class Blocking : public Recorder {
 public:
  Blocking() : Recorder(true) {}
};

// The peers are plain descriptors, so that the socket under test meets the
// system alone.
int raw_socket(int type = SOCK_STREAM) { return ::socket(AF_INET, type | SOCK_CLOEXEC, 0); }

sockaddr_in loopback(unsigned port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

unsigned bound_port(int fd) {
  sockaddr_in own{};
  socklen_t length = sizeof own;
  getsockname(fd, reinterpret_cast<sockaddr*>(&own), &length);
  return ntohs(own.sin_port);
}

// A loopback socket bound to a free port, listening unless `backlog` < 0.
int raw_listener(unsigned* port, int backlog = 5, int receive_buffer = 0) {
  const int fd = raw_socket();
  if (receive_buffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  const sockaddr_in address = loopback(0);
  EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  if (backlog >= 0) {
    EXPECT_EQ(listen(fd, backlog), 0);
  }
  *port = bound_port(fd);
  return fd;
}

int raw_connect(unsigned port) {
  const int fd = raw_socket();
  const sockaddr_in address = loopback(port);
  EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  return fd;
}

int raw_accept(int listener) { return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC); }

void send_raw(int fd, const std::string& text) {
  ASSERT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

using SocketTest = LoopTest;

// Makes `listener` listen on a free loopback port; the port, 0 on failure.
unsigned start_listening(CAsyncSocket& listener) {
  unsigned port = 0;
  EXPECT_TRUE(listener.Create(0, SOCK_STREAM, kLoopback) && listener.Listen() &&
              listener.GetSockName(nullptr, 0, &port));
  return port;
}

// A connection: the socket under test connected to a raw peer.
class ConnectionTest : public LoopTest {
 protected:
  void SetUp() override {
    unsigned port = 0;
    listener_ = raw_listener(&port);
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect(kLoopback, port));
    peer = raw_accept(listener_);
    ASSERT_GE(peer, 0);
  }
  ~ConnectionTest() override {
    if (peer >= 0) close(peer);
    close(listener_);
  }

  Recorder socket;
  int peer = -1;

 private:
  int listener_ = -1;
};

TEST_F(ConnectionTest, ReceiveIsToldOnceUntilTheHandlerReceives) {
  send_raw(peer, "first");
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 1; }, 2000));
  send_raw(peer, "second");
  EXPECT_TRUE(stays_idle());  // data waits, the handler did not read: no spinning
  EXPECT_EQ(socket.receives, 1);

  char buffer[3];
  ASSERT_EQ(socket.Receive(buffer, sizeof buffer), 3);  // rearms; data is left
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 2; }, 2000));
  socket.drain();
  EXPECT_EQ(socket.data, "stsecond");
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(socket.receives, 2);
  EXPECT_EQ(socket.closes, 0);
}

TEST_F(ConnectionTest, GracefulCloseIsToldOnceWithCodeZero) {
  socket.read_when_told = true;
  send_raw(peer, "last words");
  close(peer);
  peer = -1;
  EXPECT_TRUE(loop.run_until([&] { return socket.closes == 1; }, 2000));
  EXPECT_EQ(socket.close_code, 0);
  EXPECT_EQ(socket.data, "last words");
  EXPECT_EQ(socket.receives, 1);
  EXPECT_TRUE(stays_idle());

  char buffer[8];
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 0);  // the end, told once only
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(socket.closes, 1);
}

TEST_F(ConnectionTest, CloseWaitsUntilTheDataBeforeItIsReceived) {
  send_raw(peer, "unread");
  close(peer);
  peer = -1;
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 1; }, 2000));
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(socket.closes, 0);

  socket.drain();
  EXPECT_EQ(socket.data, "unread");
  EXPECT_TRUE(loop.run_until([&] { return socket.closes == 1; }, 2000));
  EXPECT_EQ(socket.close_code, 0);
  EXPECT_EQ(socket.receives, 1);  // the end of the stream is a close, not data
}

TEST_F(ConnectionTest, ResetIsToldAsTheMappedError) {
  const linger abort_on_close{1, 0};
  ASSERT_EQ(setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close), 0);
  close(peer);
  peer = -1;
  EXPECT_TRUE(loop.run_until([&] { return socket.closes == 1; }, 2000));
  EXPECT_EQ(socket.close_code, platform::WSAECONNRESET);
  EXPECT_EQ(socket.receives, 0);
  EXPECT_TRUE(stays_idle());
}

TEST_F(ConnectionTest, ResetTakenByAReceiveIsStillToldAsReset) {
  const linger abort_on_close{1, 0};
  socket.after_receive = [&](Recorder* self) {
    ASSERT_EQ(setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close), 0);
    close(peer);
    peer = -1;
    self->drain();
    EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAECONNRESET);
  };
  send_raw(peer, "x");
  EXPECT_TRUE(loop.run_until([&] { return socket.closes == 1; }, 2000));
  EXPECT_EQ(socket.close_code, platform::WSAECONNRESET);
}

// Deletes itself on its first notification of data.
class SelfDeleting : public CAsyncSocket {
 public:
  explicit SelfDeleting(bool* deleted) : deleted_(deleted) {}
  ~SelfDeleting() override { *deleted_ = true; }

 protected:
  void OnReceive(int) override { delete this; }

 private:
  bool* deleted_;
};

TEST_F(ConnectionTest, HandlerMayDeleteItsOwnSocket) {
  bool deleted = false;
  auto* doomed = new SelfDeleting(&deleted);
  unsigned port = 0;
  const int listener = raw_listener(&port);
  ASSERT_TRUE(doomed->Create());
  ASSERT_TRUE(doomed->Connect(kLoopback, port));
  const int other = raw_accept(listener);
  send_raw(other, "bye");
  send_raw(peer, "still here");
  socket.read_when_told = true;
  EXPECT_TRUE(loop.run_until([&] { return deleted && socket.receives == 1; }, 2000));
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(socket.data, "still here");
  close(other);
  close(listener);
}

TEST_F(ConnectionTest, PeerNameAndOwnName) {
  char address[platform::kAddressTextSize];
  unsigned port = 0;
  ASSERT_TRUE(socket.GetPeerName(address, sizeof address, &port));
  EXPECT_STREQ(address, kLoopback);
  sockaddr_in own{};
  socklen_t length = sizeof own;
  getsockname(peer, reinterpret_cast<sockaddr*>(&own), &length);
  EXPECT_EQ(port, ntohs(own.sin_port));

  ASSERT_TRUE(socket.GetSockName(address, sizeof address, &port));
  sockaddr_in remote{};
  length = sizeof remote;
  getpeername(peer, reinterpret_cast<sockaddr*>(&remote), &length);
  EXPECT_EQ(port, ntohs(remote.sin_port));
}

TEST_F(SocketTest, AcceptIsToldOnceUntilTheHandlerAccepts) {
  Recorder listener;
  const unsigned port = start_listening(listener);
  const int first = raw_connect(port);
  const int second = raw_connect(port);

  EXPECT_TRUE(loop.run_until([&] { return listener.accepts == 1; }, 2000));
  EXPECT_TRUE(stays_idle());  // two wait, neither taken: told once

  Recorder one;
  ASSERT_TRUE(listener.Accept(one));
  EXPECT_TRUE(loop.run_until([&] { return listener.accepts == 2; }, 2000));
  Recorder two;
  ASSERT_TRUE(listener.Accept(two));
  Recorder three;
  EXPECT_FALSE(listener.Accept(three));
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEWOULDBLOCK);
  EXPECT_FALSE(listener.Accept(one));  // already holds a connection
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEINVAL);

  // Accepted sockets are told of their data at once.
  send_raw(second, "to two");
  two.read_when_told = true;
  EXPECT_TRUE(loop.run_until([&] { return two.receives == 1; }, 2000));
  EXPECT_EQ(two.data, "to two");
  EXPECT_EQ(one.receives, 0);
  EXPECT_EQ(listener.accepts, 2);
  close(first);
  close(second);
}

TEST_F(SocketTest, AListenerOutOfDescriptorsRestsUntilTheNextAccept) {
  Recorder listener;
  const int peer = raw_connect(start_listening(listener));
  EXPECT_TRUE(loop.run_until([&] { return listener.accepts == 1; }, 2000));
  // Once before the limit: the sanitizer's type checks need descriptors the
  // first time they meet a call.
  EXPECT_TRUE(stays_idle());

  Recorder taken;
  {
    testsupport::DescriptorLimit no_more;
    EXPECT_FALSE(listener.Accept(taken));
    EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEMFILE);
    // Told again, the handler could only fail again.
    EXPECT_TRUE(stays_idle());
  }
  EXPECT_EQ(listener.accepts, 1);
  ASSERT_TRUE(listener.Accept(taken));
  close(peer);
}

TEST_F(SocketTest, ConnectToAPortWithoutListenerIsRefused) {
  unsigned port = 0;
  const int bound = raw_listener(&port, -1);  // holds the port, listens not
  // Without waiting too: on this host the refusal comes at once.
  struct Case {
    const char* name;
    bool (CAsyncSocket::*connect)(const char*, unsigned);
  };
  for (const Case& c : {Case{"Connect", &CAsyncSocket::Connect},
                        Case{"BeginConnect", &CAsyncSocket::BeginConnect}}) {
    SCOPED_TRACE(c.name);
    Recorder socket;
    ASSERT_TRUE(socket.Create());
    EXPECT_FALSE((socket.*c.connect)(kLoopback, port));
    EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAECONNREFUSED);
  }
  close(bound);
}

TEST_F(SocketTest, ConnectWithoutAnswerTimesOut) {
  testsupport::UnansweringListener listener;
  Recorder socket;
  ASSERT_TRUE(socket.Create());
  const bool connected = socket.Connect(kLoopback, listener.port());
  const int code = CAsyncSocket::GetLastError();
  if (connected) GTEST_SKIP() << "the system answered a handshake beyond the listen queue";
  EXPECT_EQ(code, platform::WSAETIMEDOUT);
}

TEST_F(SocketTest, ListenerOnAFixedPortRestartsAtOnce) {
  unsigned port = 0;
  {
    CAsyncSocket probe;  // a free port to make fixed
    ASSERT_TRUE(probe.Create(0, SOCK_STREAM, kLoopback));
    ASSERT_TRUE(probe.GetSockName(nullptr, 0, &port));
  }
  {
    Recorder listener;
    ASSERT_TRUE(listener.Create(port, SOCK_STREAM, kLoopback));
    ASSERT_TRUE(listener.Listen());
    const int client = raw_connect(port);
    Recorder served;
    ASSERT_TRUE(listener.Accept(served));
    served.Close();  // this side closes first and keeps the port in TIME_WAIT
    char byte;
    EXPECT_EQ(recv(client, &byte, 1, 0), 0);
    close(client);
  }
  Recorder again;
  EXPECT_TRUE(again.Create(port, SOCK_STREAM, kLoopback)) << CAsyncSocket::GetLastError();
  EXPECT_TRUE(again.Listen());

  Recorder second;
  EXPECT_FALSE(second.Create(port, SOCK_STREAM, kLoopback));
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEADDRINUSE);
}

TEST_F(SocketTest, SendOfALargeBufferCompletesWhole) {
  unsigned port = 0;
  const int listener = raw_listener(&port);
  Blocking socket;
  ASSERT_TRUE(socket.Create());
  ASSERT_TRUE(socket.Connect(kLoopback, port));
  const int peer = raw_accept(listener);
  close(listener);

  std::vector<unsigned char> payload(8 << 20);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>(i * 7 + i / 4096);
  uint64_t expected = 0;
  for (const unsigned char byte : payload) expected = expected * 31 + byte;

  // The reader is another process: this one blocks in Send.
  const pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    uint64_t sum = 0;
    size_t got = 0;
    std::vector<unsigned char> buffer(65536);
    while (got < payload.size()) {
      const ssize_t count = recv(peer, buffer.data(), buffer.size(), 0);
      if (count <= 0) _exit(1);
      for (ssize_t i = 0; i < count; ++i) sum = sum * 31 + buffer[i];
      got += static_cast<size_t>(count);
    }
    _exit(send(peer, &sum, sizeof sum, MSG_NOSIGNAL) == sizeof sum ? 0 : 1);
  }
  close(peer);

  EXPECT_EQ(socket.Send(payload.data(), static_cast<int>(payload.size())),
            static_cast<int>(payload.size()));
  uint64_t sum = 0;
  EXPECT_EQ(socket.Receive(&sum, sizeof sum), static_cast<int>(sizeof sum));
  EXPECT_EQ(sum, expected);
  int status = 0;
  waitpid(reader, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(SocketTest, SendToAPeerThatTakesNothingTimesOut) {
  unsigned port = 0;
  const int listener = raw_listener(&port, 5, 4096);
  Recorder socket;
  ASSERT_TRUE(socket.Create());
  const int small = 4096;
  ASSERT_TRUE(socket.SetSockOpt(SO_SNDBUF, &small, sizeof small));
  ASSERT_TRUE(socket.Connect(kLoopback, port));
  const int peer = raw_accept(listener);

  std::vector<char> payload(8 << 20, 'x');
  EXPECT_EQ(socket.Send(payload.data(), static_cast<int>(payload.size())), -1);
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAETIMEDOUT);
  close(peer);
  close(listener);
}

TEST_F(SocketTest, BlockingReceiveWaitsForLateData) {
  unsigned port = 0;
  const int listener = raw_listener(&port);
  Blocking socket;
  ASSERT_TRUE(socket.Create());
  ASSERT_TRUE(socket.Connect(kLoopback, port));
  const int peer = raw_accept(listener);
  close(listener);

  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    usleep(100 * 1000);
    _exit(send(peer, "late", 4, MSG_NOSIGNAL) == 4 ? 0 : 1);
  }
  close(peer);
  char buffer[8] = {};
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "late");
  waitpid(writer, nullptr, 0);
}

TEST_F(ConnectionTest, ReceiveWithoutDataDoesNotWait) {
  char buffer[8];
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer), -1);
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEWOULDBLOCK);
}

TEST_F(SocketTest, BlockingReceiveGivesUpWithoutData) {
  unsigned port = 0;
  const int listener = raw_listener(&port);
  Blocking socket;
  ASSERT_TRUE(socket.Create());
  ASSERT_TRUE(socket.Connect(kLoopback, port));
  const int peer = raw_accept(listener);
  char buffer[8];
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer), -1);
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAETIMEDOUT);
  close(peer);
  close(listener);
}

TEST_F(SocketTest, DatagramsOnLoopback) {
  Recorder sender;
  Recorder receiver;
  ASSERT_TRUE(sender.Create(0, SOCK_DGRAM, kLoopback));
  ASSERT_TRUE(receiver.Create(0, SOCK_DGRAM, kLoopback));
  unsigned sender_port = 0;
  unsigned receiver_port = 0;
  ASSERT_TRUE(sender.GetSockName(nullptr, 0, &sender_port));
  ASSERT_TRUE(receiver.GetSockName(nullptr, 0, &receiver_port));

  EXPECT_EQ(sender.SendTo("first datagram", 14, receiver_port, kLoopback), 14);
  EXPECT_EQ(sender.SendTo("second", 6, receiver_port, kLoopback), 6);
  EXPECT_TRUE(loop.run_until([&] { return receiver.receives == 1; }, 2000));
  EXPECT_TRUE(stays_idle());  // told once while nothing is read

  char buffer[32] = {};
  char from[platform::kAddressTextSize] = {};
  unsigned from_port = 0;
  EXPECT_EQ(receiver.ReceiveFrom(buffer, sizeof buffer, from, sizeof from, &from_port), 14);
  EXPECT_EQ(std::string(buffer, 14), "first datagram");
  EXPECT_STREQ(from, kLoopback);
  EXPECT_EQ(from_port, sender_port);

  EXPECT_TRUE(loop.run_until([&] { return receiver.receives == 2; }, 2000));
  char small[4];
  EXPECT_EQ(receiver.Receive(small, sizeof small), -1);  // "second" does not fit
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEMSGSIZE);
  EXPECT_EQ(receiver.Receive(small, sizeof small), -1);
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEWOULDBLOCK);
}

TEST_F(SocketTest, ConnectedDatagramSocketSendsToItsPeer) {
  Recorder receiver;
  ASSERT_TRUE(receiver.Create(0, SOCK_DGRAM, kLoopback));
  unsigned port = 0;
  ASSERT_TRUE(receiver.GetSockName(nullptr, 0, &port));
  Recorder sender;
  ASSERT_TRUE(sender.Create(0, SOCK_DGRAM));
  ASSERT_TRUE(sender.Connect(kLoopback, port));
  EXPECT_EQ(sender.Send("ping", 4), 4);
  receiver.read_when_told = true;
  EXPECT_TRUE(loop.run_until([&] { return receiver.receives == 1; }, 2000));
  EXPECT_EQ(receiver.data, "ping");
}

TEST_F(SocketTest, MulticastOptionsPassThrough) {
  Recorder socket;
  ASSERT_TRUE(socket.Socket(SOCK_DGRAM));
  const int ttl = 3;
  const int off = 0;
  in_addr interface{};
  interface.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_TRUE(socket.SetSockOpt(IP_MULTICAST_TTL, &ttl, sizeof ttl, IPPROTO_IP));
  EXPECT_TRUE(socket.SetSockOpt(IP_MULTICAST_LOOP, &off, sizeof off, IPPROTO_IP));
  EXPECT_TRUE(socket.SetSockOpt(IP_MULTICAST_IF, &interface, sizeof interface, IPPROTO_IP));
  int value = -1;
  socklen_t length = sizeof value;
  ASSERT_TRUE(socket.GetSockOpt(IP_MULTICAST_TTL, &value, &length, IPPROTO_IP));
  EXPECT_EQ(value, 3);
  length = sizeof value;
  ASSERT_TRUE(socket.GetSockOpt(IP_MULTICAST_LOOP, &value, &length, IPPROTO_IP));
  EXPECT_EQ(value, 0);

  // Not a group address: refused, and the code says why.
  ip_mreq membership{};
  membership.imr_multiaddr.s_addr = htonl(INADDR_LOOPBACK);
  membership.imr_interface.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_FALSE(socket.SetSockOpt(IP_ADD_MEMBERSHIP, &membership, sizeof membership, IPPROTO_IP));
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAEINVAL);
}

TEST_F(SocketTest, CallsOnAClosedSocketFailAsNotASocket) {
  Recorder socket;
  char buffer[4];
  EXPECT_EQ(socket.Send("x", 1), -1);
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAENOTSOCK);
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer), -1);
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAENOTSOCK);
  EXPECT_FALSE(socket.Connect(kLoopback, 9));
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAENOTSOCK);
  ASSERT_TRUE(socket.Create());
  EXPECT_FALSE(socket.Socket());  // made already
  socket.Close();
  socket.Close();
  EXPECT_TRUE(socket.Create());  // a closed object makes a new socket
}

// Reads `count` bytes per notification into `data`.
void read_in_pieces(Recorder* socket, int count) {
  socket->after_receive = [count](Recorder* self) {
    char buffer[16];
    const int got = self->Receive(buffer, count);
    if (got > 0) self->data.append(buffer, static_cast<size_t>(got));
  };
}

TEST_F(ConnectionTest, WhatTheHandlerLeftIsToldAgainWithoutNewData) {
  read_in_pieces(&socket, 2);
  send_raw(peer, "abcdef");
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 3; }, 2000));
  EXPECT_EQ(socket.data, "abcdef");
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(socket.receives, 3);

  // A peek leaves the bytes for the next receive.
  socket.after_receive = [](Recorder* self) {
    char buffer[8];
    ASSERT_EQ(self->Receive(buffer, 2, MSG_PEEK), 2);
    EXPECT_EQ(std::string(buffer, 2), "gh");
    self->drain();
  };
  socket.data.clear();
  send_raw(peer, "ghij");
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 4; }, 2000));
  EXPECT_EQ(socket.data, "ghij");
}

TEST_F(ConnectionTest, ASocketClosedWithDataLeftIsNotToldAgain) {
  socket.after_receive = [](Recorder* self) {
    char buffer[2];
    const int got = self->Receive(buffer, sizeof buffer);
    if (got > 0) self->data.append(buffer, static_cast<size_t>(got));
    self->Close();
  };
  send_raw(peer, "abcdef");
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 1; }, 2000));
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(socket.receives, 1);
  EXPECT_EQ(socket.data, "ab");
}

TEST_F(SocketTest, AHandlerNeverWaitsForMoreData) {
  Recorder listener;
  const int peer = raw_connect(start_listening(listener));
  Blocking socket;
  ASSERT_TRUE(listener.Accept(socket));
  // The handler reads until nothing is left: the receive after the data
  // says so at once instead of waiting for more, as outside a handler.
  int last_error = 0;
  socket.read_when_told = true;
  socket.after_receive = [&](Recorder*) { last_error = CAsyncSocket::GetLastError(); };
  send_raw(peer, "all there is");
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 1; }, 2000));
  EXPECT_EQ(socket.data, "all there is");
  EXPECT_EQ(last_error, platform::WSAEWOULDBLOCK);
  close(peer);
}

TEST_F(ConnectionTest, StreamConnectionsSendWithoutDelay) {
  Recorder listener;
  const int client = raw_connect(start_listening(listener));
  Recorder accepted;
  ASSERT_TRUE(listener.Accept(accepted));
  struct Case {
    const char* what;
    CAsyncSocket* socket;
  };
  for (const Case& c : {Case{"connected", &socket}, Case{"accepted", &accepted}}) {
    SCOPED_TRACE(c.what);
    int on = 0;
    socklen_t length = sizeof on;
    ASSERT_TRUE(c.socket->GetSockOpt(TCP_NODELAY, &on, &length, IPPROTO_TCP));
    EXPECT_NE(on, 0);
  }
  close(client);
}

// --- Sending without waiting

// Rounds of the loop, each followed by a read of what waits at `peer` (into
// *got), until `done()` holds or timeout_ms passed; returns done().
bool run_reading(platform::EventLoop& loop, int peer, std::string* got,
                 const std::function<bool()>& done, int timeout_ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    loop.process_events(5);
    char buffer[65536];
    ssize_t count;
    while ((count = recv(peer, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
      got->append(buffer, static_cast<size_t>(count));
    }
  }
  return done();
}

// Sends with SendBuffered to a peer that does not read until what waits in
// the socket's own buffer no longer moves; what was sent goes to *sent. The
// socket's count of OnSend starts again at 0 afterwards.
void fill_until_stalled(platform::EventLoop& loop, Recorder& socket, std::string* sent) {
  const int small = 4096;
  ASSERT_TRUE(socket.SetSockOpt(SO_SNDBUF, &small, sizeof small));
  for (int i = 0; i < 100000; ++i) {
    const std::string chunk = std::to_string(i) + std::string(4000, static_cast<char>('a' + i % 26)) + ";";
    ASSERT_EQ(socket.SendBuffered(chunk.data(), static_cast<int>(chunk.size())),
              static_cast<int>(chunk.size()));
    *sent += chunk;
    if (socket.GetUnsent() == 0) continue;
    const size_t waiting = socket.GetUnsent();
    for (int round = 0; round < 5 && socket.GetUnsent() == waiting; ++round) {
      loop.process_events(20);
    }
    if (socket.GetUnsent() == waiting) {
      socket.sends = 0;
      return;
    }
  }
  FAIL() << "the peer's side took everything";
}

TEST_F(ConnectionTest, BufferedBytesGoInOrderAsThePeerReads) {
  std::string sent;
  fill_until_stalled(loop, socket, &sent);
  // Behind what waits, even when the system would take it now.
  const std::string last = "the end";
  EXPECT_EQ(socket.SendBuffered(last.data(), static_cast<int>(last.size())),
            static_cast<int>(last.size()));
  sent += last;
  EXPECT_EQ(socket.sends, 0);

  // The peer reads at its own pace while the loop goes on.
  std::string got;
  EXPECT_TRUE(run_reading(loop, peer, &got,
                          [&] { return got.size() >= sent.size() && socket.sends > 0; }));
  EXPECT_TRUE(got == sent) << got.size() << " of " << sent.size() << " bytes";
  EXPECT_EQ(socket.GetUnsent(), 0u);
  EXPECT_EQ(socket.sends, 1);  // told once, when the buffer was empty again
  EXPECT_EQ(socket.send_code, 0);
  EXPECT_EQ(socket.closes, 0);
  EXPECT_TRUE(stays_idle());
}

// Loopback hands sent segments to the peer within the send, so that what
// the peer can read at once shows what the system held back.
TEST_F(ConnectionTest, SendsThatMoreFollowGoTogetherOncePushed) {
  const auto readable_now = [&] {
    char buffer[64];
    const ssize_t count = recv(peer, buffer, sizeof buffer, MSG_DONTWAIT);
    return std::string(buffer, count > 0 ? static_cast<size_t>(count) : 0);
  };
  ASSERT_EQ(socket.SendBuffered("ab", 2, true), 2);
  ASSERT_EQ(socket.SendBuffered("cd", 2, true), 2);
  EXPECT_EQ(readable_now(), "");
  socket.PushHeld();
  EXPECT_EQ(readable_now(), "abcd");
  // A send without the mark takes what was held along.
  ASSERT_EQ(socket.SendBuffered("ef", 2, true), 2);
  ASSERT_EQ(socket.SendBuffered("gh", 2), 2);
  EXPECT_EQ(readable_now(), "efgh");
  socket.PushHeld();  // nothing held: nothing happens
  EXPECT_EQ(socket.GetUnsent(), 0u);
  EXPECT_TRUE(stays_idle());
}

// A socket under test connected to a raw peer, for each case of a table.
struct Connected {
  Connected() {
    unsigned port = 0;
    const int listener = raw_listener(&port);
    EXPECT_TRUE(socket.Create());
    EXPECT_TRUE(socket.Connect(kLoopback, port));
    peer = raw_accept(listener);
    close(listener);
  }
  ~Connected() {
    if (peer >= 0) close(peer);
  }
  Recorder socket;
  int peer = -1;
};

TEST_F(SocketTest, BufferedSendsPastTheBoundAreRefused) {
  struct Case {
    const char* name;
    bool behind_waiting_bytes;
  };
  for (const Case& c : {Case{"the part the system did not take", false},
                        Case{"behind waiting bytes", true}}) {
    SCOPED_TRACE(c.name);
    Connected connected;
    std::string sent;
    if (c.behind_waiting_bytes) fill_until_stalled(loop, connected.socket, &sent);
    const size_t kept = connected.socket.GetUnsent();
    // More than the system and the buffer take together.
    const std::string big(CAsyncSocket::kMaxSendBuffer + (16u << 20) - kept, 'b');
    EXPECT_EQ(connected.socket.SendBuffered(big.data(), static_cast<int>(big.size())), -1);
    EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAENOBUFS);
    EXPECT_EQ(connected.socket.GetUnsent(), kept);
  }
}

TEST_F(ConnectionTest, APeerThatTakesNothingForTheTimeoutLosesTheConnection) {
  std::string sent;
  fill_until_stalled(loop, socket, &sent);
  EXPECT_TRUE(loop.run_until([&] { return socket.sends > 0; },
                             CAsyncSocket::kBlockingTimeoutMs + 5000));
  EXPECT_EQ(socket.sends, 1);
  EXPECT_EQ(socket.send_code, platform::WSAETIMEDOUT);
  // Dropped with the connection, which is closed.
  EXPECT_EQ(socket.GetUnsent(), 0u);
  EXPECT_EQ(socket.SendBuffered("x", 1), -1);
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAENOTSOCK);
  EXPECT_EQ(socket.closes, 0);
}

TEST_F(SocketTest, AfterThePeerEndedItsStreamASendReachesItOnlyIfItStillReads) {
  struct Case {
    const char* name;
    bool closes;  // a full close, or an end of its sending only
  };
  for (const Case& c : {Case{"closed", true}, Case{"ended its sending", false}}) {
    SCOPED_TRACE(c.name);
    Connected connected;
    Recorder& socket = connected.socket;
    socket.read_when_told = true;
    send_raw(connected.peer, "request");
    if (c.closes) {
      close(connected.peer);
      connected.peer = -1;
    } else {
      ASSERT_EQ(shutdown(connected.peer, SHUT_WR), 0);
    }
    ASSERT_TRUE(loop.run_until([&] { return socket.closes == 1; }, 2000));
    EXPECT_EQ(socket.close_code, 0);
    EXPECT_EQ(socket.data, "request");

    const std::string reply = "reply";
    const int result = socket.SendBuffered(reply.data(), static_cast<int>(reply.size()));
    if (c.closes) {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAECONNRESET);
    } else {
      EXPECT_EQ(result, static_cast<int>(reply.size()));
      char buffer[16] = {};
      EXPECT_EQ(recv(connected.peer, buffer, sizeof buffer, 0),
                static_cast<ssize_t>(reply.size()));
      EXPECT_STREQ(buffer, "reply");
    }
  }
}

TEST_F(SocketTest, AConnectBegunWithoutWaitingCarriesWhatWasSentMeanwhile) {
  unsigned port = 0;
  const int listener = raw_listener(&port);
  Recorder socket;
  ASSERT_TRUE(socket.Create());
  ASSERT_TRUE(socket.BeginConnect(kLoopback, port));
  EXPECT_EQ(socket.SendBuffered("hello", 5), 5);
  const int peer = raw_accept(listener);
  char buffer[8] = {};
  EXPECT_EQ(recv(peer, buffer, sizeof buffer, 0), 5);
  EXPECT_STREQ(buffer, "hello");
  // Told of what comes back, as any connection.
  socket.read_when_told = true;
  send_raw(peer, "back");
  EXPECT_TRUE(loop.run_until([&] { return socket.receives == 1; }, 2000));
  EXPECT_EQ(socket.data, "back");
  close(peer);
  close(listener);
}

TEST_F(SocketTest, AConnectBegunWithoutWaitingGivesUpOnAListenerThatDoesNotAnswer) {
  testsupport::UnansweringListener listener;
  Recorder socket;
  ASSERT_TRUE(socket.Create());
  ASSERT_TRUE(socket.BeginConnect(kLoopback, listener.port()));
  EXPECT_EQ(socket.SendBuffered("hello", 5), 5);
  if (socket.GetUnsent() != 5) GTEST_SKIP() << "the system answered beyond the listen queue";
  EXPECT_TRUE(loop.run_until([&] { return socket.sends > 0; },
                             CAsyncSocket::kBlockingTimeoutMs + 5000));
  EXPECT_EQ(socket.send_code, platform::WSAETIMEDOUT);
  EXPECT_EQ(socket.GetUnsent(), 0u);
}

}  // namespace
