// CDDConfig: the window of the Showboard Configuration dialog, with which
// the display-agent client asks which display agent to use. The dialog's
// logic is CDisplayConfig's; this window shows its state and hands it the
// user's actions:
//
//   You indicated that you would like to make use of Showboard
//   services. Please provide the name below by which the agent
//   is known with the ANS.
//   Showboard Agent [combo      ] [Commit]   [field: current name]
//   [ ] Disable                  [OK] [Cancel]
//
// The logic object is not owned and must outlive the window.
#pragma once

#include <QDialog>

class CDisplayConfig;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CDDConfig : public QDialog {
 public:
  // `config` has been opened (CDisplayConfig::DoModal runs the presenter).
  CDDConfig(CDisplayConfig* config, QWidget* parent = nullptr);

  // Closing the window otherwise than by OK cancels.
  void reject() override;

 private:
  void show_state();

  CDisplayConfig* config_;
  QComboBox* agents_;
  QPushButton* commit_;
  QLineEdit* field_;
  QCheckBox* disable_;
};
