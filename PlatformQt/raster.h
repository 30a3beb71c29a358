// Pixel rules of the original platform's drawing, over a plain pixel buffer:
// what ImageDC draws for every call but text.
//
// Rules: pixel (x, y) is the unit square from (x, y) to (x + 1, y + 1).
// Rectangle and Ellipse cover their box from left/top to right/bottom - 1;
// the one-pixel outline is the box's outermost ring of pixels, the brush
// fills the rest. An ellipse takes the pixels whose centres lie in the
// ellipse inscribed in the box. Lines run from pixel to pixel (one pixel per
// step along the longer axis, the other axis rounded, halves up) and leave out
// their end point. A dotted pen draws 3 pixels on, 3 off, starting anew with
// each call; in opaque mode the gaps take the background colour. A pen of
// width w > 1 stamps a w x w square, from w / 2 left and above, on every pixel
// of the one-pixel outline, end points of lines included. Coordinates are
// taken within +-2^24.
#pragma once

#include <cstdint>

#include "Platform/gdiobject.h"
#include "Platform/rect.h"

namespace platform {

// The state a primitive paints with.
struct Paint {
  LogPen pen;
  LogBrush brush;
  COLORREF text_colour = 0;
  COLORREF bk_colour = 0;
  bool opaque = true;
};

// A pixel buffer to draw on: rows of 0xFFRRGGBB, `stride` pixels apart.
// Every write is clipped to it; a null buffer draws nowhere. Not owned.
class Raster {
 public:
  Raster() = default;
  Raster(uint32_t* pixels, int width, int height, int stride, bool monochrome);

  bool usable() const { return pixels_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }

  void line(CPoint from, CPoint to, const Paint& paint);
  void rectangle(const CRect& box, const Paint& paint);
  void ellipse(const CRect& box, const Paint& paint);
  void polygon(const CPoint* points, int count, const Paint& paint);
  // `area` (not normalised: empty when right <= left or bottom <= top).
  void fill(const CRect& area, const Paint& paint);
  // The area combined by `rop` from the brush of `paint`, the pixels of
  // `source` (may share these pixels; null when `rop` reads no source) from
  // `source_origin`, and these pixels. Pixels whose source lies outside the
  // source raster are left alone.
  void blt(const CRect& area, uint32_t rop, const Paint& paint, const Raster* source,
           CPoint source_origin);

  // The brush colour of pixel (x, y) as 0xRRGGBB.
  static uint32_t brush_pixel(const Paint& paint, int x, int y);
  void set(int x, int y, uint32_t rgb) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
      pixels_[long(y) * stride_ + x] = 0xFF000000u | rgb;
    }
  }
  uint32_t get(int x, int y) const { return pixels_[long(y) * stride_ + x] & 0xFFFFFF; }

 private:
  void fill_span(int y, int x0, int x1, const Paint& paint);  // x0..x1 inclusive
  // The raster grown by what a pen of `pen_width` reaches beyond it.
  CRect pen_limit(int pen_width) const;

  uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  bool monochrome_ = false;
};

// 0x00BBGGRR to 0xRRGGBB.
constexpr uint32_t rgb_of(COLORREF colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

}  // namespace platform
