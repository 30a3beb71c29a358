#include "Relaywick/communicator.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <charconv>
#include <cstring>
#include <ctime>
#include <typeinfo>

#include "Platform/hostaddress.h"
#include "Platform/messagesink.h"
#include "Platform/socketerror.h"
#include "Relaywick/ipenum.h"
#include "Relaywick/message.h"
#include "Talkwick/messageframer.h"
#include "Toolwick/format.h"

namespace {

constexpr const char* kSorry = "sorry";
constexpr const char* kNoServerText =
    "<CCommunicator> Server socket is NULL, you can't send messages to agents";

struct ErrorText {
  unsigned code;
  const char* name;
  const char* description;
};

constexpr ErrorText kErrorTexts[] = {
    {10013, "WSAEACCES",
     "The requested address is a broadcast address, but the appropriate flag was not set."},
    {10014, "WSAEFAULT",
     "The lpBuf or lpSockAddr parameters are not part of the user address space, or the "
     "lpSockAddr argument is  too small (less than the size of a SOCKADDR structure)."},
    {10035, "WSAEWOULDBLOCK",
     "The socket is marked as nonblocking and the requested operation would block."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets operation is in progress."},
    {10038, "WSAENOTSOCK", "The descriptor is not a socket."},
    {10039, "WSAEDESTADDRREQ", "A destination address is required."},
    {10040, "WSAEMSGSIZE",
     "The socket is of type SOCK_DGRAM, and the datagram is larger than the maximum supported by "
     "the Windows Sockets implementation."},
    {10045, "WSAEOPNOTSUPP", "MSG_OOB was specified, but the socket is not of type SOCK_STREAM."},
    {10047, "WSAEAFNOSUPPORT", "Addresses in the specified family cannot be used with this socket."},
    {10049, "WSAEADDRNOTAVAIL", "The specified address is not available from the local machine."},
    {10050, "WSAENETDOWN",
     "The Windows Sockets implementation detected that the network subsystem failed."},
    {10051, "WSAENETUNREACH", "The network cannot be reached from this host at this time."},
    {10052, "WSAENETRESET",
     "The connection must be reset because the Windows Sockets implementation dropped it."},
    {10053, "WSAECONNABORTED", "The virtual circuit was aborted due to timeout or other failure."},
    {10054, "WSAECONNRESET", "The virtual circuit was reset by the remote side."},
    {10055, "WSAENOBUFS", "The Windows Sockets implementation reports a buffer deadlock."},
    {10057, "WSAENOTCONN", "The socket is not connected (SOCK_STREAM only)."},
    {10058, "WSAESHUTDOWN",
     "The socket has been shut down; it is not possible to call SendTo on a socket after ShutDown "
     "has been invoked with nHow set to 1 or 2."},
    {10093, "WSANOTINITIALISED", "A successful AfxSocketInit must occur before using this API."},
};

// Calls `visit` on every element of `list`; the element may leave the list
// (or be deleted) meanwhile.
template <typename Element, typename Visit>
void for_each_element(CLList& list, Visit visit) {
  CListElement* e = list.get_element(0);
  while (e != nullptr) {
    CListElement* following = e->get_next();
    if (auto* element = dynamic_cast<Element*>(e)) visit(element);
    e = following;
  }
}

// The service table's entry `element`; null for anything else that the
// table was given. Looked at on every send: the exact type is tried before
// a walk of the class tree.
CServiceInfo* as_service_info(CListElement* element) {
  if (element != nullptr && typeid(*element) == typeid(CServiceInfo)) {
    return static_cast<CServiceInfo*>(element);
  }
  return dynamic_cast<CServiceInfo*>(element);
}

}  // namespace

// --- Construction

CCommunicator::CCommunicator() : CCommunicator(nullptr) {}

CCommunicator::CCommunicator(CBeliefDB* db) : db_(db), record_(std::make_unique<CMessage>()) {
  if (db_ == nullptr) {
    owned_db_ = std::make_unique<CBeliefDB>();
    db_ = owned_db_.get();
    add_default_beliefs();
  } else {
    name_ = find_belief<CStringBelief>("name");
    port_ = find_belief<CIntBelief>("port");
    ans_name_ = find_belief<CStringBelief>("ans");
    ans_port_ = find_belief<CIntBelief>("ansport");
    add_hostname_belief();
    lookup_ = find_belief<CListBelief>("lookup");
  }
  if (lookup_ == nullptr) debug("<CCommunicator> Location lookup table not found in beliefdb");
}

template <typename Belief>
Belief* CCommunicator::find_belief(const char* name) const {
  return dynamic_cast<Belief*>(db_->find_element(name));
}

void CCommunicator::add_default_beliefs() {
  name_ = new CStringBelief("name");
  name_->set_value("Win32Agent");
  db_->add_element(name_);
  port_ = new CIntBelief("port");
  port_->set_value(6678);
  db_->add_element(port_);
  ans_name_ = new CStringBelief("ans");
  ans_name_->set_value(kUnknownAnsHost);
  db_->add_element(ans_name_);
  ans_port_ = new CIntBelief("ansport");
  ans_port_->set_value(6677);
  db_->add_element(ans_port_);
  add_hostname_belief();
  lookup_ = new CListBelief("lookup");
  lookup_->set_value(new CLList);
  db_->add_element(lookup_);
}

void CCommunicator::add_hostname_belief() {
  CIPEnum ipenum;
  char error[CIPEnum::kErrorSize] = {};
  const char* address = ipenum.enumerate_short(error);
  hostname_ = new CStringBelief("hostname");
  hostname_->set_value(address != nullptr ? address : "localhost");
  db_->add_element(hostname_);
}

CCommunicator::~CCommunicator() {
  debug("<CCommunicator> Shutting down");
  debug("<CCommunicator> Deleting event modules...");
  // The logger may be one of them: nothing is told to it from here on.
  logger_ = nullptr;
  if (server_ != nullptr) server_->set_logger(nullptr);
  modules_.delete_list();
  debug("<CCommunicator> Stopping lookup modules ...");
  stop_lookup_modules();
  debug("<CCommunicator> Removing lookup modules ...");
  ans_ = nullptr;
  discovery_ = nullptr;
  lookup_modules_.delete_list();
  debug("<CCommunicator> Stopping server ...");
  comm_endserver();
  debug("<CCommunicator> Cleaning up pointers ..");
}

// --- Set-up and accessors

void CCommunicator::set_logger(CLogFacility* logger) {
  if (logger == nullptr) return;
  logger_ = logger;
  set_file(logger->get_file_pointer());
  if (server_ != nullptr) server_->set_logger(logger);
}

char* CCommunicator::get_name() const { return name_ != nullptr ? name_->get_value() : nullptr; }

void CCommunicator::set_name(const char* name) {
  if (name_ != nullptr) name_->set_value(name);
}

unsigned CCommunicator::get_port() const {
  return port_ != nullptr ? static_cast<unsigned>(port_->get_value()) : 0;
}

void CCommunicator::set_port(unsigned port) {
  if (port_ != nullptr) port_->set_value(static_cast<int>(port));
}

char* CCommunicator::get_ansname() const {
  return ans_name_ != nullptr ? ans_name_->get_value() : nullptr;
}

void CCommunicator::set_ansname(const char* name) {
  if (ans_name_ != nullptr) ans_name_->set_value(name);
}

unsigned CCommunicator::get_ansport() const {
  return ans_port_ != nullptr ? static_cast<unsigned>(ans_port_->get_value()) : 0;
}

void CCommunicator::set_ansport(unsigned port) {
  if (ans_port_ != nullptr) ans_port_->set_value(static_cast<int>(port));
}

int CCommunicator::comm_setinfo(const char* name, unsigned port) {
  if (name_ == nullptr || port_ == nullptr) return 0;
  set_name(name);
  set_port(port);
  if (discovery_ != nullptr) discovery_->set_param(comm_get_info(), port);
  return 1;
}

int CCommunicator::comm_setansinfo(const char* host, unsigned port) {
  if (ans_name_ != nullptr && ans_port_ != nullptr) {
    set_ansname(host);
    set_ansport(port);
  }
  return 1;
}

char* CCommunicator::comm_get_info() const {
  return hostname_ != nullptr ? hostname_->get_value() : nullptr;
}

CLList* CCommunicator::service_table() {
  CLList* table = lookup_ != nullptr ? lookup_->get_value() : nullptr;
  // Searched by name on every send: indexed, whatever list the belief
  // comes to hold.
  if (table != nullptr && !table->has_name_index()) table->index_names();
  return table;
}

void CCommunicator::add_display(CLogFacility* module) {
  // A module links into one list once: added again it would cut the list
  // short behind it and lose the modules after it.
  if (module != nullptr && module->get_parent() != &modules_) modules_.add_element(module);
}

void CCommunicator::remove_display(CLogFacility* module) {
  if (module == nullptr) return;
  if (registered_ != 0) module->change_state(AGENTSTATE_UNREGISTERED);
  for_each_element<CLogFacility>(modules_, [&](CLogFacility* m) {
    if (m != module) return;
    detach_logger(m);
    modules_.delete_element(m);
  });
}

void CCommunicator::detach_logger(const CLogFacility* module) {
  // The communicator's own lines keep going to the file it shares with the
  // module; nothing else may reach the module once it is deleted.
  if (module == logger_) {
    logger_ = nullptr;
    if (server_ != nullptr) server_->set_logger(nullptr);
  }
  for_each_element<CLogFacility>(modules_, [&](CLogFacility* m) { m->forget_logger(module); });
}

void CCommunicator::add_lookup_module(CLookupModule* module) {
  if (module == nullptr || module->get_parent() == &lookup_modules_) return;  // see add_display
  if (module->get_lookup_type() == LOOKUP_TYPE_ANS) {
    ans_ = module;
  } else if (module->get_lookup_type() == LOOKUP_TYPE_DISCOVERY) {
    if (auto* discovery = dynamic_cast<CDiscovery*>(module)) discovery_ = discovery;
  }
  module->set_service_type(service_type_);
  module->set_file(get_file_pointer());
  lookup_modules_.add_element(module);
}

void CCommunicator::set_service_type(int type) {
  service_type_ = type;
  for_each_element<CLookupModule>(lookup_modules_,
                                  [&](CLookupModule* m) { m->set_service_type(type); });
}

void CCommunicator::add_requirement(const char* name) {
  if (name != nullptr && required_.find_element(name) == nullptr) {
    required_.add_element(new CListElement(name));
  }
}

int CCommunicator::check_requirements() {
  for (CListElement* e = required_.get_element(0); e != nullptr; e = e->get_next()) {
    if (lookup_modules_.find_element(e->get_name()) == nullptr) return 0;
  }
  return 1;
}

namespace {

CCommunicator::DialogPresenter& dialog_presenter() {
  static CCommunicator::DialogPresenter installed;
  return installed;
}

}  // namespace

CCommunicator::DialogPresenter CCommunicator::set_dialog_presenter(DialogPresenter presenter) {
  DialogPresenter previous = std::move(dialog_presenter());
  dialog_presenter() = std::move(presenter);
  return previous;
}

void CCommunicator::comm_ans() {
  if (ans_ == nullptr) {
    debug("<CCommunicator> Pointer to ANS module is invalid");
    return;
  }
  if (!dialog_presenter()) {
    debug("<CCommunicator> Name server dialog is not available in this build");
    return;
  }
  dialog_presenter()(Dialog::kNameServer, this);
}

void CCommunicator::comm_info() {
  if (ans_ == nullptr) {
    debug("<CCommunicator> Pointer to ANS module is invalid");
    return;
  }
  if (!dialog_presenter()) {
    debug("<CCommunicator> Communicator information dialog is not available in this build");
    return;
  }
  dialog_presenter()(Dialog::kInfo, this);
}

void CCommunicator::comm_disable_ans() {
  platform::message_box(
      "<CCommunicator> comm_disable_ans () is a deprecated method, please use <CBasicAgent> "
      "set_lookup_config ()");
}

void CCommunicator::comm_enable_ans() {
  platform::message_box(
      "<CCommunicator> comm_enable_ans () is a deprecated method, please use <CBasicAgent> "
      "set_lookup_config ()");
}

void CCommunicator::comm_connections() { platform::message_box("Deprecated function"); }

void CCommunicator::comm_console() { platform::message_box("Deprecated function"); }

void CCommunicator::comm_viewmessage() { platform::message_box("Deprecated function"); }

CClientSocket* CCommunicator::create_connection() {
  debug("<CCommunicator> Deprecated method, this should not be called");
  return nullptr;
}

int CCommunicator::comm_is_ans_enabled() const { return ans_ != nullptr ? ans_->is_enabled() : 1; }

char* CCommunicator::comm_ans_error() const {
  return ans_ != nullptr ? ans_->get_last_error() : nullptr;
}

char* CCommunicator::create_reply_with() {
  reply_with_ = str_format("Dur32O%ld", static_cast<long>(std::time(nullptr)));
  return reply_with_.data();
}

const char* CCommunicator::ErrorToAsc(unsigned code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code != code) continue;
    // The description starts in column 20 (19 after WSAENETDOWN), behind
    // no-break spaces and blanks.
    const bool netdown = code == platform::WSAENETDOWN;
    const size_t column = netdown ? 19 : 20;
    error_text_ = entry.name;
    error_text_.append(netdown ? 2 : 3, '\xA0');
    if (error_text_.size() < column) error_text_.append(column - error_text_.size(), ' ');
    error_text_ += entry.description;
    return error_text_.c_str();
  }
  return "<CCommunicator> The network returned an unknown error";
}

// --- Start and stop

int CCommunicator::Create() {
  debug("<CCommunicator> Creating communicator ...");
  if (comm_startserver() == 0) {
    debug("<CCommunicator> Unable to start server, Aborting ... !!");
    return 0;
  }
  debug("<CCommunicator> Communicator running");
  return 1;
}

int CCommunicator::comm_startserver() {
  debug("<CCommunicator> Starting server socket...");
  CWnd* handler = get_handler();
  if (handler == nullptr) {
    debug("<CCommunicator> Message handler is NULL");
    return 0;
  }
  server_ = std::make_unique<CServerSocket>(handler);
  server_->set_logger(logger_);
  debug("<CCommunicator> Configuring server socket...");
  const unsigned port = get_port();
  // With VERANTA_HOST_IP set, the agent is reached at that address alone.
  in_addr listen_on{};
  char address[platform::kAddressTextSize] = {};
  if (!platform::listen_interface(&listen_on) ||
      inet_ntop(AF_INET, &listen_on, address, sizeof address) == nullptr ||
      !server_->Create(port, SOCK_STREAM, address)) {
    debug("<CCommunicator> Unable to create server socket on [%u]", port);
    return 0;
  }
  if (port == 0) {
    unsigned chosen = 0;
    server_->GetSockName(nullptr, 0, &chosen);
    set_port(chosen);
    debug("<CCommunicator> Set listening port to [%u]", chosen);
  }
  // A burst of peers connecting at once waits in the system's queue, not
  // for retransmitted handshakes.
  if (!server_->Listen(SOMAXCONN)) {
    debug("<CCommunicator> Unable to start listening on port [%u]", get_port());
    return 0;
  }
  return 1;
}

void CCommunicator::start_modules() {
  debug("<CCommunicator> Starting event modules");
  for_each_element<CLogFacility>(modules_, [&](CLogFacility* m) {
    debug("<CCommunicator> Starting event module: [%s]", shown_text(m->get_name()));
    m->change_state(AGENTSTATE_REGISTERED);
    m->set_registered(0);
    debug("<CCommunicator> Module: [%s] now running", shown_text(m->get_name()));
  });
}

void CCommunicator::shutdown_modules() {
  debug("<CCommunicator> shutting down event modules");
  for_each_element<CLogFacility>(modules_, [&](CLogFacility* m) {
    debug("<CCommunicator> Shutting down event module: [%s]", shown_text(m->get_name()));
    m->change_state(AGENTSTATE_UNREGISTERED);
    m->set_registered(0);
    debug("<CCommunicator> Module: [%s] stopped", shown_text(m->get_name()));
  });
}

void CCommunicator::start_lookup_modules() {
  if (lookup_modules_.get_nr_elements() == 0) {
    debug("<CCommunicator> There are no lookup modules available, agent lookup will not be "
          "possible");
    return;
  }
  for_each_element<CLookupModule>(lookup_modules_, [](CLookupModule* m) { m->enable(1); });
}

void CCommunicator::stop_lookup_modules() {
  if (lookup_modules_.get_nr_elements() == 0) {
    debug("<CCommunicator> There are no lookup modules available, can't stop modules ");
    return;
  }
  for_each_element<CLookupModule>(lookup_modules_, [](CLookupModule* m) { m->enable(0); });
}

// --- Lookup

void CCommunicator::comm_activate_lookup(const char* name) {
  for_each_element<CLookupModule>(lookup_modules_, [&](CLookupModule* m) {
    if (m->is_enabled() != 1) {
      debug("<CCommunicator> Module is disabled, skipping");
      return;
    }
    m->lookup_agent(name);
  });
}

int CCommunicator::comm_register_agent(const char* name) {
  if (name == nullptr) return 0;
  for_each_element<CLookupModule>(lookup_modules_, [&](CLookupModule* m) {
    if (m->is_enabled() != 1) {
      debug("<CCommunicator> Module is disabled, skipping");
      return;
    }
    m->register_agent(name);
  });
  return 1;
}

int CCommunicator::comm_unregister_agent(const char* name) {
  if (name == nullptr) return 0;
  for_each_element<CLookupModule>(lookup_modules_, [&](CLookupModule* m) {
    if (m->is_enabled() != 1) {
      debug("<CCommunicator> Module is disabled, skipping");
      return;
    }
    m->unregister_agent(name);
  });
  return 1;
}

void CCommunicator::listall_agents() {
  for_each_element<CLookupModule>(lookup_modules_, [](CLookupModule* m) {
    if (m->is_enabled() == 1) m->listall_agents();
  });
}

#define TW_WHILE_REGISTERED(call, otherwise)                                 \
  do {                                                                       \
    if (ans_ != nullptr && registered_ != 0) return ans_->call;              \
    debug(ans_ != nullptr ? "<CCommunicator> You are not registered yet with an ANS!" \
                          : "<CCommunicator> Pointer to ANS module is invalid");       \
    return otherwise;                                                        \
  } while (0)

int CCommunicator::comm_listall() { TW_WHILE_REGISTERED(ans_list_all(), 0); }

int CCommunicator::comm_listall_combo(CComboBox* combo) {
  TW_WHILE_REGISTERED(listall_combo(combo), 0);
}

int CCommunicator::comm_listall_listbox(CListBox* listbox) {
  TW_WHILE_REGISTERED(listall_listbox(listbox), 0);
}

char* CCommunicator::comm_listall_getfirst() { TW_WHILE_REGISTERED(listall_getfirst(), nullptr); }

char* CCommunicator::comm_listall_getnext() { TW_WHILE_REGISTERED(listall_getnext(), nullptr); }

#undef TW_WHILE_REGISTERED

const char* CCommunicator::comm_lookup(const char* name, char* host, unsigned* port) {
  debug("<CCommunicator> Activating 'comm_lookup ()'");
  CLList* table = service_table();
  if (table == nullptr) {
    debug("<CCommunicator> Lookup table is NULL, unable to process request");
    return kSorry;
  }
  if (name == nullptr) return kSorry;
  const auto find = [&] { return as_service_info(table->find_element(name)); };
  CServiceInfo* entry = find();
  if (entry == nullptr) {
    debug("<CCommunicator> Agent not known, sending out search request for agent location: [%s]",
          name);
    comm_activate_lookup(name);  // the name-server module answers within the call
    entry = find();
    if (entry == nullptr) debug("<CCommunicator> Still not able to lookup agent");
  }
  if (entry != nullptr && entry->get_location() == nullptr) {
    debug("<CCommunicator> Agent name known but no location information present, sending out "
          "search request for agent location: [%s]",
          name);
    comm_activate_lookup(name);
    entry = find();
  }
  if (entry == nullptr) return kSorry;
  debug("<CCommunicator> Agent found, obtaining location information ...");
  const CURL* location = entry->get_location();
  if (location == nullptr) {
    debug("<CCommunicator> Could not obtain location for agent: [%s]", name);
    return kSorry;
  }
  const char* found = location->get_host();
  // A host that does not fit the caller's buffer cannot be used.
  if (found == nullptr || std::strlen(found) >= kHostSize) {
    debug("<CCommunicator> Could not obtain host and port information for agent: [%s]", name);
    return kSorry;
  }
  const unsigned found_port = static_cast<unsigned>(location->get_port());
  if (host != nullptr) std::memcpy(host, found, std::strlen(found) + 1);
  if (port != nullptr) *port = found_port;
  debug("<CCommunicator> Obtained host [%s] and port [%u] information for agent: [%s]", found,
        found_port, name);
  return nullptr;
}

// --- Sending

int CCommunicator::comm_senddata(const char* name, const char* host, unsigned port, char* text) {
  int sent = -1;
  send_data(cached_connection(name), name, host, port, text, &sent, false);
  return sent;
}

CClientSocket* CCommunicator::comm_senddata_socket(const char* name, const char* host,
                                                   unsigned port, char* text) {
  int sent = -1;
  return send_data(cached_connection(name), name, host, port, text, &sent, true);
}

CClientSocket* CCommunicator::cached_connection(const char* name) const {
  if (name == nullptr || server_ == nullptr) return nullptr;
  CClientSocket* cached = server_->find_client(name);
  return cached != nullptr && cached->get_sockettype() == SOCKETTYPE_CLIENT ? cached : nullptr;
}

CClientSocket* CCommunicator::send_data(CClientSocket* cached, const char* name,
                                        const char* host, unsigned port, char* text, int* sent,
                                        bool log_failed_reconnect) {
  if (server_ == nullptr) {
    debug("%s", kNoServerText);
    *sent = 0;
    return nullptr;
  }
  if (cached != nullptr) {
    *sent = cached->mfc_send(text);
    if (*sent != -1) {
      server_->note_used(cached);
      return cached;
    }
    // mfc_send left it dirty: never found again, the server removes it.
    if (platform::last_socket_error() == platform::WSAENOBUFS) {
      // The agent leaves what was sent to it unread; a new connection
      // would only fill up in turn.
      debug("<CCommunicator> Agent [%s] is not reading, message not sent", name);
      return nullptr;
    }
  }
  const bool reconnecting = cached != nullptr;
  *sent = -1;
  if (!server_->make_room_for_outgoing()) {
    platform::set_last_socket_error(platform::WSAEMFILE);
    return nullptr;
  }
  auto socket = std::make_unique<CClientSocket>(server_.get(), get_handler());
  if (!socket->Create(0, SOCK_STREAM)) {
    debug("<CCommunicator> Communicator returned: Error creating socket");
    return nullptr;
  }
  socket->set_agentname(name);
  // Not waiting for the peer's answer: the text waits in the connection
  // until it is made.
  if (!socket->BeginConnect(host, port)) return nullptr;
  *sent = socket->mfc_send(text);
  if (*sent == -1) {
    if (reconnecting && log_failed_reconnect) debug("<CCommunicator> sending message");
    return nullptr;
  }
  // A connection without an agent name could never be found again: it goes
  // once the text is out.
  if (name == nullptr) {
    if (socket->close_when_sent()) server_->new_connection(std::move(socket));
    return nullptr;
  }
  // The peer's address, until the connection made tells it.
  socket->set_hostname(host);
  socket->set_port(port);
  CClientSocket* kept = socket.get();
  server_->new_connection(std::move(socket));
  return kept;
}

CSocketBase* CCommunicator::find_connection(const char* name, const char* host, unsigned port) {
  if (name == nullptr || server_ == nullptr) return nullptr;
  return server_->find_connection(name, host, port);
}

CSocketBase* CCommunicator::get_connection(long descriptor) {
  return server_ != nullptr ? server_->get_connection(descriptor) : nullptr;
}

std::unique_ptr<CClientSocket> CCommunicator::get_socket(const char* name) {
  char host[kHostSize] = {};
  unsigned port = 0;
  if (comm_lookup(name, host, &port) != nullptr) {
    debug("<CCommunicator> Error looking up [%s] with ANS", shown_text(name));
    return nullptr;
  }
  auto socket = std::make_unique<CClientSocket>(server_.get(), nullptr);
  if (!socket->Create(0, SOCK_STREAM)) {
    debug("<CCommunicator> Communicator returned: Error creating socket");
    return nullptr;
  }
  socket->set_agentname(name);
  if (!socket->Connect(host, port)) return nullptr;
  return socket;
}

void CCommunicator::set_send_result(const char* error, const char* receiver, const char* host,
                                    unsigned port) {
  // "...Error [%s] sending..." or "...Success sending...", then " (internal)
  // request to Agent [%s] at [%s][%u]", put together without a format.
  result_ = "<CCommunicator> ";
  if (error != nullptr) {
    result_.append("Error [").append(error).append("] sending");
  } else {
    result_.append("Success sending");
  }
  result_.append(" (internal) request to Agent [").append(shown_text(receiver)).append("] at [");
  result_.append(host).append("][");
  char number[16];
  result_.append(number, std::to_chars(number, number + sizeof number, port).ptr);
  result_ += ']';
}

CCommunicator::Sent CCommunicator::compose_and_send(SendKind kind, const char* performative,
                                                    const char* receiver, const char* sender,
                                                    const char* ontology, const char* language,
                                                    const char* reply_with,
                                                    const char* in_reply_to,
                                                    const char* forward_to, va_list tokens) {
  const bool via_socket = kind == SendKind::kSocket || kind == SendKind::kSocketInternal;
  result_ = " ";
  if (via_socket) debug("<CCommunicator> comm_sendmessage_socket ()");
  char host[kHostSize] = {};
  unsigned port = 0;
  const bool located = comm_lookup(receiver, host, &port) == nullptr;
  if (!located && via_socket) {
    debug("<CCommunicator> Error looking up [%s] in network belief DB", shown_text(receiver));
  }

  // Found once, for the in-reply-to and for the send.
  CClientSocket* cached = cached_connection(receiver);
  if (kind != SendKind::kInternal && cached != nullptr &&
      (kind == SendKind::kSocket || in_reply_to == nullptr)) {
    in_reply_to = cached->get_reply_with();
  }

  const char* header = record_->compose_message(performative, receiver, sender, ontology,
                                                language, reply_with, in_reply_to, forward_to, 0);
  if (header == nullptr) {
    debug("<CCommunicator> Error formatting ACL string !!");
    if (via_socket) return {nullptr, nullptr};
    result_ = "<CCommunicator> Error formatting ACL string !!";
    return {result_.data(), nullptr};
  }
  // This send's own text: kept apart from a send that runs inside it.
  if (composing_ == texts_.size()) texts_.emplace_back();
  std::string& text = texts_[composing_];
  struct Composing {
    size_t& depth;
    ~Composing() { --depth; }
  } composing{++composing_};
  text = header;
  for (const char* token = va_arg(tokens, const char*); token != nullptr;
       token = va_arg(tokens, const char*)) {
    if (*token == '\0') continue;
    text += ' ';
    text += token;
  }
  text += " ))";
  // The string keeps its NUL behind the terminator.
  if (!CMessageFramer::frame(&text)) {
    // A token holding 0x04 would cut the message short at the peer.
    result_ = str_format("<CCommunicator> Message to [%s] holds the byte 0x04, not sent",
                         shown_text(receiver));
    debug("%s", result_.c_str());
    return {via_socket ? nullptr : result_.data(), nullptr};
  }

  // Nothing sent is a failure: the text operations say why rather than
  // answer null, which their callers take for a message that went.
  if (!located) {
    result_ = str_format("<CCommunicator> Error looking up [%s] in network belief DB",
                         shown_text(receiver));
    return {via_socket ? nullptr : result_.data(), nullptr};
  }
  int sent = -1;
  CClientSocket* used = send_data(cached, receiver, host, port, text.data(), &sent, via_socket);
  // 0: no server socket to send from.
  const bool failed = via_socket ? used == nullptr : sent <= 0;
  if (failed) {
    if (server_ == nullptr) {
      result_ = kNoServerText;
    } else {
      set_send_result(ErrorToAsc(static_cast<unsigned>(platform::last_socket_error())), receiver,
                      host, port);
    }
    return {via_socket ? nullptr : result_.data(), nullptr};
  }
  // The success text reaches only the logger, and only from the socket
  // sends: put together for it alone.
  if (via_socket && logger_ != nullptr) set_send_result(nullptr, receiver, host, port);
  switch (kind) {
    case SendKind::kMessage:
    case SendKind::kSender:
      for_each_element<CLogFacility>(modules_, [&](CLogFacility* m) {
        if (m->get_name() != nullptr && m->get_type() == LOGTYPE_DISPLAY) {
          m->process_message(text.c_str(), DIRECTION_OUTGOING);
        }
      });
      break;
    case SendKind::kSocket:
      if (logger_ != nullptr) logger_->process_message(result_.c_str(), DIRECTION_INTERNAL);
      comm_log_output(text.c_str());
      break;
    case SendKind::kSocketInternal:
      if (logger_ != nullptr) logger_->process_message(result_.c_str(), DIRECTION_INTERNAL);
      break;
    case SendKind::kInternal:
      break;
  }
  return {nullptr, used};
}

#define TW_COMPOSE(kind, sender, result)                                                        \
  va_list tokens;                                                                              \
  va_start(tokens, forward_to);                                                                \
  const Sent sent = compose_and_send(kind, performative, receiver, sender, ontology, language, \
                                     reply_with, in_reply_to, forward_to, tokens);             \
  va_end(tokens);                                                                              \
  return sent.result

char* CCommunicator::comm_sendmessage(const char* performative, const char* receiver,
                                      const char* ontology, const char* language,
                                      const char* reply_with, const char* in_reply_to,
                                      const char* forward_to, ...) {
  TW_COMPOSE(SendKind::kMessage, get_name(), error);
}

char* CCommunicator::comm_sendmessage_sender(const char* performative, const char* receiver,
                                             const char* sender, const char* ontology,
                                             const char* language, const char* reply_with,
                                             const char* in_reply_to, const char* forward_to,
                                             ...) {
  TW_COMPOSE(SendKind::kSender, sender, error);
}

char* CCommunicator::comm_sendmessage_internal(const char* performative, const char* receiver,
                                               const char* ontology, const char* language,
                                               const char* reply_with, const char* in_reply_to,
                                               const char* forward_to, ...) {
  TW_COMPOSE(SendKind::kInternal, get_name(), error);
}

CClientSocket* CCommunicator::comm_sendmessage_socket(const char* performative,
                                                      const char* receiver, const char* ontology,
                                                      const char* language,
                                                      const char* reply_with,
                                                      const char* in_reply_to,
                                                      const char* forward_to, ...) {
  TW_COMPOSE(SendKind::kSocket, get_name(), socket);
}

CClientSocket* CCommunicator::comm_sendmessage_socket_internal(
    const char* performative, const char* receiver, const char* ontology, const char* language,
    const char* reply_with, const char* in_reply_to, const char* forward_to, ...) {
  TW_COMPOSE(SendKind::kSocketInternal, get_name(), socket);
}

#undef TW_COMPOSE

void CCommunicator::comm_log_output(const char* text) {
  if (logger_ != nullptr) logger_->process_message(text, DIRECTION_OUTGOING);
  for_each_element<CLogFacility>(
      modules_, [&](CLogFacility* m) { m->process_message(text, DIRECTION_OUTGOING); });
}

// --- Processing

int CCommunicator::process_discovery(unsigned which) {
  if (discovery_ == nullptr) {
    debug("<CCommunicator> Discovery module is NULL, unable to process message");
    return 4;
  }
  debug("<CCommunicator> Handing message to discovery module for examination");
  return discovery_->process_discovery(which);
}

void CCommunicator::check_integrity() {
  if (server_ != nullptr) server_->sweep_connections();
  CLList* table = service_table();
  if (table == nullptr) {
    debug("<CCommunicator> lookup table is NULL whilst checking location lookup table");
    return;
  }
  // Each entry is counted down once per pass, also when another expires.
  for_each_element<CServiceInfo>(*table, [&](CServiceInfo* entry) {
    const int expiration = entry->get_expiration();
    if (expiration == -1) return;
    if (expiration == 1) {
      db_->set_modified(1);
      table->delete_element(entry);
      return;
    }
    entry->set_expiration(expiration - 1);
  });
  alive();
  check_stored_messages();
}

void CCommunicator::alive() {
  if (++integrity_ <= kAlivePeriod) return;
  integrity_ = 0;
  debug("<CCommunicator> Activating 'alive' method in lookup modules...");
  for_each_element<CLookupModule>(lookup_modules_, [](CLookupModule* m) {
    if (m->is_enabled() == 1) m->alive();
  });
}
