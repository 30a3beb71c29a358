#include "TesselStation/waitdialog.h"

#include <QLabel>
#include <QVBoxLayout>

CWaitDialog::CWaitDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setModal(false);
  auto* frame = new QFrame;
  frame->setFrameStyle(QFrame::Box | QFrame::Plain);
  auto* text = new QLabel(kText);
  text->setAlignment(Qt::AlignCenter);
  auto* inner = new QVBoxLayout(frame);
  inner->setContentsMargins(24, 16, 24, 16);
  inner->addWidget(text);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(frame);
}
