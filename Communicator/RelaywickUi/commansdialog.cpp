#include "RelaywickUi/commansdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

#include "PlatformQt/qtmessagebox.h"
#include "Relaywick/communicator.h"
#include "RelaywickUi/comminfo.h"
#include "RelaywickUi/fieldtext.h"
#include "Toolwick/numbers.h"

CommANSDialog::CommANSDialog(CCommunicator* comm, QWidget* parent)
    : QDialog(parent),
      comm_(comm),
      agent_name_(new QLineEdit),
      agent_port_(new QLineEdit),
      ans_server_(new QComboBox),
      ans_port_(new QLineEdit),
      choose_port_(new QCheckBox("Automatically assign port")),
      register_(new QPushButton("Register")) {
  setWindowTitle("Agent Name Server");
  agent_name_->setObjectName("agentName");
  agent_port_->setObjectName("agentPort");
  ans_server_->setObjectName("ansServer");
  ans_server_->setEditable(true);
  ans_port_->setObjectName("ansPort");
  choose_port_->setObjectName("choosePort");
  register_->setObjectName("register");
  if (comm_ != nullptr) {
    agent_port_->setText(field_number(static_cast<int>(comm_->get_port())));
    ans_port_->setText(field_number(static_cast<int>(comm_->get_ansport())));
    agent_name_->setText(field_text(comm_->get_name()));
  }

  auto* fields = new QFormLayout;
  fields->addRow("Agent Name:", agent_name_);
  fields->addRow("Agent Port:", agent_port_);
  fields->addRow("ANS Server:", ans_server_);
  fields->addRow("ANS Port:", ans_port_);
  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  ok->setObjectName("ok");
  buttons->addButton(register_, QDialogButtonBox::ActionRole);
  QPushButton* unregister = buttons->addButton("UnRegister", QDialogButtonBox::ActionRole);
  unregister->setObjectName("unregister");
  QPushButton* info = buttons->addButton("Info", QDialogButtonBox::ActionRole);
  info->setObjectName("info");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(choose_port_);
  layout->addWidget(buttons);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(register_, &QPushButton::clicked, this, [this] { OnAnsregister(); });
  connect(unregister, &QPushButton::clicked, this, [this] { OnAnsunregister(); });
  connect(info, &QPushButton::clicked, this, [this] { OnAnsinfo(); });
  connect(choose_port_, &QCheckBox::clicked, this, [this] { OnChooseport(); });
  OnInitDialog();
}

void CommANSDialog::OnInitDialog() {
  agent_port_->setReadOnly(true);
  // The server the agent was given comes first, when it names one.
  const char* configured = comm_ != nullptr ? comm_->get_ansname() : nullptr;
  if (configured != nullptr && *configured != '\0' &&
      std::strcmp(configured, CCommunicator::kUnknownAnsHost) != 0 &&
      std::strcmp(configured, "localhost") != 0) {
    ans_server_->addItem(QString::fromUtf8(configured));
  }
  ans_server_->addItem("localhost");
  ans_server_->setCurrentIndex(0);
  if (comm_ != nullptr && comm_->is_registered() == 1) lock_registration();
}

void CommANSDialog::OnAnsregister() {
  CLookupModule* ans = comm_ != nullptr ? comm_->retrieve_ans_object() : nullptr;
  if (ans == nullptr) {
    platform::show_box(this, kNoModuleText);
    return;
  }
  comm_->comm_setinfo(agent_name_->text().toUtf8().constData(),
                      static_cast<unsigned>(read_int(agent_port_->text().toUtf8().constData())));
  comm_->comm_setansinfo(ans_server_->currentText().toUtf8().constData(),
                         static_cast<unsigned>(read_int(ans_port_->text().toUtf8().constData())));
  // Enabling registers. A module that is enabled already (the agent's start
  // enables it, whether or not the server took the registration then) is
  // enabled afresh, so that the settings of the dialog are registered.
  if (ans->is_enabled() == 1) ans->enable(0);
  ans->enable(1);
  comm_->set_registered(ans->is_registered());
  if (ans->is_registered() != 1) {
    platform::show_box(this, kNotRegisteredText);
    return;
  }
  lock_registration();
}

void CommANSDialog::OnAnsunregister() { platform::show_box(this, kDisabledText); }

void CommANSDialog::OnAnsinfo() {
  CCommInfo info(comm_, this);
  info.exec();
}

void CommANSDialog::OnChooseport() { platform::show_box(this, kChoosePortText); }

void CommANSDialog::lock_registration() {
  ans_server_->setEnabled(false);
  register_->setEnabled(false);
  agent_port_->setReadOnly(true);
  ans_port_->setReadOnly(true);
  agent_name_->setReadOnly(true);
}
