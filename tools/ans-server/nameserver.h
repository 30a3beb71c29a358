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

  // The reply text (without the 0x04) for one request text; empty for
  // close_silently.
  std::string answer(const std::string& request);

  const Options& options() const { return options_; }

 private:
  struct Location {
    std::string host;
    std::string port;
  };

  std::map<std::string, Location> agents_;
  Options options_;
};
