// The bundled demo exercise read back the way the station reads it: the
// init_sim content of demo.script, each counted list with a fresh CParser,
// the shapes with the maps library, the map file into a CWorldMap, and the
// script's team commands against the team and units they name.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Lexwick/parser.h"
#include "Platform/messagesink.h"
#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselMapsLib/worldmap.h"
#include "simscript.h"

namespace {

const std::string kFolder = TESSEL_SIM_SCENARIOS;
const ScriptNames kNames{"AlphaStation", "sim"};

// One entry of a counted list: keyword to value text.
using Entry = std::map<std::string, std::string>;

// A list as the station reads it: "number", then the entries "N-1" down to
// "0", each parsed by a parser of its own; missing entries are passed over.
std::vector<Entry> counted_list(const char* text, const std::vector<const char*>& keys) {
  std::vector<Entry> entries;
  CParser list;
  if (text == nullptr || list.parse_message(text) != 1) return entries;
  const char* number = list.find_token("number");
  for (int i = (number != nullptr ? std::atoi(number) : 0) - 1; i >= 0; --i) {
    const char* value = list.find_token(std::to_string(i).c_str());
    CParser entry;
    if (value == nullptr || entry.parse_message(value) != 1) continue;
    Entry fields;
    for (const char* key : keys) {
      if (const char* field = entry.find_token(key)) fields[key] = field;
    }
    entries.push_back(fields);
  }
  return entries;
}

bool is_number(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0';
}

std::string percent_decoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Reads a version 1.2 map data file into `map` as the station does: the
// magic, width, latitude bounds, height, longitude bounds, velocity line,
// then the grid.
bool load_map_file(const std::string& path, CWorldMap* map) {
  std::ifstream in(path, std::ios::binary);
  std::string magic, width, lat, height, lng, velocity;
  for (std::string* line : {&magic, &width, &lat, &height, &lng, &velocity}) {
    if (!std::getline(in, *line)) return false;
    if (!line->empty() && line->back() == '\r') line->pop_back();
  }
  const size_t lat_colon = lat.find(':');
  const size_t lng_colon = lng.find(':');
  if (magic.compare(0, 22, "#Druvik MapData(1.2) -") != 0 || lat_colon == std::string::npos ||
      lng_colon == std::string::npos || std::atoi(width.c_str()) <= 0 ||
      std::atoi(height.c_str()) <= 0) {
    return false;
  }
  std::stringstream rest;
  rest << in.rdbuf();
  std::string grid;
  for (const char c : rest.str()) {
    if (c != '\n' && c != '\r') grid += c;
  }
  map->empty();
  if (!map->create(std::atoi(width.c_str()), std::atoi(height.c_str()), 33)) return false;
  int32_t cols = 0;
  int32_t rows = map->getHeight();
  map->parse(grid.c_str(), true, &cols, &rows);
  map->updatelatlong(std::atof(lat.c_str()), std::atof(lat.c_str() + lat_colon + 1),
                     std::atof(lng.c_str()), std::atof(lng.c_str() + lng_colon + 1));
  map->updatevelocitymatrix(velocity.c_str());
  return true;
}

// Dead reckoning of the station's units (pi taken as 22/7): the position
// `minutes` after the start.
std::pair<double, double> position_after(const Entry& unit, double minutes) {
  const double h = std::atof(unit.at("heading").c_str()) * (22.0 / 7.0) / 180.0;
  const double speed = std::atof(unit.at("speed").c_str());
  return {std::atof(unit.at("lat").c_str()) + minutes / 60.0 * std::sin(h) * speed,
          std::atof(unit.at("lon").c_str()) + minutes / 60.0 * std::cos(h) * speed};
}

class DemoScenario : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(script.read_file(kFolder + "/demo.script", kNames)) << script.error();
    for (const SimStep& step : script.steps()) {
      const auto* send = std::get_if<SendStep>(&step.action);
      if (send == nullptr) continue;
      CParser content;
      ASSERT_EQ(content.parse_message(("(" + send->content + ")").c_str()), 1) << step.line;
      const char* command = content.find_token("command");
      ASSERT_NE(command, nullptr) << step.line;
      sends.push_back({step.line, send->sender, command, send->content});
    }
    const Send* init = first("init_sim");
    ASSERT_NE(init, nullptr);
    ASSERT_EQ(message.parse_message(("(" + init->content + ")").c_str()), 1);
    ASSERT_NE(message.find_token("scenario"), nullptr);
    ASSERT_EQ(scenario.parse_message(message.find_token("scenario")), 1);
  }

  struct Send {
    int line;
    std::string sender;
    std::string command;
    std::string content;
  };

  const Send* first(const std::string& command) const {
    for (const Send& send : sends) {
      if (send.command == command) return &send;
    }
    return nullptr;
  }
  // A keyword of one send's content, as the station would read it.
  static std::string field(const Send& send, const char* key) {
    CParser content;
    content.parse_message(("(" + send.content + ")").c_str());
    const char* value = content.find_token(key);
    return value != nullptr ? value : "";
  }
  std::vector<Entry> list(const char* key, const std::vector<const char*>& keys) {
    return counted_list(scenario.find_token(key), keys);
  }
  static std::vector<std::string> values(const std::vector<Entry>& entries, const char* key) {
    std::vector<std::string> out;
    for (const Entry& entry : entries) out.push_back(entry.count(key) ? entry.at(key) : "-");
    return out;
  }

  SimScript script;
  std::vector<Send> sends;
  CParser message;
  CParser scenario;
};

TEST_F(DemoScenario, InitSimNamesTheMapFileByItsAbsoluteUrl) {
  const char* map = scenario.find_token("map");
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(std::string(map), file_url(kFolder + "/demo.map"));
  EXPECT_EQ(std::string(map).rfind("file:///", 0), 0u);
  for (const char* key : {"terrain", "radar", "interceptors", "incursions", "impactlines",
                          "trajectory"}) {
    EXPECT_NE(scenario.find_token(key), nullptr) << key;
  }
}

struct ListCase {
  const char* name;
  const char* key;
  std::vector<const char*> fields;  // every one must be present
  std::vector<const char*> numbers;  // of those, the ones read as numbers
  const char* id_key;
  std::vector<std::string> ids;  // in the order the station reads them
};

void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }

class DemoLists : public DemoScenario, public testing::WithParamInterface<ListCase> {};

TEST_P(DemoLists, ParseBackIntoTheUnitsWithEveryField) {
  const ListCase& c = GetParam();
  const std::vector<Entry> entries = list(c.key, c.fields);
  EXPECT_EQ(values(entries, c.id_key), c.ids);
  for (const Entry& entry : entries) {
    for (const char* field : c.fields) {
      ASSERT_EQ(entry.count(field), 1u) << entry.begin()->second << " has no " << field;
    }
    for (const char* number : c.numbers) {
      EXPECT_TRUE(is_number(entry.at(number))) << number << " " << entry.at(number);
    }
    // Positions inside the map; names quoted when they hold a blank.
    if (entry.count("lat")) {
      EXPECT_GE(std::atof(entry.at("lat").c_str()), 0.0);
      EXPECT_LE(std::atof(entry.at("lat").c_str()), 950.0);
      EXPECT_GE(std::atof(entry.at("lon").c_str()), 95.0);
      EXPECT_LE(std::atof(entry.at("lon").c_str()), 655.0);
    }
    if (entry.count("name") && entry.at("name").find(' ') != std::string::npos) {
      EXPECT_EQ(entry.at("name").front(), '"') << entry.at("name");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, DemoLists,
    testing::Values(
        ListCase{"Terrain",
                 "terrain",
                 {"code", "style", "name", "r", "g", "b"},
                 {"code", "r", "g", "b"},
                 "code",
                 {"109", "94", "102", "46", "115", "45", "126"}},
        ListCase{"Radars",
                 "radar",
                 {"id", "name", "lon", "lat", "range"},
                 {"lon", "lat", "range"},
                 "id",
                 {"R-2", "R-1"}},
        ListCase{"Interceptors",
                 "interceptors",
                 {"name", "id", "lat", "lon", "maxspeed", "scope"},
                 {"lat", "lon", "maxspeed"},
                 "id",
                 {"I-103", "I-102", "I-101"}},
        ListCase{"Incursions",
                 "incursions",
                 {"id", "name", "heading", "speed", "lat", "lon"},
                 {"heading", "speed", "lat", "lon"},
                 "id",
                 {"X-2", "X-1"}}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST_F(DemoScenario, TerrainStylesAndScopesAreOnesTheStationKnows) {
  for (const Entry& terrain : list("terrain", {"code", "style", "r", "g", "b"})) {
    CTerrain probe;
    probe.style(terrain.at("style").c_str());
    EXPECT_NE(probe.style(), CTerrain().style()) << terrain.at("style");
    const int code = std::atoi(terrain.at("code").c_str());
    EXPECT_TRUE(code >= 0x21 && code <= 0x7F) << code;
    for (const char* colour : {"r", "g", "b"}) {
      const int value = std::atoi(terrain.at(colour).c_str());
      EXPECT_TRUE(value >= 0 && value <= 255) << colour << " " << value;
    }
  }
  std::multiset<std::string> scopes;
  for (const Entry& unit : list("interceptors", {"scope"})) scopes.insert(unit.at("scope"));
  EXPECT_EQ(scopes, (std::multiset<std::string>{"air", "land", "sea"}));
}

TEST_F(DemoScenario, ShapesLoadIntoTheMapsLibrary) {
  platform::MessageRecorder boxes;  // a failed load would show one
  CImpactLines area;
  EXPECT_EQ(area.ParseKQML(scenario.find_token("impactlines")), 1);
  EXPECT_EQ(area.GetNLineCt(), 4);
  EXPECT_EQ(area.GetSLineCt(), 4);
  CTrajectory trajectory;
  EXPECT_EQ(trajectory.ParseKQML(scenario.find_token("trajectory")), 1);
  EXPECT_EQ(trajectory.GetTrajectoryCt(), 5);

  const Send* plume = first("plume_refresh");
  ASSERT_NE(plume, nullptr);
  EXPECT_EQ(trajectory.ParseKQML(field(*plume, "trajectory").c_str()), 1);
  EXPECT_EQ(trajectory.GetTrajectoryCt(), 3);
  EXPECT_TRUE(boxes.messages().empty());

  // The intercept that the script orders after the pulse of minute 420
  // finds its incursion inside the impact area; the station refuses one
  // outside.
  const Send* intercept = first("intercept");
  ASSERT_NE(intercept, nullptr);
  int found = 0;
  for (const Entry& incursion : list("incursions", {"id", "heading", "speed", "lat", "lon"})) {
    if (incursion.at("id") != field(*intercept, "incID")) continue;
    ++found;
    const auto [lat, lng] = position_after(incursion, 420);
    EXPECT_TRUE(area.Inside(lat, lng)) << lat << "," << lng;
  }
  EXPECT_EQ(found, 1);
}

TEST_F(DemoScenario, MapFileLoadsIntoTheWorldMapWithATerrainForEveryCell) {
  const std::string url = scenario.find_token("map");
  CWorldMap map;
  ASSERT_TRUE(load_map_file(percent_decoded(url.substr(std::strlen("file://"))), &map));
  EXPECT_EQ(map.getWidth(), 240);
  EXPECT_EQ(map.getHeight(), 240);
  EXPECT_EQ(map.GetMinLat(), 0.0);
  EXPECT_EQ(map.GetMaxLat(), 950.0);
  EXPECT_EQ(map.GetMinLng(), 95.0);
  EXPECT_EQ(map.GetMaxLng(), 655.0);

  std::set<int> codes;
  for (const Entry& terrain : list("terrain", {"code"})) {
    codes.insert(std::atoi(terrain.at("code").c_str()));
  }
  std::set<int> used;
  for (int32_t y = 0; y < map.getHeight(); ++y) {
    for (int32_t x = 0; x < map.getWidth(); ++x) used.insert(map.point(x, y));
  }
  EXPECT_EQ(used, codes);  // no cell without a terrain, no terrain unused

  // The sea interceptor starts and is sent on water; the other units and
  // the station stand on land.
  struct Place {
    std::string what;
    double lat;
    double lng;
    bool water;
  };
  std::vector<Place> places;
  std::string sea_unit;
  for (const Entry& unit : list("interceptors", {"id", "lat", "lon", "scope"})) {
    places.push_back({unit.at("id"), std::atof(unit.at("lat").c_str()),
                      std::atof(unit.at("lon").c_str()), unit.at("scope") == "sea"});
    if (unit.at("scope") == "sea") sea_unit = unit.at("id");
  }
  for (const Entry& radar : list("radar", {"id", "lat", "lon"})) {
    places.push_back({radar.at("id"), std::atof(radar.at("lat").c_str()),
                      std::atof(radar.at("lon").c_str()), false});
  }
  const Send* start = first("start_sim");
  ASSERT_NE(start, nullptr);
  CParser location;
  ASSERT_EQ(location.parse_message(field(*start, "stationlocation").c_str()), 1);
  ASSERT_NE(location.find_token("lat"), nullptr);
  ASSERT_NE(location.find_token("lon"), nullptr);
  places.push_back({"the station", std::atof(location.find_token("lat")),
                    std::atof(location.find_token("lon")), false});
  int sea_orders = 0;
  for (const Send& send : sends) {
    if (send.command != "deploy" || field(send, "id") != sea_unit) continue;
    ++sea_orders;
    places.push_back({"deploy at line " + std::to_string(send.line),
                      std::atof(field(send, "destLat").c_str()),
                      std::atof(field(send, "destLng").c_str()), true});
  }
  EXPECT_EQ(sea_orders, 1);
  for (const Place& place : places) {
    int32_t x = 0;
    int32_t y = 0;
    map.pixelloc(&x, &y, place.lat, place.lng);
    const bool water = map.point(x, y) == '~' || map.point(x, y) == '-';
    EXPECT_EQ(water, place.water) << place.what << " on '" << map.point(x, y) << "'";
  }
}

// Before the script turns any of them, every incursion comes within the
// range of a radar at one of the clock pulses, so that the station reports
// it entering the radar's cover.
TEST_F(DemoScenario, EveryIncursionEntersARadarRange) {
  const std::vector<Entry> radars = list("radar", {"id", "lat", "lon", "range"});
  ASSERT_FALSE(radars.empty());
  // The pulses up to the first course change.
  const Send* turn = first("update_inc_heading");
  int last_pulse = 0;
  for (const SimStep& step : script.steps()) {
    const auto* clock = std::get_if<ClockStep>(&step.action);
    if (clock != nullptr && (turn == nullptr || step.line < turn->line)) last_pulse = clock->to;
  }
  ASSERT_GT(last_pulse, 0);
  for (const Entry& incursion : list("incursions", {"id", "heading", "speed", "lat", "lon"})) {
    std::string seen_by;
    for (int minute = 0; minute <= last_pulse && seen_by.empty(); minute += 60) {
      const auto [lat, lng] = position_after(incursion, minute);
      for (const Entry& radar : radars) {
        const double range = std::atof(radar.at("range").c_str());
        if (std::hypot(lat - std::atof(radar.at("lat").c_str()),
                       lng - std::atof(radar.at("lon").c_str())) < range) {
          seen_by = radar.at("id");
        }
      }
    }
    EXPECT_FALSE(seen_by.empty()) << incursion.at("id") << " passes every radar by";
  }
}

TEST_F(DemoScenario, TeamCommandsComeFromATeamMemberAndNameUnitsOfTheScenario) {
  const Send* start = first("start_sim");
  ASSERT_NE(start, nullptr);
  CParser team_list;
  ASSERT_EQ(team_list.parse_message(field(*start, "team").c_str()), 1);
  std::set<std::string> members;
  const int number = std::atoi(team_list.find_token("number"));
  for (int i = number - 1; i >= 0; --i) {
    if (const char* name = team_list.find_token(("client" + std::to_string(i)).c_str())) {
      members.insert(name);
    }
  }
  EXPECT_EQ(members, (std::set<std::string>{"AlphaStation", "BravoStation"}));
  CParser location;
  ASSERT_EQ(location.parse_message(field(*start, "stationlocation").c_str()), 1);
  EXPECT_NE(location.find_token("lat"), nullptr);
  EXPECT_NE(location.find_token("lon"), nullptr);

  std::set<std::string> registered;
  for (const SimStep& step : script.steps()) {
    if (const auto* teammate = std::get_if<TeammateStep>(&step.action)) {
      registered.insert(teammate->name);
    }
  }
  std::set<std::string> units;
  for (const char* key : {"radar", "interceptors", "incursions"}) {
    for (const Entry& unit : list(key, {"id"})) units.insert(unit.at("id"));
  }
  for (const Send& send : sends) {
    if (send.sender == kNames.self) continue;
    EXPECT_EQ(members.count(send.sender), 1u) << "line " << send.line;
    EXPECT_EQ(registered.count(send.sender), 1u) << "line " << send.line;
    for (const char* key : {"id", "incID"}) {
      const std::string id = field(send, key);
      if (!id.empty()) {
        EXPECT_EQ(units.count(id), 1u) << "line " << send.line << " " << id;
      }
    }
  }
}

}  // namespace
