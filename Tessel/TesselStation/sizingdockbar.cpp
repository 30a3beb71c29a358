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
  } else {
    const QWidget* client = frame_->centralWidget();
    const QSize area = client != nullptr ? client->size() : frame_->size();
    if (IsHorizontal()) {
      horizontal_.setHeight(Docked(size.height(), horizontal_.height(), area.height()));
    } else {
      vertical_.setWidth(Docked(size.width(), vertical_.width(), area.width()));
    }
  }
}

int CSizingDockBar::Docked(int wanted, int before, int client) const {
  return std::clamp(wanted, kMinimumSize, std::max(kMinimumSize, before + client));
}
