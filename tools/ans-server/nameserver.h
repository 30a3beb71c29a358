// The agent name server peer used by the tests and the demo: a registry of
// agent names with their host and port, answering one KQML request per
// connection (0x04-framed) with the texts of Namewick/ansprotocol.h:
//
//   (register   ... :content (register :name N :host H :port P [:key K]))  -> (ok :key K)
//   (unregister ... :content (unregister :name N [:key K]))                   -> (ok)
//   (ask-one    ... :content (lookup :name N))    -> (agent :name N :host H :port P)
//   (ask-all    ... :content (listall))           -> (agents :names (A B C))
//
// Replies are "tell" from ANS with :in-reply-to the request's :reply-with;
// failures are "sorry" with (error :text "reason").
//
// Who holds a name. Requests come over short connections from ports of the
// system's choice, so nothing about the connection proves who sent one. A
// registration that takes a free name is answered with a key, a secret of
// the new holder: a later request about the name that shows the key is the
// holder's, which may move the name to another host or port or unregister
// it. Without the key, a register of the name at another host or port and
// an unregister are refused while the holder still accepts connections at
// its host and port; the caller probes that (answer() asks for it), and a
// holder that refuses the probe is gone: its name goes to the newcomer. One
// that does not answer the probe in time may only be busy and keeps its
// name. A register at the holder's own host and port changes nothing and
// gets no key.
//
// Places. Every name is held at a place the server can probe: a host that
// is a dotted IPv4 address or "localhost" (names are not resolved, which
// would block the loop), anything else is refused at registration.
//
// Bounds: names and hosts are words of at most ansprotocol::kMaxWord bytes
// and ports 1 to 65535 (anything else is refused, never stored); at most
// kMaxNamesAtAPlace names at one host and port, and kMaxNames in all: when
// they are taken, a newcomer has the holder registered (or last found
// alive) longest ago probed; unless it accepts the connection, every name
// at its place makes room, and when it does, its place goes to the back of
// the line for the next newcomer. A listing holds the names, in name
// order, that fit in kMaxListing bytes, so that it never outgrows what the
// client reads.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>

class NameServer {
 public:
  struct Options {
    bool always_sorry = false;  // answer every request with "sorry"
    int delay_ms = 0;           // wait this long before answering
    bool close_silently = false;  // close the connection without a reply
  };
  static constexpr size_t kMaxNames = 4096;
  static constexpr size_t kMaxNamesAtAPlace = 64;
  static constexpr size_t kMaxListing = 60000;

  // What a probe of a holder's place found.
  enum class Probe {
    kAlive,   // it accepted a connection
    kGone,    // it refused one: nothing listens there
    kSilent,  // no answer within the probe's time
  };

  // What the server makes of one request.
  struct Answer {
    std::string reply;   // without the 0x04; empty for close_silently
    bool probe = false;  // no reply yet: probe the holder at host:port first
    std::string host;
    unsigned port = 0;
  };

  explicit NameServer(const Options& options) : options_(options) {}

  Answer answer(const std::string& request);
  // The reply to `request` once the holder at `host` and `port` was probed.
  std::string answer_probed(const std::string& request, const std::string& host, unsigned port,
                            Probe found);

  // Where a holder at `host` and `port` is probed; false for a host that is
  // no place the server can probe, which is not stored.
  static bool probe_address(const std::string& host, unsigned port, sockaddr_in* address);

  const Options& options() const { return options_; }

 private:
  struct Holder {
    std::string host;
    unsigned port = 0;
    std::string key;
    unsigned long since = 0;  // registration order, or when its place was last found alive
  };
  // What a probe found out about a holder.
  struct Probed {
    std::string host;
    unsigned port = 0;
    Probe found = Probe::kAlive;
  };

  Answer decide(const std::string& request, const Probed* probed);
  // The number of names held at `host` and `port`.
  size_t names_at(const std::string& host, unsigned port) const;
  // Makes room for one more name when every one is taken: true when there
  // is room; else *probe, when a holder is to be probed first.
  bool make_room(const Probed* probed, Answer* probe);
  static std::string new_key();
  // The names of a listing, made again only after the names changed: peers
  // that ask for it over and over cost a copy, not a walk of the table.
  const std::string& listing();

  std::map<std::string, Holder> agents_;
  std::optional<std::string> listing_;  // reset whenever agents_ gains or loses a name
  unsigned long registrations_ = 0;
  Options options_;
};
