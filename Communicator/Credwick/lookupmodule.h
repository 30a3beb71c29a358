// CLookupModule: the base of the modules through which agents find each
// other (multicast discovery, the name-server client). It holds the service
// table operations on the "lookup" list of a belief database and the virtual
// operations that the communicator calls and the subclasses implement.
//
// The database and the table (the list of its "lookup" belief) are not owned: they stay
// with the database, which must outlive the module (or be unbound first with
// set_beliefdb(nullptr)). The handler window is not owned either.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Bannerwick/serviceinfo.h"
#include "Credwick/beliefdb.h"
#include "Toolwick/llist.h"

class CComboBox;
class CListBox;
class CWnd;

// Lookup types (get_lookup_type).
enum : int {
  LOOKUP_TYPE_UNSET = 0,
  LOOKUP_TYPE_DISCOVERY = 1,
  LOOKUP_TYPE_ANS = 2,
};

class CLookupModule : public CListElement {
 public:
  CLookupModule() = default;
  explicit CLookupModule(CWnd* handler) : handler_(handler) {}
  // Bound to `db` as by set_beliefdb.
  CLookupModule(CBeliefDB* db, CWnd* handler);
  ~CLookupModule() override = default;

  // What a subclass does in each: announce / withdraw the agent; search for
  // it, creating or updating its entry when it can answer within the call;
  // list the known agents; renew the announcements; start and stop. The
  // base does nothing but log, and answers 0.
  virtual int register_agent(const char* name);
  virtual int unregister_agent(const char* name);
  virtual int lookup_agent(const char* name);
  virtual int find_agent(const char* name);
  virtual int listall_agents();
  virtual void alive();
  virtual void process_enable();
  virtual void process_disable();

  // What a module that registers with a server (the name-server client)
  // tells its communicator and the agent's windows, so that they need not
  // know its class. The base has no server: 0, null, nothing listed.
  // 1 while the agent's own name is registered.
  virtual int is_registered() const;
  // Why the last request failed, null when it succeeded; owned by the
  // module until its next request.
  virtual char* get_last_error();
  // Fetches the listing of the registered agents: 1 on success.
  virtual int ans_list_all();
  // Fetch the listing and add each name to the control (null: 0); 1 on
  // success.
  virtual int listall_combo(CComboBox* combo);
  virtual int listall_listbox(CListBox* listbox);
  // getfirst fetches the listing and gives its first name, getnext the
  // following ones; null at the end or after a failure. Owned by the module
  // until the next fetch.
  virtual char* listall_getfirst();
  virtual char* listall_getnext();

  // Binds the module to `db`: the list held by its "lookup" belief becomes
  // the entry table. Without such a list belief (or without a database) the
  // module has no table.
  void set_beliefdb(CBeliefDB* db);
  CBeliefDB* get_beliefdb() const { return db_; }
  CLList* get_entries() const { return entries_; }
  // The names this module announces, owned; no name occurs twice.
  CLList* get_aliases() { return &aliases_; }

  void set_handler(CWnd* handler) { handler_ = handler; }
  CWnd* get_handler() const { return handler_; }
  void set_lookup_type(int type) { lookup_type_ = type; }
  int get_lookup_type() const { return lookup_type_; }
  void set_service_type(int type) { service_type_ = type; }
  int get_service_type() const { return service_type_; }
  int get_mode() const { return mode_; }

  // Stores `value` when it differs from the flag and then runs
  // process_enable for 1, process_disable for any other value.
  void enable(int value);
  int is_enabled() const { return enabled_; }

  // Integrity checks that an entry learnt from a peer (a lookup answer, a
  // listing) lives unless it is learnt again.
  static constexpr int kLearntExpiry = 900;
  // At most this many entries that a module learnt stay in the table at
  // once: peers that tell of ever new names cannot grow it further. When
  // they fill it, a new one replaces the one learnt least recently.
  static constexpr size_t kMaxLearnt = 4096;

  // `name` as the service table keeps it: a trailing ',' and then the
  // blanks around it cut off.
  static std::string entry_name(std::string_view name);
  // The entry of entry_name(name): found, revived when gone, or appended.
  // Null for a null name, the agent's own name or a module without a table.
  // Owned by the table.
  CServiceInfo* create_entry(const char* name);
  // create_entry for what a peer told of `name`: the entry expires after
  // kLearntExpiry integrity checks from now and counts against
  // kMaxLearnt, unless it was made to stay for good (expiration -1) before.
  CServiceInfo* learn_entry(const char* name);
  // A new, nameless entry located at `url` (an existing one is never
  // reused); null for a null text or a module without a table.
  CServiceInfo* create_entry_url(const char* url);
  // Marks the entry gone (it stays in the table until it expires). Null, or
  // a name without an entry, does nothing.
  void delete_entry(const char* name);
  void delete_entry(CServiceInfo* entry);
  // 1 when the database's string belief "name" holds `name`; else 0.
  int is_self(const char* name) const;

 protected:
  // Appends `name` to the aliases unless it is null or already there.
  void add_name(const char* name);
  // Drops the alias `name`, if present.
  void remove_name(const char* name);

 private:
  CServiceInfo* find_entry(const char* name) const;
  // Deletes the entry learnt least recently from the table, for `newcomer`.
  void drop_least_recently_learnt(const std::string& newcomer);
  void mark_modified();

  CBeliefDB* db_ = nullptr;
  CLList* entries_ = nullptr;
  CLList aliases_;
  int lookup_type_ = LOOKUP_TYPE_UNSET;
  int service_type_ = SERVICETYPE_AGENT;
  int mode_ = 1;
  CWnd* handler_ = nullptr;
  int enabled_ = 0;
  // The names of the entries learnt, least recently learnt first.
  std::list<std::string> learnt_;
  std::unordered_map<std::string, std::list<std::string>::iterator> learnt_at_;
};
