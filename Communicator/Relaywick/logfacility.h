// CLogFacility: the base of the communicator's event modules: plug-ins that
// are told of the agent's state changes and of the messages that pass, and
// that may do periodic work. One module, the logger, is also the
// communicator's and the server socket's log.
//
// The module does not own its belief database, communicator or logger; they
// must outlive it. A module added to the communicator is owned by its
// event-module list.
#pragma once

#include "Toolwick/listelement.h"

class CBeliefDB;
class CCommunicator;

// Module types (get_type).
enum : unsigned {
  LOGTYPE_PLAIN = 0,
  LOGTYPE_FILE = 1,     // the event log file
  LOGTYPE_DISPLAY = 2,  // the display-agent client: told of every sent message
  LOGTYPE_VOICE = 4,
};

// Agent states (change_state).
enum : unsigned {
  AGENTSTATE_IDLE = 0,
  AGENTSTATE_PLANNING = 1,
  AGENTSTATE_ADVERTISED = 2,
  AGENTSTATE_REGISTERED = 3,
  AGENTSTATE_UNREGISTERED = 4,
};

// Message directions (process_message).
enum : int {
  DIRECTION_INTERNAL = 0,
  DIRECTION_INCOMING = 1,
  DIRECTION_OUTGOING = 2,
};

class CLogFacility : public CListElement {
 public:
  // Named `name` (null: unnamed); `kind` is kept for the subclasses.
  CLogFacility(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind);
  ~CLogFacility() override;

  // The program's arguments, from the agent container.
  virtual void parse_args(int argc, char** argv);
  // The agent's new state; the base answers 1.
  virtual int change_state(unsigned state);
  // A message or line that passed, with its direction.
  virtual void process_message(const char* text, int direction);
  // Periodic work, from the agent container.
  virtual void process_timer();

  int init() { return 1; }

  // The module's name; null takes the communicator's agent name, or
  // "Agent" without a communicator.
  void set_display(const char* name);
  char* get_display() const { return get_name(); }
  // Null is ignored; else this module's lines go to the logger's log file.
  void set_logger(CLogFacility* logger);
  CLogFacility* get_logger() const { return logger_; }
  // Forgets `logger` when it is this module's logger, which is about to go;
  // the module's lines keep going to the same file.
  void forget_logger(const CLogFacility* logger) {
    if (logger_ == logger) logger_ = nullptr;
  }
  // Writes `text` as one line of the module's log.
  void log_message(const char* text);

  void set_type(unsigned type) { type_ = type; }
  unsigned get_type() const { return type_; }
  void set_registered(int registered) { registered_ = registered; }
  int is_registered() const { return registered_; }
  void set_dependancy(unsigned dependancy) { dependancy_ = dependancy; }
  unsigned get_dependancy() const { return dependancy_; }
  unsigned get_kind() const { return kind_; }
  unsigned get_state() const { return state_; }
  CBeliefDB* get_beliefdb() const { return db_; }
  CCommunicator* get_communicator() const { return communicator_; }

 protected:
  // For the modules that keep the agent's state.
  void set_state(unsigned state) { state_ = state; }

 private:
  unsigned type_ = LOGTYPE_PLAIN;
  unsigned kind_;
  unsigned state_ = AGENTSTATE_IDLE;
  unsigned dependancy_ = 0;
  int registered_ = 0;
  CBeliefDB* db_;
  CCommunicator* communicator_;
  CLogFacility* logger_ = nullptr;
};
