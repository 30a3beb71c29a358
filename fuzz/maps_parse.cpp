// Fuzz target for the maps library's readers: the input as a map data file,
// its grid stored with the sizes a version 1.2 header claims (any other text:
// the sizes a first scan gives), and the input as the keyword text of a
// trajectory and of an impact area.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/messagesink.h"

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselMapsLib/worldmap.h"

namespace {

// Larger grids are valid but only slow the fuzzer down.
constexpr int64_t kMaxFuzzCells = 1 << 20;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

int32_t number(const std::string& line) {
  const long long value = std::strtoll(line.c_str(), nullptr, 10);
  return value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : int32_t(value);
}

void read_map(const std::string& text) {
  const std::vector<std::string> lines = lines_of(text);
  const bool v12 = lines.size() >= 6 && lines[0].compare(0, 22, "#Druvik MapData(1.2) -") == 0;
  std::string grid;
  for (size_t i = v12 ? 6 : 1; i < lines.size(); ++i) grid += lines[i];

  CWorldMap map;
  int32_t cols = 0;
  int32_t rows = 0;
  map.parse(grid.c_str(), false, &cols, &rows);
  const int32_t scanned_rows = rows;
  const int32_t width = v12 ? number(lines[1]) : cols;
  const int32_t height = v12 ? number(lines[3]) : rows;
  if (int64_t(width) * height > kMaxFuzzCells || !map.create(width, height, 33)) return;
  // The claimed height, then the rows the text really has.
  for (int32_t stored_rows : {height, scanned_rows}) {
    rows = stored_rows;
    map.parse(grid.c_str(), true, &cols, &rows);
  }
  map.updatelatlong(0.0, double(cols), 0.0, double(rows));
  int32_t x = 0;
  int32_t y = 0;
  map.pixelloc(&x, &y, double(cols) / 2, double(rows) / 2);
  map.point(x, y);
}

void read_shapes(const char* text) {
  CTrajectory trajectory;
  trajectory.ParseKQML(text);
  trajectory.ToKQML();

  CImpactLines area;
  area.ParseKQML(text);
  area.ToKQML();
  area.Inside(1.0, 1.0);
  double lat = 0.0;
  double lng = 0.0;
  area.GetExitPoint(&lat, &lng, 1.0, 1.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  platform::MessageRecorder messages;  // keeps the load errors off stderr
  read_map(text);
  read_shapes(text.c_str());
  return 0;
}
