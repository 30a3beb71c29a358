// The document's readers of the scenario lists that init_sim, init_playback
// and plume_refresh carry.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "Lexwick/parser.h"
#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselStationCore/countedentries.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/numbers.h"

namespace {

// Calls `read` with each entry of a counted list -- "number" N and the
// entries "0" to N-1, each a keyword list -- from the highest index down.
// Only the entries present are read, whatever N says: a missing index, an
// entry that does not parse and a count beyond the entries cost nothing.
// 0 when the list itself cannot be read.
template <typename Read>
int for_each_entry(const char* text, Read read) {
  if (text == nullptr) return 0;
  CParser list;
  if (list.parse_message(text) != 1) return 0;
  const int32_t count = read_int(list.find_token("number"));
  for (const int32_t index : station::CountedEntries(list, "", count)) {
    const char* value = list.find_token(std::to_string(index).c_str());
    CParser entry;
    if (value == nullptr || entry.parse_message(value) != 1) continue;
    read(entry);
  }
  return 1;
}

}  // namespace

bool CTesselStationDoc::ScenarioUnitsFit(const char* radars, const char* interceptors,
                                         const char* incursions) {
  const struct {
    const char* list;
    const char* kind;
    size_t held;
    size_t limit;
  } lists[] = {{radars, "radars", radars_.size(), kMaxRadars},
               {interceptors, "interceptors", interceptors_.size(), kMaxInterceptors},
               {incursions, "incursions", incursions_.size(), kMaxIncursions}};
  for (const auto& [list, kind, held, limit] : lists) {
    size_t count = held;
    bool texts = true;
    for_each_entry(list, [&](CParser& entry) {
      ++count;
      const char* id = entry.find_token("id");
      const char* name = entry.find_token("name");
      texts = texts && (id == nullptr || std::strlen(id) <= kMaxUnitText) &&
              (name == nullptr || CResourceUnit::StoredName(name).size() <= kMaxUnitText);
    });
    if (count > limit) {
      debug("<CTesselStationDoc> Scenario refused: %zu %s, the station holds at most %zu", count,
            kind, limit);
      return false;
    }
    if (!texts) {
      debug("<CTesselStationDoc> Scenario refused: an id or a name of its %s has more than %zu "
            "bytes",
            kind, kMaxUnitText);
      return false;
    }
  }
  return true;
}

int CTesselStationDoc::ParseTerrain(const char* text) {
  DeleteTerrainTypes();
  return for_each_entry(text, [this](CParser& entry) {
    auto terrain = std::make_unique<CTerrain>();
    if (const char* code = entry.find_token("code")) {
      terrain->code(static_cast<unsigned char>(read_int(code) & 0xFF));
    }
    terrain->style(entry.find_token("style"));
    if (const char* name = entry.find_token("name")) terrain->name(name);
    const char* r = entry.find_token("r");
    const char* g = entry.find_token("g");
    const char* b = entry.find_token("b");
    if (r != nullptr && g != nullptr && b != nullptr) {
      terrain->colour(RGB(read_int(r), read_int(g), read_int(b)));
    }
    CTerrain*& slot = terrainTypes_[terrain->code()];
    delete slot;  // a code given twice: the later entry replaces the earlier
    slot = terrain.release();
  });
}

int CTesselStationDoc::ParseImpactLines(const char* text) {
  if (text == nullptr || impactLines_ == nullptr) return 0;
  return impactLines_->ParseKQML(text);
}

int CTesselStationDoc::ParseTrajectory(const char* text) {
  if (text == nullptr || trajectory_ == nullptr) return 0;
  trajectory_->RemoveTrajectory();
  return trajectory_->ParseKQML(text);
}

int CTesselStationDoc::ParseRadars(const char* text) {
  return for_each_entry(text, [this](CParser& entry) {
    auto radar = std::make_unique<CRadarStation>();
    Adopt(radar.get());
    radar->SetId(entry.find_token("id"));
    radar->SetName(entry.find_token("name"));
    radar->SetStart(Accepted(entry.find_token("lat"), Quantity::kLatitude),
                    Accepted(entry.find_token("lon"), Quantity::kLongitude));
    radar->SetRange(Accepted(entry.find_token("range"), Quantity::kRange));
    AddRadar(std::move(radar));
  });
}

int CTesselStationDoc::ParseInterceptors(const char* text) {
  return for_each_entry(text, [this](CParser& entry) {
    auto interceptor = std::make_unique<CInterceptor>();
    Adopt(interceptor.get());
    interceptor->SetName(entry.find_token("name"));
    interceptor->SetId(entry.find_token("id"));
    const char* lat = Accepted(entry.find_token("lat"), Quantity::kLatitude);
    const char* lon = Accepted(entry.find_token("lon"), Quantity::kLongitude);
    interceptor->SetStart(lat, lon);
    interceptor->SetInitial(lat, lon);
    interceptor->SetSpeed(Accepted(entry.find_token("maxspeed"), Quantity::kSpeed));
    interceptor->SetScope(entry.find_token("scope"));
    AddInterceptor(std::move(interceptor));
  });
}

int CTesselStationDoc::ParseIncursions(const char* text) {
  return for_each_entry(text, [this](CParser& entry) {
    auto incursion = std::make_unique<CIncursion>();
    Adopt(incursion.get());
    incursion->SetId(entry.find_token("id"));
    incursion->SetName(entry.find_token("name"));
    const char* heading = Accepted(entry.find_token("heading"), Quantity::kHeading);
    incursion->SetHeading(heading);
    incursion->SetInitialHeading(heading);
    incursion->SetSpeed(Accepted(entry.find_token("speed"), Quantity::kSpeed));
    const char* lat = Accepted(entry.find_token("lat"), Quantity::kLatitude);
    const char* lon = Accepted(entry.find_token("lon"), Quantity::kLongitude);
    incursion->SetStart(lat, lon);
    incursion->SetInitial(lat, lon);
    AddIncursion(std::move(incursion));
  });
}
