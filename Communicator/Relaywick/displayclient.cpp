#include "Relaywick/displayclient.h"

#include <cstring>
#include <string>

#include "Lexwick/parser.h"
#include "Relaywick/agentname.h"
#include "Relaywick/communicator.h"
#include "Relaywick/displayconfig.h"
#include "Talkwick/kqmlstring.h"
#include "Toolwick/format.h"

namespace {

constexpr const char* kOntology = "default-ontology";
constexpr const char* kDomainOntology = "Quorvel";

int parses_as_message(const char* text) {
  if (text == nullptr) return 0;
  CParser parser;
  return parser.parse_message(text) == 1 ? 1 : 0;
}

}  // namespace

int CVisualizationClient::from_string(char* text) { return parses_as_message(text); }

int CVisualizationState::from_string(char* text) { return parses_as_message(text); }

CSB::CSB(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
    : CClientBase(name, db, communicator, kind) {
  set_name(name != nullptr ? name : kPlaceholder);
  set_create_string("CREATE :mode agent :info planning-agent :to showboard :message create");
  set_destroy_string("DESTROY :mode agent :info planning-agent :to showboard :message destroy");
  set_type(LOGTYPE_DISPLAY);
}

CSB::~CSB() = default;

bool CSB::send(const char* ontology, const char* text) {
  CCommunicator* comm = get_communicator();
  if (comm == nullptr) return false;
  const char* error = comm->comm_sendmessage_internal("tell", get_name(), ontology,
                                                      "default-language", "cricket", nullptr,
                                                      nullptr, text, nullptr);
  if (error == nullptr) return true;
  set_access_denied(1);
  return false;
}

bool CSB::ask_for_display_agent() {
  CDisplayConfig dialog(this);
  dialog.DoModal();
  return dialog.is_disable_checked();
}

void CSB::parse_args(int argc, char** argv) {
  for (int i = 0; argv != nullptr && i < argc; ++i) {
    const char* option = argv[i];
    // An option given as the last argument has no value.
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == nullptr || value == nullptr) continue;
    if (std::strcmp(option, "-sbp") == 0) {
      set_name(value);
    } else if (std::strcmp(option, "-sbn") == 0 && std::strcmp(value, "disabled") == 0) {
      set_access_denied(1);
    }
  }
  const bool unnamed = get_name() == nullptr && get_access_denied() == 0;
  const bool placeholder = get_name() != nullptr && std::strcmp(get_name(), kPlaceholder) == 0;
  if ((unnamed || placeholder) && ask_for_display_agent()) set_access_denied(1);
}

int CSB::change_state(unsigned state) {
  debug("<CSB> change_state ()");
  if (get_access_denied() == 1) return 0;
  CCommunicator* comm = get_communicator();
  if (comm == nullptr) {
    set_access_denied(1);
    debug("<CSB> Communicator is NULL, access to resource disabled");
    return 0;
  }
  if (get_name() == nullptr) {
    set_access_denied(1);
    debug("<CSB> No agent name specified, access to resource disabled");
    return 0;
  }
  if (state == AGENTSTATE_REGISTERED) {
    if (primary_domain_.is_set()) {
      debug("<CSB> starting up in 'domain' mode");
      process_create();
      return agent_create(comm->get_name(), primary_domain_.get());
    }
    debug("<CSB> No primary domain specified, starting up in classic mode ...");
  }
  return CClientBase::change_state(state);
}

void CSB::process_message(const char* text, int direction) {
  if (find_name_belief(get_beliefdb()) == nullptr) {
    set_access_denied(1);
    return;
  }
  if (direction != DIRECTION_OUTGOING || text == nullptr || *text == '\0' ||
      get_access_denied() == 1 || get_communicator() == nullptr) {
    return;
  }
  const char* key = std::strstr(text, ":receiver");
  if (key == nullptr) return;
  // The receiver follows ":receiver" and one blank; it ends at the next
  // blank or with the text. A text that ends before it names nobody.
  const size_t skip = std::strlen(":receiver") + 1;
  if (std::strlen(key) < skip) return;
  const char* start = key + skip;
  const std::string receiver(start, std::strcspn(start, " "));
  if (receiver.empty()) return;
  send(kOntology, str_format("CREATE :mode communication :to %s", receiver.c_str()).c_str());
}

void CSB::agent_create(const char* agent) {
  if (agent == nullptr) return;
  send(kOntology, str_format("CREATE :mode agent :to showboard :message create :name %s", agent)
                      .c_str());
}

void CSB::agent_remove(const char* agent) {
  if (agent == nullptr) return;
  send(kOntology,
       str_format("DESTROY :mode agent :to showboard :message destroy :name %s", agent).c_str());
}

void CSB::agemt_comm(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return;
  send(kOntology, str_format("CREATE :mode communication :from %s :to %s", from, to).c_str());
}

void CSB::agemt_comm(const char* sender, const char* sender_domain, const char* receiver,
                     const char* receiver_domain) {
  if (sender == nullptr || receiver == nullptr) return;
  const std::string from = sender_domain != nullptr
                               ? str_format("%s|%s", sender_domain, sender)
                               : std::string(sender);
  const std::string to = receiver_domain != nullptr
                             ? str_format("%s|%s", receiver_domain, receiver)
                             : std::string(receiver);
  send(kDomainOntology,
       ("COMM :sender " + kqml_string(from) + " :receiver " + kqml_string(to)).c_str());
}

void CSB::agemt_comm(const char* sender, const char* sender_domain, const char* receiver,
                     const char* receiver_domain, const char* /*data*/) {
  agemt_comm(sender, sender_domain, receiver, receiver_domain);
}

int CSB::agent_create(const char* agent, const char* domain) {
  if (agent == nullptr || domain == nullptr || visual_entities_.find_element(agent) != nullptr) {
    return 0;
  }
  if (domain_exists(domain) == 0 &&
      !send(kDomainOntology, ("DEFINEDOMAIN :name " + kqml_string(domain)).c_str())) {
    return 0;
  }
  return send(kDomainOntology,
              ("AGENTDOMAINS :agent " + kqml_string(agent) + " :domain " + kqml_string(domain) +
               " :role \"default\")")
                  .c_str())
             ? 1
             : 0;
}

int CSB::domain_exists(const char* domain) const {
  if (domain == nullptr) return 0;
  for (CListElement* e = visual_entities_.get_element(0); e != nullptr; e = e->get_next()) {
    const auto* entity = dynamic_cast<const CVisualEntity*>(e);
    const char* held = entity != nullptr ? entity->get_domain() : nullptr;
    if (held != nullptr && std::strcmp(held, domain) == 0) return 1;
  }
  return 0;
}

void CSB::set_primary_domain(const char* domain) {
  if (domain == nullptr) return;
  primary_domain_.set(domain);
  debug("<CSB> Assigned primary domain name to: [%s]", primary_domain_.get());
}

void CSB::add_viz_client(CVisualizationClient* client) {
  if (client != nullptr) viz_clients_.add_element(client);
}

void CSB::remove_viz_client(CVisualizationClient* client) {
  if (client != nullptr && client->get_parent() == &viz_clients_) {
    viz_clients_.delete_element(client);
  }
}

void CSB::remove_viz_client(const char* name) {
  if (CListElement* client = viz_clients_.find_element(name)) viz_clients_.delete_element(client);
}
