// CBasicAgent: the plain agent container that agent programs derive from;
// it adds nothing but its type name "CBasicAgent".
#pragma once

#include "Agentwick/agentcontainer.h"

class CBasicAgent : public CAgentContainer {
 public:
  CBasicAgent();
  // Named by a copy of `name`, which becomes the agent's "name" belief.
  explicit CBasicAgent(const char* name);
};
