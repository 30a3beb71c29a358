// CAgentContainer: an agent with its communicator. The container makes the
// communicator (and with it the belief database and the service table), a
// logger and the lookup modules, calls the agent's hooks, hands it every
// received message and drives its periodic work. Agent classes derive from
// it (through CBasicAgent) and override the hooks they need.
//
// A host window (CAgentHost) starts and stops the container and routes the
// socket notifications and its timer to it:
//
//   start_agent: communicator, handler window, logger, lookup modules, then
//     handle_parse_args, process_create, process_init; then the listening
//     socket, the lookup modules (registration) and the event modules.
//   every timer tick: handle_mfc_timer -> process_timer, the event modules'
//     process_timer, CCommunicator::check_integrity.
//   every received message: handle_mfc_message -> process_message; one
//     notification hands over a run of at most kMessagesPerRun messages of
//     its connection.
//   stop_agent: process_shutdown, the event modules stop, the listening
//     socket and the connections close, then the communicator goes (which
//     withdraws the registration).
//
// Ownership: the container owns the communicator (which owns its belief
// database, lookup and event modules) and the logger. Texts and pointers it
// returns are owned by it and live until stop_agent or its destruction.
#pragma once

#include <memory>
#include <string>

#include "Agentwick/agent.h"
#include "Lexwick/parser.h"
#include "Relaywick/communicator.h"
#include "Relaywick/logfacility.h"
#include "Toolwick/commandline.h"

class CClientSocket;
class CSocketBase;
class CWnd;

// Lookup configurations (set_lookup_config): which lookup modules the
// container gives the communicator.
enum : int {
  LOOKUP_CONFIG_NONE = 0,
  LOOKUP_CONFIG_DISCOVERY = 1,  // multicast discovery, CDiscovery
  LOOKUP_CONFIG_ANS = 2,        // the name-server client, CANSClient
};

class CAgentContainer : public CAgent {
 public:
  CAgentContainer();
  // Named by a copy of `name`, which becomes the "name" belief at start.
  explicit CAgentContainer(const char* name);
  // Deletes the communicator, if still running, without calling any hook.
  ~CAgentContainer() override;

  // --- Hooks for the agent classes, in this order. The defaults do
  // nothing; handle_parse_args, process_create and process_init answer 1
  // (0 from one of them fails the start), the process_message pair 0.

  // The parsed command line, after the communicator and its beliefs exist.
  virtual int handle_parse_args(CCommandLine* command_line);
  // A socket notification: type 1 a connection (lParam its descriptor), 9 a
  // discovery socket, any other type goes to process_custom.
  virtual void handle_mfc_message(unsigned long type, unsigned long descriptor);
  // One tick of the host's timer.
  virtual void handle_mfc_timer();
  // Before the communicator goes.
  virtual void process_shutdown();
  virtual int process_create();
  virtual int process_init();
  // Once a tick.
  virtual void process_timer();
  // The hooks below are not called by the container itself; agent classes
  // call them from their own handlers.
  virtual void process_loop();
  virtual void process_monitor_request(char* request);
  virtual void process_internal();
  virtual void process_environment_change();
  // A notification of a socket type the container does not handle itself;
  // the socket may be null.
  virtual void process_custom(CSocketBase* socket);
  // Each received message, first parsed (the parser is the container's
  // and holds the message until the next one is handed over, which may come
  // in another parser object); a result of 0 passes the text on to
  // process_message(char*).
  virtual int process_message(CParser* parser);
  // Each received message as a whole text, a copy that the agent may cut;
  // 1: handled.
  virtual int process_message(char* text);

  // --- Set-up

  // Before the start: which lookup modules the agent gets (LOOKUP_CONFIG_*).
  void set_lookup_config(int config) { lookup_config_ = config; }
  int get_lookup_config() const { return lookup_config_; }

  // Starts the agent as the top of this file says, with `handler` as the
  // window that the sockets notify. 1 on success; on failure nothing of the
  // start is left. Starting a started agent fails. A registration refused by
  // the name server does not fail the start: the agent runs unregistered.
  int start_agent(CCommandLine* command_line, CWnd* handler);
  // Stops a started agent; nothing otherwise.
  void stop_agent();
  bool is_started() const { return started_; }

  // Null before the start (and after the stop); from process_create on it
  // exists.
  CCommunicator* get_communicator() const { return communicator_.get(); }
  // The communicator's belief database; null without a communicator.
  CBeliefDB* get_belief_db() const { return db_; }
  CLogFacility* get_logger() const { return logger_.get(); }

 protected:
  // The program's arguments from the command line given to start_agent; the
  // vector belongs to the command line's owner.
  int argc_ = 0;
  char** argv_ = nullptr;

 private:
  // Takes the name-server client's registration over into the
  // communicator's registered flag.
  void sync_registered();
  void discard();
  // The communicator's client connection with that descriptor, or null.
  CClientSocket* find_client(long descriptor) const;
  // Hands the connection's first message to the agent and drops it; the
  // connection as found again after that (the agent's sends or the drop
  // may have retired it), or null. A connection with nothing queued is
  // returned as it is.
  CClientSocket* hand_over(CClientSocket* connection, long descriptor);

  // The most messages of one connection taken for one notification.
  static constexpr int kMessagesPerRun = 16;

  int lookup_config_ = LOOKUP_CONFIG_NONE;
  bool started_ = false;
  // Before the communicator, which writes to it until it is gone.
  std::unique_ptr<CLogFacility> logger_;
  std::unique_ptr<CCommunicator> communicator_;
  CBeliefDB* db_ = nullptr;
  // Traded with a connection's parser where that spares a parse
  // (CClientSocket::trade_parse).
  std::unique_ptr<CParser> parser_ = std::make_unique<CParser>();
  // The copy of the message handed to process_message(char*).
  std::string text_;
};
