// Speed of the maps library on the sizes a large exercise has: scanning and
// storing a map data grid (cost per byte should not grow with the size),
// rendering a 400 x 400 map at zoom 3 into a QImage, and the degree/pixel
// conversions every unit drawing makes, each beside a plain baseline doing
// the least of the same work.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PlatformQt/imagedc.h"

#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/worldmap.h"

namespace {

// The grid section of a side x side map: rows of cycling codes, each row on
// a line of its own as the writer puts them.
std::string grid_text(int side) {
  std::string text;
  text.reserve(size_t(side) * (size_t(side) + 3));
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) text += char('!' + (x + y) % 90);
    text += " \x01\n";
  }
  return text;
}

void BM_Parse(benchmark::State& state) {
  const int side = int(state.range(0));
  const std::string text = grid_text(side);
  CWorldMap map;
  map.create(side, side, 33);
  for (auto _ : state) {
    int32_t cols = 0;
    int32_t rows = side;
    benchmark::DoNotOptimize(map.parse(text.c_str(), true, &cols, &rows));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Parse)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// The baseline of BM_Parse: each row's codes copied into a grid of the same
// size, the row ends found with memchr, nothing checked.
void BM_ParsePlain(benchmark::State& state) {
  const int side = int(state.range(0));
  const std::string text = grid_text(side);
  std::vector<unsigned char> grid(size_t(side) * size_t(side));
  for (auto _ : state) {
    const char* p = text.data();
    const char* const end = p + text.size();
    for (int y = side - 1; y >= 0 && p < end; --y) {
      const auto* row_end = static_cast<const char*>(std::memchr(p, '\x01', size_t(end - p)));
      if (row_end == nullptr) break;
      std::memcpy(&grid[size_t(y) * size_t(side)], p, size_t(side));
      p = row_end + 2;
    }
    benchmark::DoNotOptimize(grid.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParsePlain)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// Five codes: solid, ellipse, cross, forest and one without a terrain type.
class Scene {
 public:
  Scene() {
    const TerrainStyle styles[] = {STYLE_SOLID, STYLE_ELLIPSE, STYLE_CROSS, STYLE_FOREST};
    for (int i = 0; i < 4; ++i) {
      auto& terrain = terrains_.emplace_back(std::make_unique<CTerrain>());
      terrain->code(static_cast<unsigned char>('a' + i));
      terrain->style(styles[i]);
      terrain->colour(RGB(40 * i, 200 - 40 * i, 90));
      table_[terrain->code()] = terrain.get();
    }
    map_.create(400, 400, 33);
    for (int32_t y = 0; y < 400; ++y) {
      for (int32_t x = 0; x < 400; ++x) {
        map_.point(x, y, static_cast<unsigned char>('a' + (x / 7 + y / 5) % 5));
      }
    }
    map_.updatelatlong(0.0, 950.0, 95.0, 655.0);
    map_.setTerrainSettings(&table_);
    map_.setDefaultZoom(3);
  }
  CWorldMap& map() { return map_; }

 private:
  std::vector<std::unique_ptr<CTerrain>> terrains_;
  TerrainTable table_;
  CWorldMap map_;
};

void BM_Update(benchmark::State& state) {
  Scene scene;
  QImage window(640, 480, QImage::Format_RGB32);
  platform::ImageDC dc(&window);
  const CLatLng lo(0.0, 95.0);
  const CLatLng hi(950.0, 655.0);
  for (auto _ : state) scene.map().update(&dc, nullptr, 40, 40, &lo, &hi);
  state.SetItemsProcessed(int64_t(state.iterations()) * 400 * 400);
}
BENCHMARK(BM_Update)->Unit(benchmark::kMillisecond);

// The baseline of BM_Update: the same 400 x 400 cells filled as plain 3 x 3
// rectangles of their colours into a picture of the map's size.
void BM_UpdatePlain(benchmark::State& state) {
  QImage picture(1200, 1200, QImage::Format_RGB32);
  const QColor colours[] = {QColor(0, 200, 90), QColor(40, 160, 90), QColor(80, 120, 90),
                            QColor(120, 80, 90), QColor(128, 128, 128)};
  for (auto _ : state) {
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(220, 220, 220));
    for (int x = 0; x < 400; ++x) {
      for (int y = 0; y < 400; ++y) {
        painter.fillRect(x * 3, (399 - y) * 3, 3, 3, colours[(x / 7 + y / 5) % 5]);
      }
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 400 * 400);
}
BENCHMARK(BM_UpdatePlain)->Unit(benchmark::kMillisecond);

void BM_Conversions(benchmark::State& state) {
  Scene scene;
  const CWorldMap& map = scene.map();
  int64_t sum = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      int32_t px = 0;
      int32_t py = 0;
      map.LatLng2PixelLoc(&px, &py, i * 0.95, 95.0 + i * 0.56);
      double lat = 0.0;
      double lng = 0.0;
      map.latlongloc(&lat, &lng, px / 3, py / 3);
      sum += px + py + map.pixradius(lat - lng);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_Conversions);

// The baseline of BM_Conversions: the same arithmetic written out with the
// map's factors worked out once, rounding without the range checks.
void BM_ConversionsPlain(benchmark::State& state) {
  Scene scene;
  const CWorldMap& map = scene.map();
  const double min_lat = map.GetMinLat();
  const double min_lng = map.GetMinLng();
  const double cells_per_lat = map.getWidth() / (map.GetMaxLat() - min_lat);
  const double cells_per_lng = map.getHeight() / (map.GetMaxLng() - min_lng);
  const double lat_per_cell = 1.0 / cells_per_lat;
  const double lng_per_cell = 1.0 / cells_per_lng;
  const int32_t zoom = map.getScalefactor();
  const int32_t height = map.getHeight();
  int64_t sum = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      const auto x = int32_t((i * 0.95 - min_lat) * cells_per_lat + 0.5);
      const auto y = int32_t((95.0 + i * 0.56 - min_lng) * cells_per_lng + 0.5);
      const int32_t px = x * zoom;
      const int32_t py = (height - y - 1) * zoom;
      const double lat = (px / 3) * lat_per_cell + min_lat;
      const double lng = (py / 3) * lng_per_cell + min_lng;
      sum += px + py + int32_t((lat - lng) * cells_per_lat + 0.5);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}
BENCHMARK(BM_ConversionsPlain);

}  // namespace
