// CCommunicator: the agent's message hub. It keeps the agent's settings in a
// belief database, owns the listening socket and the cache of connections,
// composes KQML messages and sends them to agents that it locates through
// the service table and its lookup modules, and tells its event modules of
// the traffic.
//
// Ownership: the event modules and the lookup modules added to it are owned
// by its lists; the logger and the handler window are not owned. A belief
// database given to the constructor stays the caller's and must outlive the
// communicator; the one the communicator makes itself is deleted with it.
//
// Everything runs on the thread of the event loop. The message sends never
// hold it: a new connection is made, and a text that the peer does not take
// at once is sent, while the loop goes on (a peer that takes nothing for
// 3 s loses its connection). get_socket connects with a wait, as its
// callers need the connection at once (Platform's timeout bounds it).
#pragma once

#include <cstdarg>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "Credwick/belief.h"
#include "Credwick/beliefdb.h"
#include "Credwick/lookupmodule.h"
#include "Platform/wnd.h"
#include "Relaywick/clientsocket.h"
#include "Relaywick/discovery.h"
#include "Relaywick/logfacility.h"
#include "Relaywick/serversocket.h"
#include "Toolwick/llist.h"

class CComboBox;
class CListBox;
class CMessage;

#define TW_SENTINEL __attribute__((sentinel))

class CCommunicator : public CListElement {
 public:
  // The host buffer that comm_lookup fills holds this many characters.
  static constexpr size_t kHostSize = 200;
  // Integrity checks between two alive calls of the lookup modules.
  static constexpr int kAlivePeriod = 600;
  // The "ans" value that stands for "no name server configured".
  static constexpr const char* kUnknownAnsHost = "-unknown-";

  // A new database with the beliefs "name" ("Win32Agent"), "port" (6678),
  // "ans" ("-unknown-"), "ansport" (6677), "hostname" (the local host's
  // first address, or "localhost") and "lookup" (an empty service table).
  CCommunicator();
  // Uses the beliefs "name", "port", "ans", "ansport" and "lookup" of `db`
  // and appends a new "hostname" belief to it. Null acts as the default
  // constructor.
  explicit CCommunicator(CBeliefDB* db);
  // Deletes the event modules, stops and deletes the lookup modules, then
  // the server socket and its connections.
  ~CCommunicator() override;

  // --- Set-up and accessors

  void set_handler(CWnd* handler) { handler_ = handler ? handler->GetSafeHwnd() : 0; }
  // Null when none was set or the window is gone.
  CWnd* get_handler() const { return CWnd::FromHandle(handler_); }
  // Null is ignored; else the communicator's lines go to the logger's log
  // file, and the server socket's lines to the logger.
  void set_logger(CLogFacility* logger);
  CLogFacility* get_logger() const { return logger_; }
  void set_registered(int registered) { registered_ = registered; }
  int is_registered() const { return registered_; }

  // The beliefs "name", "port", "ans" and "ansport": null or 0 without the
  // belief, and the setters then do nothing.
  char* get_name() const;
  void set_name(const char* name);
  unsigned get_port() const;
  void set_port(unsigned port);
  char* get_ansname() const;
  void set_ansname(const char* name);
  unsigned get_ansport() const;
  void set_ansport(unsigned port);
  // Sets "name" and "port" and tells the discovery module where the agent
  // is; 0 when either belief is missing.
  int comm_setinfo(const char* name, unsigned port);
  // Sets "ans" and "ansport" when both exist; 1.
  int comm_setansinfo(const char* host, unsigned port);
  // The "hostname" value, null without the belief.
  char* comm_get_info() const;
  char* comm_get_ip() const { return comm_get_info(); }
  const char* getversion() const { return "2.01"; }

  CBeliefDB* get_beliefdb() const { return db_; }
  CServerSocket* get_server() const { return server_.get(); }
  CLList* get_modules() { return &modules_; }
  CLList* get_lookup_modules() { return &lookup_modules_; }
  // The name-server module (the lookup module of lookup type 2), null
  // without one.
  CLookupModule* retrieve_ans_object() const { return ans_; }
  CDiscovery* retrieve_dsc_object() const { return discovery_; }
  // Not owned; a discovery module added as a lookup module is already set.
  void set_discovery_object(CDiscovery* discovery) { discovery_ = discovery; }

  // Appends an event module, which the list then owns; null and a module
  // already in the list are ignored.
  void add_display(CLogFacility* module);
  // Tells the module of state 4 when the agent is registered, then deletes
  // it, when it is in the list; null is ignored. A module that is the
  // logger (of the communicator or of another module) stops being it first.
  void remove_display(CLogFacility* module);
  // Appends a lookup module, which the list then owns; one of lookup type 2
  // becomes the name-server module, one of type 1 that is a CDiscovery the
  // discovery module. Null and a module already in the list are ignored.
  void add_lookup_module(CLookupModule* module);
  // Also given to every lookup module.
  void set_service_type(int type);
  int get_service_type() const { return service_type_; }
  // Null and a name required already are ignored.
  void add_requirement(const char* name);
  // 1 when every required name names a lookup module.
  int check_requirements();

  // The name-server and the information dialog, modal. A window library
  // shows them through the presenter it installs (RelaywickUi); without a
  // presenter, or without a name-server module, they only log.
  void comm_ans();
  void comm_info();
  enum class Dialog { kNameServer, kInfo };
  // Shows `dialog` for the communicator and returns when it is closed.
  using DialogPresenter = std::function<void(Dialog dialog, CCommunicator* communicator)>;
  // Installs the presenter for every communicator from now on (empty:
  // none) and returns the previous one.
  static DialogPresenter set_dialog_presenter(DialogPresenter presenter);
  // Deprecated: message boxes that say so.
  void comm_disable_ans();
  void comm_enable_ans();
  void comm_connections();
  void comm_console();
  void comm_viewmessage();
  // Deprecated: logs and gives null.
  CClientSocket* create_connection();
  int comm_is_ans_enabled() const;
  char* comm_ans_error() const;
  char* comm_get_message() const { return nullptr; }
  void store_message(const char* /*name*/, const char* /*text*/) {}
  void check_stored_messages() {}

  // "Dur32O%ld" of the current time in seconds, owned until the next call.
  char* create_reply_with();
  // " ", owned by the communicator.
  char* get_empty_string() { return empty_; }
  // The name and description of a Windows Sockets code, owned until the
  // next call.
  const char* ErrorToAsc(unsigned code);

  // --- Start and stop

  // comm_startserver with its lines; 1 or 0.
  int Create();
  // Listens on the "port" value, or on a port the system chooses (written
  // back into "port") when it is 0. Needs the handler window. 1 or 0.
  int comm_startserver();
  // Deletes the server socket and with it every connection.
  void comm_endserver() { server_.reset(); }
  void start_modules();
  void shutdown_modules();
  void start_lookup_modules();
  void stop_lookup_modules();

  // --- Lookup (each enabled lookup module in turn; their results are
  // ignored)

  void comm_activate_lookup(const char* name);
  // 0 for a null name, else 1.
  int comm_register_agent(const char* name);
  int comm_unregister_agent(const char* name);
  void listall_agents();
  // Forwarded to the name-server module while registered; else 0 or null.
  int comm_listall();
  int comm_listall_combo(CComboBox* combo);
  int comm_listall_listbox(CListBox* listbox);
  char* comm_listall_getfirst();
  char* comm_listall_getnext();
  // Null when the agent was located: its host is written to `host` (of
  // kHostSize characters) and its port to `port`. Otherwise "sorry".
  const char* comm_lookup(const char* name, char* host, unsigned* port);

  // --- Sending

  // Sends `text` (CR and LF turned into blanks in place) over the cached
  // connection of agent `name` or a new one to `host` and `port`: the byte
  // count taken, -1 on failure, 0 without a server socket. A new connection
  // past the server's limit of outgoing ones closes the least recently used.
  int comm_senddata(const char* name, const char* host, unsigned port, char* text);
  // The same; the connection that carried the text and is kept for the
  // agent, or null (failed, or made for a null name and closed again).
  // Owned by the server socket.
  CClientSocket* comm_senddata_socket(const char* name, const char* host, unsigned port,
                                      char* text);
  // The cached connection by agent name alone; null for a null name or
  // without a server socket.
  CSocketBase* find_connection(const char* name, const char* host, unsigned port);
  CSocketBase* get_connection(long descriptor);
  // A connection to agent `name` outside the cache, connected before the
  // call returns, or null. Its sends do not wait either: keep it until
  // GetUnsent() is 0, or what waits is dropped with it.
  std::unique_ptr<CClientSocket> get_socket(const char* name);
  void release_socket(std::unique_ptr<CClientSocket> socket) { socket.reset(); }

  // The composing sends: a KQML message of the header fields and the
  // content tokens (a null-ended list of texts; empty ones are left out),
  // sent to the receiver once it is located. The text-returning ones give
  // null, or the error text of a failed send (owned until the next send);
  // the socket ones the connection used, or null. Fields taken from the
  // cached connection and who is told afterwards differ per operation.
  char* comm_sendmessage(const char* performative, const char* receiver, const char* ontology,
                         const char* language, const char* reply_with, const char* in_reply_to,
                         const char* forward_to, ...) TW_SENTINEL;
  char* comm_sendmessage_sender(const char* performative, const char* receiver,
                                const char* sender, const char* ontology, const char* language,
                                const char* reply_with, const char* in_reply_to,
                                const char* forward_to, ...) TW_SENTINEL;
  char* comm_sendmessage_internal(const char* performative, const char* receiver,
                                  const char* ontology, const char* language,
                                  const char* reply_with, const char* in_reply_to,
                                  const char* forward_to, ...) TW_SENTINEL;
  CClientSocket* comm_sendmessage_socket(const char* performative, const char* receiver,
                                         const char* ontology, const char* language,
                                         const char* reply_with, const char* in_reply_to,
                                         const char* forward_to, ...) TW_SENTINEL;
  CClientSocket* comm_sendmessage_socket_internal(const char* performative, const char* receiver,
                                                  const char* ontology, const char* language,
                                                  const char* reply_with,
                                                  const char* in_reply_to,
                                                  const char* forward_to, ...) TW_SENTINEL;
  // The logger, then every event module: process_message(text, 2).
  void comm_log_output(const char* text);

  // --- Processing, called by the agent container

  // The discovery module's answer for a datagram at socket `which`; 4
  // without a discovery module.
  int process_discovery(unsigned which);
  // Removes the connections that broke or were closed by their peer, counts
  // the service table's entries down (deleting those that expire), then
  // runs alive().
  void check_integrity();
  // Every (kAlivePeriod + 1)th call, alive() on every enabled lookup module.
  void alive();

 private:
  enum class SendKind { kMessage, kSender, kInternal, kSocket, kSocketInternal };
  struct Sent {
    char* error;             // the text-returning operations' result
    CClientSocket* socket;   // the socket operations' result
  };

  // Forgets `module` as the logger of the communicator, the server socket
  // with its connections, and every event module.
  void detach_logger(const CLogFacility* module);
  void add_default_beliefs();
  void add_hostname_belief();
  CLList* service_table();
  // The result text of a send that reached the agent (`error` null) or
  // failed with `error`.
  void set_send_result(const char* error, const char* receiver, const char* host, unsigned port);
  Sent compose_and_send(SendKind kind, const char* performative, const char* receiver,
                        const char* sender, const char* ontology, const char* language,
                        const char* reply_with, const char* in_reply_to, const char* forward_to,
                        va_list tokens);
  // The cached client connection of agent `name`, or null.
  CClientSocket* cached_connection(const char* name) const;
  // comm_senddata and comm_senddata_socket once the cached connection was
  // looked for (`cached`, null for none): sends over it or a new one;
  // *sent gets the byte count, -1 on failure, 0 without a server socket.
  // The connection that is kept for the agent after the send, or null.
  CClientSocket* send_data(CClientSocket* cached, const char* name, const char* host,
                           unsigned port, char* text, int* sent, bool log_failed_reconnect);
  template <typename Belief>
  Belief* find_belief(const char* name) const;

  std::unique_ptr<CBeliefDB> owned_db_;  // first: the modules may use it to the end
  CBeliefDB* db_;
  CStringBelief* name_ = nullptr;
  CIntBelief* port_ = nullptr;
  CStringBelief* ans_name_ = nullptr;
  CIntBelief* ans_port_ = nullptr;
  CStringBelief* hostname_ = nullptr;
  CListBelief* lookup_ = nullptr;  // holds the service table
  char empty_[2] = " ";
  std::string result_ = " ";
  // What the composing sends compose with: one record, reused, and the
  // message texts, one for each send in progress (an event module told of
  // a sent text may send in turn), kept for the next sends.
  std::unique_ptr<CMessage> record_;
  std::deque<std::string> texts_;
  size_t composing_ = 0;
  std::string reply_with_;
  std::string error_text_;
  int registered_ = 0;
  CWnd::Handle handler_ = 0;
  std::unique_ptr<CServerSocket> server_;
  CLList modules_{"Communicator Event Modules List"};
  CLogFacility* logger_ = nullptr;
  CLookupModule* ans_ = nullptr;
  CDiscovery* discovery_ = nullptr;
  CLList lookup_modules_;
  int integrity_ = 0;
  CLList required_{"List of required agents"};
  int service_type_ = SERVICETYPE_AGENT;
};
