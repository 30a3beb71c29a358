// CDiscovery: the lookup module of multicast service discovery (lookup type
// 1). Agents on one network find each other without a name server by
// exchanging SSDP-style texts (CSSDPParser) over UDP multicast:
//
//   enable(1)   joins the group, announces the agent (NOTIFY ssdp:alive) and
//               searches for all (M-SEARCH with ST " ");
//   enabled     answers searches by unicast, learns agents from their alive
//               NOTIFYs and from answers (entries that expire after kExpiry
//               integrity checks unless renewed), marks them gone on byebye;
//   alive()     announces the agent and every registered alias again;
//   enable(0)   says byebye for every alias and the agent and leaves.
//
// The communicator hands it each received datagram (process_discovery with
// the socket's descriptor: 1 the group, 2 the unicast receiver) and where the
// agent takes TCP connections (set_param).
//
// Ownership: the multicast socket and the parser are owned. The belief
// database and the handler window are not (see CLookupModule). The socket is
// deleted after the current callback returns (platform::delete_later), since
// disabling may come from within its own notification.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "Credwick/lookupmodule.h"
#include "Relaywick/multicastsocket.h"
#include "Relaywick/ssdpparser.h"
#include "Toolwick/heaptext.h"

class CDiscovery : public CLookupModule {
 public:
  // Integrity checks an entry learnt from discovery lives unless renewed.
  static constexpr int kExpiry = 900;
  // At most this many entries that discovery added stay in the table at
  // once: announcements with ever new USNs cannot grow it further. When they
  // fill it, a new entry replaces the one heard from least recently (one
  // withdrawn by byebye first), so a real agent is never locked out.
  static constexpr size_t kMaxEntries = 4096;
  // Longer hosts and service names are refused.
  static constexpr size_t kMaxHostLength = 199;
  static constexpr size_t kMaxNameLength = 1023;
  static constexpr int kTimeToLive = 3;

  // Own S and USN: the value of the belief "name", or texts made of the
  // construction time without it. Group "239.255.255.250", port 1900.
  CDiscovery(CBeliefDB* db, CWnd* handler);
  ~CDiscovery() override;

  // Announces / withdraws `usn` as an alias of this agent; 1, or 0 without
  // a multicast socket.
  int register_agent(const char* usn) override;
  int unregister_agent(const char* usn) override;
  // Search for `name` / for all; the answers arrive later, as datagrams. 1.
  int lookup_agent(const char* name) override;
  int listall_agents() override;
  // Announces the agent and every alias.
  void alive() override;
  // Joins the group, then alive() and listall_agents(). Without an
  // interface address in VERANTA_MULTICAST_IF it makes no socket and sends
  // nothing. A failed join leaves no socket: enabling again (after
  // enable(0)) tries anew.
  void process_enable() override;
  // Byebye for every alias and the agent, leaves the group, drops the socket.
  void process_disable() override;

  // Examines the datagram waiting at socket `which` (1 the group socket, 2
  // the unicast receiver): 0 an echo of our own or an announcement without
  // USN, 1 a search answered, 2 an answer examined, 3 an announcement
  // examined, 4 nothing done (no socket, no data, not a discovery text).
  virtual int process_discovery(unsigned which);
  // Makes or renews the entry named by `usn` (after "uuid:" or "veranta:")
  // at `host`:`port`, typed by `nt`, expiring after `expiry` checks, with
  // localization 1. 1, or 0 (no USN or host, too long, the agent itself,
  // no table). A new entry in a table that holds kMaxEntries entries of
  // discovery replaces the least recently heard of them.
  int add_external_service(const char* usn, const char* host, unsigned port, const char* nt,
                           int expiry);
  // Marks the entry named by `usn` (found as add_external_service names
  // it) gone; it stays in the table, but is the first of discovery's
  // entries to make room for a new one.
  void remove_service(const char* usn);
  // Answers the search held by `parser` by unicast to its Host. A Host
  // that is not a unicast reply address (see unicast_message) gets one log
  // line and no answer.
  void locate_service(CSSDPParser* parser);
  // Multicasts a search for `st` whose answers go to `host` and the unicast
  // receiver's port (`port` is not used: answers come by UDP).
  void find_service(const char* st, const char* host, unsigned port);
  // Logs and sends `text` to the group; 1, or 0 (null text, failed send).
  int multicast(const char* text);
  // Sends to the group; 0 without a multicast socket or when it failed.
  int multicast_message(const char* text, int length);
  // One datagram of `text` (without its NUL) to `host`:`port`; 1 or 0.
  // Only a dotted IPv4 address of one host and a port other than 0 are
  // answered: no group, broadcast, reserved or unspecified address, and no
  // host name, whose lookup would block the event loop.
  int unicast_message(const char* host, unsigned port, const char* text);
  // The service type of an NT text (SERVICETYPE_*); 7 for null and unknown.
  int nt2str(const char* text);
  // The text of the module's service type; null for 7 and unknown codes.
  const char* get_service_type_string() const;

  // Where this agent takes TCP connections; a null host leaves the host.
  virtual void set_param(const char* host, unsigned port);
  // Used by the next join; null is ignored.
  void set_multicast_ip(const char* address);
  char* get_multicast_ip() const { return mcast_ip_.get(); }
  void set_multicast_port(unsigned port) { mcast_port_ = port; }
  unsigned get_multicast_port() const { return mcast_port_; }
  // Joins (time-to-live 3, loopback off) / leaves the group with the
  // existing socket; 0 without one or when it failed.
  int join();
  int leave();

  // The last datagram examined, owned; null before the first.
  char* get_data() const;
  // The host and port given by set_param.
  char* get_ip() const { return al_host_.get(); }
  unsigned get_port() const { return al_port_; }
  CSSDPParser* retrieve_info() const { return parser_.get(); }
  // Null while disabled.
  CMulticastSocket* get_multicast_socket() const { return socket_.get(); }

 protected:
  // Sends the datagram of unicast_message to an address it has checked;
  // every answer leaves through here, so a test can watch them.
  virtual int send_unicast(const char* host, unsigned port, const char* text);

 private:
  // True for an address that unicast_message answers; any other is refused
  // with one log line.
  bool is_reply_address(const char* host, unsigned port);
  int process_search();
  int process_answer();
  int process_announcement();
  void process_alive(const char* usn, const char* nt);
  // Gives the parser the group address and port and the own USN.
  void configure_parser();
  // The value of the belief "name", null without it.
  const char* own_name() const;
  // multicast_message of an announcement, logging a failure.
  void announce(const char* text);
  // Notes that `entry` was heard (`created`: discovery has just added it).
  // A new entry of discovery makes room first when kMaxEntries of them are
  // in the table.
  void note_heard(CServiceInfo* entry, bool created);
  // Deletes the least recently heard entry of discovery from the table.
  void replace_oldest(const char* newcomer);
  void drop_socket();

  std::unique_ptr<CMulticastSocket> socket_;
  std::unique_ptr<CSSDPParser> parser_;
  std::unique_ptr<CListElement> data_;
  HeapText own_s_;
  HeapText own_usn_;
  HeapText mcast_ip_{"239.255.255.250"};
  unsigned mcast_port_ = 1900;
  HeapText al_host_;
  unsigned al_port_ = 0;
  // Names of the entries that discovery added, least recently heard first,
  // and where each stands. A name whose entry has left the table (expired)
  // is dropped when it comes first.
  std::list<std::string> heard_;
  std::unordered_map<std::string, std::list<std::string>::iterator> heard_at_;
};
