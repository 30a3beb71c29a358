#include "stationtest.h"

#include "Platform/eventloop.h"
#include "TesselStationCore/mapsource.h"

namespace stationtest {

namespace {

// Turns the current loop until `ended` is set; false when 30 s passed.
bool turn_until(const bool& ended) {
  return ended || platform::current_loop().run_until([&ended] { return ended; }, 30000);
}

}  // namespace

bool OpenMap(CTesselStationDoc& doc, const std::string& url) {
  bool ended = false;
  bool read = false;
  doc.OpenMapURL(url.c_str(), [&](bool result) {
    ended = true;
    read = result;
  });
  return turn_until(ended) && read;
}

bool ReadMap(CTesselStationDoc& doc) {
  CMapSource source;
  bool ended = false;
  source.Open(doc.GetMapURL(), [&](bool) { ended = true; });
  if (!turn_until(ended)) return false;
  return doc.GetMapFromURL(source);
}

StationTest::StationTest() {
  ui.pane.SetDocument(&doc);
  ui.chat.SetDocument(&doc);
  doc.SetAgent(&agent);
  doc.SetMainFrame(&frame);
  doc.OnNewDocument();
  CWorldMap* map = doc.GetWorldMap();
  map->create(40, 40, '!');
  map->updatelatlong(0.0, 950.0, 95.0, 655.0);
  ui.calls.clear();
}

StationTest::~StationTest() {
  EXPECT_EQ(ui.unscripted, std::vector<std::string>{}) << "questions or menus without answers";
  ui.pane.SetDocument(nullptr);
  ui.chat.SetDocument(nullptr);
  doc.SetAgent(nullptr);
  doc.SetMainFrame(nullptr);
}

void StationTest::join_team(const char* own, std::initializer_list<const char*> teammates) {
  doc.SetOwnName(own);
  doc.AddTeamMember(own);
  for (const char* name : teammates) doc.AddTeamMember(name);
  doc.SetSimulationAgent("Sim");
}

}  // namespace stationtest
