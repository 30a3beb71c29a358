#include "Sidewick/spacelink.h"

int CSpaceLink::change_state(unsigned state) {
  if (state == AGENTSTATE_REGISTERED) {
    const int result = CClientBase::change_state(state);
    debug("<CSpaceLink> Starting Module CSpaceLink");
    return result;
  }
  if (state == AGENTSTATE_UNREGISTERED) {
    debug("<CSpaceLink> Shutting down CSpaceLink");
    return CClientBase::change_state(state);
  }
  return 1;
}
