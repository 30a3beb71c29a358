#include "SidewickUi/progressdialog.h"

#include <QVBoxLayout>
#include <algorithm>

CProgressDialog::CProgressDialog(QWidget* parent)
    : CProgress(0, nullptr), dialog_(new QDialog(parent)) {
  label_ = new QLabel(dialog_);
  bar_ = new QProgressBar(dialog_);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  auto* layout = new QVBoxLayout(dialog_);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  dialog_->setModal(false);
}

CProgressDialog::~CProgressDialog() { delete dialog_.data(); }

void CProgressDialog::set_text(const char* text) {
  if (label_ == nullptr) return;
  label_->setText(text != nullptr ? QString::fromUtf8(text) : QString());
  paint();
}

void CProgressDialog::update(int position) {
  if (bar_ == nullptr) return;
  bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
  paint();
}

void CProgressDialog::set_range(int low, int high) {
  if (bar_ == nullptr) return;
  bar_->setRange(low, std::max(low, high));
  bar_->setValue(low);
  paint();
}

void CProgressDialog::reset() {
  if (bar_ == nullptr) return;
  bar_->setValue(bar_->minimum());
  paint();
}

void CProgressDialog::paint() {
  if (dialog_ != nullptr && dialog_->isVisible()) dialog_->repaint();
}
