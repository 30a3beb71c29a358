// CANSClient: the lookup module (type 2) through which an agent registers
// with the agent name server, looks other agents up and lists the
// registered ones. Every request is one short KQML exchange over a
// connection of its own, outside the communicator's connection cache:
//
//   (register   :sender N :receiver ANS :reply-with R :content (register :name N :host H :port P [:key K]))
//   (unregister ... (unregister :name N [:key K]))   (ask-one ... (lookup :name N))
//   (ask-all    ... (listall))
//
// answered as ansprotocol.h shows. A registration's answer may carry a key:
// the module keeps it for that name and this agent's place (CANSKeys, which
// keeps it across restarts) and shows it with every later request about the
// name, which proves to the server that they come from the holder. Connecting, sending and waiting for the reply share one blocking
// timeout of the platform (a wait for data already begun runs out its own),
// so a silent server costs about three seconds, never a hang.
//
// Lookups run on the way of a message (the communicator looks its receiver
// up), so the module remembers failures for a while: a name the server
// refused is not asked for again for the unknown-name time, and while a
// server that could not be asked rests, no lookup is sent to it at all.
// Registrations are always sent; any answer of the server ends its rest.
// What the agent's windows need without asking the server stands ready:
// is_registered(), and the agent's own entry in the table while it is.
//
// The module reads the beliefs "ans" (server host; "-unknown-" means none,
// and then no request is made at all), "ansport", "name", "port" and
// "hostname" (the address it registers, "localhost" without it) at each
// request. The database must outlive the module (see CLookupModule).
// Failures are results (0 or null); get_last_error() tells why.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "Credwick/lookupmodule.h"
#include "Namewick/anskeys.h"
#include "Namewick/ansprotocol.h"
#include "Toolwick/heaptext.h"

class CSocket;

class CANSClient : public CLookupModule {
 public:
  // The name-server host value that stands for "no server configured".
  static constexpr const char* kUnknownHost = "-unknown-";
  static constexpr unsigned kDefaultPort = 6677;
  // Replies longer than this are refused.
  static constexpr size_t kMaxReply = 64 * 1024;
  // How long a refused name and a server that could not be asked are
  // remembered, and how many refused names at most.
  static constexpr std::chrono::milliseconds kUnknownNameTime{5000};
  static constexpr std::chrono::milliseconds kServerRestTime{10000};
  static constexpr size_t kMaxUnknownNames = 256;

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
  // agent's own entry included; other agents' entries expire as learnt
  // ones do). Non-zero when found. A remembered failure answers 0 at once.
  int lookup_agent(const char* name) override;
  // ans_list_all, and every name listed gets a learnt entry in the table
  // (without a location until it is looked up). 1 on success.
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

  // How long failures are remembered (see the top of this file); zero
  // forgets them at once.
  void set_failure_memory(std::chrono::milliseconds unknown_name,
                          std::chrono::milliseconds server_rest);

 private:
  using Clock = std::chrono::steady_clock;
  enum class Asked { kTold, kSorry, kFailed };
  struct Remembered {
    Clock::time_point until;
    std::string error;
  };

  // One exchange: the request "(performative ... :content content)" and
  // its reply, read into *reply as wanting the content `expected`; kTold
  // only for that answer, else the last error is set. A lookup (`lookup`)
  // is not sent to a resting server.
  Asked ask(const char* performative, const std::string& content, const char* expected,
            bool lookup, CANSReply* reply);
  // Sends `request` to `host` and `port` and reads the reply text up to
  // its 0x04; false with the last error set.
  bool exchange(const char* host, unsigned port, const std::string& server, std::string request,
                std::string* reply);
  // The reply text up to its 0x04, read from `socket` by `deadline`.
  bool read_reply(CSocket& socket, const std::string& server, Clock::time_point deadline,
                  std::string* reply);
  bool fail(std::string text);
  std::string last_error_text() const;
  // The remembered failure for `name` as the last error: 0. -1 when none.
  int answer_remembered(const char* name);
  void remember_unknown(const char* name);
  // Enters the location of `name` in the table: through create_entry for
  // other agents (learnt, expiring, unless `own` says it is one of this
  // agent's names), directly for this agent's own name, which create_entry
  // refuses.
  void store_location(const char* name, const char* host, unsigned port, bool own);
  // `name` as this agent holds it with the server of the beliefs, at this
  // agent's host and "port".
  CANSKeys::Holding holding(const char* name) const;
  // " :key K" with the key kept for `held`; "" without one.
  std::string shown_key(const CANSKeys::Holding& held);
  // The agent names announced by this module, copied (the calls change them).
  std::vector<std::string> alias_names();
  // Fetches the listing into listing_.
  bool fetch_listing();

  const char* string_belief(const char* name) const;
  int int_belief(const char* name, int fallback) const;

  HeapText last_error_;
  std::chrono::milliseconds unknown_name_time_ = kUnknownNameTime;
  std::chrono::milliseconds server_rest_time_ = kServerRestTime;
  std::map<std::string, Remembered> unknown_names_;
  std::string resting_server_;  // the server that could not be asked, "" for none
  Remembered rest_;
  CANSKeys keys_;
  std::vector<std::string> listing_;
  size_t cursor_ = 0;
  long requests_ = 0;
  int registered_ = 0;
};
