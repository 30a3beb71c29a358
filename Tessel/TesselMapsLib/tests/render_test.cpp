// Rendering the map into its picture, the grid lines and labels, and the
// copy to the screen, checked call by call on the recorder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Platform/recordingdc.h"

#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/worldmap.h"

namespace {

using platform::RecordingDC;
using Lines = std::vector<std::string>;

class RecordingProgress : public platform::Progress {
 public:
  void begin(int low, int high, int step) override {
    calls.push_back("begin " + std::to_string(low) + " " + std::to_string(high) + " " +
                    std::to_string(step));
  }
  void step() override { calls.push_back("step"); }
  void end() override { calls.push_back("end"); }
  std::vector<std::string> calls;
};

// Terrain types for the codes 's' (solid red), 'e' (ellipse blue), 'x' (cross
// green) and 'f' (forest brown); other codes have none.
class Terrains {
 public:
  Terrains() {
    add('s', STYLE_SOLID, RGB(255, 0, 0));
    add('e', STYLE_ELLIPSE, RGB(0, 0, 255));
    add('x', STYLE_CROSS, RGB(0, 255, 0));
    add('f', STYLE_FOREST, RGB(100, 50, 0));
  }
  const TerrainTable* table() const { return &table_; }

 private:
  void add(unsigned char code, TerrainStyle style, COLORREF colour) {
    auto& terrain = terrains_.emplace_back(std::make_unique<CTerrain>());
    terrain->code(code);
    terrain->style(style);
    terrain->colour(colour);
    table_[code] = terrain.get();
  }
  std::vector<std::unique_ptr<CTerrain>> terrains_;
  TerrainTable table_;
};

// A map from rows given top (largest y) first.
void fill(CWorldMap& map, const std::vector<std::string>& rows) {
  ASSERT_TRUE(map.create(int32_t(rows[0].size()), int32_t(rows.size()), '!'));
  for (size_t i = 0; i < rows.size(); ++i) {
    for (size_t x = 0; x < rows[i].size(); ++x) {
      map.point(int32_t(x), int32_t(rows.size() - 1 - i), static_cast<unsigned char>(rows[i][x]));
    }
  }
}

TEST(Render, UpdateDrawsEveryCellThenTheGridLines) {
  Terrains terrains;
  CWorldMap map;
  fill(map, {"sx", "e?"});  // (0,1) solid, (1,1) cross, (0,0) ellipse, (1,0) unknown
  map.setTerrainSettings(terrains.table());
  map.setDefaultZoom(3);
  RecordingDC window;
  RecordingProgress progress;
  const CLatLng lo(0.0, 0.0);
  const CLatLng hi(2.0, 2.0);
  map.update(&window, &progress, 1, 1, &lo, &hi);
  EXPECT_TRUE(map.exists());
  const Lines want = {
      "CreateCompatibleDC(#1)",
      "#1 SelectObject(bitmap(6,6))",
      "#1 FillRect(0,0,5,5) brush(solid,0xDCDCDC)",
      "#1 SelectObject(brush(solid,0x808080))",
      "#1 SelectObject(pen(solid,0,0x000000))",
      // Column 0: row 0 (the ellipse) first, at the bottom as every layer
      // has the minimum longitude, then row 1 (solid) above it.
      "#1 SelectObject(brush(solid,0xFF0000))",
      "#1 SelectObject(pen(solid,0,0x000000))",
      "#1 Ellipse(0,3,3,6) pen(solid,0,0x000000) brush(solid,0xFF0000)",
      "#1 SelectObject(brush(solid,0x0000FF))",
      "#1 SelectObject(pen(solid,1,0x0000FF))",
      "#1 Rectangle(0,0,3,3) pen(solid,1,0x0000FF) brush(solid,0x0000FF)",
      // Column 1: the unknown code, then the cross without fill.
      "#1 SelectObject(brush(solid,0x808080))",
      "#1 SelectObject(pen(solid,0,0x000000))",
      "#1 Rectangle(3,3,6,6) pen(solid,0,0x000000) brush(solid,0x808080)",
      "#1 SelectObject(pen(solid,1,0x00FF00))",
      "#1 MoveTo(3,0)",
      "#1 LineTo(6,3) from(3,0) pen(solid,1,0x00FF00)",
      "#1 MoveTo(3,3)",
      "#1 LineTo(6,0) from(3,3) pen(solid,1,0x00FF00)",
      // Grid lines: one step each way, latitude 2 and longitude 0.
      "#1 SelectObject(pen(solid,0,0x000000))",
      "#1 SelectObject(pen(solid,0,0x000000))",
      "#1 MoveTo(6,3)",
      "#1 LineTo(6,-3) from(6,3) pen(solid,0,0x000000)",
      "#1 MoveTo(0,3)",
      "#1 LineTo(6,3) from(0,3) pen(solid,0,0x000000)",
      "#1 SelectObject(pen(solid,0,0x000000))",
      // The first brush and pen back.
      "#1 SelectObject(brush(solid,0xFFFFFF))",
      "#1 SelectObject(pen(solid,0,0x000000))",
  };
  EXPECT_EQ(window.lines(), want);
  EXPECT_EQ(progress.calls, (std::vector<std::string>{"begin 0 2 1", "step", "step", "end"}));
}

TEST(Render, TerrainPensAndBrushesLiveOnlyDuringUpdate) {
  Terrains terrains;
  CWorldMap map;
  fill(map, {"s"});
  map.setTerrainSettings(terrains.table());
  RecordingDC window;
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  EXPECT_TRUE(map.exists());
  for (const auto& [code, terrain] : *terrains.table()) {
    EXPECT_EQ(terrain->pen(), nullptr) << code;
    EXPECT_EQ(terrain->brush(), nullptr) << code;
  }
}

// Three forest cells in ten get a tree, as rand() decides.
TEST(Render, ForestCellsGetTreesFromTheRandomGenerator) {
  Terrains terrains;
  CWorldMap map;
  fill(map, {"ffff", "ffff", "ffff"});
  map.setTerrainSettings(terrains.table());
  map.setDefaultZoom(1);
  std::srand(7);
  std::vector<bool> trees;  // in drawing order: columns, rows from 0 up within them
  for (int i = 0; i < 12; ++i) trees.push_back(std::rand() % 10 < 3);
  ASSERT_NE(std::count(trees.begin(), trees.end(), true), 0);
  ASSERT_NE(std::count(trees.begin(), trees.end(), false), 0);
  std::srand(7);
  RecordingDC window;
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);

  Lines want = {"CreateCompatibleDC(#1)", "#1 SelectObject(bitmap(4,3))",
                "#1 FillRect(0,0,3,2) brush(solid,0xDCDCDC)",
                "#1 SelectObject(brush(solid,0x808080))", "#1 SelectObject(pen(solid,0,0x000000))"};
  int i = 0;
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 3; ++y, ++i) {
      // Row y lies at pixel row 2 - y: row 0 at the bottom.
      const std::string l = std::to_string(x), t = std::to_string(2 - y);
      const std::string r = std::to_string(x + 1), b = std::to_string(3 - y);
      want.push_back("#1 SelectObject(brush(solid,0xC0C0C0))");
      want.push_back("#1 SelectObject(pen(solid,1,0xC0C0C0))");
      want.push_back("#1 Rectangle(" + l + "," + t + "," + r + "," + b +
                     ") pen(solid,1,0xC0C0C0) brush(solid,0xC0C0C0)");
      want.push_back("#1 SelectObject(pen(solid,1,0x003264))");
      want.push_back("#1 MoveTo(" + l + "," + t + ")");
      want.push_back("#1 LineTo(" + r + "," + b + ") from(" + l + "," + t +
                     ") pen(solid,1,0x003264)");
      if (!trees[i]) continue;
      want.push_back("#1 SelectObject(pen(solid,2,0x007D19))");
      want.push_back("#1 MoveTo(" + l + "," + t + ")");
      want.push_back("#1 LineTo(" + r + "," + b + ") from(" + l + "," + t +
                     ") pen(solid,2,0x007D19)");
      want.push_back("#1 MoveTo(" + l + "," + b + ")");
      want.push_back("#1 LineTo(" + r + "," + t + ") from(" + l + "," + b +
                     ") pen(solid,2,0x007D19)");
    }
  }
  for (const char* line :
       {"#1 SelectObject(pen(solid,0,0x000000))", "#1 SelectObject(brush(solid,0xFFFFFF))",
       "#1 SelectObject(pen(solid,0,0x000000))"}) {
    want.push_back(line);
  }
  EXPECT_EQ(window.lines(), want);
}

TEST(Render, WithoutTerrainSettingsEveryCellIsGray) {
  CWorldMap map;
  fill(map, {"sx"});
  map.setDefaultZoom(1);
  RecordingDC window;
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  EXPECT_EQ(window.output_lines(),
            (Lines{"#1 FillRect(0,0,1,0) brush(solid,0xDCDCDC)",
                   "#1 Rectangle(0,0,1,1) pen(solid,0,0x000000) brush(solid,0x808080)",
                   "#1 Rectangle(1,0,2,1) pen(solid,0,0x000000) brush(solid,0x808080)"}));
}

// Terrain types not fully set up are drawn like unknown codes.
// At zoom 1 a cell is one pixel; its shape still goes through the calls.
TEST(Render, ZoomOneDrawsEveryShape) {
  Terrains terrains;
  CWorldMap map;
  fill(map, {"ex"});
  map.setTerrainSettings(terrains.table());
  map.setDefaultZoom(1);
  RecordingDC window;
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  EXPECT_EQ(window.output_lines(),
            (Lines{"#1 FillRect(0,0,1,0) brush(solid,0xDCDCDC)",
                   "#1 Ellipse(0,0,1,1) pen(solid,0,0x000000) brush(solid,0xFF0000)",
                   "#1 LineTo(2,1) from(1,0) pen(solid,1,0x00FF00)",
                   "#1 LineTo(2,0) from(1,1) pen(solid,1,0x00FF00)"}));
}

TEST(Render, TerrainWithoutStyleIsGray) {
  CTerrain unset;
  unset.colour(RGB(1, 2, 3));
  const TerrainTable table = {{'s', &unset}, {'n', nullptr}};
  CWorldMap map;
  fill(map, {"sn"});
  map.setTerrainSettings(&table);
  map.setDefaultZoom(1);
  RecordingDC window;
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  EXPECT_EQ(window.output_lines(),
            (Lines{"#1 FillRect(0,0,1,0) brush(solid,0xDCDCDC)",
                   "#1 Rectangle(0,0,1,1) pen(solid,0,0x000000) brush(solid,0x808080)",
                   "#1 Rectangle(1,0,2,1) pen(solid,0,0x000000) brush(solid,0x808080)"}));
}

TEST(Render, NoPictureWithoutGridOrUsableZoom) {
  const struct {
    const char* name;
    int32_t zoom;
    bool grid;
  } cases[] = {{"no grid", 2, false}, {"zoom 0", 0, true}, {"negative zoom", -3, true},
               {"picture too wide", 1 << 30, true}};
  for (const auto& c : cases) {
    CWorldMap map;
    if (c.grid) {
      fill(map, {"ss"});
    }
    map.setDefaultZoom(c.zoom);
    RecordingDC window;
    RecordingProgress progress;
    map.update(&window, &progress, 4, 4, nullptr, nullptr);
    EXPECT_FALSE(map.exists()) << c.name;
    EXPECT_TRUE(window.lines().empty()) << c.name;
    EXPECT_TRUE(progress.calls.empty()) << c.name;
  }
}

TEST(Render, PictureGoesWithTheGrid) {
  CWorldMap map;
  fill(map, {"ss"});
  RecordingDC window;
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  ASSERT_TRUE(map.exists());
  map.setDefaultZoom(0);
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  EXPECT_FALSE(map.exists());  // the old picture is dropped even when no new one is made
  map.setDefaultZoom(2);
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  ASSERT_TRUE(map.exists());
  map.empty();
  EXPECT_FALSE(map.exists());
  fill(map, {"ss"});
  map.update(&window, nullptr, 0, 0, nullptr, nullptr);
  ASSERT_TRUE(map.exists());
  fill(map, {"sss"});  // create over a grid drops its picture too
  EXPECT_FALSE(map.exists());
}

TEST(Render, BltCopiesThePicture) {
  CWorldMap map;
  fill(map, {"sss", "sss"});
  map.setDefaultZoom(4);
  RecordingDC screen;
  const auto scratch = screen.CreateCompatibleDC();
  map.blt(&screen, scratch.get());
  EXPECT_EQ(screen.lines(), Lines{"CreateCompatibleDC(#1)"});  // nothing to copy yet

  map.update(&screen, nullptr, 0, 0, nullptr, nullptr);
  screen.clear();
  map.blt(&screen, scratch.get());
  EXPECT_EQ(screen.lines(),
            (Lines{"#1 SelectObject(bitmap(12,8))", "BitBlt(0,0,12,8,#1,0,0,SRCCOPY)"}));
}

// A 10 x 10 map over 0..10 both ways, zoom 2: one cell a degree.
void ten_by_ten(CWorldMap& map) {
  fill(map, std::vector<std::string>(10, std::string(10, '!')));
  map.setDefaultZoom(2);
}

TEST(Render, GridLinesStepFromTheCorners) {
  CWorldMap map;
  ten_by_ten(map);
  RecordingDC dc;
  const CLatLng lo(0.0, 0.0);
  const CLatLng hi(10.0, 10.0);
  map.DrawGridLines(&dc, 4, 2, &lo, &hi);
  // Latitude lines at 2.5, 5, 7.5 and 10 (cells 3, 5, 8, 10); longitude
  // lines at 5 and 0 (rows 5 and 0, pixel rows 8 and 18).
  EXPECT_EQ(dc.lines(), (Lines{
                            "SelectObject(pen(solid,0,0x000000))",
                            "MoveTo(6,18)", "LineTo(6,-2) from(6,18) pen(solid,0,0x000000)",
                            "MoveTo(10,18)", "LineTo(10,-2) from(10,18) pen(solid,0,0x000000)",
                            "MoveTo(16,18)", "LineTo(16,-2) from(16,18) pen(solid,0,0x000000)",
                            "MoveTo(20,18)", "LineTo(20,-2) from(20,18) pen(solid,0,0x000000)",
                            "MoveTo(0,8)", "LineTo(20,8) from(0,8) pen(solid,0,0x000000)",
                            "MoveTo(0,18)", "LineTo(20,18) from(0,18) pen(solid,0,0x000000)",
                            "SelectObject(pen(solid,0,0x000000))",
                        }));
}

// Counts the lines drawn, latitude lines being the vertical ones.
struct LineCount {
  int vertical = 0;
  int horizontal = 0;
};

LineCount count_lines(const RecordingDC& dc) {
  LineCount n;
  for (const auto& call : dc.calls()) {
    if (call.op != "LineTo") continue;
    (call.args[0] == call.position.x ? n.vertical : n.horizontal)++;
  }
  return n;
}

// Step counts of 0 and corners that are not in order would step for ever or
// not at all: such an axis gets no lines, and every axis stops after its
// step count.
TEST(Render, GridLinesOfDegenerateSteps) {
  const double nan = std::nan("");
  const struct {
    const char* name;
    unsigned nx, ny;
    CLatLng lo, hi;
    LineCount want;
  } cases[] = {
      {"ordinary", 4, 2, {0.0, 0.0}, {10.0, 10.0}, {4, 2}},
      {"nx 0", 0, 2, {0.0, 0.0}, {10.0, 10.0}, {0, 2}},
      {"ny 0", 4, 0, {0.0, 0.0}, {10.0, 10.0}, {4, 0}},
      {"equal latitudes", 4, 2, {5.0, 0.0}, {5.0, 10.0}, {0, 2}},
      {"reversed longitudes", 4, 2, {0.0, 10.0}, {10.0, 0.0}, {4, 0}},
      {"NaN corner", 4, 2, {nan, 0.0}, {10.0, nan}, {0, 0}},
      {"step too small to move", 1000, 0, {1e16, 0.0}, {1e16 + 2, 10.0}, {1000, 0}},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    ten_by_ten(map);
    RecordingDC dc;
    map.DrawGridLines(&dc, c.nx, c.ny, &c.lo, &c.hi);
    const LineCount got = count_lines(dc);
    EXPECT_EQ(got.vertical, c.want.vertical) << c.name;
    EXPECT_EQ(got.horizontal, c.want.horizontal) << c.name;
  }
  CWorldMap map;
  ten_by_ten(map);
  RecordingDC dc;
  const CLatLng corner(0.0, 0.0);
  map.DrawGridLines(&dc, 4, 4, nullptr, &corner);
  map.LabelGrid(&dc, 4, 4, &corner, nullptr, true);
  EXPECT_TRUE(dc.lines().empty());
}

TEST(Render, LabelsNumberTheGridLines) {
  CWorldMap map;
  ten_by_ten(map);
  map.setDefaultZoom(3);  // far enough apart that no label hides another
  RecordingDC dc;
  const CLatLng lo(0.0, 0.0);
  const CLatLng hi(10.0, 10.0);
  map.LabelGrid(&dc, 2, 2, &lo, &hi, true);
  // Latitude labels i at lo + i x 5 on the minimum-longitude edge,
  // longitude labels at hi - i x 5 on the maximum-latitude edge.
  EXPECT_EQ(dc.lines(), (Lines{
                            "SetBkMode(TRANSPARENT)",
                            "SelectObject(pen(solid,0,0xC0C0C0))",
                            "SetTextColor(0x000000)",
                            "TextOut(0,27,\"0\") text(0x000000) bk(transparent)",
                            "SetTextColor(0x000000)",
                            "TextOut(15,27,\"1\") text(0x000000) bk(transparent)",
                            "SetTextColor(0x000000)",
                            "TextOut(30,-3,\"0\") text(0x000000) bk(transparent)",
                            "SetTextColor(0x000000)",
                            "TextOut(30,12,\"1\") text(0x000000) bk(transparent)",
                            "SelectObject(pen(solid,0,0x000000))",
                            "SetBkMode(OPAQUE)",
                        }));
}

std::vector<std::string> label_texts(const RecordingDC& dc) {
  std::vector<std::string> texts;
  for (const auto& call : dc.calls()) {
    if (call.op == "TextOut") texts.push_back(call.text);
  }
  return texts;
}

// The tests use the map's bounds unless told to use the corners; the steps
// always come from the corners, the label number counts every step, and the
// labels go on until half a step past the upper bound, whatever the step
// count.
TEST(Render, LabelBoundsFromTheMapOrTheCorners) {
  CWorldMap map;
  ten_by_ten(map);
  map.setDefaultZoom(10);  // far enough apart that no label hides another
  map.updatelatlong(2.0, 8.0, 0.0, 10.0);
  const CLatLng lo(0.0, 0.0);
  const CLatLng hi(10.0, 10.0);
  RecordingDC from_map;
  map.LabelGrid(&from_map, 5, 0, &lo, &hi, false);
  EXPECT_EQ(label_texts(from_map), (std::vector<std::string>{"0", "1", "2", "3"}));
  RecordingDC given;
  map.LabelGrid(&given, 5, 0, &lo, &hi, true);
  EXPECT_EQ(label_texts(given), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  // Map bounds starting above lo skip the first steps but keep their
  // numbers; bounds reaching past hi go on numbering.
  map.updatelatlong(4.5, 20.0, 0.0, 10.0);
  RecordingDC skipped;
  map.LabelGrid(&skipped, 5, 0, &lo, &hi, false);
  EXPECT_EQ(label_texts(skipped),
            (std::vector<std::string>{"2", "3", "4", "5", "6", "7", "8", "9"}));
}

// The demo's map of 240 x 240 cells with 40 labels an edge: at zoom 2 the
// two-digit column labels would run into each other, so every other one is
// left out; from zoom 3 on, and for the row labels, each has its room.
TEST(Render, LabelsThatWouldOverlapAreLeftOut) {
  const struct {
    const char* name;
    int zoom;
    size_t columns;  // labels along the bottom
    const char* last_column;
  } cases[] = {
      {"zoom 2", 2, 25, "38"},
      {"zoom 3", 3, 40, "39"},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    fill(map, std::vector<std::string>(240, std::string(240, '!')));
    map.updatelatlong(0.0, 950.0, 95.0, 655.0);
    map.setDefaultZoom(c.zoom);
    const CLatLng lo(0.0, 95.0);
    const CLatLng hi(950.0, 655.0);
    RecordingDC columns;
    map.LabelGrid(&columns, 40, 0, &lo, &hi, false);
    const std::vector<std::string> texts = label_texts(columns);
    EXPECT_EQ(texts.size(), c.columns) << c.name;
    EXPECT_EQ(texts.back(), c.last_column) << c.name;
    RecordingDC rows;
    map.LabelGrid(&rows, 0, 40, &lo, &hi, false);
    EXPECT_EQ(label_texts(rows).size(), 40u) << c.name;
  }
}

TEST(Render, LabelsOfAStepTooSmallToMoveStop) {
  CWorldMap map;
  ten_by_ten(map);
  map.updatelatlong(1e16, 1e16 + 2, 0.0, 10.0);
  const CLatLng lo(1e16, 0.0);
  const CLatLng hi(1e16 + 2, 10.0);
  RecordingDC dc;
  map.LabelGrid(&dc, 1000, 0, &lo, &hi, false);
  EXPECT_LE(label_texts(dc).size(), static_cast<size_t>(CWorldMap::kMaxLabels));
}

TEST(Render, LabelsOfDegenerateStepsDrawNoText) {
  const struct {
    const char* name;
    unsigned nx, ny;
    CLatLng lo, hi;
  } cases[] = {
      {"no steps", 0, 0, {0.0, 0.0}, {10.0, 10.0}},
      {"corners equal", 3, 3, {5.0, 5.0}, {5.0, 5.0}},
      {"corners reversed", 3, 3, {10.0, 10.0}, {0.0, 0.0}},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    ten_by_ten(map);
    RecordingDC dc;
    map.LabelGrid(&dc, c.nx, c.ny, &c.lo, &c.hi, true);
    EXPECT_EQ(dc.output_lines(), Lines{}) << c.name;
    EXPECT_EQ(dc.lines().back(), "SetBkMode(OPAQUE)") << c.name;
  }
}

}  // namespace
