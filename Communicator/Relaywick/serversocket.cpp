#include "Relaywick/serversocket.h"

#include <cstring>

#include "Platform/eventloop.h"
#include "Platform/hostaddress.h"
#include "Relaywick/clientsocket.h"
#include "Relaywick/logfacility.h"

namespace {

// A list element that owns the socket it carries as content.
class SocketElement : public CListElement {
 public:
  explicit SocketElement(std::unique_ptr<CSocketBase> socket) : socket_(std::move(socket)) {
    CListElement::set_content(socket_.get());
  }
  CSocketBase* socket() const { return socket_.get(); }
  std::unique_ptr<CSocketBase> release() {
    CListElement::set_content(nullptr);
    return std::move(socket_);
  }

 private:
  std::unique_ptr<CSocketBase> socket_;
};

SocketElement* first(const CLList& list) { return static_cast<SocketElement*>(list.get_element(0)); }
SocketElement* next(SocketElement* element) {
  return static_cast<SocketElement*>(element->get_next());
}

}  // namespace

CServerSocket::CServerSocket(CWnd* handler) : CSocketBase(handler) {}

CServerSocket::~CServerSocket() {
  Close();
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) e->socket()->set_dirty(1);
  sockets_.delete_list();
}

void CServerSocket::set_logger(CLogFacility* logger) {
  logger_ = logger;
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) e->socket()->set_logger(logger);
}

void CServerSocket::debug(const char* line) {
  if (logger_ != nullptr && line != nullptr) logger_->process_message(line, 0);
}

void CServerSocket::new_connection(std::unique_ptr<CSocketBase> socket) {
  add(std::move(socket), true);
}

void CServerSocket::register_connection(std::unique_ptr<CSocketBase> socket) {
  add(std::move(socket), false);
}

void CServerSocket::add(std::unique_ptr<CSocketBase> socket, bool read_peer) {
  if (socket == nullptr) return;
  CSocketBase* added = socket.get();
  added->set_descriptor(get_descriptor());
  added->set_logger(logger_);
  sockets_.add_element(new SocketElement(std::move(socket)));
  if (read_peer && added->get_sockettype() == SOCKETTYPE_CLIENT) {
    if (auto* client = dynamic_cast<CClientSocket*>(added)) {
      char host[platform::kAddressTextSize] = {};
      unsigned port = 0;
      if (client->GetPeerName(host, sizeof host, &port)) {
        client->set_hostname(host);
        client->set_port(port);
      }
    }
  }
  set_descriptor(get_descriptor() + 1);
}

void CServerSocket::remove_connection(CSocketBase* socket) {
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
    if (e->socket() != socket) continue;
    std::unique_ptr<CSocketBase> owned = e->release();
    sockets_.delete_element(e);
    owned->Close();
    platform::delete_later(owned.release());
    return;
  }
}

CSocketBase* CServerSocket::find_connection(const char* name, const char* /*host*/,
                                            unsigned /*port*/) {
  if (name == nullptr) return nullptr;
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
    CSocketBase* socket = e->socket();
    const char* agent = socket->get_agentname();
    if (agent == nullptr) {
      debug("CServerSocket> Agent name for this socket is NULL");
      continue;
    }
    if (std::strcmp(agent, name) == 0 && std::strcmp(agent, kUnknownAgent) != 0 &&
        std::strcmp(agent, kBroadcastAgent) != 0 && socket->get_dirty() == 0) {
      return socket;
    }
  }
  return nullptr;
}

CSocketBase* CServerSocket::get_connection(long descriptor) {
  if (descriptor == -1) return nullptr;
  CSocketBase* found = nullptr;
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
    if (e->socket()->get_descriptor() == descriptor) found = e->socket();
  }
  return found;
}

void CServerSocket::sweep_connections() {
  SocketElement* e = first(sockets_);
  while (e != nullptr) {
    SocketElement* following = next(e);
    auto* client = dynamic_cast<CClientSocket*>(e->socket());
    if (client != nullptr && (client->get_dirty() != 0 || client->is_peer_closed()) &&
        client->is_waiting() == 0) {
      remove_connection(client);
    }
    e = following;
  }
}

void CServerSocket::OnAccept(int /*code*/) {
  if (get_handler() == nullptr) {
    debug("<CServerSocket> Invalid message handler given, closing connection ,..");
    // Taking the connection re-arms the listener; without it the waiting
    // peer would keep the loop busy.
    CAsyncSocket refused;
    Accept(refused);
    return;
  }
  auto client = std::make_unique<CClientSocket>(this, get_handler());
  if (!Accept(*client)) {
    debug("<CServerSocket> Unable to Accept on CSocket");
    return;
  }
  debug("<CServerSocket> Accept succeeded");
  new_connection(std::move(client));
}
