// CSDIContainer: the Qt main window in which an agent runs. It owns the
// agent's host (CAgentHost), the message window that the agent's sockets
// notify and whose one-second timer drives the agent. Every message of that
// window comes to WindowProc, whose default hands the socket notifications
// (WM_SOCKET_NOTIFY) and the timer to the container. A frame derived from
// this class handles its own messages there and passes the rest on to
// CSDIContainer::WindowProc; its menus, tool bars and other windows are
// Qt's own.
//
// The framework's windows run on the current event loop, which in a Qt
// program is the Qt loop (PlatformQt/qtloop.h), made current before the
// frame. Message boxes and the communicator's dialogs are the program's to
// install (PlatformQt/qtmessagebox.h, RelaywickUi/commwindows.h).
//
// Closing the window stops the agent (its shutdown hook runs, its
// registration is withdrawn) but keeps it; destroying the window deletes it.
#pragma once

#include <QMainWindow>

#include <memory>

#include "Agentwick/agentcontainer.h"
#include "Platform/wnd.h"
#include "Toolwick/commandline.h"

class CSDIContainer : public QMainWindow {
 public:
  explicit CSDIContainer(QWidget* parent = nullptr);
  ~CSDIContainer() override;

  // Takes `agent` over; an agent assigned before is stopped and deleted.
  void AssignContainer(std::unique_ptr<CAgentContainer> agent);
  // Starts the assigned agent with `command_line` (its argument vector must
  // outlive the agent) and its timer. `show` is the frame's show state,
  // passed as 1. Non-zero on success; 0 without an agent or when its start
  // fails.
  int CreateContainer(CCommandLine* command_line, unsigned show);
  // The assigned agent, owned by the frame; null when none.
  CAgentContainer* get_container() const;
  // The message window that the agent's sockets notify; messages posted to
  // it reach WindowProc. Lives as long as the frame.
  CWnd* get_handler() const;

 protected:
  // Every message of the agent's message window. Derived frames handle
  // theirs and pass the rest on to this one.
  virtual LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam);
  // Stops the agent, then closes the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  class Host;
  std::unique_ptr<Host> host_;
};
