#include "PlatformQt/qtmessagebox.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace platform {

QtMessageBox::QtMessageBox(QWidget* parent) : parent_(parent) {}

void QtMessageBox::show(const char* text, unsigned type) {
  const QMessageBox::Icon icon =
      (type & 0xF0) == MB_ICONSTOP ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(icon, QGuiApplication::applicationDisplayName(), QString::fromUtf8(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

}  // namespace platform
