#include "RelaywickUi/commwindows.h"

#include <QPointer>
#include <QWidget>

#include "RelaywickUi/commansdialog.h"
#include "RelaywickUi/comminfo.h"
#include "RelaywickUi/ddconfig.h"

// The presenters hold the parent, not this object: one that is put back
// after its owner went stays harmless.
CCommWindows::CCommWindows(QWidget* parent) {
  const QPointer<QWidget> over(parent);
  previous_dialogs_ = CCommunicator::set_dialog_presenter(
      [over](CCommunicator::Dialog dialog, CCommunicator* comm) {
        if (dialog == CCommunicator::Dialog::kNameServer) {
          CommANSDialog(comm, over).exec();
        } else {
          CCommInfo(comm, over).exec();
        }
      });
  previous_display_config_ = CDisplayConfig::set_presenter(
      [over](CDisplayConfig& config) { CDDConfig(&config, over).exec(); });
}

CCommWindows::~CCommWindows() {
  CCommunicator::set_dialog_presenter(std::move(previous_dialogs_));
  CDisplayConfig::set_presenter(std::move(previous_display_config_));
}
