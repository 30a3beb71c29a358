// Message boxes as modal QMessageBox dialogs with an OK button, titled with
// the application's display name; MB_ICONSTOP shows the critical icon.
#pragma once

#include <QPointer>
#include <QWidget>

#include "Platform/messagesink.h"

namespace platform {

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
