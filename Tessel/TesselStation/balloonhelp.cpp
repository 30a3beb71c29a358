#include "TesselStation/balloonhelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

#include "RelaywickUi/fieldtext.h"

namespace {

// The gap between the header's parts, and between header and content.
constexpr int kGap = 8;
constexpr int kCornerRadius = 12;

int CaptionButtonSize(const QStyle* style) {
  const int size = style->pixelMetric(QStyle::PM_TitleBarButtonSize);
  return size > 0 ? size : 16;
}

// The rounded body and the tail, as one outline.
QPainterPath Shape(int quadrant, QSize size, const std::array<QPoint, 3>& tail) {
  const bool tailUp = quadrant < 2;
  const QRectF body(0, tailUp ? CBalloonHelp::kTailBand : 0, size.width(),
                    size.height() - CBalloonHelp::kTailBand);
  QPainterPath rounded;
  rounded.addRoundedRect(body, kCornerRadius, kCornerRadius);
  QPainterPath point;
  point.addPolygon(QPolygonF(QPolygon({tail[0], tail[1], tail[2]})));
  point.closeSubpath();
  return rounded.united(point);
}

}  // namespace

CBalloonHelp::CBalloonHelp()
    : background_(QApplication::palette().color(QPalette::ToolTipBase)),
      foreground_(QApplication::palette().color(QPalette::ToolTipText)) {
  titleFont_ = font();
  titleFont_.setBold(true);
  contentFont_ = font();
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { close(); });
}

CBalloonHelp::~CBalloonHelp() { qApp->removeEventFilter(this); }

CBalloonHelp* CBalloonHelp::LaunchBalloon(const char* title, const char* content, QPoint anchor,
                                          const char* iconName, unsigned options,
                                          QWidget* parent, const char* url, int timeoutMs) {
  auto* balloon = new CBalloonHelp;
  QPixmap icon;
  if (iconName != nullptr) {
    const QString name = QString::fromUtf8(iconName);
    const QStyle* style = balloon->style();
    const int size =
        std::min(CaptionButtonSize(style), style->pixelMetric(QStyle::PM_SmallIconSize));
    QIcon shared = name == "information" ? style->standardIcon(QStyle::SP_MessageBoxInformation)
                   : name == "warning"   ? style->standardIcon(QStyle::SP_MessageBoxWarning)
                   : name == "error"     ? style->standardIcon(QStyle::SP_MessageBoxCritical)
                   : name == "question"  ? style->standardIcon(QStyle::SP_MessageBoxQuestion)
                                         : QIcon::fromTheme(name);
    icon = shared.pixmap(size, size);
  }
  if (!balloon->Create(title, content, anchor, options | kDeleteThisOnClose, parent, url,
                       timeoutMs, icon)) {
    delete balloon;
    return nullptr;
  }
  return balloon;
}

bool CBalloonHelp::Create(const char* title, const char* content, QPoint anchor,
                          unsigned options, QWidget* parent, const char* url, int timeoutMs,
                          const QPixmap& icon) {
  fades_ = QApplication::isEffectEnabled(Qt::UI_AnimateMenu) &&
           QApplication::isEffectEnabled(Qt::UI_FadeMenu);
  if (!fades_) options |= kDisableFadeIn | kDisableFadeOut;
  options_ = options;
  Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
  if ((options_ & kShowTopmost) != 0) flags |= Qt::WindowStaysOnTopHint;
  setParent(parent, flags);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_DeleteOnClose, (options_ & kDeleteThisOnClose) != 0);
  setWindowTitle(field_text(title));
  content_ = content != nullptr ? content : "";
  url_ = url != nullptr ? url : "";
  timeoutMs_ = timeoutMs;
  icon_ = icon;
  anchor_ = anchor;
  anchorWindow_ = nullptr;
  Layout();

  if ((options_ & (kCloseOnMouse | kCloseOnKeyPress)) != 0) qApp->installEventFilter(this);
  cursorAtShow_ = QCursor::pos();
  if ((options_ & kDisableFadeIn) == 0) {
    setWindowOpacity(0.0);
    show();
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(kFadeMs);
    fade->setEndValue(1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
  } else {
    show();
  }
  if ((options_ & (kCloseOnLButtonUp | kCloseOnMButtonUp | kCloseOnRButtonUp)) != 0 &&
      QWidget::mouseGrabber() == nullptr) {
    grabMouse();
  }
  if ((options_ & kDelayClose) == 0) SetTimeout(timeoutMs_);
  return true;
}

// --- Setters

void CBalloonHelp::SetTitleFont(const QFont& font) {
  titleFont_ = font;
  Layout();
}

void CBalloonHelp::SetContentFont(const QFont& font) {
  contentFont_ = font;
  Layout();
}

void CBalloonHelp::SetContent(const char* content) {
  content_ = content != nullptr ? content : "";
  Layout();
}

void CBalloonHelp::SetTitle(const char* title) {
  setWindowTitle(field_text(title));
  Layout();
}

void CBalloonHelp::SetAnchorPoint(QPoint anchor, QWidget* window) {
  if (anchorWindow_ != nullptr) anchorWindow_->removeEventFilter(this);
  anchor_ = anchor;
  anchorWindow_ = window;
  // The balloon follows the window when it moves.
  if (window != nullptr) window->installEventFilter(this);
  Layout();
}

void CBalloonHelp::SetIcon(const QPixmap& icon) {
  icon_ = icon;
  Layout();
}

void CBalloonHelp::SetBackgroundColor(const QColor& colour) {
  background_ = colour;
  update();
}

void CBalloonHelp::SetForegroundColor(const QColor& colour) {
  foreground_ = colour;
  update();
}

void CBalloonHelp::SetTimeout(int milliseconds) {
  timeoutMs_ = milliseconds;
  if (milliseconds <= 0) {
    timer_.stop();
  } else {
    timer_.start(milliseconds);
  }
}

// --- Geometry

int CBalloonHelp::Quadrant(QPoint anchor, const QRect& workArea) {
  int quadrant = 0;
  if (anchor.y() >= workArea.top() + workArea.height() / 2) quadrant |= 2;
  if (anchor.x() < workArea.left() + workArea.width() / 2) quadrant |= 1;
  return quadrant;
}

std::array<QPoint, 3> CBalloonHelp::Tail(int quadrant, QSize size) {
  const int w = size.width();
  const int h = size.height();
  const int a = (w - 20) / 4;
  std::array<QPoint, 3> tail;
  switch (quadrant) {
    case 0:
      tail = {QPoint(3 * a, 21), QPoint(3 * a + 20, 21), QPoint(3 * a + 20, 1)};
      break;
    case 1:
      tail = {QPoint(a + 20, 21), QPoint(a, 21), QPoint(a, 1)};
      break;
    case 2:
      tail = {QPoint(3 * a, h - 22), QPoint(3 * a + 20, h - 22), QPoint(3 * a + 20, h - 2)};
      break;
    default:
      tail = {QPoint(a + 20, h - 22), QPoint(a, h - 22), QPoint(a, h - 2)};
      break;
  }
  for (QPoint& p : tail) p.setX(std::clamp(p.x(), kFrame, std::max(kFrame, w - kFrame)));
  return tail;
}

QPoint CBalloonHelp::Place(QPoint anchor, QSize size, const QRect& workArea,
                           std::array<QPoint, 3>* tail) {
  QPoint at = anchor - (*tail)[2];
  int shift = 0;
  if (at.x() < workArea.left()) {
    shift = workArea.left() - at.x();
  } else if (at.x() + size.width() >= workArea.right() + 1) {
    shift = workArea.right() + 1 - (at.x() + size.width());
  }
  at.rx() += shift;
  if (at.y() + kTailBand < workArea.top()) {
    at.ry() += workArea.top() - (at.y() + kTailBand);
  } else if (at.y() + size.height() - kTailBand >= workArea.bottom() + 1) {
    at.ry() -= at.y() + size.height() - kTailBand - (workArea.bottom() + 1);
  }
  // The tip keeps pointing at the anchor.
  for (QPoint& p : *tail) p.rx() -= shift;
  return at;
}

QPoint CBalloonHelp::ScreenAnchor() const {
  return anchorWindow_ != nullptr ? anchorWindow_->mapToGlobal(anchor_) : anchor_;
}

void CBalloonHelp::Layout() {
  const QPoint anchor = ScreenAnchor();
  const QScreen* screen = QGuiApplication::screenAt(anchor);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  workArea_ = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QSize header = DrawHeader(nullptr, QPoint());
  const QSize content = DrawContent(nullptr, QPoint());
  const QSize area(std::max(header.width(), content.width()),
                   header.height() + content.height() + kGap);
  const QSize size = area + QSize(2 * kFrame, 2 * kFrame + kTailBand);
  quadrant_ = Quadrant(anchor, workArea_);
  tail_ = Tail(quadrant_, size);
  const QPoint at = Place(anchor, size, workArea_, &tail_);
  setGeometry(QRect(at, size));
  const QPainterPath shape = Shape(quadrant_, size, tail_);
  const QRegion region(shape.toFillPolygon().toPolygon());
  if (region != mask()) setMask(region);
  update();
}

QRect CBalloonHelp::ContentRect() const {
  const int top = quadrant_ < 2 ? kFrame + kTailBand : kFrame;
  return QRect(kFrame, top, width() - 2 * kFrame, height() - 2 * kFrame - kTailBand);
}

QRect CBalloonHelp::CloseButtonRect() const {
  const int size = CaptionButtonSize(style());
  const QRect content = ContentRect();
  return QRect(content.right() + 1 - size, content.top(), size, size);
}

// --- Drawing

QSize CBalloonHelp::DrawHeader(QPainter* painter, QPoint at) {
  int width = 0;
  int height = 0;
  if (!icon_.isNull()) {
    const QSize size = icon_.deviceIndependentSize().toSize();
    if (painter != nullptr) painter->drawPixmap(at, icon_);
    width += size.width();
    height = size.height();
  }
  const QFontMetrics metrics(titleFont_);
  const QString title = windowTitle();
  const QSize titleSize(metrics.horizontalAdvance(title), metrics.height());
  if (!icon_.isNull() && !title.isEmpty()) width += kGap;
  if (painter != nullptr) {
    painter->setFont(titleFont_);
    painter->setPen(foreground_);
    const QSize line(titleSize.width(), std::max(height, titleSize.height()));
    painter->drawText(QRect(at + QPoint(width, 0), line),
                      Qt::AlignCenter | Qt::TextSingleLine | Qt::TextExpandTabs, title);
  }
  width += titleSize.width();
  height = std::max(height, titleSize.height());
  if ((options_ & kShowCloseButton) != 0) {
    const int size = CaptionButtonSize(style());
    width += kGap + size;
    height = std::max(height, size);
    if (painter != nullptr) {
      const QIcon close = style()->standardIcon(QStyle::SP_TitleBarCloseButton);
      close.paint(painter, CloseButtonRect(), Qt::AlignCenter,
                  closePressed_ ? QIcon::Active : QIcon::Normal);
    }
  }
  return QSize(width, height);
}

QSize CBalloonHelp::DrawContent(QPainter* painter, QPoint at) {
  if (content_.empty()) return QSize();
  const QFontMetrics metrics(contentFont_);
  const int limit = std::max(1, workArea_.width() / 2);
  const int flags = Qt::TextWordWrap | Qt::TextExpandTabs;
  const QString text = QString::fromStdString(content_);
  const QSize size = metrics.boundingRect(QRect(0, 0, limit, 100000), flags, text).size();
  if (painter != nullptr) {
    painter->setFont(contentFont_);
    painter->setPen(foreground_);
    painter->drawText(QRect(at, size), flags, text);
  }
  return size;
}

void CBalloonHelp::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), background_);
  const QPainterPath shape = Shape(quadrant_, size(), tail_);
  painter.setBrush(Qt::NoBrush);
  if ((options_ & kShowInnerShadow) != 0) {
    const QColor light(background_.red() / 3 + 170, background_.green() / 3 + 170,
                       background_.blue() / 3 + 170);
    const QColor dark(foreground_.red() / 3 + background_.red() / 3 * 2,
                      foreground_.green() / 3 + background_.green() / 3 * 2,
                      foreground_.blue() / 3 + background_.blue() / 3 * 2);
    painter.setPen(QPen(light, 2));
    painter.drawPath(shape.translated(1, 1));
    painter.setPen(QPen(dark, 2));
    painter.drawPath(shape.translated(-1, -1));
  }
  painter.setPen(QPen(foreground_, 1));
  painter.drawPath(shape);
  const QRect content = ContentRect();
  const QSize header = DrawHeader(&painter, content.topLeft());
  DrawContent(&painter, content.topLeft() + QPoint(0, header.height() + kGap));
}

// --- Closing

void CBalloonHelp::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && (options_ & kShowCloseButton) != 0 &&
      CloseButtonRect().contains(event->position().toPoint())) {
    closePressed_ = true;
    grabMouse();
    update();
  }
}

void CBalloonHelp::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  if (closePressed_) {
    releaseMouse();
    closePressed_ = false;
    update();
    if (CloseButtonRect().contains(at)) close();
    return;
  }
  if (!url_.empty() && rect().contains(at)) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url_)));
    close();
  }
}

void CBalloonHelp::Trigger() {
  if (closing_) return;
  if ((options_ & kDelayClose) != 0) {
    options_ &= ~(kCloseOnMouse | kDelayClose);
    SetTimeout(timeoutMs_);
    return;
  }
  close();
}

bool CBalloonHelp::eventFilter(QObject* watched, QEvent* event) {
  if (watched == anchorWindow_ && event->type() == QEvent::Move) {
    Layout();
    return false;
  }
  unsigned bit = 0;
  const auto button = [event](unsigned left, unsigned middle, unsigned right) {
    switch (static_cast<QMouseEvent*>(event)->button()) {
      case Qt::LeftButton:
        return left;
      case Qt::MiddleButton:
        return middle;
      case Qt::RightButton:
        return right;
      default:
        return 0u;
    }
  };
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
      bit = button(kCloseOnLButtonDown, kCloseOnMButtonDown, kCloseOnRButtonDown);
      break;
    case QEvent::MouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonRelease:
      bit = button(kCloseOnLButtonUp, kCloseOnMButtonUp, kCloseOnRButtonUp);
      break;
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseMove: {
      const QPoint moved = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      if (std::abs(moved.x() - cursorAtShow_.x()) > tolerance_ ||
          std::abs(moved.y() - cursorAtShow_.y()) > tolerance_) {
        bit = kCloseOnMouseMove;
      }
      break;
    }
    case QEvent::KeyPress:
      bit = kCloseOnKeyPress;
      break;
    default:
      break;
  }
  if ((options_ & bit) != 0) Trigger();
  return false;
}

void CBalloonHelp::closeEvent(QCloseEvent* event) {
  if ((options_ & kDisableFadeOut) == 0 && !closing_) {
    // Fades first, then closes for good.
    closing_ = true;
    event->ignore();
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(kFadeMs);
    fade->setEndValue(0.0);
    QObject::connect(fade, &QPropertyAnimation::finished, this, [this] {
      options_ |= kDisableFadeOut;
      close();
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
    return;
  }
  Finish();
  event->accept();
}

void CBalloonHelp::Finish() {
  closing_ = true;
  timer_.stop();
  if (QWidget::mouseGrabber() == this) releaseMouse();
  qApp->removeEventFilter(this);
  if (anchorWindow_ != nullptr) anchorWindow_->removeEventFilter(this);
}
