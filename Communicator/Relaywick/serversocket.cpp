#include "Relaywick/serversocket.h"

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

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
// The element that carries a registered socket (its registry_element_).
SocketElement* element_of(CListElement* carrier) { return static_cast<SocketElement*>(carrier); }

}  // namespace

CServerSocket::CServerSocket(CWnd* handler)
    : CSocketBase(handler), loop_(platform::current_loop()) {}

CServerSocket::~CServerSocket() {
  if (backoff_timer_ != 0) loop_.stop_timer(backoff_timer_);
  Close();
  by_descriptor_.clear();
  by_name_.clear();
  last_named_ = nullptr;
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
  taken_peak_ = std::max(taken_peak_, taken());
  return true;
}

size_t CServerSocket::taken() const {
  return held_bytes_ + static_cast<size_t>(sockets_.get_nr_elements()) * kConnectionBytes;
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
  auto* element = new SocketElement(std::move(socket));
  added->registry_element_ = sockets_.add_element(element);
  added->registry_ = this;
  added->registered_order_ = next_order_++;
  index(added);
  if (CClientSocket* client = element->client()) {
    client->used_ = ++sends_;
    client->counted_bytes_ = client->get_held_bytes();
    held_bytes_ += client->counted_bytes_;
    ++(client->accepted_ ? accepted_ : outgoing_);
    taken_peak_ = std::max(taken_peak_, taken());
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
    --(client->accepted_ ? accepted_ : outgoing_);
  }
  owned->Close();
  platform::delete_later(owned.release());
}

CSocketBase* CServerSocket::find_connection(const char* name, const char* /*host*/,
                                            unsigned /*port*/) {
  const Indexed* found = find_named(name);
  return found != nullptr ? found->socket : nullptr;
}

CClientSocket* CServerSocket::find_client(const char* name) {
  const Indexed* found = find_named(name);
  return found != nullptr ? found->client : nullptr;
}

const CServerSocket::Indexed* CServerSocket::find_named(const char* name) const {
  if (name == nullptr || std::strcmp(name, kUnknownAgent) == 0 ||
      std::strcmp(name, kBroadcastAgent) == 0) {
    return nullptr;
  }
  const auto* named = last_named_;
  if (named == nullptr || named->first != name) {
    const auto found = by_name_.find(std::string_view(name));
    if (found == by_name_.end()) return nullptr;
    named = last_named_ = &*found;
  }
  // A peer that ended its stream may have closed, and then loses what is
  // sent to it: an open connection of the same agent comes first.
  const Indexed* ended = nullptr;
  const Bucket& bucket = named->second;
  for (size_t i = 0; i < bucket.size(); ++i) {
    const Indexed& entry = bucket.at(i);
    if (entry.socket->get_dirty() != 0) continue;
    if (entry.client == nullptr || !entry.client->is_peer_closed()) return &entry;
    if (ended == nullptr) ended = &entry;
  }
  return ended;
}

void CServerSocket::note_used(CClientSocket* connection) {
  // In the connection, which the send has just used: no other memory to read.
  connection->used_ = ++sends_;
}

void CServerSocket::note_told(CClientSocket* connection) {
  connection->last_active_ = now_();
  connection->told_ = ++told_;
}

int CServerSocket::get_outgoing_limit() const {
  if (limits_.outgoing > 0) return limits_.outgoing;
  rlimit descriptors{};
  if (getrlimit(RLIMIT_NOFILE, &descriptors) != 0 || descriptors.rlim_cur == RLIM_INFINITY) {
    return kMaxOutgoing;
  }
  const auto left = static_cast<long long>(descriptors.rlim_cur) - kReservedDescriptors - accepted_;
  return static_cast<int>(std::clamp<long long>(left, 0, kMaxOutgoing));
}

bool CServerSocket::make_room_for_outgoing() {
  const int limit = get_outgoing_limit();
  if (limit <= 0) {
    debug("<CServerSocket> No descriptors left for a new connection, not connecting");
    return false;
  }
  while (outgoing_ >= limit) {
    // Broken ones first, then the one whose last send is the oldest; never
    // one whose owner is handling a message of it.
    SocketElement* oldest = nullptr;
    bool oldest_usable = true;
    for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
      const CClientSocket* client = e->client();
      if (client == nullptr || client->accepted_ || client->is_waiting() != 0) continue;
      const bool usable = client->get_dirty() == 0;
      if (oldest == nullptr || (oldest_usable && !usable) ||
          (usable == oldest_usable && client->used_ < oldest->client()->used_)) {
        oldest = e;
        oldest_usable = usable;
      }
    }
    if (oldest == nullptr) {
      debug("<CServerSocket> Too many outgoing connections and all are in use, not connecting");
      return false;
    }
    if (oldest_usable && oldest->client()->GetUnsent() > 0) {
      debug(str_format("<CServerSocket> Dropping [%zu] unsent bytes", oldest->client()->GetUnsent())
                .c_str());
    }
    debug("<CServerSocket> Too many outgoing connections, closing the least recently used one");
    remove_connection(oldest->socket());
  }
  return true;
}

const CServerSocket::Indexed* CServerSocket::find_numbered(long descriptor) const {
  if (descriptor == -1) return nullptr;
  const auto found = by_descriptor_.find(descriptor);
  if (found == by_descriptor_.end()) return nullptr;
  const Bucket& bucket = found->second;
  return &bucket.at(bucket.size() - 1);
}

CSocketBase* CServerSocket::get_connection(long descriptor) {
  const Indexed* found = find_numbered(descriptor);
  return found != nullptr ? found->socket : nullptr;
}

CClientSocket* CServerSocket::get_client(long descriptor) {
  const Indexed* found = find_numbered(descriptor);
  return found != nullptr ? found->client : nullptr;
}

void CServerSocket::Bucket::place(const Indexed& entry) {
  size_t at = size();
  while (at > 0 && this->at(at - 1).order > entry.order) --at;
  if (at > 0) {
    more_.insert(more_.begin() + static_cast<std::ptrdiff_t>(at - 1), entry);
    return;
  }
  if (!empty()) more_.insert(more_.begin(), first_);
  first_ = entry;
}

void CServerSocket::Bucket::erase(const CSocketBase* socket) {
  if (first_.socket != socket) {
    std::erase_if(more_, [socket](const Indexed& e) { return e.socket == socket; });
    return;
  }
  if (more_.empty()) {
    first_ = Indexed{};
    return;
  }
  first_ = more_.front();
  more_.erase(more_.begin());
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
void erase_from(Map& map, const Key& key, const CSocketBase* socket) {
  const auto found = map.find(key);
  if (found == map.end()) return;
  found->second.erase(socket);
  if (found->second.empty()) map.erase(found);
}

}  // namespace

void CServerSocket::index(CSocketBase* socket) {
  last_named_ = nullptr;
  const Indexed entry{socket, element_of(socket->registry_element_)->client(),
                      socket->registered_order_};
  by_descriptor_[socket->get_descriptor()].place(entry);
  if (const char* name = socket->get_agentname()) {
    auto named = by_name_.find(std::string_view(name));
    if (named == by_name_.end()) named = by_name_.emplace(name, Bucket()).first;
    named->second.place(entry);
  }
}

void CServerSocket::unindex(CSocketBase* socket) {
  last_named_ = nullptr;
  erase_from(by_descriptor_, socket->get_descriptor(), socket);
  if (const char* name = socket->get_agentname()) {
    erase_from(by_name_, std::string_view(name), socket);
  }
}

CServerSocket::Clock::time_point CServerSocket::coarse_now() {
  // The steady clock is CLOCK_MONOTONIC: the coarse one counts from the same
  // start.
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return Clock::time_point(std::chrono::duration_cast<Clock::duration>(
      std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec)));
}

void CServerSocket::sweep_connections() {
  const size_t taken_now = taken();
  if (taken_peak_ > taken_now &&
      taken_peak_ - taken_now >= std::min(kGiveBackAfter, taken_peak_ / 2)) {
    // The allocator keeps what was freed for the next requests, which no
    // longer come: given back, the process holds what its peers hold now.
    malloc_trim(0);
    taken_peak_ = taken_now;
  }
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
    // A peer that ended its stream may still be reading what waits for it.
    if (client->get_dirty() != 0 || (client->is_peer_closed() && client->GetUnsent() == 0)) {
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
  // Who goes: first a connection whose peer has closed, then the oldest
  // that has told no message (an accept alone is no sign of a working peer),
  // then the one that told its last the longest ago, so that one that told
  // a message lately goes only when every other did too. The order is that
  // of the running counts, which never tie, not that of the clock, whose
  // ticks do.
  enum Rank { kPeerClosed, kSilent, kIdle };
  static constexpr const char* kWhy[] = {
      "<CServerSocket> Too many connections, closing one whose peer has closed",
      "<CServerSocket> Too many connections, closing the oldest that delivered no message",
      "<CServerSocket> Too many connections, closing the one idle longest"};
  CClientSocket* chosen = nullptr;
  Rank chosen_rank = kIdle;
  uint64_t chosen_order = 0;
  for (SocketElement* e = first(sockets_); e != nullptr; e = next(e)) {
    CClientSocket* client = e->client();
    if (client == nullptr || !client->accepted_ || client->is_waiting() != 0) continue;
    Rank rank = kIdle;
    uint64_t order = client->told_;
    if (client->get_dirty() != 0 || client->is_peer_closed()) {
      rank = kPeerClosed;
      order = client->registered_order_;
    } else if (client->told_ == 0) {
      rank = kSilent;
      order = client->registered_order_;
    }
    if (chosen == nullptr || rank < chosen_rank || (rank == chosen_rank && order < chosen_order)) {
      chosen = client;
      chosen_rank = rank;
      chosen_order = order;
    }
  }
  if (chosen == nullptr) {
    debug("<CServerSocket> Too many connections and all are in use, closing the new one");
    return false;
  }
  debug(kWhy[chosen_rank]);
  remove_connection(chosen);
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
