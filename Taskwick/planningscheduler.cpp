#include "Taskwick/planningscheduler.h"

void CPlanningScheduler::add_task(CTaskBase* task) {
  if (task == nullptr) {
    debug("<CPlanningScheduler> Attempting to add a NULL task, aborting");
    return;
  }
  task->set_file(get_file_pointer());
  add_element(task);
}
