#include "PlatformQt/imagedc.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <vector>

namespace platform {

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The one font of every context, loaded from Debian's DejaVu package when it
// is there (fontconfig finds the family otherwise).
const QFont& text_font() {
  static const QFont font = [] {
    QFontDatabase::addApplicationFont(kFontFile);
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(12);
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
  }();
  return font;
}

// The blit area at (x, y) of width x height, without overflowing.
CRect blit_area(int x, int y, int width, int height) {
  const auto end = [](int from, int size) {
    return int(std::clamp<long long>((long long)from + size, INT_MIN, INT_MAX));
  };
  return {x, y, end(x, width), end(y, height)};
}

QColor qcolour(COLORREF colour) { return QColor(QRgb(0xFF000000u | rgb_of(colour))); }

// Without DT_NOPREFIX "&&" stands for "&" and a single "&" only marks the
// next character (its underline is not drawn).
std::string without_prefixes(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '&') {
      if (p[1] != '&') continue;
      ++p;
    }
    out += *p;
  }
  return out;
}

// Lines of `text`: cut at "\n" (a CR before it dropped) and, with
// `width` >= 0, between words so that each line fits `width` where it can.
std::vector<QString> layout_lines(const QString& text, const QFontMetrics& metrics, int width) {
  std::vector<QString> lines;
  for (QString paragraph : text.split('\n')) {
    if (paragraph.endsWith('\r')) paragraph.chop(1);
    if (width < 0) {
      lines.push_back(paragraph);
      continue;
    }
    QString line;
    for (const QString& word : paragraph.split(' ')) {
      const QString longer = line.isEmpty() ? word : line + ' ' + word;
      if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
        lines.push_back(line);
        line = word;
      } else {
        line = longer;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

ImageDC::ImageDC(QImage* target) : CDC(false), image_(target) {
  if (image_ && !image_->isNull() && image_->format() != QImage::Format_RGB32) {
    image_->convertTo(QImage::Format_RGB32);
  }
}

ImageDC::ImageDC() : CDC(true) {}

Raster ImageDC::source() const {
  if (image_) {
    if (image_->isNull()) return {};
    return Raster(reinterpret_cast<uint32_t*>(image_->bits()), image_->width(), image_->height(),
                  int(image_->bytesPerLine() / 4), false);
  }
  const std::shared_ptr<BitmapData>& data = bitmap();
  if (!data) return {};
  return Raster(data->row(0), data->width, data->height, data->width, data->monochrome);
}

Raster ImageDC::target() const {
  const std::shared_ptr<BitmapData>& data = bitmap();
  if (!image_ && data && data->monochrome) return {};
  return source();
}

QImage* ImageDC::painter_image(QImage* wrapper) const {
  if (!target().usable()) return nullptr;
  if (image_) return image_;
  const std::shared_ptr<BitmapData>& data = bitmap();
  *wrapper = QImage(reinterpret_cast<uchar*>(data->row(0)), data->width, data->height,
                    qsizetype(data->width) * 4, QImage::Format_RGB32);
  return wrapper;
}

QImage ImageDC::image() const {
  if (image_) return *image_;
  const std::shared_ptr<BitmapData>& data = bitmap();
  if (!data) return {};
  return QImage(reinterpret_cast<const uchar*>(data->row(0)), data->width, data->height,
                qsizetype(data->width) * 4, QImage::Format_RGB32)
      .copy();
}

Paint ImageDC::paint() const {
  return {pen(), brush(), GetTextColor(), GetBkColor(), GetBkMode() == OPAQUE};
}

std::unique_ptr<CDC> ImageDC::create_compatible() { return std::unique_ptr<CDC>(new ImageDC()); }

bool ImageDC::draw_line(CPoint from, CPoint to) {
  Raster raster = target();
  raster.line(from, to, paint());
  return raster.usable();
}

bool ImageDC::draw_rectangle(const CRect& r) {
  Raster raster = target();
  raster.rectangle(r, paint());
  return raster.usable();
}

bool ImageDC::draw_ellipse(const CRect& r) {
  Raster raster = target();
  raster.ellipse(r, paint());
  return raster.usable();
}

bool ImageDC::draw_polygon(const CPoint* points, int count) {
  Raster raster = target();
  raster.polygon(points, count, paint());
  return raster.usable();
}

void ImageDC::fill_rect(const CRect& rect, const LogBrush& brush) {
  Paint with = paint();
  with.brush = brush;
  target().fill(rect, with);
}

bool ImageDC::text_out(int x, int y, const char* text) {
  QImage wrapper;
  QImage* image = painter_image(&wrapper);
  if (image == nullptr) return false;
  const QString line = QString::fromUtf8(text);
  QPainter painter(image);
  painter.setFont(text_font());
  const QFontMetrics metrics(painter.font());
  if (GetBkMode() == OPAQUE) {
    painter.fillRect(x, y, metrics.horizontalAdvance(line), metrics.height(),
                     qcolour(GetBkColor()));
  }
  painter.setPen(qcolour(GetTextColor()));
  painter.drawText(x, y + metrics.ascent(), line);
  return true;
}

int ImageDC::draw_text(const char* text, const CRect& rect, unsigned format) {
  QImage wrapper;
  QImage* image = painter_image(&wrapper);
  if (image == nullptr) return 0;
  const std::string shown = format & DT_NOPREFIX ? std::string(text) : without_prefixes(text);
  QPainter painter(image);
  painter.setFont(text_font());
  const QFontMetrics metrics(painter.font());
  const std::vector<QString> lines = layout_lines(
      QString::fromStdString(shown), metrics, format & DT_WORDBREAK ? rect.Width() : -1);
  painter.setClipRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()));
  painter.setPen(qcolour(GetTextColor()));
  int y = rect.top;
  for (const QString& line : lines) {
    if (GetBkMode() == OPAQUE) {
      painter.fillRect(rect.left, y, metrics.horizontalAdvance(line), metrics.height(),
                       qcolour(GetBkColor()));
    }
    painter.drawText(rect.left, y + metrics.ascent(), line);
    y += metrics.height();
  }
  return y - rect.top;
}

bool ImageDC::pat_blt(int x, int y, int width, int height, uint32_t rop) {
  Raster raster = target();
  raster.blt(blit_area(x, y, width, height), rop, paint(), nullptr, {});
  return raster.usable();
}

bool ImageDC::bit_blt(int x, int y, int width, int height, CDC* source, int source_x,
                      int source_y, uint32_t rop) {
  Raster raster = target();
  Raster from;
  if (rop_uses_source(rop)) {
    auto* image_source = dynamic_cast<ImageDC*>(source);
    if (image_source == nullptr) return false;
    from = image_source->source();
    if (!from.usable()) return false;
  }
  raster.blt(blit_area(x, y, width, height), rop, paint(), &from, {source_x, source_y});
  return raster.usable();
}

}  // namespace platform
