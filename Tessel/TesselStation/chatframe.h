// The chat window: the lines that the station exchanges with its teammates
// in the history pane above, each under its author's name and in its
// author's colour, the operator's line in the input pane below, and the
// format bar that sets the font of both panes and whether the history shows
// bold or italic. Enter in the input pane sends the line to the team.
//
// The window shows the CChatDoc it is given (not owned; it must outlive the
// window) and cannot be closed by the operator: the program hides and
// deletes it.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <QTextEdit>

#include <deque>
#include <functional>

#include "TesselStation/formatbar.h"

class CChatDoc;
struct CChatRecord;
class QSplitter;

// The history pane: read-only, dark blue. The focus it gets goes on to the
// input pane. Lines wrap between words, and within a word too long for the
// pane.
class CChatView : public QTextEdit {
 public:
  static constexpr QRgb kBackground = 0xFF000080;
  // A line shows at most this many characters of its text, then "…": laying
  // out a megabyte of text would hold the window for a minute. The record
  // keeps the whole text.
  static constexpr qsizetype kMaxShownText = 4096;

  explicit CChatView(QWidget* parent = nullptr);

  // Appends "author: text" and a line end in the author's colour, bold and
  // italic as the flags say, and scrolls down to it.
  void ShowRecord(const CChatRecord& record);
  // Only the last `count` lines shown stay: the chat let the others go.
  void KeepLast(size_t count);
  // No line shown.
  void Clear();
  // The flags take effect when the lines are shown anew.
  void SetBold(bool bold) { bold_ = bold; }
  void SetItalic(bool italic) { italic_ = italic; }
  void SetInput(QWidget* input) { input_ = input; }

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  bool bold_ = false;
  bool italic_ = false;
  QWidget* input_ = nullptr;
  std::deque<int> blocks_;  // the text blocks of each line shown, oldest first
};

// The input pane: plain text without word wrap; Enter runs `onEnter`.
class CChatTextView : public QTextEdit {
 public:
  explicit CChatTextView(QWidget* parent = nullptr);
  void SetOnEnter(std::function<void()> onEnter) { onEnter_ = std::move(onEnter); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<void()> onEnter_;
};

class CChatFrame : public QMainWindow, public CFormatBarOwner {
 public:
  static constexpr const char* kTitle = "Chat Window";
  // The input pane's height at first.
  static constexpr int kInputHeight = 100;

  explicit CChatFrame(CChatDoc& chat, QWidget* parent = nullptr);

  // A quarter of the screen's height, all its width, low on the screen.
  static QRect FrameGeometry(QRect screen);

  // The chat's last record, appended to the history.
  void ShowLastRecord();
  // The history emptied (the chat's records are the caller's to clear).
  void ClearChat();
  // The history shown anew from the chat's records.
  void RedisplayChat();
  // Enter in the input pane: its whole text shown under the station's own
  // name and sent to the team; the input pane empties.
  void SendInput();
  // The bold and italic buttons.
  void OnBold();
  void OnItalic();

  // --- CFormatBarOwner: the input pane's face and size; a format set goes
  // to both panes and the history is shown anew.
  bool OnGetFormat(CCharFormat* format) override;
  void OnSetFormat(const CCharFormat& format) override;
  // Enter or Escape in a box of the bar: the operator goes back to typing.
  void OnBarReturn() override;

  CChatView* GetHistory() const { return history_; }
  CChatTextView* GetInput() const { return input_; }
  CFormatBar* GetFormatBar() const { return formatBar_; }

 protected:
  // The operator cannot close the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  CChatDoc& chat_;
  QFont font_;
  CFormatBar* formatBar_;
  QSplitter* splitter_;
  CChatView* history_;
  CChatTextView* input_;
};
