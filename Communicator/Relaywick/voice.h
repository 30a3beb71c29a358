// CVoice: tells the display agent ("Showboard") in words which state the
// agent entered. A failed send sets the access-denied flag, which is never
// cleared and not tested: every later state is still told.
//
// The belief database and the communicator are not owned.
#pragma once

#include "Relaywick/logfacility.h"

class CVoice : public CLogFacility {
 public:
  CVoice(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
      : CLogFacility(name, db, communicator, kind) {
    set_type(LOGTYPE_VOICE);
  }

  // Sends the sentence of states 0 to 4 (others send nothing and give 1).
  // 0 without "name", communicator or agent name, or when the send fails.
  int change_state(unsigned state) override;
  void process_message(const char* /*text*/, int /*direction*/) override {}

  int get_access_denied() const { return access_denied_; }

 private:
  int access_denied_ = 0;
};
