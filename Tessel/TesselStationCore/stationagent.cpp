#include "TesselStationCore/stationagent.h"

#include "Bannerwick/serviceinfo.h"
#include "Credwick/belief.h"
#include "Credwick/beliefdb.h"
#include "Credwick/lookupmodule.h"
#include "Lexwick/parser.h"
#include "Relaywick/communicator.h"
#include "Toolwick/format.h"

CStationAgent::CStationAgent(const char* name) : CBasicAgent(name) {
  set_lookup_config(LOOKUP_CONFIG_ANS);
}

CStationAgent::~CStationAgent() = default;

int CStationAgent::handle_parse_args(CCommandLine* /*command_line*/) { return 1; }

int CStationAgent::process_create() {
  CBeliefDB* db = get_belief_db();
  if (db == nullptr) return 1;
  if (auto* host = dynamic_cast<CStringBelief*>(db->find_element("ans"))) {
    host->set_value(ansHost_.c_str());
  }
  if (auto* port = dynamic_cast<CIntBelief*>(db->find_element("ansport"))) {
    port->set_value(static_cast<int>(ansPort_));
  }
  if (port_.has_value()) get_communicator()->set_port(*port_);
  return 1;
}

int CStationAgent::process_init() { return 1; }

void CStationAgent::process_timer() {}

int CStationAgent::process_message(CParser* message) {
  // Asked through the walk, which answers only for a parse that succeeded:
  // a text that did not parse (an empty one) leaves the parser holding the
  // message before it.
  if (message == nullptr || message->find_namespace("(content)") == nullptr) return 1;
  if (dispatcher_ != nullptr) dispatcher_->dispatch(*message);
  return 1;
}

int CStationAgent::process_message(char* text) {
  if (text == nullptr) return 1;
  if (textParser_ == nullptr) textParser_ = std::make_unique<CParser>();
  textParser_->parse_message(text);
  return process_message(textParser_.get());
}

void CStationAgent::SetNameServer(const char* host, unsigned port) {
  ansHost_ = host != nullptr ? host : "";
  ansPort_ = port;
}

void CStationAgent::SetDispatcher(std::unique_ptr<CStationDispatcher> dispatcher) {
  dispatcher_ = std::move(dispatcher);
}

const char* CStationAgent::GetAgentName() const {
  CBeliefDB* db = get_belief_db();
  const auto* name =
      db != nullptr ? dynamic_cast<const CStringBelief*>(db->find_element("name")) : nullptr;
  if (name != nullptr && name->get_value() != nullptr) return name->get_value();
  return get_name() != nullptr ? get_name() : "";
}

int CStationAgent::SendAgentMessage(const char* performative, const char* receiver,
                                    const char* content) {
  CCommunicator* communicator = get_communicator();
  if (communicator == nullptr) {
    debug("<CStationAgent> No communicator, message to [%s] not sent", shown_text(receiver));
    return 0;
  }
  if (receiver == nullptr || receiver[0] == '\0') {
    debug("<CStationAgent> No receiver, message not sent");
    return 0;
  }
  const char* error = communicator->comm_sendmessage(performative, receiver, "default-language",
                                                     "default-ontology", nullptr, nullptr,
                                                     nullptr, content, nullptr);
  if (error != nullptr) {
    debug("<CStationAgent> Sending to [%s] failed: %s", receiver, error);
    return 0;
  }
  return 1;
}

int CStationAgent::IsKnownAgent(const char* name) {
  CCommunicator* communicator = get_communicator();
  if (communicator == nullptr || name == nullptr) return 0;
  CLookupModule* ans = communicator->retrieve_ans_object();
  if (ans == nullptr || ans->lookup_agent(name) == 0) return 0;
  return FindServiceEntry(name) != nullptr ? 1 : 0;
}

const CServiceInfo* CStationAgent::FindServiceEntry(const char* name) const {
  CCommunicator* communicator = get_communicator();
  CBeliefDB* db = communicator != nullptr ? communicator->get_beliefdb() : nullptr;
  if (db == nullptr || name == nullptr) return nullptr;
  const auto* lookup = dynamic_cast<CListBelief*>(db->find_element("lookup"));
  const CLList* table = lookup != nullptr ? lookup->get_value() : nullptr;
  return table != nullptr ? dynamic_cast<const CServiceInfo*>(table->find_element(name)) : nullptr;
}
