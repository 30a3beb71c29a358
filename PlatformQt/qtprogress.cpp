#include "PlatformQt/qtprogress.h"

#include <algorithm>

namespace platform {

QtProgress::QtProgress(QWidget* window) : window_(window) {}

QtProgress::~QtProgress() { end(); }

void QtProgress::begin(int low, int high, int step) {
  end();
  if (!window_) return;
  bar_ = new QProgressBar(window_);
  bar_->setGeometry(20, 20, 260, 20);
  bar_->setTextVisible(false);
  bar_->setRange(low, high);
  bar_->setValue(low);
  step_ = step;
  bar_->show();
  bar_->repaint();
}

void QtProgress::step() {
  if (!bar_) return;
  bar_->setValue(std::clamp(bar_->value() + step_, bar_->minimum(), bar_->maximum()));
  bar_->repaint();
}

void QtProgress::end() {
  delete bar_.data();  // the window may have taken it with it already
}

}  // namespace platform
