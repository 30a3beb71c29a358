#include "TesselStation/tesselstationview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "TesselStation/adminpropsheet.h"
#include "TesselStation/stationimages.h"
#include "TesselStation/viewportdc.h"

CTesselStationView::CTesselStationView(CTesselStationDoc& document, CMainFrameModel& frame,
                                       const CConversationLog& log, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      log_(log),
      model_(document, frame, windowDC_) {
  viewport()->setMouseTracking(true);
  // Every paint covers the whole window.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  OnInitialUpdate();
}

void CTesselStationView::OnInitialUpdate() {
  model_.OnInitialUpdate();
  UpdateScrollBars();
}

void CTesselStationView::TellGeometry() {
  model_.SetClientSize(CSize(viewport()->width(), viewport()->height()));
  model_.SetScrollPosition(CPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void CTesselStationView::UpdateScrollBars() {
  const CSize total = model_.GetTotalSize();
  const CSize line = model_.GetLineSize();
  const QSize page = viewport()->size();
  const auto set = [](QScrollBar* bar, int total, int page, int line) {
    const int maximum = std::max(0, total - page);
    if (bar->maximum() != maximum) bar->setRange(0, maximum);
    bar->setPageStep(std::max(1, page));
    bar->setSingleStep(std::max(1, line));
  };
  set(horizontalScrollBar(), total.cx, page.width(), line.cx);
  set(verticalScrollBar(), total.cy, page.height(), line.cy);
}

void CTesselStationView::Draw() {
  TellGeometry();
  const QRect visible(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()),
                      viewport()->size().expandedTo(QSize(1, 1)));
  if (picture_.size() != visible.size()) picture_ = QImage(visible.size(), QImage::Format_RGB32);
  CViewportDC dc(&picture_, CPoint(visible.left(), visible.top()));
  model_.OnDraw(&dc, CRect(visible.left(), visible.top(), visible.right() + 1,
                           visible.bottom() + 1));
}

QImage CTesselStationView::GetPicture() {
  Draw();
  return picture_;
}

void CTesselStationView::paintEvent(QPaintEvent* /*event*/) {
  Draw();
  QPainter painter(viewport());
  painter.drawImage(QPoint(0, 0), picture_);
  painter.end();
  // Drawing set the sizes of the map as it is now.
  UpdateScrollBars();
}

void CTesselStationView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  TellGeometry();
  UpdateScrollBars();
}

void CTesselStationView::scrollContentsBy(int /*dx*/, int /*dy*/) {
  TellGeometry();
  viewport()->update();
}

void CTesselStationView::mouseMoveEvent(QMouseEvent* event) {
  TellGeometry();
  const QPoint at = event->position().toPoint();
  model_.OnMouseMove(CPoint(at.x(), at.y()));
  viewport()->setCursor(stationimages::UnitCursor(model_.OnSetCursor()));
}

void CTesselStationView::mousePressEvent(QMouseEvent* event) {
  TellGeometry();
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    model_.OnLButtonDown(CPoint(at.x(), at.y()));
  } else if (event->button() == Qt::RightButton) {
    const QPoint screen = viewport()->mapToGlobal(at);
    model_.OnRButtonDown(CPoint(at.x(), at.y()), CPoint(screen.x(), screen.y()));
  }
}

void CTesselStationView::OnEditSettings() {
  CAdminPropSheet sheet(kSettingsCaption, document_, log_, this);
  adminSheet_ = &sheet;
  sheet.exec();
  sheet.GetCommSettings()->Apply();
  adminSheet_ = nullptr;
  viewport()->update();
}
