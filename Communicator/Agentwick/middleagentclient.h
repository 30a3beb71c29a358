// CMiddleAgentClient: the event module through which an agent uses a middle
// agent (the matchmaker) as its resource: a CClientBase named after the
// middle agent, whose create and destroy texts register or advertise the
// agent there and withdraw it again.
//
// Each operation sets the create/destroy pair it stands for and sends one of
// them at once (change_state 3 or 4), so the middle agent is told again
// whenever the module restarts. The belief database and the communicator
// are not owned and must outlive the module.
#pragma once

#include "Relaywick/clientbase.h"

class CMiddleAgentClient : public CClientBase {
 public:
  CMiddleAgentClient(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
      : CClientBase(name, db, communicator, kind) {}

  // "register :operation register" / "unregister :operation unregister".
  // 1 when the text went out.
  int mm_register();
  int mm_unregister();
  // The advertisement texts of CClientBase::set_advertisement; 0 for a null
  // advertisement.
  int mm_advertise(const char* advertisement);
  int mm_unadvertise();
};
