#include "Relaywick/serversocket.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstring>

#include "Platform/hostaddress.h"
#include "Platform/socketerror.h"
#include "Relaywick/clientsocket.h"
#include "Relaywick/logfacility.h"
#include "Toolwick/format.h"

namespace {

// A list element that owns the socket it carries as content. It knows the
// socket's client side, found once when it is registered, so that nothing
// on the way of a message needs to ask the socket what it is.
class SocketElement : public CListElement {
 public:
  explicit SocketElement(std::unique_ptr<CSocketBase> socket)
      : socket_(std::move(socket)), client_(dynamic_cast<CClientSocket*>(socket_.get())) {
    CListElement::set_content(socket_.get());
  }
  CSocketBase* socket() const { return socket_.get(); }
  // Null for a socket that is no client connection.
  CClientSocket* client() const { return client_; }
  std::unique_ptr<CSocketBase> release() {
    CListElement::set_content(nullptr);
    client_ = nullptr;
    return std::move(socket_);
  }

 private:
  std::unique_ptr<CSocketBase> socket_;
  CClientSocket* client_;
};

SocketElement* first(const CLList& list) { return static_cast<SocketElement*>(list.get_element(0)); }
SocketElement* next(SocketElement* element) {
  return static_cast<SocketElement*>(element->get_next());
}

}  // namespace

CServerSocket::CServerSocket(CWnd* handler)
    : CSocketBase(handler), loop_(platform::current_loop()) {}

CServerSocket::~CServerSocket() {
  if (backoff_timer_ != 0) loop_.stop_timer(backoff_timer_);
  Close();
  by_descriptor_.clear();
  by_name_.clear();
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
    e->socket()->registry_ = nullptr;
    e->socket()->set_dirty(1);
  }
  sockets_.delete_list();
}

void CServerSocket::set_logger(CLogFacility* logger) {
  logger_ = logger;
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) e->socket()->set_logger(logger);
}

void CServerSocket::debug(const char* line) {
  if (logger_ != nullptr && line != nullptr) logger_->process_message(line, 0);
}

int CServerSocket::get_accept_limit() const {
  if (limits_.accepted > 0) return limits_.accepted;
  rlimit descriptors{};
  if (getrlimit(RLIMIT_NOFILE, &descriptors) != 0 || descriptors.rlim_cur == RLIM_INFINITY) {
    return kMaxAccepted;
  }
  const rlim_t usable = descriptors.rlim_cur > kReservedDescriptors + 1
                            ? descriptors.rlim_cur - kReservedDescriptors
                            : 1;
  return static_cast<int>(std::min<rlim_t>(usable, kMaxAccepted));
}

bool CServerSocket::recount(size_t before, size_t after) {
  const size_t others = held_bytes_ - before;
  if (after > before && after > limits_.held_bytes - std::min(others, limits_.held_bytes)) {
    return false;
  }
  held_bytes_ = others + after;
  return true;
}

void CServerSocket::new_connection(std::unique_ptr<CSocketBase> socket) {
  add(std::move(socket), true);
}

void CServerSocket::register_connection(std::unique_ptr<CSocketBase> socket) {
  add(std::move(socket), false);
}

CClientSocket* CServerSocket::client_of(const CSocketBase* socket) {
  return static_cast<SocketElement*>(socket->registry_element_)->client();
}

void CServerSocket::add(std::unique_ptr<CSocketBase> socket, bool read_peer) {
  if (socket == nullptr) return;
  CSocketBase* added = socket.get();
  added->set_descriptor(get_descriptor());
  added->set_logger(logger_);
  auto* element = new SocketElement(std::move(socket));
  added->registry_element_ = sockets_.add_element(element);
  added->registry_ = this;
  added->registered_order_ = next_order_++;
  index(added);
  if (CClientSocket* client = element->client()) {
    client->counted_bytes_ = client->get_held_bytes();
    held_bytes_ += client->counted_bytes_;
    if (client->accepted_) ++accepted_;
    if (read_peer && added->get_sockettype() == SOCKETTYPE_CLIENT) {
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
  if (socket == nullptr || socket->registry_ != this) return;
  unindex(socket);
  auto* e = static_cast<SocketElement*>(socket->registry_element_);
  CClientSocket* client = e->client();
  socket->registry_ = nullptr;
  socket->registry_element_ = nullptr;
  std::unique_ptr<CSocketBase> owned = e->release();
  sockets_.delete_element(e);
  if (client != nullptr) {
    held_bytes_ -= client->counted_bytes_;
    client->counted_bytes_ = 0;
    if (client->accepted_) --accepted_;
  }
  owned->Close();
  platform::delete_later(owned.release());
}

CSocketBase* CServerSocket::find_connection(const char* name, const char* /*host*/,
                                            unsigned /*port*/) {
  if (name == nullptr || std::strcmp(name, kUnknownAgent) == 0 ||
      std::strcmp(name, kBroadcastAgent) == 0) {
    return nullptr;
  }
  const auto named = by_name_.find(std::string_view(name));
  if (named == by_name_.end()) return nullptr;
  for (CSocketBase* socket : named->second) {
    if (socket->get_dirty() != 0) continue;
    // What is sent to a peer that closed is lost: a newer connection of
    // the same agent, or a new one, carries it.
    const CClientSocket* client = client_of(socket);
    if (client == nullptr || !client->is_peer_closed()) return socket;
  }
  return nullptr;
}

CSocketBase* CServerSocket::get_connection(long descriptor) {
  if (descriptor == -1) return nullptr;
  const auto found = by_descriptor_.find(descriptor);
  return found != by_descriptor_.end() ? found->second.back() : nullptr;
}

CClientSocket* CServerSocket::get_client(long descriptor) {
  CSocketBase* socket = get_connection(descriptor);
  return socket != nullptr ? client_of(socket) : nullptr;
}

CClientSocket* CServerSocket::most_pending(CClientSocket* grower) {
  CClientSocket* most = grower;
  size_t most_bytes = grower->get_pending_bytes();
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
    CClientSocket* client = e->client();
    if (client == nullptr || client->get_dirty() != 0) continue;
    const size_t bytes = client->get_pending_bytes();
    if (bytes > most_bytes) {
      most = client;
      most_bytes = bytes;
    }
  }
  return most;
}

namespace {

template <typename Map, typename Key>
void erase_from(Map& map, const Key& key, CSocketBase* socket) {
  const auto found = map.find(key);
  if (found == map.end()) return;
  std::erase(found->second, socket);
  if (found->second.empty()) map.erase(found);
}

}  // namespace

void CServerSocket::index(CSocketBase* socket) {
  // Usually at the end: the socket is the newest of its bucket.
  const auto place = [socket](Bucket& bucket) {
    auto at = bucket.end();
    while (at != bucket.begin() && (*(at - 1))->registered_order_ > socket->registered_order_) {
      --at;
    }
    bucket.insert(at, socket);
  };
  place(by_descriptor_[socket->get_descriptor()]);
  if (const char* name = socket->get_agentname()) {
    auto named = by_name_.find(std::string_view(name));
    if (named == by_name_.end()) named = by_name_.emplace(name, Bucket()).first;
    place(named->second);
  }
}

void CServerSocket::unindex(CSocketBase* socket) {
  erase_from(by_descriptor_, socket->get_descriptor(), socket);
  if (const char* name = socket->get_agentname()) {
    erase_from(by_name_, std::string_view(name), socket);
  }
}

void CServerSocket::sweep_connections() {
  const Clock::time_point now = now_();
  const long long idle = static_cast<long long>(limits_.idle.count());
  SocketElement* e = first(sockets_);
  while (e != nullptr) {
    SocketElement* following = next(e);
    CClientSocket* client = e->client();
    if (client == nullptr || client->is_waiting() != 0) {
      e = following;
      continue;
    }
    if (client->get_dirty() != 0 || client->is_peer_closed()) {
      remove_connection(client);
    } else if (client->accepted_ && now - client->last_active_ >= limits_.idle) {
      debug(str_format("<CServerSocket> No message for [%lld] s, closing connection", idle).c_str());
      remove_connection(client);
    } else if (client->partial_since_ && now - *client->partial_since_ >= limits_.idle) {
      debug(str_format("<CServerSocket> A partial message has waited [%lld] s for its end, "
                       "closing connection",
                       idle)
                .c_str());
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
    if (!Accept(refused)) back_off_when_out_of_descriptors(GetLastError());
    return;
  }
  auto client = std::make_unique<CClientSocket>(this, get_handler());
  if (!Accept(*client)) {
    const int error = GetLastError();
    debug("<CServerSocket> Unable to Accept on CSocket");
    back_off_when_out_of_descriptors(error);
    return;
  }
  debug("<CServerSocket> Accept succeeded");
  if (accepted_ >= get_accept_limit() && !make_room()) return;  // the new one closes here
  client->accepted_ = true;
  client->last_active_ = now_();
  new_connection(std::move(client));
}

bool CServerSocket::make_room() {
  // The first in the list wins a tie: the older connection.
  CClientSocket* idlest = nullptr;
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
    CClientSocket* client = e->client();
    if (client == nullptr || !client->accepted_ || client->is_waiting() != 0) continue;
    if (idlest == nullptr || client->last_active_ < idlest->last_active_) idlest = client;
  }
  if (idlest == nullptr) {
    debug("<CServerSocket> Too many connections and all are in use, closing the new one");
    return false;
  }
  debug("<CServerSocket> Too many connections, closing the one idle longest");
  remove_connection(idlest);
  return true;
}

void CServerSocket::back_off_when_out_of_descriptors(int error) {
  if ((error != platform::WSAEMFILE && error != platform::WSAENOBUFS) || backoff_timer_ != 0) {
    return;
  }
  const auto pause = limits_.accept_backoff;
  debug(str_format("<CServerSocket> Out of descriptors, not accepting for [%lld] ms",
                   static_cast<long long>(pause.count()))
            .c_str());
  // Accept, called again, arms the listener once more.
  backoff_timer_ = loop_.start_timer(static_cast<int>(pause.count()), false, [this] {
    backoff_timer_ = 0;
    OnAccept(0);
  });
}
