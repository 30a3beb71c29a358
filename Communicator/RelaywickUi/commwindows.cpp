#include "RelaywickUi/commwindows.h"

#include "RelaywickUi/commansdialog.h"
#include "RelaywickUi/comminfo.h"
#include "RelaywickUi/ddconfig.h"

CCommWindows::CCommWindows(QWidget* parent) : parent_(parent) {
  previous_dialogs_ = CCommunicator::set_dialog_presenter(
      [this](CCommunicator::Dialog dialog, CCommunicator* comm) {
        if (dialog == CCommunicator::Dialog::kNameServer) {
          CommANSDialog(comm, parent_).exec();
        } else {
          CCommInfo(comm, parent_).exec();
        }
      });
  previous_display_config_ = CDisplayConfig::set_presenter(
      [this](CDisplayConfig& config) { CDDConfig(&config, parent_).exec(); });
}

CCommWindows::~CCommWindows() {
  CCommunicator::set_dialog_presenter(std::move(previous_dialogs_));
  CDisplayConfig::set_presenter(std::move(previous_display_config_));
}
