// The agent name server peer used by the tests and the demo: a registry of
// agent names with their host and port, answering one KQML request per
// connection (0x04-framed):
//
//   (register   ... :content (register :name N :host H :port P))  -> (ok)
//   (unregister ... :content (unregister :name N))                  -> (ok)
//   (ask-one    ... :content (lookup :name N))    -> (agent :name N :host H :port P)
//   (ask-all    ... :content (listall))           -> (agents :names (A B C))
//
// Replies are "tell" from ANS with :in-reply-to the request's :reply-with;
// failures are "sorry" with (error :text "reason").
//
// A name belongs to its first registration until it is unregistered: a
// register of the name with another host or port is refused ("name taken"),
// one with the same host and port changes nothing. Only a peer at the
// address the name was registered from may unregister it: the request names
// no port, and each request comes over its own short connection from a port
// of the system's choosing, so the peer's address is what can be checked.
#pragma once

#include <map>
#include <string>

class NameServer {
 public:
  struct Options {
    bool always_sorry = false;  // answer every request with "sorry"
    int delay_ms = 0;           // wait this long before answering
    bool close_silently = false;  // close the connection without a reply
  };

  explicit NameServer(const Options& options) : options_(options) {}

  // The reply text (without the 0x04) for one request text that came from
  // the peer at `peer_address` (dotted); empty for close_silently.
  std::string answer(const std::string& request, const std::string& peer_address);

  const Options& options() const { return options_; }

 private:
  struct Location {
    std::string host;
    std::string port;
    std::string registered_from;  // the peer address of the registration
  };

  std::map<std::string, Location> agents_;
  Options options_;
};
