#include "TesselStation/chatframe.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>

#include "TesselStationCore/chatdoc.h"
#include "TesselStationCore/teammember.h"

// --- History

CChatView::CChatView(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  QPalette colours = palette();
  colours.setColor(QPalette::Base, QColor::fromRgb(kBackground));
  setPalette(colours);
}

void CChatView::ShowRecord(const CChatRecord& record) {
  QTextCursor at(document());
  at.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setFont(font());
  format.setFontWeight(bold_ ? QFont::Bold : QFont::Normal);
  format.setFontItalic(italic_);
  const COLORREF colour =
      record.author != nullptr ? record.author->GetColour() : CTeamMember::kNoSideColour;
  format.setForeground(QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
  const char* author = record.author != nullptr ? record.author->GetName() : "";
  QString text =
      QString::fromUtf8(record.text.data(), static_cast<qsizetype>(record.text.size()));
  if (text.size() > kMaxShownText) text = text.left(kMaxShownText) + QChar(0x2026);
  const int before = document()->blockCount();
  at.insertText(QString::fromUtf8(author) + ": " + text, format);
  at.insertText("\n", format);
  blocks_.push_back(document()->blockCount() - before);
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void CChatView::KeepLast(size_t count) {
  int blocks = 0;
  for (; blocks_.size() > count; blocks_.pop_front()) blocks += blocks_.front();
  if (blocks == 0) return;
  QTextCursor from(document());
  from.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, blocks);
  from.removeSelectedText();
}

void CChatView::Clear() {
  clear();
  blocks_.clear();
}

void CChatView::focusInEvent(QFocusEvent* event) {
  QTextEdit::focusInEvent(event);
  if (input_ != nullptr) input_->setFocus();
}

// --- Input

CChatTextView::CChatTextView(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
  setLineWrapMode(QTextEdit::NoWrap);
}

void CChatTextView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onEnter_) {
    onEnter_();
    return;
  }
  QTextEdit::keyPressEvent(event);
}

// --- Frame

CChatFrame::CChatFrame(CChatDoc& chat, QWidget* parent)
    : QMainWindow(parent),
      chat_(chat),
      formatBar_(new CFormatBar(*this)),
      splitter_(new QSplitter(Qt::Vertical)),
      history_(new CChatView),
      input_(new CChatTextView) {
  setWindowTitle(kTitle);
  // No close button: the window stays while the station runs.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    setGeometry(FrameGeometry(screen->geometry()));
  }
  font_ = history_->font();
  splitter_->addWidget(history_);
  splitter_->addWidget(input_);
  splitter_->setChildrenCollapsible(false);
  const int client = height();
  splitter_->setSizes({std::max(0, client - kInputHeight), kInputHeight});
  setCentralWidget(splitter_);
  history_->SetInput(input_);
  input_->SetOnEnter([this] { SendInput(); });

  addToolBar(Qt::TopToolBarArea, formatBar_);
  connect(formatBar_->GetBold(), &QAction::triggered, this, [this] { OnBold(); });
  connect(formatBar_->GetItalic(), &QAction::triggered, this, [this] { OnItalic(); });
  // The bar shows the input pane's font wherever its cursor goes.
  connect(input_, &QTextEdit::cursorPositionChanged, formatBar_,
          [this] { formatBar_->OnUpdateCmdUI(); });
  formatBar_->OnUpdateCmdUI();
}

QRect CChatFrame::FrameGeometry(QRect screen) {
  const int h = screen.height() / 4;
  return QRect(screen.left(), screen.top() + 3 * h - h / 8, screen.width(), h);
}

void CChatFrame::ShowLastRecord() {
  if (chat_.GetRecords().empty()) return;
  history_->ShowRecord(chat_.GetRecords().back());
  history_->KeepLast(chat_.GetRecords().size());
}

void CChatFrame::ClearChat() {
  history_->Clear();
  history_->setFont(font_);
  input_->setFont(font_);
}

void CChatFrame::RedisplayChat() {
  ClearChat();
  for (const CChatRecord& record : chat_.GetRecords()) history_->ShowRecord(record);
}

void CChatFrame::SendInput() {
  input_->selectAll();
  QString typed = input_->textCursor().selectedText();
  typed.replace(QChar::ParagraphSeparator, '\n');
  const QByteArray bytes = typed.toUtf8();
  if (chat_.SendLine(bytes.constData(), static_cast<size_t>(bytes.size()))) ShowLastRecord();
  QTextCursor cursor = input_->textCursor();
  cursor.removeSelectedText();
  input_->setTextCursor(cursor);
}

void CChatFrame::OnBold() {
  history_->SetBold(formatBar_->GetBold()->isChecked());
  RedisplayChat();
}

void CChatFrame::OnItalic() {
  history_->SetItalic(formatBar_->GetItalic()->isChecked());
  RedisplayChat();
}

bool CChatFrame::OnGetFormat(CCharFormat* format) {
  const QFont font = input_->font();
  format->mask = CCharFormat::CFM_FACE | CCharFormat::CFM_CHARSET | CCharFormat::CFM_SIZE |
                 CCharFormat::CFM_BOLD | CCharFormat::CFM_ITALIC;
  format->effects = (font.bold() ? CCharFormat::CFE_BOLD : 0u) |
                    (font.italic() ? CCharFormat::CFE_ITALIC : 0u);
  format->height = static_cast<int>(font.pointSizeF() * 20);
  format->face = font.family().toStdString().substr(0, CCharFormat::kMaxFace);
  return true;
}

void CChatFrame::OnSetFormat(const CCharFormat& format) {
  if ((format.mask & CCharFormat::CFM_FACE) != 0) {
    font_.setFamilies({QString::fromStdString(format.face)});
  }
  if ((format.mask & CCharFormat::CFM_SIZE) != 0 && format.height > 0) {
    font_.setPointSizeF(format.height / 20.0);
  }
  RedisplayChat();
}

void CChatFrame::OnBarReturn() { input_->setFocus(); }

void CChatFrame::closeEvent(QCloseEvent* event) { event->ignore(); }
