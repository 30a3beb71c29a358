// Test helpers for modal windows: code that runs inside the next modal
// window once its own event loop turns, and a closer for message boxes that
// notes what the box showed. Schedule them before the call that opens the
// window: that call returns only when the window is closed.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <typeinfo>

namespace testsupport {

// Runs `act` on the modal window of type T that is open when the event loop
// turns next; `act` must close it. Another window (or none) is a failure,
// and that window is closed, so that the test does not hang.
template <typename T>
void when_modal(std::function<void(T*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* window = dynamic_cast<T*>(modal);
    if (window == nullptr) {
      ADD_FAILURE() << "expected a modal " << typeid(T).name() << ", found "
                    << (modal != nullptr ? typeid(*modal).name() : "none");
      if (modal != nullptr) modal->close();
      return;
    }
    act(window);
  });
}

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* parent = nullptr;
  QMessageBox::StandardButtons buttons;
};

// Closes the next message box with `button` and notes what it showed.
inline void close_next_box(SeenBox* seen, QMessageBox::StandardButton button = QMessageBox::Ok) {
  when_modal<QMessageBox>([seen, button](QMessageBox* box) {
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    seen->parent = box->parentWidget();
    seen->buttons = box->standardButtons();
    box->button(button)->click();
  });
}

}  // namespace testsupport
