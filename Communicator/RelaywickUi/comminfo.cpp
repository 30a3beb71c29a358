#include "RelaywickUi/comminfo.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Relaywick/communicator.h"
#include "RelaywickUi/fieldtext.h"

CCommInfo::CCommInfo(CCommunicator* comm, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Communicator Information");
  if (comm != nullptr) {
    values_[0] = field_text(comm->getversion());
    values_[1] = field_text(comm->comm_get_ip());
    values_[2] = field_number(static_cast<int>(comm->get_port()));
    values_[3] = field_text(comm->get_ansname());
    values_[4] = field_number(static_cast<int>(comm->get_ansport()));
    values_[5] = field_text(comm->get_name());
    values_[6] = comm->is_registered() == 1 ? "TRUE" : "FALSE";
  }

  auto* rows = new QFormLayout;
  for (int row = 0; row < 7; ++row) {
    auto* field = new QLineEdit(values_[row]);
    field->setReadOnly(true);
    rows->addRow(kLabels[row], field);
  }
  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(rows);
  layout->addWidget(buttons);
}
