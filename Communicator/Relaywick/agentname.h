// How the event modules read the agent's name: the string belief "name" of
// their belief database. Texts returned are owned by the belief.
#pragma once

#include "Credwick/belief.h"
#include "Credwick/beliefdb.h"

// The element named "name" of `db`; null for a null database or when missing.
inline CListElement* find_name_belief(const CBeliefDB* db) {
  return db != nullptr ? db->find_element("name") : nullptr;
}

// Its value when it is a string belief that holds one; else null.
inline char* find_agent_name(const CBeliefDB* db) {
  auto* belief = dynamic_cast<CStringBelief*>(find_name_belief(db));
  return belief != nullptr ? belief->get_value() : nullptr;
}
