// CommANSDialog: the name-server dialog of the communicator. It shows the
// agent's name and port and the name server's host and port, and registers
// the agent with the server the user chose.
//
//   Agent Name: [......]   Agent Port: [....] (read-only)
//   ANS Server: [combo ]   ANS Port:   [....]
//   [x] Automatically assign port
//   [OK] [Register] [UnRegister] [Info]
//
// While the agent is registered it shows the values but allows no change.
// The communicator is not owned and must outlive the dialog; a null one
// shows empty fields and cannot register.
#pragma once

#include <QDialog>

class CCommunicator;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CommANSDialog : public QDialog {
 public:
  static constexpr const char* kNoModuleText = "Pointer to ANS module is NULL";
  static constexpr const char* kNotRegisteredText =
      "Unable to register with the ANS. Please check the ANS Name and try again";
  static constexpr const char* kDisabledText = "This method is temporarily disabled";
  static constexpr const char* kChoosePortText =
      "This method is temporarily disabled\n to allow testing of dynamic port assignment";

  CommANSDialog(CCommunicator* comm, QWidget* parent = nullptr);

  // The buttons' handlers.
  // Takes the fields over into the communicator and registers the agent with
  // the chosen server; the fields are locked once it is registered.
  void OnAnsregister();
  // Says that unregistering is disabled; nothing changes.
  void OnAnsunregister();
  // The communicator information dialog, modal.
  void OnAnsinfo();
  // Says that the automatic port is disabled.
  void OnChooseport();

 private:
  // What opening does: the server choices, and the lock while registered.
  void OnInitDialog();
  void lock_registration();

  CCommunicator* comm_;
  QLineEdit* agent_name_;
  QLineEdit* agent_port_;
  QComboBox* ans_server_;
  QLineEdit* ans_port_;
  QCheckBox* choose_port_;
  QPushButton* register_;
};
