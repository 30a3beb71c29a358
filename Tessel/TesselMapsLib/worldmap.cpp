#include "TesselMapsLib/worldmap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "Toolwick/format.h"

#include "TesselMapsLib/terrain.h"

namespace {

constexpr char kRowEnd = 0x01;

int32_t saturate(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(value);
}

// The rule R: add 0.5 and cut toward zero; out of range and NaN saturate.
int32_t rule_r(double value) {
  const double shifted = value + 0.5;
  if (std::isnan(shifted)) return std::numeric_limits<int32_t>::min();
  if (shifted >= 2147483648.0) return std::numeric_limits<int32_t>::max();
  if (shifted <= -2147483649.0) return std::numeric_limits<int32_t>::min();
  return int32_t(shifted);
}

// The drawing objects of one rendering.
struct CellPainter {
  CDC* dc;
  int32_t zoom;
  CBrush* gray_brush;
  CPen* black_pen;
  CBrush soil_brush{RGB(192, 192, 192)};
  CPen soil_pen{PS_SOLID, 1, RGB(192, 192, 192)};
  CPen tree_pen{PS_SOLID, 2, RGB(25, 125, 0)};

  void diagonal_down(const CRect& r) const {
    dc->MoveTo(r.left, r.top);
    dc->LineTo(r.right, r.bottom);
  }
  void diagonal_up(const CRect& r) const {
    dc->MoveTo(r.left, r.bottom);
    dc->LineTo(r.right, r.top);
  }

  // A cell into the square at column x and screen row `row` (0 at the top).
  void draw(int32_t x, int32_t row, const CTerrain* terrain) {
    const CRect square(x * zoom, row * zoom, (x + 1) * zoom, (row + 1) * zoom);
    switch (terrain != nullptr ? terrain->style() : TerrainStyle(-1)) {
      case STYLE_SOLID:
        dc->SelectObject(terrain->brush());
        dc->SelectObject(terrain->pen());
        dc->Rectangle(square);
        return;
      case STYLE_ELLIPSE:
        dc->SelectObject(terrain->brush());
        dc->SelectObject(black_pen);
        dc->Ellipse(square);
        return;
      case STYLE_CROSS:
        dc->SelectObject(terrain->pen());
        diagonal_down(square);
        diagonal_up(square);
        return;
      case STYLE_FOREST:
        dc->SelectObject(&soil_brush);
        dc->SelectObject(&soil_pen);
        dc->Rectangle(square);
        dc->SelectObject(terrain->pen());
        diagonal_down(square);
        if (std::rand() % 10 < 3) {
          dc->SelectObject(&tree_pen);
          diagonal_down(square);
          diagonal_up(square);
        }
        return;
    }
    dc->SelectObject(gray_brush);
    dc->SelectObject(black_pen);
    dc->Rectangle(square);
  }
};

}  // namespace

CWorldMap::CWorldMap() = default;

CWorldMap::~CWorldMap() = default;

void CWorldMap::free_grid() {
  bitmap_.reset();
  grid_.reset();
}

bool CWorldMap::create(int32_t width, int32_t height, unsigned char fill) {
  if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxCells) return false;
  free_grid();
  width_ = width;
  height_ = height;
  min_lat_ = 0.0;
  max_lat_ = double(width);
  min_lng_ = 0.0;
  max_lng_ = double(height);
  velocity_.clear();
  const size_t cells = size_t(width) * size_t(height);
  grid_ = std::make_unique<unsigned char[]>(cells);
  std::memset(grid_.get(), fill, cells);
  return true;
}

void CWorldMap::empty() {
  free_grid();
  zoom_ = 2;
  width_ = 0;
  height_ = 0;
}

unsigned char CWorldMap::point(int32_t x, int32_t y) const {
  if (!grid_ || x < 0 || x >= width_ || y < 0 || y >= height_) return 0;
  return grid_[size_t(x) + size_t(y) * size_t(width_)];
}

void CWorldMap::point(int32_t x, int32_t y, unsigned char code) {
  if (!grid_ || x < 0 || x >= width_ || y < 0 || y >= height_) return;
  grid_[size_t(x) + size_t(y) * size_t(width_)] = code;
}

int32_t CWorldMap::parse(const char* text, bool store, int32_t* cols, int32_t* rows) {
  const int64_t stored_rows = *rows;
  unsigned char* grid = store ? grid_.get() : nullptr;
  int64_t column = 0;
  int64_t ended = 0;
  int64_t cells = 0;
  int64_t last_columns = 0;
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    const signed char byte = static_cast<signed char>(*p);
    if (byte == kRowEnd) {
      last_columns = column;
      column = 0;
      ++ended;
    } else if (byte >= 0x21) {
      if (grid != nullptr) {
        // The first row of the text is the top row, R - 1; anything beyond
        // the grid is dropped.
        const int64_t y = stored_rows - ended - 1;
        if (column < width_ && y >= 0 && y < height_) {
          grid[column + y * width_] = static_cast<unsigned char>(byte);
        }
      }
      ++column;
      ++cells;
    }
  }
  *cols = saturate(last_columns);
  *rows = saturate(ended);
  return saturate(cells);
}

bool CWorldMap::save(const char* path) const {
  if (path == nullptr) return false;
  std::string out = str_format("%s\r\n%d\r\n%f:%f\r\n%d\n%f:%f\r\n%s\r\n", kMagic12, width_,
                               min_lat_, max_lat_, height_, min_lng_, max_lng_, velocity_.c_str());
  if (grid_) {
    out.reserve(out.size() + (size_t(width_) + 3) * size_t(height_));
    for (int32_t y = height_ - 1; y >= 0; --y) {
      out.append(reinterpret_cast<const char*>(grid_.get()) + size_t(y) * size_t(width_),
                 size_t(width_));
      out += ' ';
      out += kRowEnd;
      out += '\n';
    }
  }
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && written;
}

void CWorldMap::updatelatlong(double minLat, double maxLat, double minLng, double maxLng) {
  min_lat_ = minLat;
  max_lat_ = maxLat;
  min_lng_ = minLng;
  max_lng_ = maxLng;
  if (width_ == 0 || height_ == 0 || maxLat - minLat == 0.0 || maxLng - minLng == 0.0) return;
  cells_per_lat_ = width_ / (maxLat - minLat);
  cells_per_lng_ = height_ / (maxLng - minLng);
  lat_per_cell_ = (maxLat - minLat) / width_;
  lng_per_cell_ = (maxLng - minLng) / height_;
}

void CWorldMap::updatevelocitymatrix(const char* text) { velocity_ = text != nullptr ? text : ""; }

void CWorldMap::setGridlines(bool on, unsigned count) {
  gridlines_ = on;
  gridline_count_ = on ? count : 40;
}

int32_t CWorldMap::zoomby(int32_t delta) {
  zoom_ = saturate(int64_t(zoom_) + delta);
  return zoom_;
}

namespace {

// Held within kMaxPixel.
int32_t held_pixel(int64_t pixel) {
  return int32_t(std::clamp<int64_t>(pixel, -CWorldMap::kMaxPixel, CWorldMap::kMaxPixel));
}

}  // namespace

int32_t CWorldMap::pixel_x(int64_t x) const { return held_pixel(x * zoom_); }

int32_t CWorldMap::pixel_y(int64_t y) const { return held_pixel((height_ - y - 1) * zoom_); }

void CWorldMap::pixelloc(int32_t* x, int32_t* y, double lat, double lng) const {
  *x = rule_r((lat - min_lat_) * cells_per_lat_);
  *y = rule_r((lng - min_lng_) * cells_per_lng_);
}

void CWorldMap::LatLng2PixelLoc(int32_t* px, int32_t* py, double lat, double lng) const {
  int32_t x = 0;
  int32_t y = 0;
  pixelloc(&x, &y, lat, lng);
  *px = pixel_x(x);
  *py = pixel_y(y);
}

void CWorldMap::pixel_of(CPoint* p, double lat, double lng) const {
  int32_t px = 0;
  int32_t py = 0;
  LatLng2PixelLoc(&px, &py, lat, lng);
  *p = CPoint(px, py);
}

void CWorldMap::latlongloc(double* lat, double* lng, int32_t x, int32_t y) const {
  *lat = x * lat_per_cell_ + min_lat_;
  *lng = y * lng_per_cell_ + min_lng_;
}

void CWorldMap::dllloc(double* dlat, double* dlng, int32_t dx, int32_t dy) const {
  *dlat = dx * lat_per_cell_;
  *dlng = dy * lng_per_cell_;
}

void CWorldMap::dpixloc(int32_t* dx, int32_t* dy, double dlat, double dlng) const {
  *dx = rule_r(dlat * cells_per_lat_);
  *dy = rule_r(dlng * cells_per_lng_);
}

int32_t CWorldMap::pixradius(double r) const { return rule_r(r * cells_per_lat_); }

double CWorldMap::latradius(int32_t n) const { return n * lat_per_cell_; }

void CWorldMap::update(CDC* dc, platform::Progress* progress, unsigned nx, unsigned ny,
                       const CLatLng* lo, const CLatLng* hi) {
  if (dc == nullptr || !grid_ || width_ == 0 || height_ == 0) return;
  bitmap_.reset();
  const int64_t picture_width = int64_t(width_) * zoom_;
  const int64_t picture_height = int64_t(height_) * zoom_;
  if (zoom_ < 1 || picture_width > std::numeric_limits<int>::max() ||
      picture_height > std::numeric_limits<int>::max()) {
    return;
  }
  auto bitmap = std::make_unique<CBitmap>();
  if (!bitmap->CreateCompatibleBitmap(dc, int(picture_width), int(picture_height))) return;
  const std::unique_ptr<CDC> mem = dc->CreateCompatibleDC();
  mem->SelectObject(bitmap.get());
  bitmap_ = std::move(bitmap);

  CBrush background(RGB(220, 220, 220));
  mem->FillRect(CRect(0, 0, int(picture_width) - 1, int(picture_height) - 1), &background);

  // Terrain types by byte, looked up once per cell.
  const CTerrain* by_code[256] = {};
  if (terrain_ != nullptr) {
    for (const auto& [code, terrain] : *terrain_) {
      if (terrain == nullptr) continue;
      terrain->construct_pen();
      terrain->construct_brush();
      if (code < 256) by_code[code] = terrain;
    }
  }

  CellPainter painter{mem.get(), zoom_, static_cast<CBrush*>(platform::stock_object(GRAY_BRUSH)),
                      static_cast<CPen*>(platform::stock_object(BLACK_PEN))};
  CBrush* first_brush = mem->SelectObject(painter.gray_brush);
  CPen* first_pen = mem->SelectObject(painter.black_pen);
  if (progress != nullptr) progress->begin(0, width_, 1);

  for (int32_t x = 0; x < width_; ++x) {
    if (progress != nullptr) progress->step();
    for (int32_t y = 0; y < height_; ++y) {
      // Flipped like every other layer (pixel_y): the minimum longitude at
      // the bottom, so that units, lines and labels lie over their terrain.
      painter.draw(x, height_ - y - 1, by_code[grid_[size_t(x) + size_t(y) * size_t(width_)]]);
    }
  }

  mem->SelectObject(painter.black_pen);
  DrawGridLines(mem.get(), nx, ny, lo, hi);

  if (terrain_ != nullptr) {
    for (const auto& [code, terrain] : *terrain_) {
      if (terrain == nullptr) continue;
      terrain->destroy_pen();
      terrain->destroy_brush();
    }
  }
  mem->SelectObject(first_brush);
  mem->SelectObject(first_pen);
  if (progress != nullptr) progress->end();
}

void CWorldMap::DrawGridLines(CDC* dc, unsigned nx, unsigned ny, const CLatLng* lo,
                              const CLatLng* hi) const {
  if (dc == nullptr || lo == nullptr || hi == nullptr) return;
  CPen pen(PS_SOLID, 0, RGB(0, 0, 0));
  CPen* previous = dc->SelectObject(&pen);
  CPoint from;
  CPoint to;
  // Each axis steps a counted number of times, so a tiny step cannot run on.
  if (nx > 0 && hi->latitude > lo->latitude) {
    const double step = (hi->latitude - lo->latitude) / nx;
    double lat = lo->latitude;
    for (unsigned i = 0; i < nx; ++i) {
      lat += step;
      if (lat < lo->latitude) continue;
      if (lat > hi->latitude) break;
      pixel_of(&from, lat, min_lng_);
      pixel_of(&to, lat, max_lng_);
      dc->MoveTo(from);
      dc->LineTo(to);
    }
  }
  if (ny > 0 && hi->longitude > lo->longitude) {
    const double step = (hi->longitude - lo->longitude) / ny;
    double lng = hi->longitude;
    for (unsigned i = 0; i < ny; ++i) {
      lng -= step;
      if (lng > hi->longitude) continue;
      if (lng < lo->longitude) break;
      pixel_of(&from, min_lat_, lng);
      pixel_of(&to, max_lat_, lng);
      dc->MoveTo(from);
      dc->LineTo(to);
    }
  }
  // The pen dies with this call: the caller's goes back in.
  dc->SelectObject(previous);
}

void CWorldMap::LabelGrid(CDC* dc, unsigned nx, unsigned ny, const CLatLng* lo, const CLatLng* hi,
                          bool useGiven) const {
  if (dc == nullptr || lo == nullptr || hi == nullptr) return;
  dc->SetBkMode(TRANSPARENT);
  CPen pen(PS_SOLID, 0, RGB(192, 192, 192));
  CPen* previous = dc->SelectObject(&pen);
  const double lower_lat = useGiven ? lo->latitude : min_lat_;
  const double upper_lat = useGiven ? hi->latitude : max_lat_;
  const double lower_lng = useGiven ? lo->longitude : min_lng_;
  const double upper_lng = useGiven ? hi->longitude : max_lng_;
  // The label drawn last on an edge; one that would run into it is left out.
  struct Drawn {
    bool any = false;
    int64_t at = 0;      // its position along the edge
    int64_t length = 0;  // and its extent along it, gap included
    // Whether a label at `position` with `extent` clears it: the one that
    // comes first along the edge must end before the other begins.
    bool clear_of(int64_t position, int64_t extent) const {
      return !any || std::llabs(position - at) >= (position > at ? length : extent);
    }
  };
  const auto label = [&](Drawn* drawn, const CPoint& where, int64_t position, unsigned i,
                         bool across) {
    const std::string text = str_format("%u", i);
    const int64_t extent =
        across ? int64_t(text.size()) * kLabelDigitWidth + kLabelGap : kLabelHeight;
    if (!drawn->clear_of(position, extent)) return;
    *drawn = Drawn{true, position, extent};
    dc->SetTextColor(RGB(0, 0, 0));
    dc->TextOut(where.x, where.y, text.c_str());
  };
  CPoint at;
  // Each axis runs until it is half a step past its upper bound, within
  // kMaxLabels steps, so that a step too small to move cannot run on.
  if (nx > 0 && hi->latitude > lo->latitude) {
    const double step = (hi->latitude - lo->latitude) / nx;
    double lat = lo->latitude;
    Drawn drawn;
    for (unsigned i = 0; i < kMaxLabels; ++i) {
      lat += step;
      if (lat < lower_lat) continue;
      if (!(lat <= upper_lat + step / 2)) break;
      pixel_of(&at, lat - step, lower_lng);
      label(&drawn, at, at.x, i, true);
    }
  }
  if (ny > 0 && hi->longitude > lo->longitude) {
    const double step = (hi->longitude - lo->longitude) / ny;
    double lng = hi->longitude;
    Drawn drawn;
    for (unsigned i = 0; i < kMaxLabels; ++i) {
      lng -= step;
      if (lng > upper_lng) continue;
      if (!(lng >= lower_lng - step / 2)) break;
      pixel_of(&at, upper_lat, lng + step);
      label(&drawn, at, at.y, i, false);
    }
  }
  dc->SelectObject(previous);
  dc->SetBkMode(OPAQUE);
}

void CWorldMap::blt(CDC* dst, CDC* mem) const {
  if (!bitmap_ || dst == nullptr || mem == nullptr) return;
  mem->SelectObject(bitmap_.get());
  dst->BitBlt(0, 0, pixel_x(width_), saturate(int64_t(height_) * zoom_), mem, 0, 0, SRCCOPY);
}
