#include "Platform/gdiobject.h"

#include <cstdio>

namespace platform {

namespace {

// Large enough for any map picture; keeps a corrupt size from asking for
// gigabytes.
constexpr long long kMaxBitmapPixels = 1LL << 28;
// Far wider than any drawing needs; a wide pen is stamped pixel by pixel.
constexpr int kMaxPenWidth = 100;

}  // namespace

uint32_t* BitmapData::row(int y) {
  if (pixels.empty()) pixels.assign(size_t(width) * size_t(height), 0xFF000000u);
  return pixels.data() + size_t(y) * size_t(width);
}

std::string colour_text(COLORREF colour) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", unsigned(colour));
  return text;
}

std::string describe(const LogPen& pen) {
  const char* style = pen.style == PS_SOLID ? "solid" : pen.style == PS_DOT ? "dot" : "null";
  if (pen.style == PS_NULL) return "pen(null)";
  return std::string("pen(") + style + "," + std::to_string(pen.width) + "," +
         colour_text(pen.colour) + ")";
}

std::string describe(const LogBrush& brush) {
  switch (brush.kind) {
    case BrushKind::null:
      return "brush(null)";
    case BrushKind::solid:
      return "brush(solid," + colour_text(brush.colour) + ")";
    case BrushKind::pattern:
      break;
  }
  return "brush(pattern," + std::to_string(brush.pattern->width) + "x" +
         std::to_string(brush.pattern->height) + ")";
}

}  // namespace platform

bool CPen::CreatePen(int style, int width, COLORREF colour) {
  const bool known_style = style == PS_SOLID || style == PS_DOT || style == PS_NULL;
  if (stock_ || !known_style || width < 0 || width > platform::kMaxPenWidth) return false;
  logical_ = {style, width, colour};
  created_ = true;
  return true;
}

bool CBrush::CreateSolidBrush(COLORREF colour) {
  if (stock_) return false;
  logical_ = {platform::BrushKind::solid, colour, nullptr};
  created_ = true;
  return true;
}

bool CBrush::CreatePatternBrush(const CBitmap* bitmap) {
  if (stock_ || bitmap == nullptr || !bitmap->IsCreated()) return false;
  auto copy = std::make_shared<platform::BitmapData>(*bitmap->data());
  copy->row(0);  // a pattern is always read pixel by pixel
  logical_ = {platform::BrushKind::pattern, 0, std::move(copy)};
  created_ = true;
  return true;
}

bool CBitmap::make(int width, int height, bool monochrome) {
  if (width <= 0 || height <= 0 || (long long)width * height > platform::kMaxBitmapPixels) {
    return false;
  }
  data_ = std::make_shared<platform::BitmapData>();
  data_->width = width;
  data_->height = height;
  data_->monochrome = monochrome;
  created_ = true;
  return true;
}

bool CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) {
  return make(width, height, false);
}

bool CBitmap::CreateBitmap(int width, int height, unsigned planes, unsigned bits_per_pixel,
                           const void* bits) {
  if (planes != 1 || bits_per_pixel != 1 || bits == nullptr) return false;
  if (!make(width, height, true)) return false;
  const auto* bytes = static_cast<const unsigned char*>(bits);
  const size_t stride = (size_t(width) + 15) / 16 * 2;
  for (int y = 0; y < height; ++y) {
    uint32_t* out = data_->row(y);
    for (int x = 0; x < width; ++x) {
      const bool white = bytes[size_t(y) * stride + size_t(x) / 8] & (0x80 >> (x % 8));
      out[x] = white ? 0xFFFFFFFFu : 0xFF000000u;
    }
  }
  return true;
}

CSize CBitmap::GetSize() const {
  return data_ ? CSize(data_->width, data_->height) : CSize();
}

namespace platform {

struct StockObjects {
  CBrush brushes[6];
  CPen pens[3];

  StockObjects() {
    const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                              RGB(64, 64, 64), RGB(0, 0, 0)};
    for (int i = 0; i < 5; ++i) brushes[i].CreateSolidBrush(greys[i]);
    brushes[NULL_BRUSH].logical_.kind = platform::BrushKind::null;
    brushes[NULL_BRUSH].created_ = true;
    pens[0].CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
    pens[1].CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    pens[2].CreatePen(PS_NULL, 0, 0);
    for (CBrush& brush : brushes) brush.stock_ = true;
    for (CPen& pen : pens) pen.stock_ = true;
  }
};

CGdiObject* stock_object(int index) {
  static StockObjects stock;
  if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return &stock.brushes[index];
  if (index >= WHITE_PEN && index <= NULL_PEN) return &stock.pens[index - WHITE_PEN];
  return nullptr;
}

}  // namespace platform
