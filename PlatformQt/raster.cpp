#include "PlatformQt/raster.h"

#include "Platform/dc.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr int kDotOn = 3;
constexpr int kDotPeriod = 6;
// Coordinates are taken within +-kFar: far beyond any picture, and small
// enough that no product below overflows.
constexpr int kFar = 1 << 24;
// A dotted ellipse up to this size walks its whole outline, so its dots do not
// move with the part that is visible.
constexpr int kWholeRing = 1 << 15;

int limited(int v) { return std::clamp(v, -kFar, kFar); }
CPoint limited(CPoint p) { return {limited(p.x), limited(p.y)}; }
CRect limited(const CRect& r) {
  return {limited(r.left), limited(r.top), limited(r.right), limited(r.bottom)};
}

// Floor and ceiling of a / b for b > 0.
long long floor_div(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
long long ceil_div(long long a, long long b) { return -floor_div(-a, b); }

// Plots the pixels of an outline in order with the pen's width and dots.
class PenPlot {
 public:
  PenPlot(Raster& raster, const Paint& paint)
      : raster_(raster),
        width_(std::max(1, paint.pen.width)),
        dotted_(paint.pen.style == PS_DOT && paint.pen.width <= 1),
        opaque_(paint.opaque),
        colour_(rgb_of(paint.pen.colour)),
        gap_(rgb_of(paint.bk_colour)) {}

  bool wide() const { return width_ > 1; }

  int width() const { return width_; }

  // Counts pixels of the outline that lie beyond the raster.
  void skip(long long pixels) { step_ = int((step_ + pixels) % kDotPeriod); }

  void operator()(int x, int y) {
    const bool gap = dotted_ && step_ >= kDotOn;
    step_ = (step_ + 1) % kDotPeriod;
    if (gap) {
      if (opaque_) raster_.set(x, y, gap_);
      return;
    }
    if (width_ == 1) {
      raster_.set(x, y, colour_);
      return;
    }
    const int left = x - width_ / 2, top = y - width_ / 2;
    const int x0 = std::max(left, 0), x1 = std::min(left + width_, raster_.width());
    const int y0 = std::max(top, 0), y1 = std::min(top + width_, raster_.height());
    for (int sy = y0; sy < y1; ++sy) {
      for (int sx = x0; sx < x1; ++sx) raster_.set(sx, sy, colour_);
    }
  }

 private:
  Raster& raster_;
  const int width_;
  const bool dotted_;
  const bool opaque_;
  const uint32_t colour_;
  const uint32_t gap_;
  int step_ = 0;
};

// The pixels from `a` towards `b`, `b` itself only when `include_end`; those
// whose coordinate along the longer axis lies outside `limit` are skipped.
template <typename Plot>
void walk_line(CPoint a, CPoint b, bool include_end, const CRect& limit, Plot& plot) {
  const long long dx = b.x - a.x, dy = b.y - a.y;
  const long long steps = std::max(std::llabs(dx), std::llabs(dy));
  const long long count = steps + (include_end ? 1 : 0);
  if (steps == 0) {
    if (include_end) plot(a.x, a.y);
    return;
  }
  // Along the longer axis the coordinate moves by exactly one per step.
  const bool along_x = std::llabs(dx) == steps;
  const long long start = along_x ? a.x : a.y;
  const long long lo = along_x ? limit.left : limit.top, hi = along_x ? limit.right : limit.bottom;
  const bool forward = (along_x ? dx : dy) > 0;
  long long first = forward ? lo - start : start - hi + 1;
  long long last = forward ? hi - start : start - lo + 1;  // exclusive
  first = std::clamp(first, 0LL, count);
  last = std::clamp(last, first, count);
  plot.skip(first);
  for (long long i = first; i < last; ++i) {
    // a + i / steps of the way, each axis rounded half up.
    const long long x = a.x + floor_div(2 * dx * i + steps, 2 * steps);
    const long long y = a.y + floor_div(2 * dy * i + steps, 2 * steps);
    plot(int(x), int(y));
  }
  plot.skip(count - last);
}

// `count` pixels in a straight run from (x, y) by (dx, dy) each, those outside
// `limit` skipped.
template <typename Plot>
void walk_run(long long x, long long y, int dx, int dy, long long count, const CRect& limit,
              Plot& plot) {
  long long first = 0, last = std::max(count, 0LL);
  const auto keep_within = [&](long long start, int step, long long lo, long long hi) {
    if (step == 0) {
      if (start < lo || start >= hi) last = first;
      return;
    }
    const long long from = step > 0 ? lo - start : start - hi + 1;
    const long long to = step > 0 ? hi - start : start - lo + 1;
    first = std::max(first, from);
    last = std::min(last, to);
  };
  keep_within(x, dx, limit.left, limit.right);
  keep_within(y, dy, limit.top, limit.bottom);
  if (count <= 0) return;
  first = std::clamp(first, 0LL, count);
  last = std::clamp(last, first, count);
  plot.skip(first);
  for (long long i = first; i < last; ++i) plot(int(x + i * dx), int(y + i * dy));
  plot.skip(count - last);
}

CRect normalised(const CRect& r) {
  return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
          std::max(r.top, r.bottom)};
}

// Rows of the ellipse inscribed in a box: the pixels whose centres lie inside.
class EllipseRows {
 public:
  explicit EllipseRows(const CRect& box)
      : box_(box), w_(box.Width()), h_(box.Height()) {}

  // The covered pixels of row y, x0..x1; false when none.
  bool span(int y, int* x0, int* x1) const {
    // Doubled coordinates relative to the centre, so everything stays whole.
    const long long yy = 2LL * y + 1 - box_.top - box_.bottom;
    if (yy * yy > h_ * h_) return false;
    const double half = double(w_) * std::sqrt(double(h_ * h_ - yy * yy)) / double(h_);
    const long long centre = box_.left + box_.right - 1;  // 2x at the centre
    long long left = (long long)std::floor((double(centre) - half) / 2.0);
    while (inside(left - 1, yy)) --left;
    while (left <= (centre + 1) / 2 && !inside(left, yy)) ++left;
    if (!inside(left, yy)) return false;
    *x0 = int(left);
    *x1 = int(centre - left);  // symmetric about the centre
    return true;
  }

 private:
  bool inside(long long x, long long yy) const {
    const __int128 xx = 2 * x + 1 - box_.left - box_.right;
    return xx * xx * h_ * h_ + __int128(yy * yy) * w_ * w_ <= __int128(w_ * w_) * h_ * h_;
  }

  const CRect box_;
  const long long w_;
  const long long h_;
};

// x at which an edge crosses the pixel row y, as num / den (den > 0).
struct Crossing {
  long long num;
  long long den;
};

uint32_t apply_rop(unsigned table, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t out = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (table >> i & 1) out |= (i & 4 ? p : ~p) & (i & 2 ? s : ~s) & (i & 1 ? d : ~d);
  }
  return out & 0xFFFFFF;
}

}  // namespace

Raster::Raster(uint32_t* pixels, int width, int height, int stride, bool monochrome)
    : pixels_(pixels), width_(width), height_(height), stride_(stride), monochrome_(monochrome) {}

uint32_t Raster::brush_pixel(const Paint& paint, int x, int y) {
  const LogBrush& brush = paint.brush;
  if (brush.kind != BrushKind::pattern) return rgb_of(brush.colour);
  const BitmapData& pattern = *brush.pattern;
  const int px = int(((long long)x % pattern.width + pattern.width) % pattern.width);
  const int py = int(((long long)y % pattern.height + pattern.height) % pattern.height);
  const uint32_t pixel = pattern.pixels[size_t(py) * size_t(pattern.width) + size_t(px)] & 0xFFFFFF;
  if (!pattern.monochrome) return pixel;
  return rgb_of(pixel == 0xFFFFFF ? paint.bk_colour : paint.text_colour);
}

void Raster::fill_span(int y, int x0, int x1, const Paint& paint) {
  if (paint.brush.kind == BrushKind::null || y < 0 || y >= height_) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, width_ - 1);
  for (int x = x0; x <= x1; ++x) set(x, y, brush_pixel(paint, x, y));
}

void Raster::fill(const CRect& given, const Paint& paint) {
  const CRect area = limited(given);
  if (!usable() || area.IsRectEmpty()) return;
  const int top = std::max(area.top, 0), bottom = std::min(area.bottom, height_);
  for (int y = top; y < bottom; ++y) fill_span(y, area.left, area.right - 1, paint);
}

CRect Raster::pen_limit(int pen_width) const {
  const int margin = std::max(1, pen_width);
  return {-margin, -margin, width_ + margin, height_ + margin};
}

void Raster::line(CPoint from, CPoint to, const Paint& paint) {
  if (!usable() || paint.pen.style == PS_NULL) return;
  PenPlot plot(*this, paint);
  walk_line(limited(from), limited(to), plot.wide(), pen_limit(plot.width()), plot);
}

void Raster::rectangle(const CRect& given, const Paint& paint) {
  const CRect box = normalised(limited(given));
  if (!usable() || box.IsRectEmpty()) return;
  if (paint.pen.style == PS_NULL) {
    fill(box, paint);
    return;
  }
  fill({box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, paint);
  // The ring clockwise from the top-left corner, each pixel once.
  PenPlot plot(*this, paint);
  const CRect limit = pen_limit(plot.width());
  const int l = box.left, t = box.top, r = box.right - 1, b = box.bottom - 1;
  walk_run(l, t, 1, 0, r - l + 1, limit, plot);
  walk_run(r, t + 1, 0, 1, b - t, limit, plot);
  if (b > t) walk_run(r - 1, b, -1, 0, r - l, limit, plot);
  if (r > l) walk_run(l, b - 1, 0, -1, b - t - 1, limit, plot);
}

void Raster::ellipse(const CRect& given, const Paint& paint) {
  const CRect box = normalised(limited(given));
  if (!usable() || box.IsRectEmpty()) return;
  const EllipseRows rows(box);
  const bool outlined = paint.pen.style != PS_NULL;
  const bool dotted = outlined && paint.pen.style == PS_DOT && paint.pen.width <= 1;
  const CRect limit = dotted && box.Width() <= kWholeRing && box.Height() <= kWholeRing
                          ? box
                          : pen_limit(outlined ? paint.pen.width : 0);
  const int top = std::max(box.top, limit.top), bottom = std::min(box.bottom, limit.bottom);
  std::vector<CPoint> ring;
  for (int y = top; y < bottom; ++y) {
    int x0, x1;
    if (!rows.span(y, &x0, &x1)) continue;
    if (!outlined) {
      fill_span(y, x0, x1, paint);
      continue;
    }
    // Inner pixels have covered pixels on all four sides; the rest is outline.
    int in0 = x1 + 1, in1 = x1;  // none yet
    int a0, a1, b0, b1;
    if (rows.span(y - 1, &a0, &a1) && rows.span(y + 1, &b0, &b1)) {
      const int from = std::max({x0 + 1, a0, b0}), to = std::min({x1 - 1, a1, b1});
      if (from <= to) {
        in0 = from;
        in1 = to;
      }
    }
    fill_span(y, in0, in1, paint);
    for (int x = std::max(x0, limit.left); x < std::min(in0, limit.right); ++x) {
      ring.push_back({x, y});
    }
    for (int x = std::max(in1 + 1, limit.left); x <= std::min(x1, limit.right - 1); ++x) {
      ring.push_back({x, y});
    }
  }
  if (!outlined) return;
  if (dotted) {
    // Dots follow the outline around the centre, clockwise from the left.
    // Each pixel's angle is worked out once, not once per comparison.
    const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    std::vector<std::pair<double, CPoint>> around;
    around.reserve(ring.size());
    for (CPoint p : ring) around.push_back({std::atan2(p.y + 0.5 - cy, -(p.x + 0.5 - cx)), p});
    std::stable_sort(around.begin(), around.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t i = 0; i < ring.size(); ++i) ring[i] = around[i].second;
  }
  PenPlot plot(*this, paint);
  for (CPoint p : ring) plot(p.x, p.y);
}

void Raster::polygon(const CPoint* given, int count, const Paint& paint) {
  if (!usable() || count < 2) return;
  std::vector<CPoint> points(given, given + count);
  for (CPoint& p : points) p = limited(p);
  if (paint.brush.kind != BrushKind::null) {
    int top = points[0].y, bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
      top = std::min(top, points[i].y);
      bottom = std::max(bottom, points[i].y);
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, height_);
    std::vector<Crossing> crossings;
    for (int y = top; y < bottom; ++y) {
      // Row centre y + 0.5 never meets a vertex, so no edge is counted twice.
      crossings.clear();
      for (int i = 0; i < count; ++i) {
        const CPoint a = points[i], b = points[(i + 1) % count];
        if ((a.y <= y) == (b.y <= y)) continue;
        const long long dy = b.y - a.y;
        Crossing c{2LL * a.x * dy + (2LL * y + 1 - 2LL * a.y) * (b.x - a.x), 2 * dy};
        if (c.den < 0) c = {-c.num, -c.den};
        crossings.push_back(c);
      }
      std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) {
        return (__int128)a.num * b.den < (__int128)b.num * a.den;
      });
      // Alternate rule: pixels whose centres lie from one crossing up to the next.
      for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
        const Crossing& a = crossings[i];
        const Crossing& b = crossings[i + 1];
        const long long x0 = ceil_div(2 * a.num - a.den, 2 * a.den);
        const long long x1 = ceil_div(2 * b.num - b.den, 2 * b.den) - 1;
        if (x1 >= x0) {
          fill_span(y, int(std::max(x0, -1LL)), int(std::min<long long>(x1, width_)), paint);
        }
      }
    }
  }
  if (paint.pen.style == PS_NULL) return;
  PenPlot plot(*this, paint);
  const CRect limit = pen_limit(plot.width());
  for (int i = 0; i < count; ++i) {
    walk_line(points[i], points[(i + 1) % count], plot.wide(), limit, plot);
  }
}

void Raster::blt(const CRect& given, uint32_t rop, const Paint& paint, const Raster* source,
                 CPoint given_origin) {
  const CRect area = limited(given);
  const CPoint source_origin = limited(given_origin);
  if (!usable() || area.IsRectEmpty()) return;
  const unsigned table = rop_table(rop);
  const bool uses_source = rop_uses_source(rop);
  if (uses_source && (source == nullptr || !source->usable())) return;
  if (rop_uses_pattern(rop) && paint.brush.kind == BrushKind::null) return;

  int x0 = std::max(area.left, 0), x1 = std::min(area.right, width_);
  int y0 = std::max(area.top, 0), y1 = std::min(area.bottom, height_);
  if (uses_source) {
    // Only where the source has pixels.
    const int dx = area.left - source_origin.x, dy = area.top - source_origin.y;
    x0 = std::max(x0, dx);
    x1 = std::min<long long>(x1, (long long)dx + source->width_);
    y0 = std::max(y0, dy);
    y1 = std::min<long long>(y1, (long long)dy + source->height_);
  }
  if (x0 >= x1 || y0 >= y1) return;
  const int w = x1 - x0;
  const int sx0 = x0 - area.left + source_origin.x;
  const int sy0 = y0 - area.top + source_origin.y;

  // Copying within one buffer reads a copy first, so overlapping areas work.
  std::vector<uint32_t> block;
  const uint32_t* from = nullptr;
  long from_stride = 0;
  if (uses_source) {
    from = source->pixels_ + long(sy0) * source->stride_ + sx0;
    from_stride = source->stride_;
    if (source->pixels_ == pixels_) {
      block.resize(size_t(w) * size_t(y1 - y0));
      for (int y = 0; y < y1 - y0; ++y) {
        std::memcpy(&block[size_t(y) * size_t(w)], from + y * from_stride, size_t(w) * 4);
      }
      from = block.data();
      from_stride = w;
    }
  }
  const bool plain_copy = uses_source && table == rop_table(SRCCOPY) && !source->monochrome_;
  for (int y = y0; y < y1; ++y) {
    uint32_t* row = pixels_ + long(y) * stride_;
    const uint32_t* source_row = from ? from + (y - y0) * from_stride : nullptr;
    if (plain_copy) {
      std::memcpy(row + x0, source_row, size_t(w) * 4);
      continue;
    }
    for (int x = x0; x < x1; ++x) {
      uint32_t s = 0;
      if (source_row) {
        s = source_row[x - x0] & 0xFFFFFF;
        if (source->monochrome_) s = rgb_of(s == 0xFFFFFF ? paint.bk_colour : paint.text_colour);
      }
      const uint32_t p = paint.brush.kind == BrushKind::null ? 0 : brush_pixel(paint, x, y);
      row[x] = 0xFF000000u | apply_rop(table, p, s, row[x] & 0xFFFFFF);
    }
  }
}

}  // namespace platform
