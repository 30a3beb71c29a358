// The device context: the drawing interface of the map and the station view.
// This base keeps the drawing state (pen, brush, bitmap, colours, background
// mode, current position); a back end draws. Two back ends exist: a recorder
// (Platform/recordingdc.h) and a QImage one (PlatformQt/imagedc.h).
//
// Geometry follows the original platform: Rectangle and Ellipse fill and
// outline the pixels from left/top up to but not including right/bottom;
// LineTo leaves out its end point (a pen wider than one pixel caps it); pens
// of width 0 and 1 draw one pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Platform/gdiobject.h"
#include "Platform/rect.h"

// Background modes: whether text cells and the gaps of dotted pens are painted
// in the background colour.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Raster operations: bits 16 to 23 are the truth table over pattern (0xF0),
// source (0xCC) and destination (0xAA); every such code works.
inline constexpr uint32_t SRCCOPY = 0x00CC0020;
inline constexpr uint32_t SRCPAINT = 0x00EE0086;
inline constexpr uint32_t SRCAND = 0x008800C6;
inline constexpr uint32_t SRCINVERT = 0x00660046;
inline constexpr uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr uint32_t MERGECOPY = 0x00C000CA;
inline constexpr uint32_t PATCOPY = 0x00F00021;
inline constexpr uint32_t PATINVERT = 0x005A0049;
inline constexpr uint32_t DSTINVERT = 0x00550009;
inline constexpr uint32_t BLACKNESS = 0x00000042;
inline constexpr uint32_t WHITENESS = 0x00FF0062;

// DrawText formats; other bits are ignored.
inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_WORDBREAK = 0x0010;  // break lines between words to fit the width
inline constexpr unsigned DT_NOPREFIX = 0x0800;   // "&" is an ordinary character

namespace platform {

// The truth table of a raster operation and whether it reads the pattern or
// the source.
constexpr unsigned rop_table(uint32_t rop) { return rop >> 16 & 0xFF; }
constexpr bool rop_uses_pattern(uint32_t rop) {
  return (rop_table(rop) >> 4 & 0x0F) != (rop_table(rop) & 0x0F);
}
constexpr bool rop_uses_source(uint32_t rop) {
  return (rop_table(rop) >> 2 & 0x33) != (rop_table(rop) & 0x33);
}
// "SRCCOPY" for the named codes above, else "0x00A000C9".
std::string rop_text(uint32_t rop);

}  // namespace platform

class CDC {
 public:
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC() = default;

  // A memory context of the same back end. It draws nowhere until a bitmap is
  // selected into it. Owned by the caller; it may outlive this context.
  std::unique_ptr<CDC> CreateCompatibleDC();

  // Selecting returns the object selected before (the one given then, or a
  // stock object), to be selected again to restore it. A pen's or brush's
  // values are copied, so it may be destroyed while selected; the returned
  // pointer is only as valid as that object. Null, and no change, when the
  // object is null or not created, or (bitmaps) this is not a memory context.
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  // A memory context starts without a bitmap: its first one returns null.
  CBitmap* SelectObject(CBitmap* bitmap);
  CGdiObject* SelectObject(CGdiObject* object);
  CGdiObject* SelectStockObject(int index);
  CPen* GetCurrentPen() const { return pen_object_; }
  CBrush* GetCurrentBrush() const { return brush_object_; }
  CBitmap* GetCurrentBitmap() const { return bitmap_object_; }

  // Each setter returns the previous value. Defaults: OPAQUE, white
  // background, black text, black pen, white brush, position (0, 0).
  int SetBkMode(int mode);
  int GetBkMode() const { return bk_mode_; }
  COLORREF SetBkColor(COLORREF colour);
  COLORREF GetBkColor() const { return bk_colour_; }
  COLORREF SetTextColor(COLORREF colour);
  COLORREF GetTextColor() const { return text_colour_; }

  // Returns the previous position.
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(CPoint p) { return MoveTo(p.x, p.y); }
  CPoint GetCurrentPosition() const { return position_; }
  // A line in the pen from the current position to (x, y), leaving out
  // (x, y), which becomes the current position.
  bool LineTo(int x, int y);
  bool LineTo(CPoint p) { return LineTo(p.x, p.y); }

  // Filled with the brush, outlined with the pen.
  bool Rectangle(int left, int top, int right, int bottom);
  bool Rectangle(const CRect& r) { return Rectangle(r.left, r.top, r.right, r.bottom); }
  bool Ellipse(int left, int top, int right, int bottom);
  bool Ellipse(const CRect& r) { return Ellipse(r.left, r.top, r.right, r.bottom); }
  // Closed: the outline runs through every point and back to the first; the
  // fill takes the pixels whose centres lie inside (alternate rule). At least
  // two points.
  bool Polygon(const CPoint* points, int count);
  // `rect` in `brush`, no outline; the selected brush is not involved.
  void FillRect(const CRect& rect, CBrush* brush);

  // Text with its top-left corner at (x, y), in the text colour.
  bool TextOut(int x, int y, const char* text);
  // Text laid out from the top-left of `rect` and clipped to it; returns the
  // height of the text drawn. "\n" starts a new line.
  int DrawText(const char* text, const CRect& rect, unsigned format);

  // The area of `width` x `height` pixels at (x, y) combined with the brush
  // by `rop`, which must not read a source. Nothing for an empty area.
  bool PatBlt(int x, int y, int width, int height, uint32_t rop);
  // The same area combined with the pixels of `source` from (source_x,
  // source_y) (and the brush, if `rop` reads it). Both contexts must be of
  // the same back end.
  bool BitBlt(int x, int y, int width, int height, CDC* source, int source_x, int source_y,
              uint32_t rop);

 protected:
  explicit CDC(bool memory);

  bool is_memory() const { return memory_; }
  const platform::LogPen& pen() const { return pen_; }
  const platform::LogBrush& brush() const { return brush_; }
  // The selected bitmap's pixels; null when none.
  const std::shared_ptr<platform::BitmapData>& bitmap() const { return bitmap_; }

  // Told of every state change once it took effect, as the call's name and
  // its arguments in readable form ("SetBkMode", "TRANSPARENT").
  virtual void state_changed(const char* call, const std::string& args);

  // The back end. The arguments are the caller's, unchanged; the state above
  // is the state in effect.
  virtual std::unique_ptr<CDC> create_compatible() = 0;
  virtual bool draw_line(CPoint from, CPoint to) = 0;
  virtual bool draw_rectangle(const CRect& r) = 0;
  virtual bool draw_ellipse(const CRect& r) = 0;
  virtual bool draw_polygon(const CPoint* points, int count) = 0;
  virtual void fill_rect(const CRect& rect, const platform::LogBrush& brush) = 0;
  virtual bool text_out(int x, int y, const char* text) = 0;
  virtual int draw_text(const char* text, const CRect& rect, unsigned format) = 0;
  virtual bool pat_blt(int x, int y, int width, int height, uint32_t rop) = 0;
  virtual bool bit_blt(int x, int y, int width, int height, CDC* source, int source_x,
                       int source_y, uint32_t rop) = 0;

 private:
  const bool memory_;
  platform::LogPen pen_;
  platform::LogBrush brush_;
  std::shared_ptr<platform::BitmapData> bitmap_;
  CPen* pen_object_;
  CBrush* brush_object_;
  CBitmap* bitmap_object_ = nullptr;
  int bk_mode_ = OPAQUE;
  COLORREF bk_colour_ = RGB(255, 255, 255);
  COLORREF text_colour_ = RGB(0, 0, 0);
  CPoint position_;
};
