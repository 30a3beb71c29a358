#include "PlatformQt/screenshot.h"

#include <QPixmap>

namespace platform {

bool save_png(const QImage& image, const char* path) {
  return !image.isNull() && image.save(QString::fromUtf8(path), "PNG");
}

bool save_png(QWidget* widget, const char* path) {
  return widget != nullptr && save_png(widget->grab().toImage(), path);
}

}  // namespace platform
