// CANSClient: the lookup module (type 2) through which an agent registers
// with the agent name server, looks other agents up and lists the
// registered ones. Every request is one short KQML exchange over a
// connection of its own, outside the communicator's connection cache:
//
//   (register   :sender N :receiver ANS :reply-with R :content (register :name N :host H :port P))
//   (unregister ... (unregister :name N))   (ask-one ... (lookup :name N))
//   (ask-all    ... (listall))
//
// answered by "tell" with :in-reply-to R and (ok), (agent :name N :host H
// :port P) or (agents :names (A B C)), or by "sorry" with (error :text
// "reason"). Connecting, sending and each wait for the reply are bounded by
// the platform's blocking timeout, so a silent server costs a few seconds,
// never a hang.
//
// The module reads the beliefs "ans" (server host; "-unknown-" means none,
// and then no request is made at all), "ansport", "name", "port" and
// "hostname" (the address it registers, "localhost" without it) at each
// request. The database must outlive the module (see CLookupModule).
// Failures are results (0 or null); get_last_error() tells why.
#pragma once

#include <string>
#include <vector>

#include "Credwick/lookupmodule.h"
#include "Toolwick/heaptext.h"

class CKQMLParser;
class CSocket;

class CANSClient : public CLookupModule {
 public:
  // The name-server host value that stands for "no server configured".
  static constexpr const char* kUnknownHost = "-unknown-";
  static constexpr unsigned kDefaultPort = 6677;
  // Replies longer than this are refused.
  static constexpr size_t kMaxReply = 64 * 1024;

  // Bound to `db` (may be null: then every request fails); `handler` is not
  // used by the requests, which block.
  CANSClient(CBeliefDB* db, CWnd* handler);

  // Registers `name` with this agent's host and "port"; on success the name
  // becomes one of the module's aliases and its entry in the table is this
  // agent's location. 1 on success.
  int register_agent(const char* name) override;
  // Withdraws `name`; on success it is no alias any more and its entry is
  // marked gone. 1 on success.
  int unregister_agent(const char* name) override;
  // Asks for `name`; when the server knows it, its entry stands in the
  // table with the location "tcp://host:port" before the call returns (this
  // agent's own entry included). Non-zero when found.
  int lookup_agent(const char* name) override;
  // ans_list_all, and every name listed gets an entry in the table (without
  // a location until it is looked up). 1 on success.
  int listall_agents() override;
  // Registers every alias again; while enabled and not registered, also
  // tries the agent's own registration ("name") again.
  void alive() override;
  // Registers the agent ("name", "port") with the server.
  void process_enable() override;
  // Unregisters every alias.
  void process_disable() override;

  // Fetches the listing of the registered agents; 1 on success (an empty
  // listing included), 0 on failure, which leaves the listing empty.
  int ans_list_all() override;
  int listall_combo(CComboBox* combo) override;
  int listall_listbox(CListBox* listbox) override;
  char* listall_getfirst() override;
  char* listall_getnext() override;
  char* get_last_error() override;

  // 1 while the agent's own name ("name") is registered: set by a
  // successful registration of it, cleared by a failed one and by its
  // withdrawal.
  int is_registered() const override { return registered_; }

 private:
  // One exchange: the request "(performative ... :content content)" and the
  // content of a "tell" that answers it, parsed into *answer, whose
  // performative must be `expected`. False with the last error set.
  bool ask(const char* performative, const std::string& content, const char* expected,
           CKQMLParser* answer);
  // The reply text up to its 0x04, read from `socket` within the timeout.
  bool read_reply(CSocket& socket, const std::string& server, std::string* reply);
  bool fail(std::string text);
  // Enters the location of `name` in the table: through create_entry for
  // other agents, directly for this agent's own name, which create_entry
  // refuses.
  void store_location(const char* name, const char* host, unsigned port);
  // The agent names announced by this module, copied (the calls change them).
  std::vector<std::string> alias_names();
  // Fetches the listing into listing_.
  bool fetch_listing();

  const char* string_belief(const char* name) const;
  int int_belief(const char* name, int fallback) const;

  HeapText last_error_;
  std::vector<std::string> listing_;
  size_t cursor_ = 0;
  long requests_ = 0;
  int registered_ = 0;
};
