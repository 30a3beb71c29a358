#include "Agentwick/basicagent.h"

CBasicAgent::CBasicAgent() { set_type("CBasicAgent"); }

CBasicAgent::CBasicAgent(const char* name) : CAgentContainer(name) { set_type("CBasicAgent"); }
