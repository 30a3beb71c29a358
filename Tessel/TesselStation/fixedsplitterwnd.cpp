#include "TesselStation/fixedsplitterwnd.h"

#include <QMouseEvent>
#include <QSplitterHandle>

namespace {

// A bar that the mouse cannot drag: its presses, releases, double clicks
// and moves go to the plain window handling.
class FixedHandle : public QSplitterHandle {
 public:
  FixedHandle(Qt::Orientation orientation, QSplitter* parent)
      : QSplitterHandle(orientation, parent) {
    setCursor(Qt::ArrowCursor);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override { QWidget::mousePressEvent(event); }
  void mouseReleaseEvent(QMouseEvent* event) override { QWidget::mouseReleaseEvent(event); }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QWidget::mouseDoubleClickEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override { QWidget::mouseMoveEvent(event); }
};

}  // namespace

CFixedSplitterWnd::CFixedSplitterWnd(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent) {}

QSplitterHandle* CFixedSplitterWnd::createHandle() {
  return new FixedHandle(orientation(), this);
}
