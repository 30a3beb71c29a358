// CAgentHost: the message window in which an agent container runs. It owns
// the container, starts it with itself as the window that the agent's
// sockets notify, routes those notifications (WM_SOCKET_NOTIFY) to it and
// drives it from a one-second timer.
//
// The host is a plain object on the current event loop and needs no frame:
// a GUI frame owns one and forwards AssignContainer and CreateContainer;
// the sockets and the timer reach the host directly, so the frame forwards
// none of its own messages.
//
// Destroying the host stops the agent (its shutdown hook runs, its
// registration is withdrawn) and deletes it.
#pragma once

#include <memory>

#include "Agentwick/agentcontainer.h"
#include "Platform/wnd.h"
#include "Toolwick/commandline.h"

class CAgentHost : public CWnd {
 public:
  static constexpr uintptr_t kTimerId = 1;
  static constexpr unsigned kTimerPeriodMs = 1000;

  CAgentHost() = default;
  ~CAgentHost() override;

  // Takes `agent` over; an agent assigned before is stopped and deleted.
  void AssignContainer(std::unique_ptr<CAgentContainer> agent);
  // Starts the assigned agent with `command_line` (read during the call;
  // its argument vector must outlive the agent) and starts the timer.
  // `show` is the frame's show state, passed as 1; the host itself shows
  // nothing. Non-zero on success; 0 without an agent or when its start
  // fails.
  int CreateContainer(CCommandLine* command_line, unsigned show);
  // The assigned agent, owned by the host; null when none.
  CAgentContainer* get_container() const { return agent_.get(); }

 protected:
  LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) override;
  void OnTimer(uintptr_t id) override;

 private:
  void stop();

  std::unique_ptr<CAgentContainer> agent_;
};
