#include "Relaywick/datagramsocket.h"

#include <string>

namespace discovery_socket {

int receive(CSocketBase& socket, const char* who, char* buffer, char* sender, unsigned* port) {
  const std::string prefix(who);
  socket.debug((prefix + " Incoming event on multicast socket").c_str());
  const int count = socket.ReceiveFrom(buffer, kDatagramBufferSize - 1, sender,
                                       sender != nullptr ? platform::kAddressTextSize : 0, port);
  if (count < 0) {
    socket.debug((prefix + " Error receiving data from the host group").c_str());
    buffer[0] = '\0';
  } else {
    buffer[count] = '\0';
  }
  return count;
}

void deliver(CSocketBase& socket, const char* who, const char* text) {
  socket.debug((std::string(who) + " Incoming data:").c_str());
  socket.debug(text);
  // Sent, not posted: the handler reads the buffer before anything can
  // replace it.
  if (CWnd* handler = socket.get_handler()) {
    handler->SendMessage(WM_SOCKET_NOTIFY, static_cast<WPARAM>(socket.get_sockettype()),
                         static_cast<LPARAM>(socket.get_descriptor()));
  }
}

}  // namespace discovery_socket

CDataGramSocket::CDataGramSocket(CWnd* handler) : CSocketBase(handler) {
  set_sockettype(SOCKETTYPE_MULTICAST);
}

int CDataGramSocket::create_receiver() {
  if (!Create(0, SOCK_DGRAM)) return 0;
  if (!GetSockName(nullptr, 0, &port_)) {
    Close();
    port_ = 0;
    return 0;
  }
  return 1;
}

void CDataGramSocket::OnReceive(int code) {
  set_len(discovery_socket::receive(*this, "<CDataGramSocket>", buffer_, sender_, &sender_port_));
  CSocketBase::OnReceive(code);
  discovery_socket::deliver(*this, "<CDataGramSocket>", buffer_);
}
