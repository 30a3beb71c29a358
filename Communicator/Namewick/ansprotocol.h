// The name server's texts, shared by the agents' client (CANSClient) and the
// name server peer (tools/ans-server): what may stand as a name, a host or a
// port, how a reply is written, and CANSReply, which reads a reply as the
// client must: without trusting it.
//
//   (tell  :sender ANS :receiver N :in-reply-to R :content (ok))
//   (tell  ... :content (ok :key K))                  a registration's key
//   (tell  ... :content (agent :name N :host H :port P))
//   (tell  ... :content (agents :names (A B C)))
//   (sorry ... :content (error :text "reason"))
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Talkwick/kqmlparser.h"

namespace ansprotocol {

// The longest name or host either side takes.
constexpr size_t kMaxWord = 255;

// A text that stands as one KQML word of at most kMaxWord bytes: it cannot
// end a field, open or close a list, start a keyword or a quoted text, or
// cut the framing.
bool is_word(const char* text);
// A port number: 1 to 65535, digits only.
bool read_port(const char* text, unsigned* port);

// "(performative :sender ANS :receiver R :in-reply-to I :content C)".
std::string compose_reply(const char* performative, const std::string& receiver,
                          const std::string& in_reply_to, const std::string& content);
// The "sorry" with (error :text "reason"), the reason as a KQML string.
std::string compose_sorry(const std::string& receiver, const std::string& in_reply_to,
                          const std::string& reason);
// "(agent :name N :host H :port P)".
std::string location_content(const std::string& name, const std::string& host,
                             const std::string& port);

}  // namespace ansprotocol

// One reply of the name server, read from its text (without the 0x04).
class CANSReply {
 public:
  enum Kind {
    kUnreadable,  // no KQML message
    kUnexpected,  // a message, but no answer to the request
    kSorry,       // the server refused: reason()
    kTold,        // the answer asked for: field(), location(), listing()
  };

  // Reads `text` as the answer to the request sent with :reply-with
  // `reply_with` that wants a content of the performative `expected`
  // ("ok", "agent", "agents"). A "sorry" counts whatever it answers.
  Kind read(const char* text, const std::string& reply_with, const char* expected);

  // The reason of a "sorry", a string as the text it stands for
  // (kqml_string_text); "no reason given" without one or for an empty one.
  const std::string& reason() const { return reason_; }
  // A keyword's value in the content of a "tell"; null without it. Owned
  // by the reply until its next read.
  const char* field(const char* keyword);
  // The location that an "agent" content gives for `name`: false unless it
  // names `name` with a word as host and a port.
  bool location(const char* name, std::string* host, unsigned* port);
  // The names of an "agents" content: false unless :names is a
  // parenthesised list. Only words are taken; the count of the others
  // goes to *skipped.
  bool listing(std::vector<std::string>* names, size_t* skipped);

 private:
  CKQMLParser message_;
  CKQMLParser content_;
  Kind kind_ = kUnreadable;
  std::string reason_;
};
