#include "TesselMapsLib/worldmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// 100 x 50 cells over latitude 10..60 and longitude -5..20: two cells a
// degree on both axes.
void make_standard(CWorldMap& map) {
  ASSERT_TRUE(map.create(100, 50, '!'));
  map.updatelatlong(10.0, 60.0, -5.0, 20.0);
}

// 100 x 100 cells over latitude 0..50 and longitude 0..25: two cells a
// degree of latitude, four a degree of longitude.
void make_uneven(CWorldMap& map) {
  ASSERT_TRUE(map.create(100, 100, '!'));
  map.updatelatlong(0.0, 50.0, 0.0, 25.0);
}

struct Pair {
  double a;
  double b;
};

struct ConversionCase {
  const char* name;
  std::function<void(CWorldMap&)> setup;
  std::function<Pair(const CWorldMap&)> convert;
  Pair want;
};

Pair cell(const CWorldMap& map, double lat, double lng) {
  int32_t x = -99;
  int32_t y = -99;
  map.pixelloc(&x, &y, lat, lng);
  return {double(x), double(y)};
}

Pair pixel(const CWorldMap& map, double lat, double lng) {
  int32_t x = -99;
  int32_t y = -99;
  map.LatLng2PixelLoc(&x, &y, lat, lng);
  return {double(x), double(y)};
}

void fresh(CWorldMap&) {}

TEST(WorldMap, Conversions) {
  const ConversionCase cases[] = {
      {"new map: ratios 1, bounds 0", fresh, [](auto& m) { return cell(m, 3.4, 7.5); }, {3, 8}},
      {"rule R: 2.4 down, 2.5 up", fresh, [](auto& m) { return cell(m, 2.4, 2.5); }, {2, 3}},
      {"rule R cuts toward zero: -0.7 gives 0", fresh, [](auto& m) { return cell(m, -0.7, -1.6); },
       {0, -1}},
      {"standard: minimum corner", make_standard, [](auto& m) { return cell(m, 10.0, -5.0); },
       {0, 0}},
      {"standard: maximum corner is one past the grid", make_standard,
       [](auto& m) { return cell(m, 60.0, 20.0); }, {100, 50}},
      {"standard: 0.7 and 1.6 cell widths below the minimum", make_standard,
       [](auto& m) { return cell(m, 10.0 - 0.35, -5.0 - 0.8); }, {0, -1}},
      {"standard: half a cell rounds up", make_standard,
       [](auto& m) { return cell(m, 10.25, -4.8); }, {1, 0}},
      {"pixel: minimum bounds at the bottom, zoom 3", [](CWorldMap& m) {
         make_standard(m);
         m.setDefaultZoom(3);
       },
       [](auto& m) { return pixel(m, 10.0, -5.0); }, {0, 147}},
      {"pixel: maximum bounds one row above the top", [](CWorldMap& m) {
         make_standard(m);
         m.setDefaultZoom(3);
       },
       [](auto& m) { return pixel(m, 60.0, 20.0); }, {300, -3}},
      {"latlongloc: the cell's lower corner", make_standard,
       [](auto& m) {
         Pair p{};
         m.latlongloc(&p.a, &p.b, 3, 4);
         return p;
       },
       {11.5, -3.0}},
      {"latlongloc then pixelloc gives the cell back", make_standard,
       [](auto& m) {
         double lat = 0;
         double lng = 0;
         m.latlongloc(&lat, &lng, 37, 11);
         return cell(m, lat, lng);
       },
       {37, 11}},
      {"dllloc", make_standard,
       [](auto& m) {
         Pair p{};
         m.dllloc(&p.a, &p.b, 3, -4);
         return p;
       },
       {1.5, -2.0}},
      {"dpixloc: cells, no zoom", [](CWorldMap& m) {
         make_standard(m);
         m.setDefaultZoom(5);
       },
       [](auto& m) {
         int32_t dx = -99;
         int32_t dy = -99;
         m.dpixloc(&dx, &dy, 1.2, -0.7);
         return Pair{double(dx), double(dy)};
       },
       {2, 0}},
      {"pixradius and latradius use the latitude ratio", make_uneven,
       [](auto& m) { return Pair{double(m.pixradius(1.0)), m.latradius(4)}; }, {2, 2.0}},
      {"NaN saturates low, huge values saturate", make_standard,
       [](auto& m) { return cell(m, std::nan(""), 1e300); }, {kMin, kMax}},
      {"limits of the 32-bit range", fresh,
       [](auto& m) { return cell(m, 2147483647.4, -2147483648.6); }, {kMax, kMin}},
      {"just beyond the 32-bit range", fresh,
       [](auto& m) { return cell(m, 2147483648.0, -2147483649.7); }, {kMax, kMin}},
      {"pixels of far points are held within kMaxPixel", [](CWorldMap& m) {
         make_standard(m);
         m.setDefaultZoom(1000);
       },
       [](auto& m) { return pixel(m, 1e12, 1e12); },
       {CWorldMap::kMaxPixel, -CWorldMap::kMaxPixel}},
      {"pixels of NaN are held within kMaxPixel", make_standard,
       [](auto& m) { return pixel(m, std::nan(""), std::nan("")); },
       {-CWorldMap::kMaxPixel, CWorldMap::kMaxPixel}},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    c.setup(map);
    const Pair got = c.convert(map);
    EXPECT_EQ(got.a, c.want.a) << c.name;
    EXPECT_EQ(got.b, c.want.b) << c.name;
  }
}

TEST(WorldMap, NewMapDefaults) {
  CWorldMap map;
  EXPECT_EQ(map.getScalefactor(), 2);
  EXPECT_EQ(map.getWidth(), 0);
  EXPECT_EQ(map.getHeight(), 0);
  EXPECT_FALSE(map.exists());
  EXPECT_EQ(map.GetMinLat(), 0.0);
  EXPECT_EQ(map.GetMaxLng(), 0.0);
  EXPECT_EQ(map.point(0, 0), 0);
}

TEST(WorldMap, CreateFillsAndSetsBoundsButKeepsRatios) {
  CWorldMap map;
  make_standard(map);
  map.updatevelocitymatrix("v");
  map.empty();
  ASSERT_TRUE(map.create(100, 50, 33));
  EXPECT_EQ(map.getWidth(), 100);
  EXPECT_EQ(map.getHeight(), 50);
  EXPECT_EQ(map.GetMinLat(), 0.0);
  EXPECT_EQ(map.GetMaxLat(), 100.0);
  EXPECT_EQ(map.GetMinLng(), 0.0);
  EXPECT_EQ(map.GetMaxLng(), 50.0);
  // Still two cells a degree from the previous map.
  EXPECT_EQ(cell(map, 10.0, 10.0).a, 20);
  for (int32_t y = 0; y < 50; ++y) {
    for (int32_t x = 0; x < 100; ++x) ASSERT_EQ(map.point(x, y), 33) << x << "," << y;
  }
}

TEST(WorldMap, CreateOverAnExistingGridReplacesIt) {
  CWorldMap map;
  ASSERT_TRUE(map.create(4, 4, 'a'));
  ASSERT_TRUE(map.create(2, 3, 'b'));
  EXPECT_EQ(map.getWidth(), 2);
  EXPECT_EQ(map.getHeight(), 3);
  EXPECT_EQ(map.point(1, 2), 'b');
  EXPECT_EQ(map.point(3, 3), 0);
}

TEST(WorldMap, CreateRefusesSizesItCannotHold) {
  const struct {
    int32_t width;
    int32_t height;
  } cases[] = {{0, 5}, {5, 0}, {-1, 5}, {5, -3}, {10001, 10000}, {100000001, 1}, {kMax, kMax}};
  for (const auto& c : cases) {
    CWorldMap map;
    ASSERT_TRUE(map.create(3, 2, 'q'));
    EXPECT_FALSE(map.create(c.width, c.height, 'z')) << c.width << " x " << c.height;
    EXPECT_EQ(map.getWidth(), 3);
    EXPECT_EQ(map.getHeight(), 2);
    EXPECT_EQ(map.point(2, 1), 'q');
  }
}

TEST(WorldMap, CellsOutsideTheGridReadZeroAndIgnoreWrites) {
  CWorldMap map;
  ASSERT_TRUE(map.create(3, 2, '!'));
  map.point(2, 1, 'x');
  EXPECT_EQ(map.point(2, 1), 'x');
  const struct {
    int32_t x;
    int32_t y;
  } outside[] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {kMin, kMin}, {kMax, 1}, {1, kMax}};
  for (const auto& c : outside) {
    map.point(c.x, c.y, 'y');
    EXPECT_EQ(map.point(c.x, c.y), 0) << c.x << "," << c.y;
  }
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) EXPECT_NE(map.point(x, y), 'y');
  }
}

TEST(WorldMap, EmptyKeepsBoundsAndResetsZoom) {
  CWorldMap map;
  make_standard(map);
  EXPECT_EQ(map.zoomby(-2), 0);
  map.setGridlines(true, 12);
  map.empty();
  EXPECT_EQ(map.getScalefactor(), 2);
  EXPECT_EQ(map.getWidth(), 0);
  EXPECT_EQ(map.getHeight(), 0);
  EXPECT_EQ(map.point(0, 0), 0);
  EXPECT_EQ(map.GetMinLat(), 10.0);
  EXPECT_EQ(map.GetMaxLng(), 20.0);
  EXPECT_EQ(map.getGridlineCount(), 12u);
  EXPECT_EQ(cell(map, 11.0, -4.0).a, 2);
}

TEST(WorldMap, UpdateLatLongKeepsRatiosForZeroSpansOrSizes) {
  const struct {
    const char* name;
    bool with_grid;
    double min_lat, max_lat, min_lng, max_lng;
  } cases[] = {
      {"zero latitude span", true, 10.0, 10.0, 0.0, 5.0},
      {"zero longitude span", true, 0.0, 5.0, 3.0, 3.0},
      {"no grid", false, 0.0, 50.0, 0.0, 25.0},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    if (c.with_grid) {
      ASSERT_TRUE(map.create(100, 50, '!'));
    }
    map.updatelatlong(c.min_lat, c.max_lat, c.min_lng, c.max_lng);
    EXPECT_EQ(map.GetMinLat(), c.min_lat) << c.name;
    EXPECT_EQ(map.GetMaxLat(), c.max_lat) << c.name;
    EXPECT_EQ(map.GetMinLng(), c.min_lng) << c.name;
    EXPECT_EQ(map.GetMaxLng(), c.max_lng) << c.name;
    // Ratios still 1.0: one cell a degree from the new minimum.
    const Pair got = cell(map, c.min_lat + 3.0, c.min_lng + 4.0);
    EXPECT_EQ(got.a, 3) << c.name;
    EXPECT_EQ(got.b, 4) << c.name;
    EXPECT_EQ(map.latradius(3), 3.0) << c.name;
  }
}

TEST(WorldMap, NegativeSpansGiveNegativeRatios) {
  CWorldMap map;
  ASSERT_TRUE(map.create(10, 10, '!'));
  map.updatelatlong(10.0, 0.0, 10.0, 0.0);
  EXPECT_EQ(cell(map, 7.0, 2.0).a, 3);
  EXPECT_EQ(cell(map, 7.0, 2.0).b, 8);
  EXPECT_EQ(cell(map, 12.0, 10.6).a, -1);  // -1.5 cut toward zero
  EXPECT_EQ(cell(map, 12.0, 10.6).b, 0);   // -0.1 cut toward zero
  EXPECT_EQ(map.latradius(2), -2.0);
}

TEST(WorldMap, ZoomHasNoBoundsButDoesNotOverflow) {
  CWorldMap map;
  EXPECT_EQ(map.zoomby(-2), 0);
  EXPECT_EQ(map.zoomby(-5), -5);
  map.setDefaultZoom(kMax - 1);
  EXPECT_EQ(map.zoomby(5), kMax);
  map.setDefaultZoom(kMin + 1);
  EXPECT_EQ(map.zoomby(-5), kMin);
}

TEST(WorldMap, GridLineSettings) {
  CWorldMap map;
  map.setGridlines(false, 7);
  EXPECT_FALSE(map.getGridlinesOn());
  EXPECT_EQ(map.getGridlineCount(), 40u);
  map.setGridlines(true, 7);
  EXPECT_TRUE(map.getGridlinesOn());
  EXPECT_EQ(map.getGridlineCount(), 7u);
}

}  // namespace
