// CServerSocket: the agent's listening socket, and the keeper of its live
// connections, in- and outgoing. Every connection it registers is owned by
// its list until remove_connection or the server's destruction; connections
// get their descriptors 0, 1, 2, ... in order of registration.
//
// Against peers that hold what they should not, the server bounds
//  - the connections it accepts: at the limit, a new one closes an accepted
//    connection, so that a newcomer is served: one whose peer has closed,
//    else the oldest that has told its owner of no message, else the one
//    whose last message is the oldest;
//  - how long an accepted connection may stay idle: one that has told its
//    owner of no message for Limits::idle (since its accept or its last
//    message) is closed by the sweep, and so is any connection whose partial
//    message began that long ago;
//  - the queued, partial and unsent messages of all connections together:
//    when data would pass the limit, the connection holding the most bytes
//    that cannot go on yet is dropped (CClientSocket::get_pending_bytes);
// and a listener that cannot accept for lack of descriptors rests for a
// short back-off instead of being told of the waiting peer again at once.
// Once its connections hold much less than they did (peers gone, hoggers
// closed), the sweep gives the memory that is free back to the system.
// Connections that have delivered messages stay cached as long as their
// peers keep them. The agent's own connections are bounded too: before it
// makes one past the limit, the one it sent over least recently is closed,
// so that they never take the descriptors kept for the agent's own use.
//
// The logger is not owned; the server's lines go to its process_message
// (direction internal), its connections' lines to its debug log.
//
// Beside the list, the server indexes its connections by descriptor and by
// agent name (kept in step by the connections' setters), so that finding
// one costs the same whatever the number of connections. The list is the
// server's own: read it, never link into it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/eventloop.h"
#include "Relaywick/socketbase.h"
#include "Toolwick/llist.h"

class CClientSocket;
class CLogFacility;

class CServerSocket : public CSocketBase {
 public:
  using Clock = std::chrono::steady_clock;

  // The accepted connections at once when the descriptor limit allows, and
  // the descriptors kept free beyond them for the agent's own connections
  // and files.
  static constexpr int kMaxAccepted = 1024;
  static constexpr int kReservedDescriptors = 16;
  // The agent's own connections at once when the descriptor limit allows.
  static constexpr int kMaxOutgoing = 1024;

  struct Limits {
    // The accepted connections at once; 0: kMaxAccepted, or the descriptor
    // limit less kReservedDescriptors where that is lower.
    int accepted = 0;
    // An accepted connection that has told its owner of no message this
    // long, since its accept or its last message, is closed by the sweep;
    // and so is any connection whose partial message began this long ago.
    std::chrono::seconds idle{120};
    // How long the listener rests after accept failed for lack of
    // descriptors.
    std::chrono::milliseconds accept_backoff{500};
    // The bytes of queued, partial and unsent messages of all connections
    // together.
    size_t held_bytes = size_t{64} << 20;
    // The agent's own connections at once; 0: kMaxOutgoing, or what the
    // descriptor limit leaves beside kReservedDescriptors and the accepted
    // connections where that is lower.
    int outgoing = 0;
  };

  explicit CServerSocket(CWnd* handler);
  // Closes the listening socket, then marks every connection dirty and
  // deletes it.
  ~CServerSocket() override;

  // Also given to the connections already registered; null stops the lines.
  void set_logger(CLogFacility* logger);
  CLogFacility* get_logger() const { return logger_; }
  // The logger's process_message(line, 0), when both are set.
  void debug(const char* line);

  void set_limits(const Limits& limits) { limits_ = limits; }
  const Limits& get_limits() const { return limits_; }
  // The clock by which connections age; tests set their own. By default
  // the coarse monotonic clock (coarse_now).
  void set_clock(std::function<Clock::time_point()> now) { now_ = std::move(now); }
  Clock::time_point now() const { return now_(); }
  // Limits::accepted as it applies now.
  int get_accept_limit() const;
  // The connections in the list that this server accepted.
  int get_accepted() const { return accepted_; }
  // The client connections in the list that it did not accept: the agent's
  // own.
  int get_outgoing() const { return outgoing_; }
  // Limits::outgoing as it applies now.
  int get_outgoing_limit() const;
  // Makes room for one more connection of the agent's own, closing the one
  // used least recently when the limit is reached (and dropping what it
  // has not sent yet); false when every one is in use by the owner.
  bool make_room_for_outgoing();
  // Marks `connection` as the one sent over last.
  void note_used(CClientSocket* connection);
  // Marks the accepted `connection` as active now, and as the one that told
  // its owner of a message last.
  void note_told(CClientSocket* connection);
  // The bytes that the registered connections hold in queued and partial
  // messages.
  size_t get_held_bytes() const { return held_bytes_; }
  // Moves a registered connection's share of the held bytes from `before`
  // to `after`; false, and nothing changed, when a growth would take the
  // total past Limits::held_bytes.
  bool recount(size_t before, size_t after);

  // Takes the connection over: it gets the next descriptor and the logger,
  // and a client connection its peer's address and port.
  void new_connection(std::unique_ptr<CSocketBase> socket);
  // The same without reading the peer's address.
  void register_connection(std::unique_ptr<CSocketBase> socket);
  // Unlinks and closes the connection; it is deleted once the current
  // callback returns, so the connection itself may ask for this. Nothing
  // happens for a socket that is not in the list.
  void remove_connection(CSocketBase* socket);
  // The first connection in list order named `name` that is not dirty and
  // whose peer has not ended its stream, else the first one that is not
  // dirty; never one of the placeholder names. Host and port are not
  // compared.
  CSocketBase* find_connection(const char* name, const char* host, unsigned port);
  // find_connection for a client connection, null for any other.
  CClientSocket* find_client(const char* name);
  // The last connection in list order with that descriptor; null for -1 or
  // none.
  CSocketBase* get_connection(long descriptor);
  // The same connection when it is a client connection, else null.
  CClientSocket* get_client(long descriptor);
  // Of the client connections, the one holding the most pending bytes;
  // `grower` when none holds more than it.
  CClientSocket* most_pending(CClientSocket* grower);
  // The list elements' contents are the CSocketBase*.
  CLList* get_sockets() { return &sockets_; }

  // Removes the client connections that broke or whose peer closed, the
  // accepted ones idle for Limits::idle, and those whose partial message
  // began Limits::idle ago; none whose owner is handling one of their
  // messages.
  void sweep_connections();

 protected:
  void OnAccept(int code) override;

 private:
  void add(std::unique_ptr<CSocketBase> socket, bool read_peer);
  // The indexes: a registered connection under its descriptor and agent
  // name, in list order. CSocketBase takes its socket out before it
  // changes either and puts it back afterwards.
  friend class CSocketBase;
  struct Indexed {
    CSocketBase* socket;
    CClientSocket* client;  // the same connection as a client one, or null
    uint64_t order;         // its registered_order_
  };
  // The connections under one key, in list order: nearly always one, which
  // the bucket holds itself, so that a lookup reads no further memory.
  class Bucket {
   public:
    // At its place by registration order, usually the end.
    void place(const Indexed& entry);
    void erase(const CSocketBase* socket);
    bool empty() const { return first_.socket == nullptr; }
    size_t size() const { return empty() ? 0 : 1 + more_.size(); }
    const Indexed& at(size_t i) const { return i == 0 ? first_ : more_[i - 1]; }

   private:
    Indexed first_{};
    std::vector<Indexed> more_;
  };
  const Indexed* find_named(const char* name) const;
  const Indexed* find_numbered(long descriptor) const;
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  void index(CSocketBase* socket);
  void unindex(CSocketBase* socket);
  // Makes room for one more accepted connection (see the top of this file);
  // false when no accepted connection can go now.
  bool make_room();
  // After an accept that failed with `error`: when descriptors or memory
  // ran out, stops accepting for Limits::accept_backoff, then tries again.
  void back_off_when_out_of_descriptors(int error);

  CLList sockets_{"Server Sockets List"};
  std::unordered_map<long, Bucket> by_descriptor_;
  std::unordered_map<std::string, Bucket, NameHash, std::equal_to<>> by_name_;
  // The name last found, for the answers that go to one peer after another
  // (a run of its messages): null whenever the indexes change.
  mutable const decltype(by_name_)::value_type* last_named_ = nullptr;
  uint64_t next_order_ = 0;
  CLogFacility* logger_ = nullptr;
  platform::EventLoop& loop_;
  Limits limits_;
  // Read on every message that an accepted connection hands over: the
  // monotonic clock in its ticks of a few milliseconds, which are nothing
  // against limits of seconds and cost a quarter of a precise read.
  static Clock::time_point coarse_now();
  std::function<Clock::time_point()> now_ = coarse_now;
  int accepted_ = 0;
  int outgoing_ = 0;
  uint64_t sends_ = 0;  // the running count of registrations and note_used
  uint64_t told_ = 0;   // the running count of note_told
  size_t held_bytes_ = 0;
  // About what a connection takes beside its messages: its object, parser
  // and receive buffers.
  static constexpr size_t kConnectionBytes = 16 * 1024;
  // What the connections took at most, by held_bytes_ and kConnectionBytes,
  // since the sweep last gave memory back; it does once they take
  // kGiveBackAfter less, or half as much.
  static constexpr size_t kGiveBackAfter = size_t{4} << 20;
  size_t taken_peak_ = 0;
  size_t taken() const;
  platform::EventLoop::Id backoff_timer_ = 0;
};
