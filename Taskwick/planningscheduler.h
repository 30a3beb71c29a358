// CPlanningScheduler: the list of a planning agent's tasks, told of every
// timer tick of the agent. The list owns its tasks.
#pragma once

#include "Taskwick/taskbase.h"
#include "Toolwick/llist.h"

class CPlanningScheduler : public CLList {
 public:
  CPlanningScheduler() = default;

  // One tick of the agent's timer. The skeleton gives the tasks no work of
  // their own: a subclass walks its tasks here.
  virtual void process_timer() {}

  // Appends `task`, which then writes to the scheduler's log and belongs to
  // the list; null is refused with a log line.
  void add_task(CTaskBase* task);
};
