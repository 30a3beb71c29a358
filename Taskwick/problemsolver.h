// CProblemSolver: the abstract solver of a planning agent. The agent runs
// its two hooks for every message it receives; the solver reaches the
// agent's beliefs and other agents through what the agent gives it.
//
// Nothing is owned: the communicator and belief database belong to the
// agent's container and live while the agent runs; the action codes belong
// to the planning agent that handed them over.
#pragma once

#include "Toolwick/listelement.h"

class CBeliefDB;
class CCommunicator;
class CPSActionCodes;

class CProblemSolver : public CListElement {
 public:
  CProblemSolver() = default;

  // A message came in (its text is not passed): process, then post_process.
  virtual void process() = 0;
  virtual void post_process() = 0;

  void SetBeliefDB(CBeliefDB* db) { db_ = db; }
  CBeliefDB* GetBeliefDB() const { return db_; }
  void SetCommunicator(CCommunicator* communicator) { communicator_ = communicator; }
  CCommunicator* GetCommunicator() const { return communicator_; }
  // The action codes then write to this solver's log.
  void SetActionCodes(CPSActionCodes* codes);
  CPSActionCodes* GetActionCodes() const { return codes_; }

 private:
  CCommunicator* communicator_ = nullptr;
  CBeliefDB* db_ = nullptr;
  CPSActionCodes* codes_ = nullptr;
};
