// Progress shown as a progress bar in a window: a bordered bar without text
// at (20, 20) to (280, 40) of the window while the task runs.
#pragma once

#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include "Platform/progress.h"

namespace platform {

class QtProgress : public Progress {
 public:
  // `window` is not owned; without one (or once it is gone) nothing is shown.
  explicit QtProgress(QWidget* window);
  // Removes a bar still shown.
  ~QtProgress() override;
  QtProgress(const QtProgress&) = delete;
  QtProgress& operator=(const QtProgress&) = delete;

  void begin(int low, int high, int step) override;
  // Moves the bar by the step, never beyond the end of the range, and paints
  // it at once: the task holds the event loop meanwhile.
  void step() override;
  void end() override;

  // The bar while shown, else null.
  QProgressBar* bar() const { return bar_; }

 private:
  QPointer<QWidget> window_;
  QPointer<QProgressBar> bar_;
  int step_ = 1;
};

}  // namespace platform
