#include "AgentwickUi/sdicontainer.h"

#include <QCloseEvent>

#include "Agentwick/agenthost.h"

// The agent's host, with every message turned over to the frame first.
class CSDIContainer::Host : public CAgentHost {
 public:
  explicit Host(CSDIContainer* frame) : frame_(frame) {}

  // What the host does with a message the frame passes on.
  LRESULT host_proc(unsigned message, WPARAM wParam, LPARAM lParam) {
    return CAgentHost::WindowProc(message, wParam, lParam);
  }

 protected:
  LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) override {
    return frame_->WindowProc(message, wParam, lParam);
  }

 private:
  CSDIContainer* frame_;
};

CSDIContainer::CSDIContainer(QWidget* parent)
    : QMainWindow(parent), host_(std::make_unique<Host>(this)) {}

// The agent stops while the whole frame is still there.
CSDIContainer::~CSDIContainer() { host_.reset(); }

void CSDIContainer::AssignContainer(std::unique_ptr<CAgentContainer> agent) {
  host_->AssignContainer(std::move(agent));
}

int CSDIContainer::CreateContainer(CCommandLine* command_line, unsigned show) {
  return host_->CreateContainer(command_line, show);
}

CAgentContainer* CSDIContainer::get_container() const { return host_->get_container(); }

CWnd* CSDIContainer::get_handler() const { return host_.get(); }

LRESULT CSDIContainer::WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) {
  return host_->host_proc(message, wParam, lParam);
}

void CSDIContainer::closeEvent(QCloseEvent* event) {
  if (CAgentContainer* agent = get_container()) agent->stop_agent();
  QMainWindow::closeEvent(event);
}
