#include "Taskwick/planningagent.h"

#include "Platform/messagesink.h"

CPlanningAgent::CPlanningAgent() = default;

CPlanningAgent::CPlanningAgent(const char* name) : CBasicAgent(name) {}

// The solver is the caller's and stays.
CPlanningAgent::~CPlanningAgent() = default;

void CPlanningAgent::process_timer() {
  if (scheduler_ != nullptr) scheduler_->process_timer();
}

int CPlanningAgent::process_message(char* /*text*/) {
  if (solver_ != nullptr) {
    solver_->process();
    solver_->post_process();
  }
  return 1;
}

void CPlanningAgent::SetProblemSolver(CProblemSolver* solver) {
  CCommunicator* communicator = get_communicator();
  if (communicator == nullptr) {
    platform::message_box("You are trying to assign a planner that does not have a Communicator yet!");
    return;
  }
  solver_ = solver;
  if (solver_ == nullptr) return;
  solver_->SetCommunicator(communicator);
  solver_->set_file(communicator->get_file_pointer());
  scheduler_->set_file(communicator->get_file_pointer());
  // One set of action codes serves every solver, so that a solver set
  // earlier never holds codes that are gone.
  if (codes_ == nullptr) codes_ = std::make_unique<CPSActionCodes>();
  solver_->SetActionCodes(codes_.get());
  solver_->SetBeliefDB(get_belief_db());
}
