// Points, sizes and rectangles in whole pixels: the geometry types the drawing
// code is written against.
#pragma once

struct CPoint {
  int x = 0;
  int y = 0;

  constexpr CPoint() = default;
  constexpr CPoint(int px, int py) : x(px), y(py) {}
  friend constexpr bool operator==(const CPoint&, const CPoint&) = default;
};

struct CSize {
  int cx = 0;
  int cy = 0;

  constexpr CSize() = default;
  constexpr CSize(int width, int height) : cx(width), cy(height) {}
  friend constexpr bool operator==(const CSize&, const CSize&) = default;
};

// Left and top lie inside the rectangle, right and bottom just outside it.
struct CRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr CRect() = default;
  constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  constexpr CRect(CPoint top_left, CSize size)
      : left(top_left.x), top(top_left.y), right(top_left.x + size.cx),
        bottom(top_left.y + size.cy) {}

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr CPoint TopLeft() const { return {left, top}; }
  constexpr CPoint BottomRight() const { return {right, bottom}; }
  // True when the rectangle holds no pixel (also when right < left or bottom < top).
  constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
  constexpr bool PtInRect(CPoint p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  friend constexpr bool operator==(const CRect&, const CRect&) = default;
};
