#include "RelaywickUi/commconsole.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "RelaywickUi/fieldtext.h"

CCommConsole::CCommConsole(QWidget* parent) : QDialog(parent), list_(new QListWidget) {
  setWindowTitle("Communicator Console");
  auto* close = new QPushButton("Close");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(close);
}

int CCommConsole::InsertString(int index, const char* text) {
  const int at = index < 0 || index > list_->count() ? list_->count() : index;
  list_->insertItem(at, field_text(text));
  list_->scrollToItem(list_->item(at));
  return at;
}
