#include "TesselStation/viewportdc.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

int held(long long value) {
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

}  // namespace

CViewportDC::CViewportDC(QImage* picture, CPoint origin)
    : platform::ImageDC(picture), origin_(origin) {}

CPoint CViewportDC::Shifted(CPoint p) const {
  return CPoint(held(static_cast<long long>(p.x) - origin_.x),
                held(static_cast<long long>(p.y) - origin_.y));
}

CRect CViewportDC::Shifted(const CRect& r) const {
  const CPoint from = Shifted(CPoint(r.left, r.top));
  const CPoint to = Shifted(CPoint(r.right, r.bottom));
  return CRect(from.x, from.y, to.x, to.y);
}

bool CViewportDC::draw_line(CPoint from, CPoint to) {
  return ImageDC::draw_line(Shifted(from), Shifted(to));
}

bool CViewportDC::draw_rectangle(const CRect& r) { return ImageDC::draw_rectangle(Shifted(r)); }

bool CViewportDC::draw_ellipse(const CRect& r) { return ImageDC::draw_ellipse(Shifted(r)); }

bool CViewportDC::draw_polygon(const CPoint* points, int count) {
  std::vector<CPoint> shifted(points, points + count);
  for (CPoint& p : shifted) p = Shifted(p);
  return ImageDC::draw_polygon(shifted.data(), count);
}

void CViewportDC::fill_rect(const CRect& rect, const platform::LogBrush& brush) {
  ImageDC::fill_rect(Shifted(rect), brush);
}

bool CViewportDC::text_out(int x, int y, const char* text) {
  const CPoint at = Shifted(CPoint(x, y));
  return ImageDC::text_out(at.x, at.y, text);
}

int CViewportDC::draw_text(const char* text, const CRect& rect, unsigned format) {
  return ImageDC::draw_text(text, Shifted(rect), format);
}

bool CViewportDC::pat_blt(int x, int y, int width, int height, uint32_t rop) {
  const CPoint at = Shifted(CPoint(x, y));
  return ImageDC::pat_blt(at.x, at.y, width, height, rop);
}

bool CViewportDC::bit_blt(int x, int y, int width, int height, CDC* source, int source_x,
                          int source_y, uint32_t rop) {
  const CPoint at = Shifted(CPoint(x, y));
  return ImageDC::bit_blt(at.x, at.y, width, height, source, source_x, source_y, rop);
}
