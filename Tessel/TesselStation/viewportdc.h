// CViewportDC: a device context over a picture of a window's size that
// shows the map from `origin` on: whatever is drawn in map pixels lands
// `origin` to the left and up, clipped to the picture. The map view draws
// into one the size of its window, so that its picture never grows beyond
// it whatever the map's size and the scroll position.
//
// Pattern brushes repeat from the picture's corner, not the map's. The
// picture must outlive the context.
#pragma once

#include <QImage>

#include "PlatformQt/imagedc.h"

class CViewportDC : public platform::ImageDC {
 public:
  CViewportDC(QImage* picture, CPoint origin);

 protected:
  bool draw_line(CPoint from, CPoint to) override;
  bool draw_rectangle(const CRect& r) override;
  bool draw_ellipse(const CRect& r) override;
  bool draw_polygon(const CPoint* points, int count) override;
  void fill_rect(const CRect& rect, const platform::LogBrush& brush) override;
  bool text_out(int x, int y, const char* text) override;
  int draw_text(const char* text, const CRect& rect, unsigned format) override;
  bool pat_blt(int x, int y, int width, int height, uint32_t rop) override;
  bool bit_blt(int x, int y, int width, int height, CDC* source, int source_x, int source_y,
               uint32_t rop) override;

 private:
  // A map pixel in the picture (held to the int range).
  CPoint Shifted(CPoint p) const;
  CRect Shifted(const CRect& r) const;

  CPoint origin_;
};
