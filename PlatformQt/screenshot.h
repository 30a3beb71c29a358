// Screenshots as PNG files.
#pragma once

#include <QImage>
#include <QWidget>

namespace platform {

// False when the file cannot be written.
bool save_png(const QImage& image, const char* path);
// The widget as it is painted now, children included.
bool save_png(QWidget* widget, const char* path);

}  // namespace platform
