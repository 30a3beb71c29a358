// Message boxes and Yes/No questions of the program and of the framework's
// windows: modal QMessageBox dialogs titled with the application's display
// name. Every box and question of a Qt program goes through show_box and
// ask_yes_no, so that unattended runs hold for all of them.
//
// Unattended runs (TESSEL_UNATTENDED=1 in the environment, for tests and
// demos without anyone at the screen): nothing is shown. A box prints the
// line "box: <text>" on standard output and counts as closed with OK; a
// question prints "question: <text>" and takes the next answer of
// TESSEL_ANSWERS, a comma-separated list of "yes" and "no" consumed in
// order by the process's questions, "no" once it runs out. Line breaks of the
// text print as blanks, so that each box is one line.
#pragma once

#include <QPointer>
#include <QWidget>

#include "Platform/messagesink.h"

namespace platform {

// True when the environment asks for an unattended run.
bool unattended();

// Shows `text` and returns when the box is closed. `parent` (not owned, may
// be null) centres the box over itself; MB_ICONSTOP in `type` shows the
// critical icon.
void show_box(QWidget* parent, const char* text, unsigned type = MB_OK);
// Asks `text` with the buttons Yes and No; true for Yes. Closing the box
// otherwise answers No.
bool ask_yes_no(QWidget* parent, const char* text);

// The framework's message boxes (platform::message_box) as show_box, once
// installed as the message sink.
class QtMessageBox : public MessageSink {
 public:
  // `parent` (not owned, may be null) centres the boxes over itself.
  explicit QtMessageBox(QWidget* parent = nullptr);

  // Returns when the user has closed the box.
  void show(const char* text, unsigned type) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace platform
