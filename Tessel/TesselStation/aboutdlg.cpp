#include "TesselStation/aboutdlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "TesselStation/stationimages.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About TesselStation");
  auto* icon = new QLabel;
  icon->setPixmap(stationimages::StationIcon());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(new QLabel("TesselStation Version 3.10"), 0, 1);
  layout->addWidget(new QLabel("A station of the simulated defence exercise"), 1, 1);
  layout->addWidget(buttons, 2, 0, 1, 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}
