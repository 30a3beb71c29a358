// CAVDS: an event module that takes every call and does nothing with it.
#pragma once

#include "Relaywick/logfacility.h"

class CAVDS : public CLogFacility {
 public:
  CAVDS(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
      : CLogFacility(name, db, communicator, kind) {}

  using CLogFacility::process_message;
  void process_message(const char* /*text*/) {}
};
