// CCommWindows: while it lives, the communicator's name-server and
// information dialogs (CCommunicator::comm_ans, comm_info) and the Showboard
// Configuration dialog of the display-agent client are this library's Qt
// dialogs, modal and centred over `parent`. The presenters installed before
// come back when it goes. A Qt program that hosts agents keeps one, over its
// main window, for its whole run.
#pragma once


#include "Relaywick/communicator.h"
#include "Relaywick/displayconfig.h"

class QWidget;

class CCommWindows {
 public:
  // `parent` is not owned and may be null or go first.
  explicit CCommWindows(QWidget* parent = nullptr);
  ~CCommWindows();
  CCommWindows(const CCommWindows&) = delete;
  CCommWindows& operator=(const CCommWindows&) = delete;

 private:
  CCommunicator::DialogPresenter previous_dialogs_;
  CDisplayConfig::Presenter previous_display_config_;
};
