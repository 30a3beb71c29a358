// CPlanningAgent: an agent that hands every message it receives to a
// problem solver and every timer tick to a scheduler of tasks.
//
// Use: let the container start the agent (the communicator exists from
// then on), then SetProblemSolver with a concrete solver.
//
// Ownership: the agent owns its scheduler (and with it the tasks) and the
// action codes it gives its solvers, which stay valid while the agent
// lives. The solver stays the caller's and must outlive its use by the
// agent.
#pragma once

#include <memory>

#include "Agentwick/basicagent.h"
#include "Taskwick/planningscheduler.h"
#include "Taskwick/problemsolver.h"
#include "Taskwick/psactioncodes.h"

class CPlanningAgent : public CBasicAgent {
 public:
  CPlanningAgent();
  explicit CPlanningAgent(const char* name);
  ~CPlanningAgent() override;

  // Ticks the scheduler.
  void process_timer() override;
  // Runs the solver's process and post_process, when a solver is set; 1.
  using CBasicAgent::process_message;
  int process_message(char* text) override;

  // Before the container has a communicator: a message box, and nothing
  // changes. Otherwise the solver (null: none) gets the communicator, the
  // agent's log, the agent's action codes and the belief database. The
  // action codes are made once and handed to every solver set later; their
  // communicator is left for the solver to set.
  void SetProblemSolver(CProblemSolver* solver);
  CProblemSolver* GetProblemSolver() const { return solver_; }
  CPlanningScheduler* GetScheduler() const { return scheduler_.get(); }

 private:
  CProblemSolver* solver_ = nullptr;
  std::unique_ptr<CPlanningScheduler> scheduler_ = std::make_unique<CPlanningScheduler>();
  std::unique_ptr<CPSActionCodes> codes_;
};
