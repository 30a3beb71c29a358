// CAboutDlg: the "About TesselStation" box: the program's icon, name and
// version, and OK.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
