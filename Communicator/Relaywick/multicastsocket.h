// CMulticastSocket: the group socket of service discovery. JoinGroup makes
// three UDP sockets:
//   - this one, bound to the group's address and port and a member of the
//     group, which receives the group's datagrams on the joined interface
//     only (descriptor 1);
//   - the unicast receiver (CDataGramSocket, descriptor 2), on a port of the
//     system's choice, where answers to this agent's searches arrive;
//   - a sending socket, through which Send reaches the group.
// Membership and sending use the interface that platform::multicast_interface
// names (VERANTA_MULTICAST_IF); without one no group is joined. Send goes to
// the joined group only.
//
// Each received datagram is kept in its socket's buffer and the handler
// window is told synchronously: WM_SOCKET_NOTIFY with wParam 9 and lParam
// the descriptor (1 or 2).
//
// The logger and the handler window are not owned (see CSocketBase). The
// unicast receiver is owned. A handler that is told of a datagram must not
// delete this socket directly: platform::delete_later.
#pragma once

#include <netinet/in.h>

#include <memory>
#include <string>

#include "Relaywick/datagramsocket.h"
#include "Relaywick/socketbase.h"
#include "Toolwick/heaptext.h"

class CMulticastSocket : public CSocketBase {
 public:
  // The group port until a group is joined.
  static constexpr unsigned kDefaultGroupPort = 6648;

  explicit CMulticastSocket(CWnd* handler);
  ~CMulticastSocket() override;

  // CreateReceivingSocket, then CreateSendingSocket. 1 when joined; 0 with
  // every socket closed again (nothing of a failed join stays open), also
  // when a group is joined already.
  int JoinGroup(const char* group, unsigned port, int ttl, int loopback);
  // Drops the membership (0 when that fails) and closes all three sockets;
  // 1.
  int LeaveGroup();
  // Sends `length` bytes of `text` as one datagram to the joined group: 1
  // when it went out, 0 otherwise (no group joined, no sending socket).
  int Send(const char* text, int length);

  // 1: the group socket's last datagram; 2: the unicast receiver's; null
  // for other values or without a unicast receiver. Owned by the sockets.
  char* get_data(int which);
  // The unicast receiver's port, 0 without one.
  unsigned get_unicast_port() const;
  // Copies; null is ignored. The text stays null until set or joined.
  void set_group_ip(const char* address);
  char* get_group_ip() const { return group_ip_.get(); }
  void set_group_port(unsigned port) { group_port_ = port; }
  unsigned get_group_port() const { return group_port_; }
  // The sending socket's IP_MULTICAST_TTL / IP_MULTICAST_LOOP: 1, or 0 when
  // it failed or there is no sending socket.
  int SetTTL(int ttl);
  int SetLoopBack(int loopback);
  // 1 when the system would not switch the loopback of sent datagrams off;
  // the local host's first address is then kept to know own datagrams by.
  int get_loopback_flag() const { return loopback_flag_; }
  const char* get_local_address() const { return local_address_.c_str(); }

  // The two halves of JoinGroup; each returns 1, or logs and returns 0.
  // A failed CreateReceivingSocket leaves nothing open.
  int CreateReceivingSocket(const char* group, unsigned port);
  int CreateSendingSocket(int ttl, int loopback);

  // Closes every socket and stops the lines and notifications, for a socket
  // that is about to be deleted later (platform::delete_later).
  void retire();

 protected:
  void OnReceive(int code) override;

 private:
  // Closes the three sockets; the unicast receiver, which may be telling
  // its handler right now, is deleted later.
  void close_all();

  char buffer_[kDatagramBufferSize] = {};
  HeapText group_ip_;
  unsigned group_port_ = kDefaultGroupPort;
  sockaddr_in group_address_{};
  ip_mreq membership_{};
  bool joined_ = false;
  std::unique_ptr<CAsyncSocket> sending_;
  std::unique_ptr<CDataGramSocket> unicast_;
  int loopback_flag_ = 0;
  std::string local_address_;
};
