// Test helpers for agents that talk over loopback without a name server:
// entering where another agent listens, and sending it a "tell". For test
// programs that link the communicator.
#pragma once

#include <string>

#include "Bannerwick/serviceinfo.h"
#include "Credwick/belief.h"
#include "Relaywick/communicator.h"

namespace testsupport {

// Enters `name` at 127.0.0.1:`port` in the service table of `communicator`.
inline void know_agent(CCommunicator* communicator, const char* name, unsigned port) {
  auto* lookup = dynamic_cast<CListBelief*>(communicator->get_beliefdb()->find_element("lookup"));
  auto* entry = new CServiceInfo;
  entry->set_name(name);
  entry->set_location(("tcp://127.0.0.1:" + std::to_string(port)).c_str());
  lookup->get_value()->add_element(entry);
}

// Sends a "tell" with `content` to `receiver`; true when it went out.
inline bool tell_agent(CCommunicator* communicator, const char* receiver, const char* content) {
  return communicator->comm_sendmessage("tell", receiver, "default-language", "default-ontology",
                                        nullptr, nullptr, nullptr, content, nullptr) == nullptr;
}

}  // namespace testsupport
