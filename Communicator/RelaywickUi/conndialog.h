// CConnDialog: the "Open Connections" dialog: a tree of the communicator's
// connections, filled when the dialog is made, a text field and a button
// "Close ( )".
//
//   <agent name>
//     descriptor: 0
//       <the connection's agent name>
//       portnumber: 6678
//       messages
//         incoming
//         outgoing
//
// The communicator is read only by the constructor (null: an empty root).
#pragma once

#include <QDialog>

class CCommunicator;
class QTreeWidget;

class CConnDialog : public QDialog {
 public:
  CConnDialog(CCommunicator* comm, QWidget* parent = nullptr);

  QTreeWidget* tree() const { return tree_; }

 private:
  void fill(CCommunicator* comm);

  QTreeWidget* tree_;
};
