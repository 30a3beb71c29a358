#include "TesselStation/sizingdockbar.h"

#include <QMainWindow>
#include <QResizeEvent>

#include <algorithm>

CSizingDockBar::CSizingDockBar(QWidget* parent) : QDockWidget(parent) {
  setMinimumSize(kMinimumSize, kMinimumSize);
  setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  setAllowedAreas(Qt::AllDockWidgetAreas);
}

bool CSizingDockBar::Create(QMainWindow* frame, QSize defaultSize, int id) {
  if (frame == nullptr) return false;
  frame_ = frame;
  setParent(frame);
  setObjectName(QString::number(id));
  horizontal_ = vertical_ = floating_ = defaultSize.expandedTo({kMinimumSize, kMinimumSize});
  return true;
}

bool CSizingDockBar::IsHorizontal() const {
  if (isFloating() || frame_ == nullptr) return false;
  const Qt::DockWidgetArea area = frame_->dockWidgetArea(const_cast<CSizingDockBar*>(this));
  return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}

QSize CSizingDockBar::sizeHint() const {
  if (isFloating() || frame_ == nullptr) return floating_;
  return IsHorizontal() ? horizontal_ : vertical_;
}

void CSizingDockBar::resizeEvent(QResizeEvent* event) {
  QDockWidget::resizeEvent(event);
  // The user's new size is kept for the place the bar is in: its height
  // when docked horizontally, its width when docked vertically.
  const QSize size = event->size().expandedTo({kMinimumSize, kMinimumSize});
  if (isFloating() || frame_ == nullptr) {
    floating_ = size;
  } else if (IsHorizontal()) {
    horizontal_.setHeight(size.height());
  } else {
    vertical_.setWidth(size.width());
  }
}
