// CTaskBase: one task of a planning scheduler. A subclass supplies the work;
// the base only carries the action codes through which the task acts.
#pragma once

#include "Toolwick/listelement.h"

class CPSActionCodes;

class CTaskBase : public CListElement {
 public:
  CTaskBase() = default;

  // Not owned; they must outlive their use by the task.
  void set_action_code(CPSActionCodes* codes) { codes_ = codes; }
  CPSActionCodes* get_action_code() const { return codes_; }

 private:
  CPSActionCodes* codes_ = nullptr;
};
