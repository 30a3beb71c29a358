// The device context over a QImage: a window's picture (or, for its compatible
// contexts, the selected CBitmap) drawn by the rules of PlatformQt/raster.h,
// text by QPainter in DejaVu Sans Bold at 12 pixels, not antialiased, so every
// pixel is either left alone or in the text colour. Text needs a
// QGuiApplication.
//
// Drawing into a monochrome bitmap is refused: it serves only as a pattern or
// source, its 0 bits taking the text colour and its 1 bits the background
// colour of the context drawn on.
#pragma once

#include <QImage>

#include "Platform/dc.h"

#include "PlatformQt/raster.h"

namespace platform {

class ImageDC : public CDC {
 public:
  // Draws on `target`, converted to 32-bit RGB first; it must outlive this
  // context and every context made from it that draws on it.
  explicit ImageDC(QImage* target);

  // A copy of what this context draws on: the target, or the selected
  // bitmap of a memory context (a null image when none is selected).
  QImage image() const;

 protected:
  std::unique_ptr<CDC> create_compatible() override;
  bool draw_line(CPoint from, CPoint to) override;
  bool draw_rectangle(const CRect& r) override;
  bool draw_ellipse(const CRect& r) override;
  bool draw_polygon(const CPoint* points, int count) override;
  void fill_rect(const CRect& rect, const LogBrush& brush) override;
  bool text_out(int x, int y, const char* text) override;
  int draw_text(const char* text, const CRect& rect, unsigned format) override;
  bool pat_blt(int x, int y, int width, int height, uint32_t rop) override;
  bool bit_blt(int x, int y, int width, int height, CDC* source, int source_x, int source_y,
               uint32_t rop) override;

 private:
  ImageDC();  // a memory context

  // The pixels drawn on; unusable when there are none or they are monochrome.
  Raster target() const;
  // The same pixels as the source of a blit (monochrome allowed).
  Raster source() const;
  // The target's pixels for QPainter: the target itself, or `wrapper` set
  // over the bitmap's pixels; null when there is nothing to draw on.
  QImage* painter_image(QImage* wrapper) const;
  Paint paint() const;

  QImage* image_ = nullptr;  // window contexts
};

}  // namespace platform
