#include "TesselStation/adminpropsheet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AgentwickUi/parsertree.h"
#include "RelaywickUi/fieldtext.h"
#include "TesselStation/conversationlog.h"

namespace {

template <typename Control>
Control* Named(Control* control, int id) {
  control->setObjectName(QString::number(id));
  return control;
}

QLineEdit* PortField(int id) {
  auto* field = Named(new QLineEdit, id);
  field->setValidator(new QIntValidator(0, 65535, field));
  return field;
}

}  // namespace

// --- Communication settings

CDlgPropCommSettings::CDlgPropCommSettings(CTesselStationDoc& document, QWidget* parent)
    : QWidget(parent),
      model_(document),
      agents_(Named(new QListWidget, IDC_AGENTS)),
      agentName_(Named(new QComboBox, IDC_AGENT)),
      server_(Named(new QLineEdit, IDC_SERVER)),
      serverPort_(PortField(IDC_SERVER_PORT)),
      agentPort_(PortField(IDC_AGENT_PORT)),
      register_(Named(new QPushButton("Register"), IDC_REGISTER)),
      unregister_(Named(new QPushButton("UnRegister"), IDC_UNREGISTER)) {
  agents_->setSortingEnabled(true);
  agentName_->setEditable(true);
  agentName_->setInsertPolicy(QComboBox::NoInsert);
  agentName_->addItems({"Alpha", "Bravo", "Charlie"});

  auto* registered = new QGroupBox("Registered Agents");
  (new QVBoxLayout(registered))->addWidget(agents_);
  auto* serverGroup = new QGroupBox("Agent Name Server Settings");
  auto* serverFields = new QFormLayout(serverGroup);
  serverFields->addRow("Server", server_);
  serverFields->addRow("Port", serverPort_);
  auto* agentFields = new QFormLayout;
  agentFields->addRow("Agent", agentName_);
  agentFields->addRow("Port", agentPort_);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(register_);
  buttons->addWidget(unregister_);
  buttons->addStretch();
  auto* layout = new QGridLayout(this);
  layout->addWidget(registered, 0, 0, 3, 1);
  layout->addWidget(serverGroup, 0, 1);
  layout->addLayout(agentFields, 1, 1);
  layout->addLayout(buttons, 2, 1);

  connect(register_, &QPushButton::clicked, this, [this] { OnRegister(); });
  connect(unregister_, &QPushButton::clicked, this, [this] { OnUnRegister(); });
  UpdateData(false);
}

void CDlgPropCommSettings::UpdateData(bool save) {
  if (save) {
    model_.SetAgentName(agentName_->currentText().toUtf8().constData());
    model_.SetServerHost(server_->text().toUtf8().constData());
    model_.SetServerPort(serverPort_->text().toInt());
    return;
  }
  agentName_->setEditText(field_text(model_.GetAgentName()));
  server_->setText(field_text(model_.GetServerHost()));
  serverPort_->setText(QString::number(model_.GetServerPort()));
  agentPort_->setText(QString::number(model_.GetAgentPort()));
}

void CDlgPropCommSettings::SetControls() {
  register_->setEnabled(model_.CanRegister());
  unregister_->setEnabled(model_.CanUnregister());
  server_->setReadOnly(model_.IsServerReadOnly());
  serverPort_->setReadOnly(model_.IsServerReadOnly());
  agentName_->setEnabled(model_.IsAgentNameEnabled());
  agentPort_->setReadOnly(true);
  agents_->clear();
  for (const std::string& name : model_.GetRegisteredAgents()) {
    agents_->addItem(QString::fromStdString(name));
  }
}

void CDlgPropCommSettings::OnSetActive() {
  model_.OnSetActive();
  SetControls();
}

void CDlgPropCommSettings::OnRegister() {
  UpdateData(true);
  model_.OnRegister();
  if (!model_.IsRegistered()) return;
  SetControls();
  UpdateData(false);
}

void CDlgPropCommSettings::OnUnRegister() {
  model_.OnUnRegister();
  SetControls();
}

// --- Conversation log

CDlgPropConversation::CDlgPropConversation(const CConversationLog& log, QWidget* parent)
    : QWidget(parent),
      incoming_(Named(new QListWidget, IDC_INCOMING_LIST)),
      outgoing_(Named(new QListWidget, IDC_OUTGOING_LIST)),
      incomingTree_(Named(new CParserTree, IDC_INCOMING_TREE)),
      outgoingTree_(Named(new CParserTree, IDC_OUTGOING_TREE)) {
  auto* clearIncoming = Named(new QPushButton("Clear"), IDC_CLEAR_INCOMING);
  auto* clearOutgoing = Named(new QPushButton("Clear"), IDC_CLEAR_OUTGOING);
  const auto side = [](const char* title, QListWidget* list, QPushButton* clear,
                       CParserTree* tree) {
    auto* group = new QGroupBox(title);
    auto* layout = new QGridLayout(group);
    layout->addWidget(list, 0, 0);
    layout->addWidget(clear, 1, 0, Qt::AlignLeft);
    layout->addWidget(tree, 0, 1, 2, 1);
    return group;
  };
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(side("Incoming Messages", incoming_, clearIncoming, incomingTree_));
  layout->addWidget(side("Outgoing Message", outgoing_, clearOutgoing, outgoingTree_));

  connect(incoming_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ShowTree(incomingTree_, item->text()); });
  connect(outgoing_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ShowTree(outgoingTree_, item->text()); });
  connect(clearIncoming, &QPushButton::clicked, this,
          [this] { Clear(incoming_, incomingTree_); });
  connect(clearOutgoing, &QPushButton::clicked, this,
          [this] { Clear(outgoing_, outgoingTree_); });

  for (const std::string& text : log.GetIncoming()) ShowIncomingMessage(text.c_str());
  for (const CConversationLog::Outgoing& sent : log.GetOutgoing()) {
    ShowOutgoingMessage(sent.performative.c_str(), sent.receiver.c_str(), sent.content.c_str());
  }
}

void CDlgPropConversation::ShowIncomingMessage(const char* text) {
  Show(incoming_, incomingTree_, field_text(text));
}

void CDlgPropConversation::ShowOutgoingMessage(const char* performative, const char* receiver,
                                               const char* content) {
  Show(outgoing_, outgoingTree_,
       QString("(%1 :receiver %2 :content (%3))")
           .arg(field_text(performative), field_text(receiver), field_text(content)));
}

void CDlgPropConversation::Show(QListWidget* list, CParserTree* tree, const QString& text) {
  list->addItem(text);
  list->setCurrentRow(list->count() - 1);
  ShowTree(tree, text);
}

void CDlgPropConversation::ShowTree(CParserTree* tree, const QString& text) {
  QTreeWidgetItem* root = tree->ShowTree(text.toUtf8().constData());
  if (root == nullptr) return;
  root->setExpanded(!root->isExpanded());
  for (int i = 0; i < root->childCount(); ++i) {
    QTreeWidgetItem* child = root->child(i);
    const QString field = child->text(0);
    if (field == ":sender" || field == ":receiver" || field == ":content") {
      child->setExpanded(true);
    }
  }
}

void CDlgPropConversation::Clear(QListWidget* list, CParserTree* tree) {
  list->clear();
  tree->clear();
}

// --- The sheet

CAdminPropSheet::CAdminPropSheet(const char* caption, CTesselStationDoc& document,
                                 const CConversationLog& log, QWidget* parent)
    : QDialog(parent),
      tabs_(new QTabWidget),
      comm_(new CDlgPropCommSettings(document)),
      conversation_(new CDlgPropConversation(log)) {
  setWindowTitle(field_text(caption));
  tabs_->tabBar()->setExpanding(false);  // the tabs stay in one row
  tabs_->addTab(comm_, "Communication Settings");
  tabs_->addTab(conversation_, "Conversation Log");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (tabs_->widget(index) == comm_) comm_->OnSetActive();
  });
}

void CAdminPropSheet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The page shown first becomes active with the sheet.
  if (tabs_->currentWidget() == comm_) comm_->OnSetActive();
}
