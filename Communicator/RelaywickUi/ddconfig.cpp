#include "RelaywickUi/ddconfig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Relaywick/displayconfig.h"

CDDConfig::CDDConfig(CDisplayConfig* config, QWidget* parent)
    : QDialog(parent),
      config_(config),
      agents_(new QComboBox),
      commit_(new QPushButton(CDisplayConfig::kCommitButton)),
      field_(new QLineEdit),
      disable_(new QCheckBox(CDisplayConfig::kDisableBox)) {
  setWindowTitle(CDisplayConfig::kCaption);
  agents_->setObjectName("agents");
  commit_->setObjectName("commit");
  field_->setObjectName("field");
  field_->setReadOnly(true);
  disable_->setObjectName("disable");
  for (const std::string& entry : config_->entries()) {
    agents_->addItem(QString::fromStdString(entry));
  }
  auto* ok = new QPushButton(CDisplayConfig::kOkButton);
  ok->setObjectName("ok");
  auto* cancel = new QPushButton(CDisplayConfig::kCancelButton);
  cancel->setObjectName("cancel");

  auto* layout = new QGridLayout(this);
  int row = 0;
  for (const char* line : CDisplayConfig::kExplanation) layout->addWidget(new QLabel(line), row++, 0, 1, 3);
  layout->addWidget(new QLabel(CDisplayConfig::kAgentLabel), row, 0);
  layout->addWidget(agents_, row, 1);
  layout->addWidget(commit_, row++, 2);
  layout->addWidget(field_, row++, 0, 1, 3);
  layout->addWidget(disable_, row, 0);
  layout->addWidget(ok, row, 1);
  layout->addWidget(cancel, row, 2);

  connect(agents_, &QComboBox::currentIndexChanged, this,
          [this](int index) { config_->set_selection(index); });
  connect(commit_, &QPushButton::clicked, this, [this] {
    config_->on_commit();
    show_state();
  });
  connect(disable_, &QCheckBox::clicked, this, [this] {
    config_->on_disable();
    show_state();
  });
  connect(ok, &QPushButton::clicked, this, [this] {
    config_->on_ok();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &CDDConfig::reject);
  show_state();
}

void CDDConfig::reject() {
  if (config_->is_open()) config_->on_cancel();
  QDialog::reject();
}

void CDDConfig::show_state() {
  agents_->setCurrentIndex(config_->get_selection());
  field_->setText(QString::fromStdString(config_->get_field()));
  disable_->setChecked(config_->is_disable_checked());
  agents_->setEnabled(config_->is_combo_enabled());
  commit_->setEnabled(config_->is_commit_enabled());
}
