// CDataGramSocket: the unicast receiver of service discovery. Answers to
// this agent's searches arrive here, on a UDP port that the system chose.
// Each datagram is kept in the socket's buffer and the handler window is
// told of it synchronously: WM_SOCKET_NOTIFY with wParam 9 (the socket type)
// and lParam the descriptor (2, given by its multicast socket), sent so that
// the handler has read the data before the next datagram replaces it.
//
// The logger and the handler window are not owned (see CSocketBase).
#pragma once

#include "Platform/hostaddress.h"
#include "Relaywick/socketbase.h"

// The receive buffer of both discovery sockets; one datagram of up to
// kDatagramBufferSize - 1 bytes fits with its NUL.
inline constexpr int kDatagramBufferSize = 32000;

class CDataGramSocket : public CSocketBase {
 public:
  explicit CDataGramSocket(CWnd* handler);
  ~CDataGramSocket() override = default;

  // Makes the UDP socket on a port of the system's choice (any address) and
  // reads the port back. 1, or 0 with nothing left open.
  int create_receiver();
  // The port, 0 before create_receiver.
  unsigned get_portnumber() const { return port_; }
  // The last datagram as text, owned by the socket; "" before the first and
  // after a failed receive.
  char* get_data() { return buffer_; }
  // Where the last datagram came from: "" and 0 before the first.
  const char* get_sender() const { return sender_; }
  unsigned get_sender_port() const { return sender_port_; }

 protected:
  void OnReceive(int code) override;

 private:
  char buffer_[kDatagramBufferSize] = {};
  char sender_[platform::kAddressTextSize] = {};
  unsigned sender_port_ = 0;
  unsigned port_ = 0;
};

// The receiving steps that both discovery sockets share. `who` is the
// "<Class>" prefix of their log lines.
namespace discovery_socket {

// Logs the event, receives one datagram into `buffer` (kDatagramBufferSize
// bytes) as text and its sender's address into `sender`
// (platform::kAddressTextSize) and `port`, both of which may be null. A
// failed or oversize receive is logged and leaves "". The byte count, or -1.
int receive(CSocketBase& socket, const char* who, char* buffer, char* sender, unsigned* port);
// Logs the text and tells the handler window before it returns.
void deliver(CSocketBase& socket, const char* who, const char* text);

}  // namespace discovery_socket
