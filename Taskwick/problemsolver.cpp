#include "Taskwick/problemsolver.h"

#include "Taskwick/psactioncodes.h"

void CProblemSolver::SetActionCodes(CPSActionCodes* codes) {
  codes_ = codes;
  if (codes_ != nullptr) codes_->set_file(get_file_pointer());
}
