#include "Agentwick/agenthost.h"

#include "Relaywick/socketbase.h"

CAgentHost::~CAgentHost() { stop(); }

void CAgentHost::AssignContainer(std::unique_ptr<CAgentContainer> agent) {
  stop();
  agent_ = std::move(agent);
}

int CAgentHost::CreateContainer(CCommandLine* command_line, unsigned /*show*/) {
  if (agent_ == nullptr || agent_->start_agent(command_line, this) == 0) return 0;
  SetTimer(kTimerId, kTimerPeriodMs);
  return 1;
}

LRESULT CAgentHost::WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_SOCKET_NOTIFY) return CWnd::WindowProc(message, wParam, lParam);
  if (agent_ != nullptr) {
    agent_->handle_mfc_message(static_cast<unsigned long>(wParam),
                               static_cast<unsigned long>(lParam));
  }
  return 0;
}

void CAgentHost::OnTimer(uintptr_t id) {
  if (id == kTimerId && agent_ != nullptr) agent_->handle_mfc_timer();
}

void CAgentHost::stop() {
  KillTimer(kTimerId);
  if (agent_ != nullptr) agent_->stop_agent();
  agent_.reset();
}
