#include "Relaywick/voice.h"

#include <string>

#include "Relaywick/agentname.h"
#include "Relaywick/communicator.h"
#include "Talkwick/kqmlstring.h"

int CVoice::change_state(unsigned state) {
  if (find_name_belief(get_beliefdb()) == nullptr) return 0;
  CCommunicator* comm = get_communicator();
  if (comm == nullptr) {
    access_denied_ = 1;
    debug("<CVoice> Communicator is NULL, access to resource disabled");
    return 0;
  }
  const char* agent = find_agent_name(get_beliefdb());
  if (agent == nullptr) {
    access_denied_ = 1;
    debug("<CVoice> No agent name specified, access to resource disabled");
    return 0;
  }
  set_state(state);
  const char* sentence;
  switch (state) {
    case AGENTSTATE_IDLE:
      sentence = " entered idle mode";
      break;
    case AGENTSTATE_PLANNING:
      sentence = " entered planning mode";
      break;
    case AGENTSTATE_ADVERTISED:
      sentence = " advertised with matchmaker";
      break;
    case AGENTSTATE_REGISTERED:
      debug("<CVoice> starting up");
      sentence = " registered with Agent Name Server";
      break;
    case AGENTSTATE_UNREGISTERED:
      debug("<CVoice> shutting down");
      sentence = " unregistered with Agent Name Server";
      break;
    default:
      return 1;
  }
  const std::string token = ":text " + kqml_string(agent + std::string(sentence));
  const char* error =
      comm->comm_sendmessage_internal("tell", "Showboard", "default-ontology", "default-language",
                                      "cricket", nullptr, nullptr, token.c_str(), nullptr);
  if (error != nullptr) {
    debug("%s", error);
    access_denied_ = 1;
    return 0;
  }
  return 1;
}
