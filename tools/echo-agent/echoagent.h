// CEchoAgent: an agent that answers every message it receives with a "tell"
// to the sender whose content echoes the received one, and that can send
// one text of its own and wait for the answer. It registers with the name
// server given by -ans and -ansport and finds its peers there.
//
// Messages that answer something (they carry :in-reply-to) are not
// answered again, so that two echo agents never bounce a text for ever.
// Each step is printed as one short line on stdout.
#pragma once

#include <string>

#include "Agentwick/basicagent.h"

class CEchoAgent : public CBasicAgent {
 public:
  CEchoAgent();

  // -name, -port, -ans, -ansport into the beliefs; 0 for a value that is
  // not usable.
  int handle_parse_args(CCommandLine* command_line) override;
  // Answers the message, or takes it as the reply awaited by send_text.
  int process_message(char* text) override;

  // Sends `text` (one list's worth of words, no parentheses) to the agent
  // `receiver`, found through the name server. False when it cannot be
  // located or the send failed.
  bool send_text(const char* receiver, const char* text);
  // True once the answer to the text of send_text came.
  bool replied() const { return replied_; }

 private:
  // True when `name` is located; says why not otherwise.
  bool locate(const char* name);

  std::string awaited_;  // the reply-with of the text sent
  bool replied_ = false;
};
