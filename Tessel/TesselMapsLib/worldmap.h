// CWorldMap: the terrain raster of an exercise -- width x height cells of
// one-byte terrain codes laid over a rectangle of latitude (x, columns) and
// longitude (y, rows; row 0 at the minimum longitude) -- with the
// conversions between degrees, cells and screen pixels, the map data file
// (parse, save) and the rendered picture of the terrain (update, blt).
//
// Whole-number conversions use the rule R: add 0.5, cut toward zero,
// saturate to the 32-bit range (NaN gives INT32_MIN). Nothing is clamped to
// the grid; screen pixels are held within plus and minus kMaxPixel, so that
// what a caller adds to one (a symbol's size, a radius) cannot overflow.
// On screen row y lies at pixel row (height - y - 1) x zoom, in the terrain
// picture that update() draws as in every other layer.
//
// Ownership: the map owns its grid and its picture. The terrain table is the
// caller's and must outlive every update() that uses it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "Platform/dc.h"
#include "Platform/progress.h"

#include "TesselMapsLib/latlng.h"

class CTerrain;

// Terrain types by cell code (the byte widened to 16 bits); not owned.
using TerrainTable = std::map<uint16_t, CTerrain*>;

class CWorldMap {
 public:
  // The farthest screen pixel a conversion gives, in either direction.
  static constexpr int32_t kMaxPixel = 1 << 28;
  // The largest grid create() makes.
  static constexpr int64_t kMaxCells = 100'000'000;
  // The grid labels: at most this many steps an axis; their size on screen
  // as the station's label font draws them (12 pixels high, digits at most
  // 8 wide), and the room kept between two labels side by side.
  static constexpr unsigned kMaxLabels = 4096;
  static constexpr int kLabelDigitWidth = 8;
  static constexpr int kLabelHeight = 12;
  static constexpr int kLabelGap = 2;
  // The first line of a map data file begins with the text of its version.
  static constexpr const char* kMagic11 = "#Druvik MapData(1.1) -";
  static constexpr const char* kMagic12 = "#Druvik MapData(1.2) -";

  // Zoom 2, no grid, bounds 0.0, all four ratios 1.0.
  CWorldMap();
  virtual ~CWorldMap();
  CWorldMap(const CWorldMap&) = delete;
  CWorldMap& operator=(const CWorldMap&) = delete;

  // A grid of width x height cells, each `fill`, row by row; the bounds
  // become latitude 0..width and longitude 0..height, the velocity text
  // empty; the ratios stay. A grid or picture held before is freed first.
  // False, and no change, when a size is not positive or the grid would
  // exceed kMaxCells.
  bool create(int32_t width, int32_t height, unsigned char fill);
  // Frees the grid and the picture; zoom 2, size 0 x 0. Bounds, ratios,
  // velocity text, terrain table and grid-line settings stay.
  void empty();

  // One cell. Outside the grid a read gives 0 and a write does nothing.
  unsigned char point(int32_t x, int32_t y) const;
  void point(int32_t x, int32_t y, unsigned char code);

  // Scans a grid section of the map data file: bytes 0x21..0x7F are cells,
  // 0x01 ends a row, every other byte is skipped. Returns the cells seen;
  // *cols := the cells of the last row ended (0 when none ended), *rows :=
  // the rows ended. With `store` the cells are written too, the first row
  // of the text as grid row R - 1 where R is *rows on entry; cells beyond
  // the grid's width or beyond R rows are skipped. Both pointers must not be
  // null. Linear in the length of `text`.
  int32_t parse(const char* text, bool store, int32_t* cols, int32_t* rows);
  // Writes the map as a version 1.2 map data file; false when the file
  // cannot be written.
  bool save(const char* path) const;

  // Stores the bounds; recomputes the four ratios only when the size and
  // both spans are non-zero.
  void updatelatlong(double minLat, double maxLat, double minLng, double maxLng);
  // The last header line of a version 1.2 file, kept and written back as it
  // is; null keeps the empty text.
  void updatevelocitymatrix(const char* text);
  void setTerrainSettings(const TerrainTable* settings) { terrain_ = settings; }
  // Stored for the owner; `count` is kept when `on`, else 40.
  void setGridlines(bool on, unsigned count);
  bool getGridlinesOn() const { return gridlines_; }
  unsigned getGridlineCount() const { return gridline_count_; }

  void setDefaultZoom(int32_t zoom) { zoom_ = zoom; }
  // Adds `delta` (saturating) and returns the new zoom; no bounds otherwise.
  int32_t zoomby(int32_t delta);
  int32_t getScalefactor() const { return zoom_; }
  int32_t getWidth() const { return width_; }
  int32_t getHeight() const { return height_; }
  double GetMinLat() const { return min_lat_; }
  double GetMaxLat() const { return max_lat_; }
  double GetMinLng() const { return min_lng_; }
  double GetMaxLng() const { return max_lng_; }
  // True once update() has made the picture.
  bool exists() const { return bitmap_ != nullptr; }

  // Degrees to cell, no zoom, no flip.
  void pixelloc(int32_t* x, int32_t* y, double lat, double lng) const;
  // Degrees to the top-left screen pixel of the cell's square.
  void LatLng2PixelLoc(int32_t* px, int32_t* py, double lat, double lng) const;
  // Cell to degrees: its lower corner, so pixelloc() gives the cell back.
  void latlongloc(double* lat, double* lng, int32_t x, int32_t y) const;
  // Cell distance to degrees, and back.
  void dllloc(double* dlat, double* dlng, int32_t dx, int32_t dy) const;
  void dpixloc(int32_t* dx, int32_t* dy, double dlat, double dlng) const;
  // A radius in degrees as cells and back; the latitude ratio serves both axes.
  int32_t pixradius(double r) const;
  double latradius(int32_t n) const;

  // Renders the grid into a new picture of (width x zoom) x (height x zoom)
  // pixels compatible with `dc` (the window's context), then the grid lines
  // of DrawGridLines(nx, ny, lo, hi). `progress` (may be null) runs from 0 to
  // width, one step a column. Without a grid, or when the picture cannot be
  // made (a zoom below 1, a size too large), nothing is drawn and exists()
  // is false. Forest trees come from rand().
  void update(CDC* dc, platform::Progress* progress, unsigned nx, unsigned ny, const CLatLng* lo,
              const CLatLng* hi);
  // nx latitude lines from lo + step to hi and ny longitude lines from
  // hi - step down to lo, each across the whole map. An axis whose step
  // count is 0 or whose span from lo to hi is not positive gets no lines.
  void DrawGridLines(CDC* dc, unsigned nx, unsigned ny, const CLatLng* lo, const CLatLng* hi) const;
  // Numbers the grid lines along the minimum-longitude and the
  // maximum-latitude edge (of lo and hi with `useGiven`, else of the map's
  // bounds), each axis stepping from lo until half a step past its upper
  // bound (at most kMaxLabels steps), with the same limits on steps and
  // spans as DrawGridLines. A label that would run into the one drawn
  // before it on its edge is left out; the numbers stay those of their
  // steps.
  void LabelGrid(CDC* dc, unsigned nx, unsigned ny, const CLatLng* lo, const CLatLng* hi,
                 bool useGiven) const;
  // Selects the picture into `mem` (where it stays) and copies it to `dst`
  // at (0, 0). Nothing without a picture.
  void blt(CDC* dst, CDC* mem) const;

 private:
  void free_grid();
  // Pixel column of cell column x, pixel row of cell row y (flipped).
  int32_t pixel_x(int64_t x) const;
  int32_t pixel_y(int64_t y) const;
  void pixel_of(CPoint* p, double lat, double lng) const;

  int32_t zoom_ = 2;
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::unique_ptr<CBitmap> bitmap_;
  std::unique_ptr<unsigned char[]> grid_;
  std::string velocity_;
  double min_lat_ = 0.0;
  double max_lat_ = 0.0;
  double min_lng_ = 0.0;
  double max_lng_ = 0.0;
  double cells_per_lat_ = 1.0;
  double cells_per_lng_ = 1.0;
  double lat_per_cell_ = 1.0;
  double lng_per_cell_ = 1.0;
  const TerrainTable* terrain_ = nullptr;
  bool gridlines_ = false;
  unsigned gridline_count_ = 40;
};
