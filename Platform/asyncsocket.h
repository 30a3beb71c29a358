// CAsyncSocket: an IPv4 TCP or UDP socket whose notifications (OnReceive,
// OnAccept, OnClose) come from the event loop that was current when the
// object was made; CSocket: the same with a Receive that waits for data.
//
// Notifications are one-shot, as on the original platform, so a handler that
// returns without reading never keeps the loop busy:
//  - OnReceive is told once when data waits; a Receive or ReceiveFrom call
//    arms it again (told again at once if data is left).
//  - OnAccept is told once when a connection waits; an Accept call arms it
//    again, except one that failed for lack of descriptors or memory
//    (WSAEMFILE, WSAENOBUFS): the listener then rests until the owner calls
//    Accept again, so that it does not spin while nothing can be taken.
//  - OnClose (stream sockets) is told once, when the peer has closed (code 0)
//    or the connection broke (the error's code), and only once the data that
//    came before it has been received: a handler that stops receiving hears
//    of the close when it reads again.
// Datagram sockets are armed for OnReceive from Socket/Create on; stream
// sockets from a successful Connect or Accept; listeners from Listen.
//
// Sending comes in two kinds. Send completes or fails before it returns;
// SendBuffered never waits: what the system does not take at once waits in
// the socket's outgoing buffer (at most kMaxSendBuffer bytes), which the
// loop writes out as the socket becomes writable, and OnSend tells the
// handler when the buffer is empty again or its bytes cannot go. Likewise
// Connect waits for the connection and BeginConnect does not. A socket uses
// one kind or the other.
//
// A stream connection learns what its readiness means by receiving: when
// the loop reports it readable, the socket receives once, up to as many
// bytes as its handler last asked for, and tells OnReceive of the bytes
// (which the handler's Receive then takes without a further call to the
// system) or OnClose of the end or the error. A notification handler never
// waits, CSocket or not: its Receive gives what has come. Connected stream
// sockets send without delay (TCP_NODELAY): each Send is a whole message or
// request; a SendBuffered that more follows may wait for the next.
//
// Connect and Send block the thread (not the loop's callbacks: none run
// meanwhile) for at most kBlockingTimeoutMs; BeginConnect and SendBuffered
// give up on a peer after as long, without holding the thread. Every
// failure returns false or -1 and stores its code (socketerror.h) for
// GetLastError.
//
// Lifetime: the socket is closed by Close or the destructor; the loop must
// outlive the object. A handler may delete its own socket (the notification
// code touches nothing after the handler), but deleting it from elsewhere in
// a callback chain that may still use it calls for platform::delete_later.
#pragma once

#include <sys/socket.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "Platform/eventloop.h"

class CAsyncSocket {
 public:
  static constexpr int kBlockingTimeoutMs = 3000;
  // What a stream connection receives ahead before its handler's first
  // Receive, and at most.
  static constexpr int kReceiveAhead = 2048;
  static constexpr int kMaxReceiveAhead = 65536;
  // What the outgoing buffer of SendBuffered holds at most: room for a few
  // of the largest messages a peer takes (1 MiB).
  static constexpr size_t kMaxSendBuffer = size_t{4} << 20;

  CAsyncSocket() : CAsyncSocket(false) {}
  CAsyncSocket(const CAsyncSocket&) = delete;
  CAsyncSocket& operator=(const CAsyncSocket&) = delete;
  virtual ~CAsyncSocket();

  // Makes the descriptor (SOCK_STREAM or SOCK_DGRAM), not bound yet, so that
  // options can be set before Bind. Fails on a socket already made.
  bool Socket(int type = SOCK_STREAM);
  // Binds to `port` (0: the system's choice) on `address` (dotted or a host
  // name; null or "": any address).
  bool Bind(unsigned port, const char* address = nullptr);
  // Socket and Bind in one; a stream socket on a fixed port gets
  // SO_REUSEADDR first, so that a restarted listener can take its port back
  // at once. On failure nothing stays open.
  bool Create(unsigned port = 0, int type = SOCK_STREAM, const char* address = nullptr);
  bool Listen(int backlog = 5);
  // Takes a waiting connection into `connected`, which must hold no socket
  // yet and whose notifications start at once. Does not wait: no connection
  // waiting fails with WSAEWOULDBLOCK. See the top of this file for a
  // failure for lack of descriptors.
  bool Accept(CAsyncSocket& connected);
  // Connects to `host` (dotted or a host name) on `port`; WSAETIMEDOUT when
  // no answer came in time, WSAECONNREFUSED when nobody listens there.
  bool Connect(const char* host, unsigned port);
  // Connects without waiting: true when the connection is made or under
  // way (a stream's notifications start once it is made), false when the
  // system refused it at once. Data given to SendBuffered meanwhile waits
  // in the outgoing buffer. A connect under way that fails, or that is not
  // made within kBlockingTimeoutMs (WSAETIMEDOUT), is told by OnSend.
  bool BeginConnect(const char* host, unsigned port);

  // Sends all `length` bytes or fails (-1): bytes still unsent after
  // kBlockingTimeoutMs give WSAETIMEDOUT, whatever part went out already.
  int Send(const void* data, int length, int flags = 0);
  // Sends all `length` bytes of a stream connection without waiting. When
  // nothing waits before them they go in one send call, and only what the
  // system does not take is kept, in the outgoing buffer; otherwise they
  // queue behind what waits. `length` once they went or are kept, or -1:
  // not connected, the connection broke (its code, also for a peer that
  // ended its stream and answered the data with a reset at once), or
  // WSAENOBUFS when the buffer would pass kMaxSendBuffer (part of the data
  // may have gone: the stream then ends in the middle of it).
  //
  // `more_follows`: the caller sends on this connection again before it
  // returns to the loop. The system may then hold back bytes that do not
  // fill a segment, so that the sends travel together; the next send
  // without it, or PushHeld, sends what was held (the system itself sends
  // it within about 200 ms).
  int SendBuffered(const void* data, int length, bool more_follows = false);
  // Sends what the system holds back for sends that more would follow.
  void PushHeld();
  // The bytes that wait in the outgoing buffer.
  size_t GetUnsent() const { return unsent_.size() - unsent_head_; }
  // One datagram to `host` (dotted or a host name) and `port`.
  int SendTo(const void* data, int length, unsigned port, const char* host, int flags = 0);
  // Up to `length` bytes: the count, 0 when the peer has closed, -1 on
  // failure (WSAEWOULDBLOCK: nothing waits). A datagram longer than `length`
  // fails with WSAEMSGSIZE (its head is in `buffer`, the rest is lost).
  int Receive(void* buffer, int length, int flags = 0);
  // Receive that also gives the sender's dotted address (into `address`, of
  // `address_size` bytes, kAddressTextSize is enough) and port; both may be
  // null.
  int ReceiveFrom(void* buffer, int length, char* address, size_t address_size, unsigned* port,
                  int flags = 0);

  // Stops the notifications and closes the descriptor; the object can make a
  // new socket afterwards. Nothing happens on a closed socket.
  void Close();

  // The peer's or the own address as dotted text into `address` (of
  // `address_size` bytes) and the port; either may be null.
  bool GetPeerName(char* address, size_t address_size, unsigned* port) const;
  bool GetSockName(char* address, size_t address_size, unsigned* port) const;
  // setsockopt/getsockopt as they are, e.g. the multicast options of
  // IPPROTO_IP (IP_ADD_MEMBERSHIP, IP_MULTICAST_IF, IP_MULTICAST_TTL,
  // IP_MULTICAST_LOOP).
  bool SetSockOpt(int option, const void* value, socklen_t length, int level = SOL_SOCKET);
  bool GetSockOpt(int option, void* value, socklen_t* length, int level = SOL_SOCKET) const;

  // The code of the last failed socket call of the process.
  static int GetLastError();

 protected:
  explicit CAsyncSocket(bool blocking_receive);

  // Told from the loop; see the top of this file. The defaults do nothing.
  virtual void OnReceive(int code);
  virtual void OnAccept(int code);
  virtual void OnClose(int code);
  // Told when the outgoing buffer of SendBuffered is empty again (code 0),
  // or when its bytes cannot go (the error's code): the connection broke,
  // the peer took none of them for kBlockingTimeoutMs or the connect of
  // BeginConnect failed or was not made in that time (WSAETIMEDOUT). After
  // a failure the unsent bytes are dropped and the socket is closed before
  // it is told.
  virtual void OnSend(int code);

 private:
  using Clock = std::chrono::steady_clock;

  void attach(int fd, int type, bool notifying);
  void start_notifying();
  void update_watch();
  void on_ready(unsigned ready);
  void on_readable();
  // Writes the outgoing buffer out, after finishing a connect under way;
  // true when it told OnSend (the object may be gone then).
  bool send_unsent();
  // Drops the unsent bytes with the connection and tells OnSend(code).
  void fail_sending(int code);
  // After a connect: notifications start.
  void connected();
  // Starts a connect: 1 when it is made, 0 while it is under way, -1 on
  // failure (code stored).
  int start_connect(const char* host, unsigned port);
  // Gives a peer that takes nothing kBlockingTimeoutMs from its last progress.
  void watch_progress(Clock::duration after);
  // OnReceive, disarmed first; touches nothing when the handler deleted
  // the object.
  void tell_receive();
  void tell_close(int code);
  // A notification for the bytes held ahead that a Receive left, from the
  // loop and not from inside that Receive.
  void tell_again();
  // Receives once into the bytes held ahead: the count, 0 at the end, -1
  // on failure (errno set).
  int receive_ahead();
  int held() const { return held_end_ - held_begin_; }
  // Up to `length` of the bytes held ahead into `buffer`; consumed unless
  // peeking.
  int take_held(void* buffer, int length, bool peek);
  void note_broken(int error);
  bool wait_ready(short events, int timeout_ms) const;
  int send_all(const void* data, int length, int flags, const void* to);
  int receive(void* buffer, int length, int flags, void* from);

  // What a send or a notification reads first, side by side.
  platform::EventLoop& loop_;
  int fd_ = -1;
  int type_ = 0;
  const bool blocking_receive_;
  bool listening_ = false;
  bool notifying_ = false;     // connected, listening or a datagram socket
  bool armed_ = false;         // OnReceive or OnAccept may be told
  bool close_told_ = false;
  bool peer_ended_ = false;    // the stream's end was received
  bool connecting_ = false;    // BeginConnect's connect is under way
  bool push_held_ = false;     // the system may hold bytes back for more
  // What SendBuffered kept: [unsent_head_, end) of unsent_, in order.
  size_t unsent_head_ = 0;
  std::string unsent_;
  platform::EventLoop::Id watch_ = 0;
  int broken_code_ = 0;        // the first connection error a call came upon
  // The bytes a stream connection received for its handler ahead of its
  // Receive: [held_begin_, held_end_) of ahead_.
  int held_begin_ = 0;
  int held_end_ = 0;
  std::unique_ptr<char[]> ahead_;
  int ahead_capacity_ = 0;
  int ahead_size_ = kReceiveAhead;  // the handler's last Receive length
  platform::EventLoop::Id again_timer_ = 0;
  // When the peer last took bytes of the buffer (or the connect began).
  Clock::time_point send_progress_;
  platform::EventLoop::Id progress_timer_ = 0;
  // While a notification runs: set when the object is destroyed meanwhile.
  bool* destroyed_ = nullptr;
};

// A socket whose Receive and ReceiveFrom wait up to kBlockingTimeoutMs for
// data (then -1, WSAETIMEDOUT), for the request-and-answer clients.
class CSocket : public CAsyncSocket {
 public:
  CSocket() : CAsyncSocket(true) {}
};
