// CSpaceLink: the resource-agent client module through which an agent
// holds one arc of the space topology. It is named after the resource
// agent it talks to and behaves as CClientBase, but only the start (3) and
// the stop (4) reach the base; other states are accepted and not kept.
//
// The belief database and the communicator are not owned and must outlive
// the module.
#pragma once

#include "Relaywick/clientbase.h"
#include "Sidewick/spacearc.h"

class CSpaceLink : public CClientBase {
 public:
  CSpaceLink(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
      : CClientBase(name, db, communicator, kind) {}

  // The arc, owned by the module.
  CSpaceArc* get_spacearc() { return &arc_; }

  // 3 and 4 as CClientBase, with a log line after the start and before the
  // stop; any other state answers 1 and changes nothing.
  int change_state(unsigned state) override;

 private:
  CSpaceArc arc_;
};
