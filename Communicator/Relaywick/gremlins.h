// CGremlins: an event module that accepts every state and message and does
// nothing with them.
#pragma once

#include "Relaywick/logfacility.h"

class CGremlins : public CLogFacility {
 public:
  CGremlins(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
      : CLogFacility(name, db, communicator, kind) {}

  int change_state(unsigned /*state*/) override { return 1; }
  void process_message(const char* /*text*/, int /*direction*/) override {}
};
