// CStationAgent: the station as an agent of the framework. The agent host
// runs it; it receives every message addressed to the station and hands it
// to its dispatcher (the station's command protocol), and it is the one
// road by which the station's messages leave (SendAgentMessage, used by the
// document's senders).
//
// It keeps no exercise state: that is the document's. Its settings live in
// the belief database of its communicator, which exists from the start of
// the agent (process_create) to its stop.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Agentwick/basicagent.h"

class CServiceInfo;

class CParser;

// What the station does with each message it receives.
class CStationDispatcher {
 public:
  virtual ~CStationDispatcher() = default;
  // One received message with a content, as the container parsed it. The
  // parser is the caller's and holds the message for the length of the
  // call only.
  virtual void dispatch(CParser& message) = 0;
};

class CStationAgent : public CBasicAgent {
 public:
  // The name server that process_create sets unless told otherwise.
  static constexpr const char* kDefaultAnsHost = "127.0.0.1";
  static constexpr unsigned kDefaultAnsPort = 6677;

  // Named `name` (the station passes "TesselStation"); the name-server
  // client is its lookup module.
  explicit CStationAgent(const char* name);
  ~CStationAgent() override;

  // --- Hooks run by the container

  // Does nothing; 1.
  int handle_parse_args(CCommandLine* command_line) override;
  // Writes the name-server host and port into the beliefs "ans" and
  // "ansport", and a listening port set below into "port"; 1.
  int process_create() override;
  // Does nothing; 1.
  int process_init() override;
  void process_timer() override;
  // Hands the parsed message to the dispatcher, if any, when it holds a
  // content (a message without one asks nothing of the station); always 1,
  // so that the container does not hand the text over again.
  int process_message(CParser* message) override;
  // A message as a whole text: parsed, then handed over as above; always 1.
  int process_message(char* text) override;

  // --- Settings and parts

  // The name server that process_create writes into the beliefs; set it
  // before the agent starts.
  void SetNameServer(const char* host, unsigned port);
  const char* GetNameServerHost() const { return ansHost_.c_str(); }
  unsigned GetNameServerPort() const { return ansPort_; }
  // The port to listen on (0: one the system chooses) in place of the
  // communicator's default; set it before the agent starts.
  void SetListeningPort(unsigned port) { port_ = port; }
  // Takes the dispatcher over; one set before replaces it (null: none).
  void SetDispatcher(std::unique_ptr<CStationDispatcher> dispatcher);
  CStationDispatcher* GetDispatcher() const { return dispatcher_.get(); }

  // The agent's "name" belief, the name it runs and registers under; before
  // it runs, the name it was made with. Owned by the agent.
  const char* GetAgentName() const;

  // --- Sending and lookup

  // One KQML message to `receiver`, with ontology "default-language" and
  // language "default-ontology" and `content` as its content. 1 when it
  // went; 0 without a communicator, when the receiver cannot be located or
  // when the send failed.
  virtual int SendAgentMessage(const char* performative, const char* receiver,
                               const char* content);
  // 1 when the name server knows `name` and the service table holds an
  // entry of exactly that name; 0 otherwise, also without a communicator or
  // a name-server client.
  int IsKnownAgent(const char* name);
  // The first entry of the service table (the "lookup" belief) named
  // exactly `name`, owned by the table; null when there is none, also
  // without a communicator.
  const CServiceInfo* FindServiceEntry(const char* name) const;

 private:
  std::string ansHost_ = kDefaultAnsHost;
  unsigned ansPort_ = kDefaultAnsPort;
  std::optional<unsigned> port_;
  std::unique_ptr<CStationDispatcher> dispatcher_;
  std::unique_ptr<CParser> textParser_;  // for the texts handed over whole
};
