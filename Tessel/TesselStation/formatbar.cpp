#include "TesselStation/formatbar.h"

#include <QAction>
#include <QComboBox>
#include <QDebug>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>

#include "TesselStation/stationimages.h"

namespace {

QComboBox* Box(unsigned id, int characters, const QFontMetrics& metrics) {
  auto* box = new QComboBox;
  box->setObjectName(QString::number(id));
  box->setMinimumWidth(metrics.averageCharWidth() * characters);
  box->setMaxVisibleItems(16);
  return box;
}

}  // namespace

CFormatBar::CFormatBar(CFormatBarOwner& owner, QWidget* parent)
    : QToolBar("Format", parent), owner_(owner) {
  setObjectName(QString::number(IDR_FORMATBAR));
  const QFontMetrics metrics(font());
  names_ = Box(ID_FONT_NAME, 36, metrics);
  names_->setToolTip("Font");
  names_->setStatusTip("Changes the font");
  names_->addItems(QFontDatabase::families());
  names_->setCurrentIndex(-1);
  sizes_ = Box(ID_FONT_SIZE, 10, metrics);
  sizes_->setToolTip("Font Size");
  sizes_->setStatusTip("Changes the font size");
  sizes_->setEditable(true);
  sizes_->setInsertPolicy(QComboBox::NoInsert);
  sizes_->lineEdit()->setMaxLength(kMaxSizeText);
  for (const int size : kSizes) sizes_->addItem(QString::number(size));
  sizes_->setCurrentIndex(-1);
  addWidget(names_);
  addWidget(sizes_);

  bold_ = addAction(stationimages::ToolButton(stationimages::Button::bold), "");
  bold_->setStatusTip("Makes the font bold");
  italic_ = addAction(stationimages::ToolButton(stationimages::Button::italic), "Italic");
  italic_->setStatusTip("Makes the font italic");
  italic_->setToolTip("Italic");
  for (QAction* button : {bold_, italic_}) button->setCheckable(true);

  connect(names_, &QComboBox::activated, this, [this] { OnFontNameChosen(); });
  connect(sizes_, &QComboBox::activated, this, [this] { OnFontSizeChosen(); });
  for (QObject* box : {static_cast<QObject*>(names_), static_cast<QObject*>(sizes_),
                       static_cast<QObject*>(sizes_->lineEdit())}) {
    box->installEventFilter(this);
  }
}

void CFormatBar::OnFontNameChosen() {
  if (names_->currentIndex() < 0) return;
  CCharFormat format;
  format.mask = CCharFormat::CFM_FACE;
  format.face = names_->currentText().toStdString().substr(0, CCharFormat::kMaxFace);
  owner_.OnSetFormat(format);
}

void CFormatBar::OnFontSizeChosen() {
  const int size = sizes_->currentText().left(kMaxSizeText + 1).toInt();
  if (size <= 0) return;
  CCharFormat format;
  format.mask = CCharFormat::CFM_SIZE;
  format.height = size * 20;
  owner_.OnSetFormat(format);
}

bool CFormatBar::IsEditing() const {
  return names_->hasFocus() || sizes_->hasFocus() || sizes_->lineEdit()->hasFocus();
}

void CFormatBar::OnUpdateCmdUI() {
  if (IsEditing()) return;
  CCharFormat format;
  if (!owner_.OnGetFormat(&format)) {
    qDebug("The Rich Edit View/Control has to handle the FN_GETFORMAT\n"
           "notification for the Format Bar to work properly\n");
    return;
  }
  const unsigned face = CCharFormat::CFM_FACE | CCharFormat::CFM_CHARSET;
  if ((format.mask & face) != face) {
    names_->setCurrentIndex(-1);
  } else if (names_->currentText() != QString::fromStdString(format.face)) {
    names_->setCurrentIndex(names_->findText(QString::fromStdString(format.face)));
  }
  const bool sized = (format.mask & CCharFormat::CFM_SIZE) != 0;
  const int size = sized ? format.height / 20 : 0;
  if (sizes_->currentText().toInt() == size) return;
  sizes_->setCurrentIndex(-1);
  sizes_->setEditText(sized ? QString::number(size) : QString());
}

bool CFormatBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QToolBar::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (!enter && key != Qt::Key_Escape) return QToolBar::eventFilter(watched, event);
  if (enter) {
    if (watched == names_) OnFontNameChosen();
    if (watched == sizes_ || watched == sizes_->lineEdit()) OnFontSizeChosen();
  }
  owner_.OnBarReturn();
  return true;
}
