// Drawing objects: colours, pens, brushes and bitmaps that a device context
// (Platform/dc.h) selects. A context copies the values of a pen or brush when
// it selects it, so the object may be destroyed while selected; a bitmap's
// pixels are shared between the CBitmap and every context it is selected into.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Platform/rect.h"

class CDC;
namespace platform {
struct StockObjects;
}

// 0x00BBGGRR: red in the low byte.
using COLORREF = uint32_t;

constexpr COLORREF RGB(int red, int green, int blue) {
  return COLORREF(uint8_t(red)) | COLORREF(uint8_t(green)) << 8 | COLORREF(uint8_t(blue)) << 16;
}
constexpr int GetRValue(COLORREF c) { return int(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return int(c >> 8 & 0xFF); }
constexpr int GetBValue(COLORREF c) { return int(c >> 16 & 0xFF); }

// Pen styles. A dotted pen wider than one pixel draws solid.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_NULL = 5;

// Stock objects (CDC::SelectStockObject, platform::stock_object).
inline constexpr int WHITE_BRUSH = 0;   // solid 0xFFFFFF
inline constexpr int LTGRAY_BRUSH = 1;  // solid 0xC0C0C0
inline constexpr int GRAY_BRUSH = 2;    // solid 0x808080
inline constexpr int DKGRAY_BRUSH = 3;  // solid 0x404040
inline constexpr int BLACK_BRUSH = 4;   // solid 0x000000
inline constexpr int NULL_BRUSH = 5;    // paints nothing
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;     // solid, width 0, 0xFFFFFF
inline constexpr int BLACK_PEN = 7;     // solid, width 0, 0x000000
inline constexpr int NULL_PEN = 8;      // draws nothing

namespace platform {

// The values of a pen, as a context keeps them.
struct LogPen {
  int style = PS_SOLID;
  int width = 0;  // 0 and 1 both draw one pixel wide
  COLORREF colour = 0;
  friend bool operator==(const LogPen&, const LogPen&) = default;
};

// The pixels of a bitmap, row by row, each 0xFFRRGGBB (the layout of a 32-bit
// RGB QImage). A monochrome bitmap holds only black (0 bits) and white (1 bits).
struct BitmapData {
  int width = 0;
  int height = 0;
  bool monochrome = false;
  // Left empty until a pixel back end first asks for it (a recording context
  // never does); then width x height pixels, black.
  std::vector<uint32_t> pixels;

  // Row y, allocating the pixels first if need be.
  uint32_t* row(int y);
};

enum class BrushKind { null, solid, pattern };

// The values of a brush, as a context keeps them.
struct LogBrush {
  BrushKind kind = BrushKind::solid;
  COLORREF colour = RGB(255, 255, 255);  // solid brushes
  // Pattern brushes: a copy of the bitmap, repeated from the target's (0, 0).
  // A monochrome pattern paints its 0 bits in the context's text colour and
  // its 1 bits in its background colour.
  std::shared_ptr<const BitmapData> pattern;
  friend bool operator==(const LogBrush&, const LogBrush&) = default;
};

// Readable forms for call logs: "0x0000FF", "pen(dot,1,0x636300)",
// "brush(solid,0xC0C0C0)", "brush(null)", "brush(pattern,8x8)".
std::string colour_text(COLORREF colour);
std::string describe(const LogPen& pen);
std::string describe(const LogBrush& brush);

}  // namespace platform

class CGdiObject {
 public:
  enum class Kind { pen, brush, bitmap };

  CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  virtual ~CGdiObject() = default;

  virtual Kind kind() const = 0;
  // False until a Create call (or the creating constructor) succeeded.
  bool IsCreated() const { return created_; }

 protected:
  bool created_ = false;
  bool stock_ = false;  // stock objects refuse to be created anew

  friend struct platform::StockObjects;
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  // Leaves the pen not created when the arguments are refused (see CreatePen).
  CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }

  Kind kind() const override { return Kind::pen; }
  // Styles PS_SOLID, PS_DOT and PS_NULL; width 0 to 100. False for other
  // values and on a stock pen. Creating again replaces the values.
  bool CreatePen(int style, int width, COLORREF colour);
  const platform::LogPen& logical() const { return logical_; }

 private:
  platform::LogPen logical_;
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }

  Kind kind() const override { return Kind::brush; }
  bool CreateSolidBrush(COLORREF colour);
  // Copies the pixels of `bitmap`; false when it is null or not created.
  bool CreatePatternBrush(const class CBitmap* bitmap);
  const platform::LogBrush& logical() const { return logical_; }

 private:
  platform::LogBrush logical_;

  friend struct platform::StockObjects;
};

class CBitmap : public CGdiObject {
 public:
  Kind kind() const override { return Kind::bitmap; }
  // A colour bitmap, black. Every context of this layer draws in the same
  // colour format, so `dc` only states the intent. False for a size that is
  // not positive or is too large.
  bool CreateCompatibleBitmap(CDC* dc, int width, int height);
  // A bitmap from `bits`; only monochrome (1 plane, 1 bit per pixel) is
  // supported: rows from the top, each padded to a multiple of 16 bits, the
  // most significant bit leftmost, 1 bits white.
  bool CreateBitmap(int width, int height, unsigned planes, unsigned bits_per_pixel,
                    const void* bits);
  CSize GetSize() const;
  // The pixels; null until created. A context that selects the bitmap shares them.
  const std::shared_ptr<platform::BitmapData>& data() const { return data_; }

 private:
  bool make(int width, int height, bool monochrome);
  std::shared_ptr<platform::BitmapData> data_;
};

namespace platform {

// The stock object of `index` (WHITE_BRUSH ... NULL_PEN); null for others.
// Stock objects live for the whole program.
CGdiObject* stock_object(int index);

}  // namespace platform
