// CDesktopClient: registers the agent with the desktop agent of the local
// machine (127.0.0.1, port 6658) when the agent starts and unregisters it
// when it stops. Once a send fails, or the communicator or the agent name is
// missing, access is denied for good and every later state is refused.
//
// The belief database and the communicator are not owned.
#pragma once

#include "Relaywick/logfacility.h"

class CDesktopClient : public CLogFacility {
 public:
  static constexpr unsigned kDesktopPort = 6658;

  CDesktopClient(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
      : CLogFacility(name, db, communicator, kind) {}

  // States 3 and 4 send the register / unregister text; others are only
  // stored. 0 while access is denied or when the send fails.
  int change_state(unsigned state) override;
  using CLogFacility::process_message;
  // Messages are of no interest to the desktop agent.
  void process_message(const char* /*text*/) {}

  int get_access_denied() const { return access_denied_; }
  // Where the desktop agent listens on the local machine.
  void set_port(unsigned port) { port_ = port; }
  unsigned get_port() const { return port_; }

 private:
  int access_denied_ = 0;
  unsigned port_ = kDesktopPort;
};
