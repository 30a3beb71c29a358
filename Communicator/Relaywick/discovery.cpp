#include "Relaywick/discovery.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string_view>

#include "Credwick/belief.h"
#include "Platform/asyncsocket.h"
#include "Platform/eventloop.h"
#include "Platform/hostaddress.h"
#include "Toolwick/format.h"
#include "Toolwick/url.h"

namespace {

constexpr const char* kNoSocket =
    "<CDiscovery> unable to create message, no multicast socket available";
constexpr const char* kSendFailed = "<CDiscovery> Multicast Send Failed!";
constexpr const char* kEcho = "<CDiscovery> This message is an echo";
constexpr const char* kNoS = "<CDiscovery> Can't find S value in message";
constexpr unsigned kMaxPort = 65535;

bool same(const HeapText& own, const char* text) {
  return own.is_set() && text != nullptr && std::strcmp(own.get(), text) == 0;
}

// The service name of a USN: the text after its first "uuid:", else after
// its first "veranta:", else the whole USN; cut at the first LF and CR.
// Then trimmed as the service table keeps names (one trailing ',', then the
// blanks at both ends), so that the name checked and looked up is the one
// an entry carries: a byebye finds the entry its alive made.
std::string service_name(const char* usn) {
  std::string_view name(usn);
  if (const size_t at = name.find("uuid:"); at != std::string_view::npos) {
    name.remove_prefix(at + 5);
  } else if (const size_t at2 = name.find("veranta:"); at2 != std::string_view::npos) {
    name.remove_prefix(at2 + 8);
  }
  name = name.substr(0, name.find('\n'));
  name = name.substr(0, name.find('\r'));
  return CLookupModule::entry_name(name);
}

// A dotted IPv4 address of one host: not a group (224/4), reserved or
// broadcast (240/4), nor "this network" (0/8).
bool is_unicast_ipv4(const char* host) {
  in_addr address{};
  if (host == nullptr || inet_pton(AF_INET, host, &address) != 1) return false;
  const uint32_t value = ntohl(address.s_addr);
  return (value >> 24) != 0 && (value >> 28) < 0xE;
}

// The leading decimal digits of `text` as a port; 0 when there are none or
// the number is beyond any port.
unsigned read_port(std::string_view text) {
  unsigned port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    port = port * 10 + static_cast<unsigned>(c - '0');
    if (port > kMaxPort) return 0;
  }
  return port;
}

// "host:port" split at its first ':'; false without one.
bool split_address(std::string_view address, std::string* host, unsigned* port) {
  const size_t colon = address.find(':');
  if (colon == std::string_view::npos) return false;
  *host = address.substr(0, colon);
  *port = read_port(address.substr(colon + 1));
  return true;
}

struct TypeLine {
  int type;
  const char* line;
};

constexpr TypeLine kTypeLines[] = {
    {SERVICETYPE_AGENT, "<CDiscovery> Result: [AGENT]"},
    {SERVICETYPE_MATCHMAKER, "<CDiscovery> Result: [MATCHMAKER]"},
    {SERVICETYPE_FERRINSERVER, "<CDiscovery> Result: [FERRINSERVER]"},
    {SERVICETYPE_ANS_SERVER, "<CDiscovery> Result: [ANS_SERVER]"},
    {SERVICETYPE_SHOWBOARD, "<CDiscovery> Result: [SHOWBOARD]"},
    {SERVICETYPE_PELVAN_SERVER, "<CDiscovery> Result: [PELVAN_SERVER]"},
};

}  // namespace

CDiscovery::CDiscovery(CBeliefDB* db, CWnd* handler)
    : CLookupModule(db, handler), parser_(std::make_unique<CSSDPParser>()) {
  set_lookup_type(LOOKUP_TYPE_DISCOVERY);
  if (const char* name = own_name()) {
    own_s_.set(name);
    own_usn_.set(name);
  } else {
    const long now = static_cast<long>(std::time(nullptr));
    own_s_.assign(str_format("Dur32O%ld:idscheme3", now));
    own_usn_.assign(str_format("uuid:Dur32O%ld", now));
  }
}

CDiscovery::~CDiscovery() {
  debug("<CDiscovery> Deleting Discovery module");
  debug("<CDiscovery> Removing multicast socket");
  if (socket_ != nullptr) {
    debug("<CDiscovery> Deleting multicast socket");
    drop_socket();
  }
  debug("<CDiscovery> Removing HTTP Parser");
  parser_.reset();
  debug("<CDiscovery> Deleting Discovery data");
  data_.reset();
  debug("<CDiscovery> Removing pointers");
  debug("<CDiscovery> Done deleting discovery module");
}

// --- Announcing

int CDiscovery::register_agent(const char* usn) {
  if (socket_ == nullptr) {
    debug("%s", kNoSocket);
    return 0;
  }
  configure_parser();
  debug("<CDiscovery> Sending alive packet...");
  add_name(usn);
  announce(parser_->create_notify_external(usn, al_host_.get(), al_port_));
  return 1;
}

int CDiscovery::unregister_agent(const char* usn) {
  if (socket_ == nullptr) {
    debug("%s", kNoSocket);
    return 0;
  }
  configure_parser();
  debug("<CDiscovery> Sending byebye message (for agent other than ourselves)");
  remove_name(usn);
  announce(parser_->create_byebye_external(usn, al_host_.get(), al_port_));
  return 1;
}

void CDiscovery::alive() {
  if (socket_ == nullptr) {
    debug("%s", kNoSocket);
    return;
  }
  configure_parser();
  debug("<CDiscovery> Sending alive packet...");
  const char* name = own_name();
  if (name == nullptr) {
    debug("<CDiscovery> No name variable found needed for alive packet");
    return;
  }
  add_name(name);
  CLList* aliases = get_aliases();
  for (CListElement* alias = aliases->get_element(0); alias != nullptr; alias = alias->get_next()) {
    announce(parser_->create_notify_external(alias->get_name(), al_host_.get(), al_port_));
  }
}

void CDiscovery::announce(const char* text) {
  if (multicast_message(text, text != nullptr ? static_cast<int>(std::strlen(text)) : 0) == 0) {
    debug("%s", kSendFailed);
  }
}

// --- Start and stop

void CDiscovery::process_enable() {
  if (get_beliefdb() == nullptr) {
    debug("<CDiscovery> No lookup table found, aborting");
    return;
  }
  if (socket_ != nullptr) {
    debug("<CDiscovery> multicast socket already active, aborting create");
    return;
  }
  // Discovery stays off the network unless told which interface to use.
  in_addr interface_address{};
  if (!platform::multicast_interface(&interface_address)) {
    debug("<CDiscovery> %s names no interface address: discovery joins no group and sends nothing",
          platform::kMulticastInterfaceVariable);
    return;
  }
  socket_ = std::make_unique<CMulticastSocket>(get_handler());
  socket_->set_logger(this);
  if (socket_->JoinGroup(mcast_ip_.get(), mcast_port_, kTimeToLive, 0) == 0) {
    // Nothing was told of this socket yet: it can go at once.
    socket_.reset();
    debug("<CDiscovery> Unable to join the multicast group, discovery is off");
    return;
  }
  alive();
  listall_agents();
}

void CDiscovery::process_disable() {
  if (get_beliefdb() == nullptr) {
    debug("<CDiscovery> No lookup table found, aborting");
    return;
  }
  if (socket_ == nullptr) {
    debug("%s", kNoSocket);
    return;
  }
  configure_parser();
  debug("<CDiscovery> Removing aliases");
  CLList* aliases = get_aliases();
  for (CListElement* alias = aliases->get_element(0); alias != nullptr; alias = alias->get_next()) {
    announce(parser_->create_byebye_external(alias->get_name(), al_host_.get(), al_port_));
  }
  debug("<CDiscovery> Sending byebye message");
  if (const char* name = own_name()) {
    announce(parser_->create_byebye(name, al_host_.get(), al_port_));
  } else {
    debug("<CDiscovery> Name parameter is no longer available");
  }
  socket_->LeaveGroup();
  drop_socket();
}

void CDiscovery::drop_socket() {
  // Its own notification may be on the stack: silence it, delete it later.
  socket_->retire();
  platform::delete_later(socket_.release());
}

int CDiscovery::join() {
  return socket_ != nullptr ? socket_->JoinGroup(mcast_ip_.get(), mcast_port_, kTimeToLive, 0) : 0;
}

int CDiscovery::leave() { return socket_ != nullptr ? socket_->LeaveGroup() : 0; }

// --- Searching

int CDiscovery::lookup_agent(const char* name) {
  find_service(name, al_host_.get(), al_port_);
  return 1;
}

int CDiscovery::listall_agents() {
  find_service(" ", al_host_.get(), al_port_);
  return 1;
}

void CDiscovery::find_service(const char* st, const char* host, unsigned /*port*/) {
  debug("<CDiscovery> Finding service...");
  if (socket_ == nullptr) {
    debug("%s", kNoSocket);
    return;
  }
  configure_parser();
  const char* text = parser_->create_m_search(st, host, socket_->get_unicast_port(), own_s_.get());
  if (multicast(text) == 0) debug("%s", kSendFailed);
}

int CDiscovery::multicast(const char* text) {
  debug("<CDiscovery> Multicast ...");
  if (text == nullptr) {
    debug("<CDiscovery> No message specified, aborting multicast");
    return 0;
  }
  debug("%s", text);
  if (multicast_message(text, static_cast<int>(std::strlen(text))) == 0) {
    debug("%s", kSendFailed);
    return 0;
  }
  return 1;
}

int CDiscovery::multicast_message(const char* text, int length) {
  if (socket_ == nullptr) {
    debug("<CDiscovery> socket is NULL");
    return 0;
  }
  return socket_->Send(text, length);
}

int CDiscovery::unicast_message(const char* host, unsigned port, const char* text) {
  if (!is_reply_address(host, port)) return 0;
  debug("<CDiscovery> unicasting reply to agent at [%s][%u] with: [%s]", shown_text(host), port,
        shown_text(text));
  return send_unicast(host, port, text);
}

bool CDiscovery::is_reply_address(const char* host, unsigned port) {
  // Answers go where a datagram says, so a name lookup or a group or
  // broadcast address there would let any sender stall the loop or make
  // this agent send off its network.
  if (is_unicast_ipv4(host) && port != 0 && port <= kMaxPort) return true;
  debug("<CDiscovery> Refusing to answer [%s][%u]: not a unicast IPv4 address and port",
        shown_text(host), port);
  return false;
}

int CDiscovery::send_unicast(const char* host, unsigned port, const char* text) {
  CAsyncSocket socket;
  if (!socket.Create(0, SOCK_DGRAM)) {
    debug("<CDiscovery> Unable to create Unicast socket");
    return 0;
  }
  if (!socket.Connect(host, port)) {
    debug("<CDiscovery> Unable to connect Unicast socket");
    return 0;
  }
  const int length = text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
  if (text == nullptr || socket.Send(text, length) != length) {
    debug("<CDiscovery> Unable to send through Unicast socket");
    return 0;
  }
  return 1;
}

// --- Receiving

int CDiscovery::process_discovery(unsigned which) {
  if (socket_ == nullptr) {
    debug("%s", kNoSocket);
    return 4;
  }
  configure_parser();
  debug("<CDiscovery> process_discovery ()");
  const char* text = socket_->get_data(static_cast<int>(which));
  if (text == nullptr) {
    debug("<CDiscovery> Multicast socket does not have any data pending");
    return 4;
  }
  if (data_ == nullptr) data_ = std::make_unique<CListElement>();
  data_->set_name(text);
  debug("<CDiscovery> Processing discovery data");
  parser_->parse_message(data_->get_name());
  switch (parser_->get_method()) {
    case SSDP_METHOD_M_SEARCH:
      return process_search();
    case SSDP_METHOD_HTTP:
      return process_answer();
    case SSDP_METHOD_NOTIFY:
      return process_announcement();
    default:
      debug("<CDiscovery> Error processing discovery");
      return 4;
  }
}

int CDiscovery::process_search() {
  debug("<CDiscovery> Processing search request");
  const char* s = parser_->find_S();
  if (s == nullptr) {
    debug("%s", kNoS);
  } else if (same(own_s_, s)) {
    debug("%s", kEcho);
    return 0;
  }
  locate_service(parser_.get());
  return 1;
}

int CDiscovery::process_answer() {
  debug("<CDiscovery> Processing agent reply to search request");
  const char* usn = parser_->find_USN();
  if (usn == nullptr) {
    debug("%s", kNoS);
  } else if (same(own_s_, usn)) {
    debug("%s", kEcho);
    return 0;
  }
  const char* nt = parser_->find_NT();
  const char* al = parser_->find_AL();
  if (nt == nullptr || al == nullptr) {
    debug("<CDiscovery> Can't find AL or NT value in message");
    return 2;
  }
  std::string host;
  unsigned port = 0;
  if (split_address(al, &host, &port)) {
    add_external_service(usn, host.c_str(), port, nt, kExpiry);
    locate_service(parser_.get());
  } else {
    debug("<CDiscovery> Unable to find host information in message");
  }
  return 2;
}

int CDiscovery::process_announcement() {
  const char* usn = parser_->find_USN();
  if (usn == nullptr) {
    debug("<CDiscovery> No USN field found, aborting operation");
    return 0;
  }
  if (same(own_usn_, usn)) {
    debug("<CDiscovery> Messge is an echo");
    return 0;
  }
  const char* nt = parser_->find_NT();
  const char* nts = parser_->find_NTS();
  if (nt == nullptr || nts == nullptr)
    debug("<CDiscovery> NT or NTS value was NULL for this message");
  if (nts != nullptr && std::strstr(nts, "ssdp:alive") != nullptr) {
    process_alive(usn, nt);
  } else if (nts != nullptr && std::strstr(nts, "ssdp:byebye") != nullptr) {
    debug("<CDiscovery> Processing byebye event");
    remove_service(usn);
  }
  debug("<CDiscovery> Found internal event");
  return 3;
}

void CDiscovery::process_alive(const char* usn, const char* nt) {
  debug("<CDiscovery> Processing alive event");
  if (const char* al = parser_->find_AL()) {
    std::string host;
    unsigned port = 0;
    if (split_address(al, &host, &port)) {
      add_external_service(usn, host.c_str(), port, nt, kExpiry);
    } else {
      debug("<CDiscovery> Can't find host information in messge");
    }
    return;
  }
  debug("<CDiscovery> Can't find AL field in message, we're assuming a non veranta service ...");
  const char* location = parser_->find_Location();
  if (location == nullptr) {
    debug("<CDiscovery> No location information found, aborting service processing");
    return;
  }
  debug("<CDiscovery> Location information for this service: %s", location);
  CURL url;
  url.parse_url(location);
  const int32_t port = url.get_port();
  add_external_service(
      usn, url.get_host(),
      port >= 0 && static_cast<unsigned>(port) <= kMaxPort ? static_cast<unsigned>(port) : 0,
      "unknown", kExpiry);
}

// --- The service table

int CDiscovery::add_external_service(const char* usn, const char* host, unsigned port,
                                     const char* nt, int expiry) {
  debug("<CDiscovery> Adding external service ...");
  if (usn == nullptr) {
    debug("<CDiscovery> No service ID specified, aborting");
    return 0;
  }
  if (host == nullptr) {
    debug("<CDiscovery> No service location found, aborting");
    return 0;
  }
  const std::string name = service_name(usn);
  if (name.empty()) {
    debug("<CDiscovery> No service ID specified, aborting");
    return 0;
  }
  if (name.size() > kMaxNameLength || std::strlen(host) > kMaxHostLength) {
    debug("<CDiscovery> Service ID or location too long, aborting");
    return 0;
  }
  if (is_self(name.c_str())) return 0;
  CLList* table = get_entries();
  const int before = table != nullptr ? table->get_nr_elements() : 0;
  CServiceInfo* entry = create_entry(name.c_str());
  if (entry == nullptr) return 0;
  note_heard(entry, table->get_nr_elements() > before);
  entry->set_type(nt2str(nt));
  entry->set_expiration(expiry);
  entry->set_localization(1);
  if (entry->get_location() == nullptr) entry->set_location(new CURL);
  entry->get_location()->set_host(host);
  entry->get_location()->set_port(static_cast<int32_t>(port));
  debug("<CDiscovery> Added service [%s] at [%s][%u]", name.c_str(), host, port);
  return 1;
}

void CDiscovery::note_heard(CServiceInfo* entry, bool created) {
  if (entry->get_name() == nullptr) return;
  const std::string name = entry->get_name();
  if (const auto at = heard_at_.find(name); at != heard_at_.end()) {
    heard_.splice(heard_.end(), heard_, at->second);
    return;
  }
  // Entries that other modules made stay out of discovery's count.
  if (!created) return;
  while (heard_.size() >= kMaxEntries) replace_oldest(name.c_str());
  heard_at_[name] = heard_.insert(heard_.end(), name);
}

void CDiscovery::replace_oldest(const char* newcomer) {
  const std::string oldest = heard_.front();
  heard_at_.erase(oldest);
  heard_.pop_front();
  CLList* table = get_entries();
  auto* entry = dynamic_cast<CServiceInfo*>(table->find_element(oldest.c_str()));
  // Expired meanwhile, its room is free; an entry of that name that never
  // expires came from another module since and is not discovery's to drop.
  if (entry == nullptr || entry->get_expiration() == -1) return;
  debug("<CDiscovery> Service table full, replacing service [%s] with [%s]", oldest.c_str(),
        newcomer);
  table->delete_element(entry);
  get_beliefdb()->set_modified(1);
}

void CDiscovery::remove_service(const char* usn) {
  debug("<CDiscovery> removing service: [%s]", shown_text(usn));
  if (get_beliefdb() == nullptr) {
    debug("<CDiscovery> BeliefDB not found");
    return;
  }
  CLList* table = get_entries();
  if (table == nullptr) {
    debug("<CDiscovery> Network lookup table not found");
    return;
  }
  const std::string name = usn != nullptr ? service_name(usn) : std::string();
  auto* entry = dynamic_cast<CServiceInfo*>(table->find_element(name.c_str()));
  if (entry == nullptr) {
    debug("<CDiscovery> Service not found, can't remove service description for: [%s]",
          name.c_str());
    return;
  }
  delete_entry(entry);
  // A withdrawn agent's room is the first to be given to a new one.
  if (const auto at = heard_at_.find(entry->get_name()); at != heard_at_.end()) {
    heard_.splice(heard_.begin(), heard_, at->second);
  }
  debug("<CDiscovery> Marked [%s] service description for deletion", name.c_str());
}

void CDiscovery::locate_service(CSSDPParser* parser) {
  const char* s = parser != nullptr ? parser->find_S() : nullptr;
  const char* st = parser != nullptr ? parser->find_ST() : nullptr;
  if (socket_ == nullptr) {
    debug("%s", kNoSocket);
    return;
  }
  debug("<CDiscovery> Locating internal service");
  configure_parser();
  if (s == nullptr) debug("No S: found");
  if (st == nullptr) {
    debug("<CDiscovery> No ST value found, needed for search reply");
    return;
  }
  std::string_view address = parser->find_Host() != nullptr ? parser->find_Host() : "";
  if (!address.empty() && address.front() == '<') address.remove_prefix(1);
  if (!address.empty() && address.back() == '>') address.remove_suffix(1);
  std::string host;
  unsigned port = 0;
  if (!split_address(address, &host, &port) || host.size() > kMaxHostLength) {
    debug("<CDiscovery> Unable to locate hostname in message");
    return;
  }
  if (!is_reply_address(host.c_str(), port)) return;
  CLList* table = get_entries();
  if (table == nullptr) return;

  const auto answer = [&] {
    if (const char* text = parser_->create_http(own_name(), al_host_.get(), al_port_, s)) {
      unicast_message(host.c_str(), port, text);
    }
  };
  if (const char* prefixed = std::strstr(st, "veranta:")) {
    const char* wanted = prefixed + std::strlen("veranta:");
    for (CListElement* e = table->get_element(0); e != nullptr; e = e->get_next()) {
      auto* entry = dynamic_cast<CServiceInfo*>(e);
      if (entry != nullptr && entry->get_type() == 0 && entry->get_name() != nullptr &&
          std::strcmp(entry->get_name(), wanted) == 0) {
        answer();
        break;
      }
    }
    return;
  }
  for (CListElement* e = table->get_element(0); e != nullptr; e = e->get_next()) {
    auto* entry = dynamic_cast<CServiceInfo*>(e);
    if (entry != nullptr && entry->get_localization() == 0) answer();
  }
}

// --- Service types and settings

int CDiscovery::nt2str(const char* text) {
  if (text == nullptr) return SERVICETYPE_NONE;
  debug("<CDiscovery> Examining [%s]", text);
  for (const TypeLine& type : kTypeLines) {
    if (std::strcmp(text, ssdp_service_type_text(type.type)) == 0) {
      debug("%s", type.line);
      return type.type;
    }
  }
  debug("<CDiscovery> Result: (default) [AGENT]");
  return SERVICETYPE_NONE;
}

const char* CDiscovery::get_service_type_string() const {
  return ssdp_service_type_text(get_service_type());
}

void CDiscovery::set_param(const char* host, unsigned port) {
  if (host != nullptr) al_host_.set(host);
  al_port_ = port;
}

void CDiscovery::set_multicast_ip(const char* address) {
  if (address != nullptr) mcast_ip_.set(address);
}

char* CDiscovery::get_data() const { return data_ != nullptr ? data_->get_name() : nullptr; }

void CDiscovery::configure_parser() {
  parser_->set_mcast_ip(mcast_ip_.get());
  parser_->set_mcast_port(mcast_port_);
  parser_->set_USN(own_usn_.get());
}

const char* CDiscovery::own_name() const {
  CBeliefDB* db = get_beliefdb();
  const auto* name =
      db != nullptr ? dynamic_cast<const CStringBelief*>(db->find_element("name")) : nullptr;
  return name != nullptr ? name->get_value() : nullptr;
}
