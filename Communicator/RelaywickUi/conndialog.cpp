#include "RelaywickUi/conndialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Relaywick/clientsocket.h"
#include "Relaywick/communicator.h"
#include "Relaywick/serversocket.h"
#include "RelaywickUi/fieldtext.h"

namespace {

QTreeWidgetItem* add_item(QTreeWidgetItem* parent, const QString& text) {
  auto* item = new QTreeWidgetItem(parent, QStringList{text});
  return item;
}

}  // namespace

CConnDialog::CConnDialog(CCommunicator* comm, QWidget* parent)
    : QDialog(parent), tree_(new QTreeWidget) {
  setWindowTitle("Open Connections");
  tree_->setHeaderHidden(true);
  auto* text = new QLineEdit;
  text->setObjectName("text");
  auto* close = new QPushButton("Close ( )");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  layout->addWidget(text);
  layout->addWidget(close);
  fill(comm);
}

void CConnDialog::fill(CCommunicator* comm) {
  auto* root = new QTreeWidgetItem(tree_, QStringList{field_text(comm ? comm->get_name() : nullptr)});
  CServerSocket* server = comm != nullptr ? comm->get_server() : nullptr;
  CLList* sockets = server != nullptr ? server->get_sockets() : nullptr;
  for (CListElement* e = sockets ? sockets->get_element(0) : nullptr; e != nullptr;
       e = e->get_next()) {
    const auto* socket = static_cast<CSocketBase*>(e->get_content());
    if (socket == nullptr) continue;
    const auto* connection = dynamic_cast<const CClientSocket*>(socket);
    QTreeWidgetItem* item =
        add_item(root, QString::asprintf("descriptor: %ld", socket->get_descriptor()));
    add_item(item, field_text(socket->get_agentname()));
    add_item(item, QString::asprintf("portnumber: %d",
                                     connection ? static_cast<int>(connection->get_port()) : 0));
    QTreeWidgetItem* messages = add_item(item, "messages");
    add_item(messages, "incoming");
    add_item(messages, "outgoing");
  }
  tree_->expandAll();
}
