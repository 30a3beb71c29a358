// The document's map data file: the check of its location and the reading
// of its text into the world map.
#include <cstring>
#include <string>

#include "Platform/messagesink.h"
#include "TesselStationCore/mapsource.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

namespace {

constexpr unsigned char kFill = 33;
constexpr const char* kInternalError = "Internal Error: CTesselStationView::GetMapFromURL()";

bool begins_with(const std::string& line, const char* magic) {
  return line.compare(0, std::strlen(magic), magic) == 0;
}

// Whether a first line is a map data file's header, of either version.
bool is_header(const std::string& line) {
  return begins_with(line, CWorldMap::kMagic11) || begins_with(line, CWorldMap::kMagic12);
}

// "first:second" as two numbers; false without a ':', and for a bound that
// is no finite number within the station's reach (the units' positions,
// ranges and costs follow from the bounds).
bool read_bounds(const std::string& line, double* first, double* second) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return false;
  constexpr double kReach = CTesselStationDoc::kMaxCoordinate;
  return read_real_within(line.substr(0, colon).c_str(), -kReach, kReach, first) &&
         read_real_within(line.c_str() + colon + 1, -kReach, kReach, second);
}

// The rest of the text, its line ends dropped.
std::string grid_text(CMapSource* source) {
  std::string grid;
  for (std::string line; source->ReadLine(&line);) grid += line;
  return grid;
}

// A grid of that size fits the station: positive, and within its limit.
bool fits(int32_t cols, int32_t rows) {
  return cols > 0 && rows > 0 &&
         static_cast<int64_t>(cols) * rows <= CTesselStationDoc::kMaxMapCells;
}

std::string retrieval_error(const std::string& url) { return "Error in retriving " + url; }

}  // namespace

void CTesselStationDoc::OpenMapURL(const char* url, MapDone done) {
  std::string location(url != nullptr ? url : "");
  location.erase(0, location.find_first_not_of(" \t\r\n\v\f"));
  if (location.compare(0, 4, "http") != 0 && location.compare(0, 4, "file") != 0) {
    return done(false);
  }
  // One map is read at a time: a new location gives up the one before.
  mapSource_ = std::make_unique<CMapSource>();
  mapSource_->Open(location.c_str(), [this, location, done = std::move(done)](bool read) {
    // Called from within the source, which goes with this call (it touches
    // nothing after it).
    const std::unique_ptr<CMapSource> source = std::move(mapSource_);
    std::string first;
    if (!read || !source->ReadLine(&first) || !is_header(first)) {
      debug("<CTesselStationDoc> No map data file at [%s]", location.c_str());
      // A server that never answered held the scenario for the fetch's
      // whole time: that one the operator is told of.
      if (source->TimedOut()) ui_.MessageBox(retrieval_error(location).c_str(), MB_ICONSTOP);
      return done(false);
    }
    SetMapURL(location.c_str());
    source->Rewind();
    // A location whose map cannot be read is no map: the caller goes no
    // further with it.
    if (!GetMapFromURL(*source)) return done(false);
    ui_.LoadMap();
    done(true);
  });
}

void CTesselStationDoc::CancelMapRead() { mapSource_.reset(); }

bool CTesselStationDoc::GetMapFromURL(CMapSource& source) {
  CWorldMap* map = worldMap_.get();
  if (map == nullptr) return false;
  map->setTerrainSettings(&terrainTypes_);
  map->setDefaultZoom(3);
  map->setGridlines(true, 40);

  if (!source.IsRead()) {
    ui_.MessageBox(retrieval_error(mapURL_).c_str(), MB_ICONSTOP);
    return false;
  }
  std::string first;
  if (!source.ReadLine(&first) || !is_header(first)) {
    ui_.MessageBox(("Invalid File Format " + mapURL_).c_str(), MB_ICONSTOP);
    ui_.MessageBox(kInternalError, MB_OK);
    return false;
  }

  if (begins_with(first, CWorldMap::kMagic11)) {
    const std::string grid = grid_text(&source);
    int32_t cols = 0;
    int32_t rows = 0;
    map->parse(grid.c_str(), false, &cols, &rows);
    // A text that ends no row, or a grid too large, makes no map.
    if (!fits(cols, rows)) {
      ui_.MessageBox(kInternalError, MB_OK);
      return false;
    }
    map->empty();
    map->create(cols, rows, kFill);
    map->parse(grid.c_str(), true, &cols, &rows);
    ui_.MessageBox(str_format("Map is %d pixels wide by %d pixels high", cols, rows).c_str(),
                   MB_OK);
    return true;
  }

  // Version 1.2: the preamble is read whole before the map changes.
  std::string width, lat, height, lng, velocity;
  double minLat = 0.0, maxLat = 0.0, minLng = 0.0, maxLng = 0.0;
  const bool preamble = source.ReadLine(&width) && read_int(width.c_str()) > 0 &&
                        source.ReadLine(&lat) && read_bounds(lat, &minLat, &maxLat) &&
                        source.ReadLine(&height) && read_int(height.c_str()) > 0 &&
                        source.ReadLine(&lng) && read_bounds(lng, &minLng, &maxLng) &&
                        source.ReadLine(&velocity);
  int32_t cols = read_int(width.c_str());
  int32_t rows = read_int(height.c_str());
  if (!preamble || !fits(cols, rows)) {
    ui_.MessageBox(kInternalError, MB_OK);
    return false;
  }
  const std::string grid = grid_text(&source);
  map->empty();
  map->create(cols, rows, kFill);
  map->parse(grid.c_str(), true, &cols, &rows);
  map->updatelatlong(minLat, maxLat, minLng, maxLng);
  map->updatevelocitymatrix(velocity.c_str());
  return true;
}
