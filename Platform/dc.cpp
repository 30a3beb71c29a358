#include "Platform/dc.h"

#include <cstdio>

namespace platform {

std::string rop_text(uint32_t rop) {
  static const struct {
    uint32_t rop;
    const char* name;
  } kNames[] = {
      {SRCCOPY, "SRCCOPY"},     {SRCPAINT, "SRCPAINT"},   {SRCAND, "SRCAND"},
      {SRCINVERT, "SRCINVERT"}, {NOTSRCCOPY, "NOTSRCCOPY"}, {MERGECOPY, "MERGECOPY"},
      {PATCOPY, "PATCOPY"},     {PATINVERT, "PATINVERT"}, {DSTINVERT, "DSTINVERT"},
      {BLACKNESS, "BLACKNESS"}, {WHITENESS, "WHITENESS"},
  };
  for (const auto& entry : kNames) {
    if (entry.rop == rop) return entry.name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", unsigned(rop));
  return text;
}

}  // namespace platform

namespace {

std::string point_text(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

}  // namespace

CDC::CDC(bool memory)
    : memory_(memory),
      pen_object_(static_cast<CPen*>(platform::stock_object(BLACK_PEN))),
      brush_object_(static_cast<CBrush*>(platform::stock_object(WHITE_BRUSH))) {
  pen_ = pen_object_->logical();
  brush_ = brush_object_->logical();
}

void CDC::state_changed(const char*, const std::string&) {}

std::unique_ptr<CDC> CDC::CreateCompatibleDC() { return create_compatible(); }

CPen* CDC::SelectObject(CPen* pen) {
  if (pen == nullptr || !pen->IsCreated()) return nullptr;
  CPen* previous = pen_object_;
  pen_object_ = pen;
  pen_ = pen->logical();
  state_changed("SelectObject", platform::describe(pen_));
  return previous;
}

CBrush* CDC::SelectObject(CBrush* brush) {
  if (brush == nullptr || !brush->IsCreated()) return nullptr;
  CBrush* previous = brush_object_;
  brush_object_ = brush;
  brush_ = brush->logical();
  state_changed("SelectObject", platform::describe(brush_));
  return previous;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  if (!memory_ || bitmap == nullptr || !bitmap->IsCreated()) return nullptr;
  // The memory context starts with no bitmap; the first selection returns
  // null, and selecting that again is refused like any null object.
  CBitmap* previous = bitmap_object_;
  bitmap_object_ = bitmap;
  bitmap_ = bitmap->data();
  state_changed("SelectObject", "bitmap(" + point_text(bitmap_->width, bitmap_->height) + ")");
  return previous;
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
  if (object == nullptr) return nullptr;
  switch (object->kind()) {
    case CGdiObject::Kind::pen:
      return SelectObject(static_cast<CPen*>(object));
    case CGdiObject::Kind::brush:
      return SelectObject(static_cast<CBrush*>(object));
    case CGdiObject::Kind::bitmap:
      break;
  }
  return SelectObject(static_cast<CBitmap*>(object));
}

CGdiObject* CDC::SelectStockObject(int index) {
  return SelectObject(platform::stock_object(index));
}

int CDC::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  const int previous = bk_mode_;
  bk_mode_ = mode;
  state_changed("SetBkMode", mode == TRANSPARENT ? "TRANSPARENT" : "OPAQUE");
  return previous;
}

COLORREF CDC::SetBkColor(COLORREF colour) {
  const COLORREF previous = bk_colour_;
  bk_colour_ = colour & 0xFFFFFF;
  state_changed("SetBkColor", platform::colour_text(bk_colour_));
  return previous;
}

COLORREF CDC::SetTextColor(COLORREF colour) {
  const COLORREF previous = text_colour_;
  text_colour_ = colour & 0xFFFFFF;
  state_changed("SetTextColor", platform::colour_text(text_colour_));
  return previous;
}

CPoint CDC::MoveTo(int x, int y) {
  const CPoint previous = position_;
  position_ = {x, y};
  state_changed("MoveTo", point_text(x, y));
  return previous;
}

bool CDC::LineTo(int x, int y) {
  const bool drawn = draw_line(position_, {x, y});
  position_ = {x, y};
  return drawn;
}

bool CDC::Rectangle(int left, int top, int right, int bottom) {
  return draw_rectangle({left, top, right, bottom});
}

bool CDC::Ellipse(int left, int top, int right, int bottom) {
  return draw_ellipse({left, top, right, bottom});
}

bool CDC::Polygon(const CPoint* points, int count) {
  if (points == nullptr || count < 2) return false;
  return draw_polygon(points, count);
}

void CDC::FillRect(const CRect& rect, CBrush* brush) {
  if (brush == nullptr || !brush->IsCreated()) return;
  fill_rect(rect, brush->logical());
}

bool CDC::TextOut(int x, int y, const char* text) {
  if (text == nullptr) return false;
  return text_out(x, y, text);
}

int CDC::DrawText(const char* text, const CRect& rect, unsigned format) {
  if (text == nullptr) return 0;
  return draw_text(text, rect, format);
}

bool CDC::PatBlt(int x, int y, int width, int height, uint32_t rop) {
  if (platform::rop_uses_source(rop)) return false;
  return pat_blt(x, y, width, height, rop);
}

bool CDC::BitBlt(int x, int y, int width, int height, CDC* source, int source_x, int source_y,
                 uint32_t rop) {
  if (source == nullptr && platform::rop_uses_source(rop)) return false;
  return bit_blt(x, y, width, height, source, source_x, source_y, rop);
}
