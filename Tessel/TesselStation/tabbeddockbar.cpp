#include "TesselStation/tabbeddockbar.h"

#include <cassert>

#include "TesselStation/stationimages.h"

CTabbedDockBar::CTabbedDockBar(QWidget* parent) : CSizingDockBar(parent), tabs_(new QTabWidget) {
  tabs_->setObjectName(QString::number(kTabControlId));
  tabs_->setTabPosition(QTabWidget::South);
  setWidget(tabs_);
  QObject::connect(tabs_, &QTabWidget::currentChanged, tabs_,
                   [this](int index) { SetActiveView(index); });
}

bool CTabbedDockBar::AddView(const char* title, QWidget* view) {
  if (view == nullptr) return false;
  const std::string kept = std::string(title != nullptr ? title : "").substr(0, kMaxTitle);
  pages_.push_back({view, kept});
  const int index = static_cast<int>(pages_.size()) - 1;
  if (index == 0) {
    activeView_ = view;
  } else {
    view->setEnabled(false);
  }
  // Adding the first tab makes it current, which activates it.
  tabs_->blockSignals(true);
  tabs_->insertTab(index, view, stationimages::TabImage(index), QString::fromStdString(kept));
  tabs_->setCurrentIndex(active_);
  tabs_->blockSignals(false);
  return true;
}

void CTabbedDockBar::SetActiveView(int index) {
  assert(index >= -1);
  if (index == -1 || index == active_ || index >= static_cast<int>(pages_.size())) return;
  if (activeView_ != nullptr) activeView_->setEnabled(false);
  QWidget* view = pages_[static_cast<size_t>(index)].view;
  view->setEnabled(true);
  active_ = index;
  activeView_ = view;
  tabs_->blockSignals(true);
  tabs_->setCurrentIndex(index);
  tabs_->blockSignals(false);
  view->setFocus();
}
