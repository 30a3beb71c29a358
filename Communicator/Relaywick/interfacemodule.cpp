#include "Relaywick/interfacemodule.h"

#include <cstring>
#include <string>

#include "Lexwick/parser.h"
#include "Relaywick/agentname.h"
#include "Relaywick/communicator.h"
#include "Toolwick/format.h"
#include "Toolwick/namespace.h"

namespace {

constexpr const char* kLanguage = "Veranta-KQML";
constexpr const char* kStream = "interface.stream";

bool same(const char* a, const char* b) { return a != nullptr && std::strcmp(a, b) == 0; }

}  // namespace

const char* CInterfaceModule::send_to(const char* performative, const char* agent,
                                      const char* ontology, const char* content) {
  CCommunicator* comm = get_communicator();
  if (comm == nullptr) return "<CInterfaceModule> Communicator is NULL, message not sent";
  return comm->comm_sendmessage_internal(performative, agent, ontology, kLanguage, nullptr,
                                         nullptr, nullptr, content, nullptr);
}

void CInterfaceModule::send_to_all(const char* ontology, const char* content) {
  for (CListElement* e = interfaces_.get_first_element(); e != nullptr;
       e = interfaces_.get_next_element()) {
    if (send_to("tell", e->get_name(), ontology, content) != nullptr) {
      debug("<CInterfaceModule> Error sending message to interface agent");
    }
  }
}

void CInterfaceModule::display(const char* text) {
  if (status_ != nullptr) status_->SetWindowText(text);
  if (console_ != nullptr) console_->debug(text);
}

void CInterfaceModule::send_message(const char* text) {
  if (text != nullptr) send_to_all(kStream, text);
}

void CInterfaceModule::update_datastream(const char* data) {
  if (data == nullptr) return;
  send_to_all(kStream, str_format("tell :action update :content datastream :data %s", data).c_str());
}

void CInterfaceModule::update_controlpanel(const char* data) {
  if (data == nullptr) return;
  send_to_all("interface.controls",
              str_format("tell :action update :content controlpanels :data %s", data).c_str());
}

void CInterfaceModule::register_interface(const char* agent) {
  if (interfaces_.find_element(agent) != nullptr) {
    debug("<CInterfaceModule> Interface already registered, aborting ...");
    return;
  }
  interfaces_.add_element(new CListElement(agent));
  debug("<CInterfaceModule> Added agent to list of interfaces");
  const char* error =
      send_to("tell", agent, kStream, "tell :action activate :content datastream");
  if (error != nullptr) {
    debug("%s", error);
  } else {
    debug("<CInterfaceModule> Data stream definition sent to interface agent");
  }
  CCommunicator* comm = get_communicator();
  if (comm == nullptr) return;
  update_controlpanel(str_format("tell :name %s :location %s :port %u", shown_text(comm->get_name()),
                                 shown_text(comm->comm_get_ip()), comm->get_port())
                          .c_str());
}

void CInterfaceModule::unregister_interface() {
  for (CListElement* e = interfaces_.get_first_element(); e != nullptr;
       e = interfaces_.get_next_element()) {
    const char* error =
        send_to("tell", e->get_name(), kStream, "tell :action deactivate :content datastream");
    if (error != nullptr) debug("%s", error);
  }
}

int CInterfaceModule::change_state(unsigned state) {
  if (find_name_belief(get_beliefdb()) == nullptr) return 0;
  if (state == AGENTSTATE_UNREGISTERED) unregister_interface();
  return 1;
}

void CInterfaceModule::process_message(const char* text, int direction) {
  if (text == nullptr) return;
  CParser message;
  if (message.parse_message(text) != 1) {
    debug("<CInterfaceModule> Unable to parse ACL message");
    return;
  }
  const char* sender = message.find_sender();
  if (sender == nullptr) {
    debug("<CInterfaceModule> Unable to find sender field in outter message");
    return;
  }
  const char* content = message.find_content();
  if (content == nullptr) {
    debug("<CInterfaceModule> Unable to find content field in outter message");
    return;
  }
  const char* ontology = message.find_ontology();
  if (ontology == nullptr) {
    debug("<CInterfaceModule> Unable to find ontology field in outter message");
    return;
  }
  if (!same(ontology, "interface") && !same(ontology, "INTERFACE")) {
    debug("<CInterfaceModule> Ontology does not seem to indicate an interface message");
    return;
  }
  // The sender outlives the sends below, which use parsers of their own.
  const std::string from = sender;
  CParser request;
  if (request.parse_message(content) != 1) {
    debug("<CInterfaceModule> Unable to parse content field");
    return;
  }
  if (direction != DIRECTION_INCOMING) {
    debug("<CInterfaceModule> No request field found");
    return;
  }
  const char* performative = request.find_performative();
  if (performative == nullptr) {
    debug("<CInterfaceModule> No performative found");
    return;
  }
  const std::string asked = performative;
  const char* lineage = request.find_token("lineage");
  const char* wanted = request.find_token("request");
  const std::string what = wanted != nullptr ? wanted : "";

  if (lineage == nullptr) {
    debug("<CInterfaceModule> No lineage field found");
  } else if (asked != "request") {
    debug("<CInterfaceModule> Performative did not indicate a request");
  } else if (lineage_ == nullptr) {
    debug("<CInterfaceModule> Lineage request detected but pointer to lineage is NULL");
  } else if (const char* path = lineage_->to_string(); path != nullptr) {
    const std::string reply = str_format("reply :lineage %s", path);
    const char* error = send_to("reply", from.c_str(), "interface", reply.c_str());
    if (error != nullptr) {
      debug("%s", error);
    } else {
      debug("<CInterfaceModule> Message sent to agent");
    }
  }

  if (wanted == nullptr) {
    debug("<CInterfaceModule> No ask performative found");
  } else if (asked != "ask") {
    debug("<CInterfaceModule> Performative did not indicate a request");
  } else if (what == "register") {
    debug("<CInterfaceModule> Interface register request found");
    register_interface(from.c_str());
  } else if (what == "unregister") {
    debug("<CInterfaceModule> Interface unregister request found");
    if (CListElement* known = interfaces_.find_element(from.c_str())) {
      interfaces_.delete_element(known);
    }
  }
}
