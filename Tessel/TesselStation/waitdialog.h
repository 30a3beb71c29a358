// CWaitDialog: the modeless notice "Please wait while the simulation
// starts", a small window without caption over the main frame, shown while
// the simulation sets up.
#pragma once

#include <QDialog>

class CWaitDialog : public QDialog {
 public:
  static constexpr const char* kText = "Please wait while the simulation starts";

  explicit CWaitDialog(QWidget* parent = nullptr);
};
