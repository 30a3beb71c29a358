// CAgent: the root of every agent class, a named list element with a type
// name that each agent class sets for itself.
#pragma once

#include "Toolwick/heaptext.h"
#include "Toolwick/listelement.h"

class CAgent : public CListElement {
 public:
  CAgent() = default;
  // Named by a copy of `name` (null: unnamed).
  explicit CAgent(const char* name) : CListElement(name) {}

  // The type name, owned by the agent; null until the class sets one.
  char* get_type() const { return type_.get(); }

 protected:
  // Keeps a copy; null clears it.
  void set_type(const char* type) { type_.set(type); }

 private:
  HeapText type_;
};
