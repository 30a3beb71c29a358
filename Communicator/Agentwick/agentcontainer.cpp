#include "Agentwick/agentcontainer.h"

#include <string>

#include "Namewick/ansclient.h"
#include "Relaywick/clientsocket.h"
#include "Relaywick/discovery.h"
#include "Relaywick/serversocket.h"
#include "Relaywick/socketbase.h"
#include "Toolwick/format.h"

namespace {

// Calls `call` on every event module of `list`; the next one is taken
// first, so that a module may leave the list in its call.
template <typename Call>
void for_each_module(CLList* list, Call call) {
  CListElement* next = nullptr;
  for (CListElement* e = list->get_element(0); e != nullptr; e = next) {
    next = e->get_next();
    if (auto* module = dynamic_cast<CLogFacility*>(e)) call(module);
  }
}

}  // namespace

CAgentContainer::CAgentContainer() { set_type("CAgentContainer"); }

CAgentContainer::CAgentContainer(const char* name) : CAgent(name) { set_type("CAgentContainer"); }

CAgentContainer::~CAgentContainer() { discard(); }

int CAgentContainer::handle_parse_args(CCommandLine* /*command_line*/) { return 1; }

void CAgentContainer::handle_mfc_message(unsigned long type, unsigned long descriptor) {
  if (communicator_ == nullptr) return;
  const auto id = static_cast<long>(descriptor);
  if (type == SOCKETTYPE_MULTICAST) {
    communicator_->process_discovery(static_cast<unsigned>(descriptor));
    return;
  }
  if (type != SOCKETTYPE_CLIENT) {
    process_custom(communicator_->get_connection(id));
    return;
  }

  CClientSocket* connection = find_client(id);
  if (connection == nullptr) {
    debug("<CAgentContainer> No connection with descriptor [%ld]", id);
    return;
  }
  // A run of the connection's messages, taken while its state is still in
  // the cache; after kMessagesPerRun the rest wait behind other connections.
  connection->begin_run();
  for (int taken = 1;; ++taken) {
    connection = hand_over(connection, id);
    if (connection == nullptr) return;
    if (taken == kMessagesPerRun || !connection->next_in_run()) break;
  }
  connection->end_run();
}

CClientSocket* CAgentContainer::hand_over(CClientSocket* connection, long id) {
  const char* data = connection->mfc_getdata();
  if (data == nullptr) return connection;
  // The agent's copy, which it may cut; the buffer is used again for the
  // next message (no handler runs inside another).
  text_.assign(data, connection->get_data_length());
  debug("<CAgentContainer> Message from descriptor [%ld]: [%s]", id, text_.c_str());

  // The connection may have parsed this very message already.
  if (!connection->trade_parse(parser_)) parser_->parse_message(text_.c_str());
  // A message without reply-with leaves the connection's last one (null is
  // ignored by the connection).
  connection->set_reply_with(parser_->find_reply_with());

  if (process_message(parser_.get()) == 0 && process_message(text_.data()) == 0) {
    debug("<CAgentContainer> Message not handled by the agent");
  }
  // Found again: the agent's sends may have retired the connection meanwhile,
  // and so may the drop of its last message.
  connection = find_client(id);
  if (connection == nullptr) return nullptr;
  connection->remove_from_queue();
  return find_client(id);
}

CClientSocket* CAgentContainer::find_client(long descriptor) const {
  CServerSocket* server = communicator_->get_server();
  return server != nullptr ? server->get_client(descriptor) : nullptr;
}

void CAgentContainer::handle_mfc_timer() {
  if (communicator_ == nullptr) return;
  process_timer();
  for_each_module(communicator_->get_modules(), [](CLogFacility* m) { m->process_timer(); });
  communicator_->check_integrity();
  sync_registered();
}

void CAgentContainer::process_shutdown() {}

int CAgentContainer::process_create() { return 1; }

int CAgentContainer::process_init() { return 1; }

void CAgentContainer::process_timer() {}

void CAgentContainer::process_loop() {}

void CAgentContainer::process_monitor_request(char* /*request*/) {}

void CAgentContainer::process_internal() {}

void CAgentContainer::process_environment_change() {}

void CAgentContainer::process_custom(CSocketBase* /*socket*/) {}

int CAgentContainer::process_message(CParser* /*parser*/) { return 0; }

int CAgentContainer::process_message(char* /*text*/) { return 0; }

int CAgentContainer::start_agent(CCommandLine* command_line, CWnd* handler) {
  debug("<CAgentContainer> Starting agent [%s]", shown_text(get_name()));
  if (communicator_ != nullptr) {
    debug("<CAgentContainer> Agent already started");
    return 0;
  }
  if (command_line == nullptr || handler == nullptr) {
    debug("<CAgentContainer> No command line or no handler window, aborting");
    return 0;
  }
  argc_ = command_line->get_argc();
  argv_ = command_line->get_argv();

  communicator_ = std::make_unique<CCommunicator>();
  db_ = communicator_->get_beliefdb();
  if (get_name() != nullptr) communicator_->set_name(get_name());
  communicator_->set_handler(handler);
  logger_ = std::make_unique<CLogFacility>(get_name(), db_, communicator_.get(), 0);
  if (get_file_pointer() != nullptr) logger_->set_file(get_file_pointer());
  communicator_->set_logger(logger_.get());
  if (lookup_config_ == LOOKUP_CONFIG_ANS) {
    communicator_->add_lookup_module(new CANSClient(db_, handler));
  } else if (lookup_config_ == LOOKUP_CONFIG_DISCOVERY) {
    communicator_->add_lookup_module(new CDiscovery(db_, handler));
  } else if (lookup_config_ != LOOKUP_CONFIG_NONE) {
    debug("<CAgentContainer> Unknown lookup configuration [%d], no lookup modules",
          lookup_config_);
  }

  if (handle_parse_args(command_line) == 0) {
    debug("<CAgentContainer> Arguments refused, aborting");
    discard();
    return 0;
  }
  if (process_create() == 0 || process_init() == 0) {
    debug("<CAgentContainer> Agent failed to initialise, aborting");
    discard();
    return 0;
  }
  if (communicator_->Create() == 0) {
    debug("<CAgentContainer> Unable to start the communicator, aborting");
    discard();
    return 0;
  }
  // The listening port may have been the system's choice: discovery
  // announces the port that is really open.
  communicator_->comm_setinfo(communicator_->get_name(), communicator_->get_port());
  communicator_->start_lookup_modules();
  sync_registered();
  for_each_module(communicator_->get_modules(),
                  [this](CLogFacility* m) { m->parse_args(argc_, argv_); });
  communicator_->start_modules();
  started_ = true;
  debug("<CAgentContainer> Agent [%s] running on port [%u], registered [%d]",
        shown_text(communicator_->get_name()), communicator_->get_port(),
        communicator_->is_registered());
  return 1;
}

void CAgentContainer::stop_agent() {
  if (!started_) return;
  debug("<CAgentContainer> Stopping agent [%s]", shown_text(communicator_->get_name()));
  process_shutdown();
  communicator_->shutdown_modules();
  discard();
}

void CAgentContainer::sync_registered() {
  if (CLookupModule* ans = communicator_->retrieve_ans_object()) {
    communicator_->set_registered(ans->is_registered());
  }
}

void CAgentContainer::discard() {
  started_ = false;
  // The connections go first: peers may hold every descriptor the agent
  // has, and withdrawing the registration needs one.
  if (communicator_ != nullptr) communicator_->comm_endserver();
  communicator_.reset();
  logger_.reset();
  db_ = nullptr;
}
