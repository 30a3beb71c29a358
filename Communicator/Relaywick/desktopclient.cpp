#include "Relaywick/desktopclient.h"

#include <string>

#include "Relaywick/agentname.h"
#include "Relaywick/communicator.h"
#include "Talkwick/messageframer.h"
#include "Toolwick/format.h"

int CDesktopClient::change_state(unsigned state) {
  if (find_name_belief(get_beliefdb()) == nullptr || access_denied_ != 0) return 0;
  CCommunicator* comm = get_communicator();
  if (comm == nullptr) {
    access_denied_ = 1;
    debug("<CDesktopClient> Communicator is NULL, access to resource disabled");
    return 0;
  }
  const char* agent = find_agent_name(get_beliefdb());
  if (agent == nullptr) {
    access_denied_ = 1;
    debug("<CDesktopClient> No agent name specified, access to resource disabled");
    return 0;
  }
  set_state(state);
  const char* action;
  if (state == AGENTSTATE_REGISTERED) {
    debug("<CDesktopClient> starting up");
    action = "register";
  } else if (state == AGENTSTATE_UNREGISTERED) {
    debug("<CDesktopClient> shutting down");
    action = "unregister";
  } else {
    return 1;
  }
  std::string text = str_format(
      "(tell :sender %s :receiver DesktopAgent :content (tell :action %s))", agent, action);
  if (!CMessageFramer::frame(&text)) {
    access_denied_ = 1;
    debug("<CDesktopClient> Agent name cannot be sent, access to resource disabled");
    return 0;
  }
  if (comm->comm_senddata("DesktopAgent", "127.0.0.1", port_, text.data()) == -1) {
    access_denied_ = 1;
    return 0;
  }
  return 1;
}
