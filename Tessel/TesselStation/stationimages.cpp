#include "TesselStation/stationimages.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "PlatformQt/imagedc.h"
#include "TesselStationCore/mainframemodel.h"
#include "TesselStationCore/mapviewmodel.h"

namespace stationimages {

namespace {

constexpr int kButtonSize = 24;
constexpr int kCursorSize = 32;

QPixmap Blank(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// A magnifier with a plus or a minus in its glass.
void DrawMagnifier(QPainter& p, bool plus) {
  p.setPen(QPen(QColor(40, 40, 40), 2));
  p.setBrush(QColor(220, 235, 250));
  p.drawEllipse(QRectF(3, 3, 13, 13));
  p.setPen(QPen(QColor(90, 60, 30), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 15), QPointF(21, 21));
  p.setPen(QPen(QColor(20, 20, 120), 2));
  p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
  if (plus) p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
}

// `text` centred on the button in `colour`.
void DrawLabel(QPainter& p, const char* text, QColor colour, const char* family, int pixels,
               bool bold, bool italic = false) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setItalic(italic);
  p.setFont(font);
  p.setPen(colour);
  p.drawText(QRect(0, 0, kButtonSize, kButtonSize), Qt::AlignCenter, text);
}

QPixmap Button24(Button button) {
  QPixmap pixmap = Blank(kButtonSize);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (button) {
    case Button::zoomIn:
    case Button::zoomOut:
      DrawMagnifier(p, button == Button::zoomIn);
      break;
    case Button::weatherReport: {
      // A balloon on its line.
      p.setPen(QPen(QColor(60, 60, 60), 1));
      p.drawLine(QPointF(12, 15), QPointF(12, 22));
      p.setBrush(QColor(230, 60, 60));
      p.drawEllipse(QRectF(6, 2, 12, 14));
      break;
    }
    case Button::trajectoryRefresh: {
      // A rising curve with an arrow head.
      QPainterPath curve(QPointF(3, 21));
      curve.cubicTo(QPointF(8, 8), QPointF(14, 5), QPointF(20, 5));
      p.setPen(QPen(QColor(200, 100, 0), 2.5));
      p.setBrush(Qt::NoBrush);
      p.drawPath(curve);
      p.setBrush(QColor(200, 100, 0));
      p.setPen(Qt::NoPen);
      p.drawPolygon(QPolygonF({QPointF(22, 5), QPointF(16, 1), QPointF(16, 9)}));
      break;
    }
    case Button::stopInterceptor: {
      // An octagon.
      QPolygonF octagon;
      for (const auto& [x, y] : {std::pair{8, 2}, {16, 2}, {22, 8}, {22, 16}, {16, 22}, {8, 22},
                                 {2, 16}, {2, 8}}) {
        octagon << QPointF(x, y);
      }
      p.setPen(QPen(Qt::white, 1.5));
      p.setBrush(QColor(200, 20, 20));
      p.drawPolygon(octagon);
      p.fillRect(QRectF(6, 10.5, 12, 3), Qt::white);
      break;
    }
    case Button::settings: {
      // A card with lines.
      p.setPen(QPen(QColor(60, 60, 60), 1));
      p.setBrush(QColor(250, 245, 220));
      p.drawRect(QRectF(4.5, 2.5, 15, 19));
      for (int y = 7; y <= 17; y += 5) p.drawLine(QPointF(7, y + 0.5), QPointF(17, y + 0.5));
      break;
    }
    case Button::about: {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(30, 80, 170));
      p.drawEllipse(QRectF(2, 2, 20, 20));
      DrawLabel(p, "?", Qt::white, "DejaVu Serif", 15, true);
      break;
    }
    case Button::bold:
      DrawLabel(p, "B", Qt::black, "DejaVu Serif", 18, true);
      break;
    case Button::italic:
      DrawLabel(p, "I", Qt::black, "DejaVu Serif", 18, false, true);
      break;
  }
  return pixmap;
}

}  // namespace

QIcon ToolButton(Button button) { return QIcon(Button24(button)); }

QPixmap GoNoGo(int image) {
  QColor fill;
  const char* text = nullptr;
  switch (image) {
    case CMainFrameModel::IMAGE_GO:
      fill = QColor(20, 160, 40);
      text = "GO";
      break;
    case CMainFrameModel::IMAGE_NOGO:
      fill = QColor(200, 30, 30);
      text = "NO";
      break;
    case CMainFrameModel::IMAGE_DISABLED:
      fill = QColor(150, 150, 150);
      text = "--";
      break;
    default:
      return {};
  }
  QPixmap pixmap = Blank(kButtonSize);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(0.5, 0.5, 23, 23));
  DrawLabel(p, text, Qt::white, "DejaVu Sans", 9, true);
  return pixmap;
}

QPixmap StationIcon() {
  // Drawn as the map draws it, on a key colour that becomes transparent.
  constexpr QRgb kKey = 0xFFFF00FF;
  QImage image(kCursorSize, kCursorSize, QImage::Format_RGB32);
  image.fill(kKey);
  {
    platform::ImageDC dc(&image);
    CMapViewModel::DrawStationIcon(&dc, 0, 0);
  }
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(pixmap.createMaskFromColor(QColor::fromRgb(kKey)));
  return pixmap;
}

QCursor UnitCursor(int kind) {
  if (kind != CMapViewModel::CURSOR_RADAR && kind != CMapViewModel::CURSOR_INCURSION &&
      kind != CMapViewModel::CURSOR_INTERCEPTOR) {
    return QCursor(Qt::ArrowCursor);
  }
  QPixmap pixmap = Blank(kCursorSize);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(16, 16);
  switch (kind) {
    case CMapViewModel::CURSOR_RADAR:
      // Rings around the hot spot, a sweep line.
      p.setPen(QPen(Qt::black, 3));
      p.drawEllipse(centre, 12, 12);
      p.setPen(QPen(QColor(0, 220, 90), 1.5));
      p.drawEllipse(centre, 12, 12);
      p.drawEllipse(centre, 6, 6);
      p.drawLine(centre, QPointF(26, 8));
      break;
    case CMapViewModel::CURSOR_INCURSION:
      // A red cross in a circle.
      p.setPen(QPen(Qt::white, 4));
      p.drawEllipse(centre, 11, 11);
      p.setPen(QPen(QColor(220, 0, 0), 2));
      p.drawEllipse(centre, 11, 11);
      p.drawLine(QPointF(9, 9), QPointF(23, 23));
      p.drawLine(QPointF(23, 9), QPointF(9, 23));
      break;
    default: {
      // An arrow head pointing up, the interceptor's shape.
      const QPolygonF dart({QPointF(16, 3), QPointF(26, 27), QPointF(16, 21), QPointF(6, 27)});
      p.setPen(QPen(Qt::white, 2));
      p.setBrush(QColor(30, 60, 200));
      p.drawPolygon(dart);
      break;
    }
  }
  return QCursor(pixmap, 16, 16);
}

QIcon TabImage(int index) {
  if (index == 0) return QIcon(StationIcon().scaled(16, 16, Qt::KeepAspectRatio,
                                                     Qt::SmoothTransformation));
  if (index == 1) return QIcon(UnitCursor(CMapViewModel::CURSOR_RADAR).pixmap().scaled(16, 16));
  return {};
}

}  // namespace stationimages
