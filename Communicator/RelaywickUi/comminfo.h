// CCommInfo: the communicator information dialog: seven read-only texts,
// taken from the communicator when the dialog is made, and an OK button.
//
//   Communicator Version, Hostname/IP, Listening Port, ANS Server Hostname,
//   ANS Port, AgentName, Registration Status ("TRUE" / "FALSE")
//
// The communicator is read only by the constructor; a null one gives empty
// texts.
#pragma once

#include <QDialog>
#include <QString>

class CCommunicator;

class CCommInfo : public QDialog {
 public:
  // The labels, in the order of the rows.
  static constexpr const char* kLabels[7] = {
      "Communicator Version", "Hostname/IP", "Listening Port", "ANS Server Hostname",
      "ANS Port",             "AgentName",   "Registration Status"};

  CCommInfo(CCommunicator* comm, QWidget* parent = nullptr);

  // The text of row `row` (0 to 6).
  QString value(int row) const { return values_[row]; }

 private:
  QString values_[7];
};
