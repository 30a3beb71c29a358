#include "TesselStation/infopopupdlg.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>

namespace {

// Dialog units of Tahoma 8 in pixels: 6 horizontally and 13 vertically
// per 4 and 8 units.
QRect Units(int x, int y, int width, int height) {
  const auto h = [](int units) { return units * 6 / 4; };
  const auto v = [](int units) { return units * 13 / 8; };
  return QRect(h(x), v(y), h(width), v(height));
}

QLabel* Static(QWidget* parent, const QRect& at, const QString& text = QString()) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(at);
  return label;
}

}  // namespace

CInfoPopupDlg::CInfoPopupDlg(QWidget* parent)
    : QDialog(parent, Qt::Popup | Qt::FramelessWindowHint) {
  QFont tahoma("Tahoma");
  tahoma.setPointSize(8);
  setFont(tahoma);
  setFixedSize(Units(0, 0, 187, 84).size());
  icon_ = Static(this, Units(164, 2, 21, 20));
  icon_->setObjectName(QString::number(IDC_ICON));
  heading_ = Static(this, Units(2, 13, 160, 10));
  heading_->setObjectName(QString::number(IDC_HEADING));
  text_ = Static(this, Units(2, 24, 183, 52));
  text_->setObjectName(QString::number(IDC_TEXT));
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  for (QLabel* sunken : {heading_, text_}) sunken->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Static(this, Units(2, 76, 183, 8), "Click Window to Close")->setAlignment(Qt::AlignRight);
  Static(this, Units(2, 1, 155, 8), "Tessel Resource Information");
}

void CInfoPopupDlg::showEvent(QShowEvent* event) {
  heading_->setText(m_heading);
  text_->setText(m_text);
  if (!m_icon.isNull()) icon_->setPixmap(m_icon);
  move(QCursor::pos() - rect().center());
  QDialog::showEvent(event);
}

void CInfoPopupDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) done(1);
  QDialog::mousePressEvent(event);
}
