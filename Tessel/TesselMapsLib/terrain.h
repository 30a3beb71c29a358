// CTerrain: how the map cells of one terrain code are drawn -- a style, a
// colour and a display name. Serialisable as "CTerrain", schema 0: the name
// (length-prefixed text), the style (32-bit), the code (one byte) and the
// colour (32-bit), little-endian.
//
// The pen and brush exist only between construct_* and destroy_*; the map's
// update() makes and removes them around each rendering.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Platform/gdiobject.h"
#include "Platform/object.h"
#include "Toolwick/heaptext.h"

enum TerrainStyle : int32_t {
  STYLE_SOLID = 0,    // a filled square
  STYLE_ELLIPSE = 1,  // a filled ellipse in the square, black outline
  STYLE_CROSS = 2,    // both diagonals, no fill
  STYLE_FOREST = 3,   // soil square, one diagonal, a tree on some cells
};

class CTerrain : public CObject {
  DECLARE_SERIAL(CTerrain)

 public:
  // Empty name, style 4 (no style: drawn as an unknown code), code 0, colour 0.
  CTerrain();
  ~CTerrain() override;
  void Serialize(CArchive& ar) override;

  void name(const char* text);  // null sets the empty name
  const char* name() const { return name_.c_str(); }

  void style(TerrainStyle value) { style_ = value; }
  TerrainStyle style() const { return style_; }
  // "Solid", "Ellipse" or "Elipse", "Cross", "Forest", compared exactly; any
  // other text (null included) leaves the style as it is.
  void style(const char* text);

  // Always true.
  bool code(unsigned char value);
  unsigned char code() const { return code_; }

  void colour(COLORREF value) { colour_ = value; }
  COLORREF colour() const { return colour_; }

  // The number of styles, 4.
  static int stylesize();
  // "Solid", "Elipse", "Cross", "Forest"; "ERROR" for any other value.
  static const char* stylestring(int style);
  const char* GetStyleStr() const { return stylestring(style_); }
  // The code in decimal.
  HeapText GetCodeStr() const;

  // A solid pen of width 1 / a solid brush in the current colour, replacing
  // any made before.
  void construct_pen();
  void construct_brush();
  void destroy_pen();
  void destroy_brush();
  // Owned by the terrain; null when not made.
  CPen* pen() const { return pen_.get(); }
  CBrush* brush() const { return brush_.get(); }

 private:
  std::string name_;
  TerrainStyle style_ = TerrainStyle(4);
  unsigned char code_ = 0;
  COLORREF colour_ = 0;
  std::unique_ptr<CPen> pen_;
  std::unique_ptr<CBrush> brush_;
};
