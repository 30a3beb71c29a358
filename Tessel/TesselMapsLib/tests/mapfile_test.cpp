// The map data file: the grid scanner and the version 1.2 writer, and a map
// written and read back the way the station reads it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TesselMapsLib/worldmap.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// Rows of the grid from the top (y = height - 1) down, '.' for nothing.
std::vector<std::string> rows_of(const CWorldMap& map) {
  std::vector<std::string> rows;
  for (int32_t y = map.getHeight() - 1; y >= 0; --y) {
    std::string row;
    for (int32_t x = 0; x < map.getWidth(); ++x) row += char(map.point(x, y));
    rows.push_back(row);
  }
  return rows;
}

struct Scan {
  int32_t cells;
  int32_t cols;
  int32_t rows;
};

Scan scan(CWorldMap& map, const std::string& text) {
  Scan s{0, -7, -7};
  s.cells = map.parse(text.c_str(), false, &s.cols, &s.rows);
  return s;
}

// The station's version 1.1 load: size from the text, then the cells.
bool load_11(CWorldMap& map, const std::string& grid) {
  const Scan s = scan(map, grid);
  map.empty();
  if (!map.create(s.cols, s.rows, 33)) return false;
  int32_t cols = 0;
  int32_t rows = s.rows;
  map.parse(grid.c_str(), true, &cols, &rows);
  return true;
}

TEST(MapFile, ScanCountsCellsRowsAndTheLastRowsColumns) {
  const struct {
    const char* name;
    std::string text;
    Scan want;
  } cases[] = {
      {"two rows", "ab\x01" "cd\x01", {4, 2, 2}},
      {"line ends inside a row", "a\nb\x01", {2, 2, 1}},
      {"blank and 0x80 take no column", "a \x80" "b\x01", {2, 2, 1}},
      {"other control bytes and high bytes", "\t\r\x02\x7F\xFF\x20!\x01", {2, 2, 1}},
      {"last row decides the columns", "abc\x01" "d\x01", {4, 1, 2}},
      {"cells after the last row end count", "ab\x01" "cde", {5, 2, 1}},
      {"no row ended", "abc", {3, 0, 0}},
      {"empty", "", {0, 0, 0}},
      {"empty rows", "\x01\x01\x01", {0, 0, 3}},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    const Scan got = scan(map, c.text);
    EXPECT_EQ(got.cells, c.want.cells) << c.name;
    EXPECT_EQ(got.cols, c.want.cols) << c.name;
    EXPECT_EQ(got.rows, c.want.rows) << c.name;
  }
}

TEST(MapFile, FirstRowOfTheTextIsTheTopRow) {
  CWorldMap map;
  ASSERT_TRUE(load_11(map, "ab\x01" "cd\x01"));
  EXPECT_EQ(map.getWidth(), 2);
  EXPECT_EQ(map.getHeight(), 2);
  EXPECT_EQ(map.point(0, 1), 'a');
  EXPECT_EQ(map.point(1, 1), 'b');
  EXPECT_EQ(map.point(0, 0), 'c');
  EXPECT_EQ(map.point(1, 0), 'd');
}

// Storing never writes outside the grid: cells beyond the width and rows
// beyond R are dropped, and short rows or missing rows keep the fill.
TEST(MapFile, StoringStaysInsideTheGrid) {
  const struct {
    const char* name;
    int32_t width, height, stored_rows;
    std::string text;
    std::vector<std::string> want;
  } cases[] = {
      {"short row and missing row keep the fill", 3, 3, 3, "ab\x01" "cde\x01",
       {"ab!", "cde", "!!!"}},
      {"row longer than the width", 2, 2, 2, "abc\x01" "de\x01", {"ab", "de"}},
      {"more rows than R", 1, 2, 2, "a\x01" "b\x01" "c\x01", {"a", "b"}},
      {"R above the height", 1, 1, 5, "a\x01" "b\x01" "c\x01" "d\x01" "e\x01", {"e"}},
      {"R below the height", 1, 3, 1, "a\x01" "b\x01", {"!", "!", "a"}},
      {"R of 0 stores nothing", 2, 1, 0, "ab\x01", {"!!"}},
      {"negative R stores nothing", 2, 1, -4, "ab\x01", {"!!"}},
      {"a 1.1 text whose earlier rows are longer", 1, 2, 2, "abcd\x01" "e\x01", {"a", "e"}},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    ASSERT_TRUE(map.create(c.width, c.height, '!')) << c.name;
    int32_t cols = 0;
    int32_t rows = c.stored_rows;
    map.parse(c.text.c_str(), true, &cols, &rows);
    EXPECT_EQ(rows_of(map), c.want) << c.name;
  }
}

TEST(MapFile, StoringWithoutAGridOnlyCounts) {
  CWorldMap map;
  int32_t cols = 0;
  int32_t rows = 2;
  EXPECT_EQ(map.parse("ab\x01" "cd\x01", true, &cols, &rows), 4);
  EXPECT_EQ(cols, 2);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(map.point(0, 0), 0);
}

// A text that ends no row, or whose last row is empty, gives no size, and
// no map is made from it.
TEST(MapFile, TextWithoutRowsOrColumnsMakesNoMap) {
  for (const char* text : {"abc", "", "ab\x01\x01"}) {
    CWorldMap map;
    EXPECT_FALSE(load_11(map, text)) << text;
    EXPECT_EQ(map.getWidth(), 0);
    EXPECT_EQ(map.getHeight(), 0);
  }
  CWorldMap map;
  int32_t cols = 5;
  int32_t rows = 5;
  EXPECT_EQ(map.parse(nullptr, true, &cols, &rows), 0);
  EXPECT_EQ(cols, 0);
  EXPECT_EQ(rows, 0);
}

class MapFileOnDisk : public testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(MapFileOnDisk, SaveWritesVersion12) {
  CWorldMap map;
  ASSERT_TRUE(map.create(3, 2, '!'));
  map.point(0, 1, 'a');
  map.point(2, 0, 'z');
  map.updatelatlong(1.0, 2.5, -1.0, 1.0 / 3.0);
  map.updatevelocitymatrix("vm 1 2 3");
  ASSERT_TRUE(map.save("out.map"));
  EXPECT_EQ(TempDir::read("out.map"),
            "#Druvik MapData(1.2) -\r\n3\r\n1.000000:2.500000\r\n2\n-1.000000:0.333333\r\n"
            "vm 1 2 3\r\n"
            "a!! \x01\n"
            "!!z \x01\n");
}

// The station's version 1.2 load, from the header lines to the cells.
bool load_12(CWorldMap& map, const std::string& file) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at);
    if (end == std::string::npos) end = file.size();
    std::string line = file.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  if (lines.size() < 6 || lines[0].compare(0, 22, "#Druvik MapData(1.2) -") != 0) return false;
  const int32_t width = std::atoi(lines[1].c_str());
  const int32_t height = std::atoi(lines[3].c_str());
  const size_t lat_colon = lines[2].find(':');
  const size_t lng_colon = lines[4].find(':');
  if (width <= 0 || height <= 0 || lat_colon == std::string::npos ||
      lng_colon == std::string::npos) {
    return false;
  }
  std::string grid;
  for (size_t i = 6; i < lines.size(); ++i) grid += lines[i];
  map.empty();
  if (!map.create(width, height, 33)) return false;
  int32_t cols = 0;
  int32_t rows = height;
  map.parse(grid.c_str(), true, &cols, &rows);
  map.updatelatlong(std::atof(lines[2].c_str()), std::atof(lines[2].c_str() + lat_colon + 1),
                    std::atof(lines[4].c_str()), std::atof(lines[4].c_str() + lng_colon + 1));
  map.updatevelocitymatrix(lines[5].c_str());
  return true;
}

TEST_F(MapFileOnDisk, SavedMapReadsBackTheSame) {
  CWorldMap map;
  ASSERT_TRUE(map.create(5, 4, '!'));
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 5; ++x) map.point(x, y, static_cast<unsigned char>('A' + x + 5 * y));
  }
  map.updatelatlong(-12.3456789, 40.0, 95.0, 655.125);
  map.updatevelocitymatrix("speeds 1:2:3");
  ASSERT_TRUE(map.save("first.map"));

  CWorldMap back;
  ASSERT_TRUE(load_12(back, TempDir::read("first.map")));
  EXPECT_EQ(back.getWidth(), 5);
  EXPECT_EQ(back.getHeight(), 4);
  EXPECT_EQ(rows_of(back), rows_of(map));
  EXPECT_EQ(back.GetMinLat(), -12.345679);  // six decimals
  EXPECT_EQ(back.GetMaxLng(), 655.125);
  // Same size, cells, bounds (as written) and velocity text: the same file.
  ASSERT_TRUE(back.save("second.map"));
  EXPECT_EQ(TempDir::read("second.map"), TempDir::read("first.map"));
}

TEST_F(MapFileOnDisk, SaveFailsWhereNoFileCanBeMade) {
  CWorldMap map;
  ASSERT_TRUE(map.create(2, 2, '!'));
  EXPECT_FALSE(map.save("no-such-folder/out.map"));
  EXPECT_FALSE(map.save(nullptr));
  EXPECT_FALSE(TempDir::exists("no-such-folder/out.map"));
}

}  // namespace
