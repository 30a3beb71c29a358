// Fuzz target for the map data file as the station reads it: the input is
// written as a file and loaded by the station's own loader
// (CTesselStationDoc::OpenMapURL and its CMapSource, line ends, limits and
// messages included), then judged:
//   - a map that loads has a grid within the station's limit, and every cell
//     is a cell byte (0x21 to 0x7F);
//   - written out (CWorldMap::save) and loaded again, it gives the same
//     cells, and written out once more the same file (size, bounds to six
//     decimals, velocity text, rows);
//   - a map that does not load leaves the document's map as it was.
// The input is also read as the keyword text of a trajectory and of an
// impact area. A broken rule aborts, which the fuzzer reports.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselMapsLib/worldmap.h"
#include "Platform/messagesink.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "stationrecorder.h"

namespace {

// A folder of its own for the files, made once.
const std::string& scratch() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/maps-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) std::abort();
    return std::string(made);
  }();
  return folder;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

void check(bool rule) {
  if (!rule) std::abort();
}

// A document with the station's stand-ins around it.
struct Station {
  stationtest::RecordingStationUi ui;
  CTesselStationDoc doc{ui};
  Station() { doc.OnNewDocument(); }

  // The station's loader on the file at `path`; whether a map was read.
  bool Load(const std::string& path) {
    bool read = false;
    bool told = false;
    doc.OpenMapURL(("file://" + path).c_str(), [&](bool result) {
      told = true;
      read = result;
    });
    check(told);  // a file is read before the call returns
    return read;
  }
};

std::string read_file(const std::string& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) std::abort();
  char chunk[4096];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
  std::fclose(file);
  return bytes;
}

void read_map(const std::string& text) {
  const std::string input = scratch() + "/input.map";
  write_file(input, text);
  Station first;
  if (!first.Load(input)) {
    const CWorldMap* map = first.doc.GetWorldMap();
    check(map->getWidth() == 0 && map->getHeight() == 0);
    return;
  }
  const CWorldMap& map = *first.doc.GetWorldMap();
  const int64_t cells = int64_t(map.getWidth()) * map.getHeight();
  check(map.getWidth() > 0 && map.getHeight() > 0 && cells <= CTesselStationDoc::kMaxMapCells);
  for (int32_t y = 0; y < map.getHeight(); ++y) {
    for (int32_t x = 0; x < map.getWidth(); ++x) {
      check(map.point(x, y) >= 0x21 && map.point(x, y) <= 0x7F);
    }
  }

  const std::string saved = scratch() + "/saved.map";
  check(map.save(saved.c_str()));
  Station second;
  check(second.Load(saved));
  const CWorldMap& back = *second.doc.GetWorldMap();
  check(back.getWidth() == map.getWidth() && back.getHeight() == map.getHeight());
  for (int32_t y = 0; y < map.getHeight(); ++y) {
    for (int32_t x = 0; x < map.getWidth(); ++x) check(back.point(x, y) == map.point(x, y));
  }
  const std::string again = scratch() + "/again.map";
  check(back.save(again.c_str()));
  check(read_file(again) == read_file(saved));
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
