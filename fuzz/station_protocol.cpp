// Fuzz target for the station's protocol: the input is a run of messages,
// one a line ("SENDER CONTENT", the content a KQML text), each handed to
// CStationProtocol through the station agent's hook as a teammate or the
// simulation agent would send it, on a station with the test stand-ins
// around it (tests/stationrecorder.h) and a loaded exercise: a 40 x 40 map,
// a team, radars, interceptors and incursions. Scenario lists (init_sim,
// init_playback, plume_refresh) come in the same way; a line "LIST TEXT"
// with LIST one of terrain, radar, interceptors, incursions hands TEXT to
// the document's reader of that list. Every "http://" of the input is read
// as "file://": the target reaches no network.
//
// After every line the station must hold: every unit's start inside the map
// widened by its span on either side and its position now finite; no unit
// id used twice; every cost finite and not negative, the mission cost the
// team's reports plus the own totals; and the whole map view drawn.
// Anything else -- or a crash, or a sanitizer report -- aborts.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "Platform/messagesink.h"
#include "Platform/recordingdc.h"
#include "TesselMapsLib/latlng.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/mainframemodel.h"
#include "TesselStationCore/mapviewmodel.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/stationprotocol.h"
#include "TesselStationCore/weatherballoons.h"
#include "stationrecorder.h"

namespace {

void check(bool rule) {
  if (!rule) std::abort();
}

// The map file of the exercise, written once.
const std::string& map_url() {
  static const std::string url = [] {
    char pattern[] = "/tmp/station-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) std::abort();
    const std::string path = std::string(made) + "/exercise.map";
    std::string text = "#Druvik MapData(1.2) - fuzz\n40\n0:950\n40\n95:655\nv\n";
    for (int row = 0; row < 40; ++row) text += std::string(40, row < 10 ? '~' : '.') + "\x01\n";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return "file://" + path;
  }();
  return url;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct Station {
  stationtest::RecordingStationUi ui;
  stationtest::RecordingFrame frame;
  stationtest::RecordingAgent agent;
  CTesselStationDoc doc{ui};
  CMainFrameModel frameModel{doc};
  platform::RecordingDC window;
  CMapViewModel view{doc, frameModel, window};

  Station() {
    ui.pane.SetDocument(&doc);
    ui.chat.SetDocument(&doc);
    doc.SetAgent(&agent);
    doc.SetMainFrame(&frame);
    doc.OnNewDocument();
    agent.SetDispatcher(std::make_unique<CStationProtocol>(doc));
    doc.SetOwnName("Alpha-1");
    Hand("Sim",
         "tell :command init_sim :scenario (tell :map " + map_url() +
             " :terrain (tell :number 1 :0 (tell :code 46 :style Solid :name Plains :r 1 :g 2 "
             ":b 3)) :radar (tell :number 1 :0 (tell :id R1 :name North :lat 300 :lon 500 "
             ":range 160)) :interceptors (tell :number 2 :0 (tell :name Hawk :id I1 :lat 420 "
             ":lon 200 :maxspeed 120 :scope land) :1 (tell :name Kite :id I2 :lat 600 :lon 300 "
             ":maxspeed 520 :scope air)) :incursions (tell :number 1 :0 (tell :id X1 :name "
             "Raider :heading 160 :speed 40 :lat 250 :lon 600)) :impactlines (tell :nline (tell "
             ":count 2 :0 (tell :lat 0 :lng 420) :1 (tell :lat 950 :lng 430)) :sline (tell "
             ":count 2 :0 (tell :lat 0 :lng 260) :1 (tell :lat 950 :lng 270))))");
    Hand("Sim",
         "tell :command start_sim :team (tell :number 2 :client0 Alpha-1 :client1 Bravo-2) "
         ":stationlocation (tell :lat 480 :lon 180)");
  }
  ~Station() {
    agent.SetDispatcher(nullptr);
    ui.pane.SetDocument(nullptr);
    ui.chat.SetDocument(nullptr);
    doc.SetAgent(nullptr);
    doc.SetMainFrame(nullptr);
  }

  void Hand(const std::string& sender, const std::string& content) {
    std::string text = "(tell :sender " + sender + " :receiver Alpha-1 :content (" + content + "))";
    agent.process_message(text.data());
  }

  // One line of the input.
  void Take(const std::string& line) {
    const size_t blank = line.find(' ');
    const std::string head = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (head == "terrain") doc.ParseTerrain(rest.c_str());
    if (head == "radar") doc.ParseRadars(rest.c_str());
    if (head == "interceptors") doc.ParseInterceptors(rest.c_str());
    if (head == "incursions") doc.ParseIncursions(rest.c_str());
    if (head != "terrain" && head != "radar" && head != "interceptors" && head != "incursions") {
      Hand(head.empty() ? "Sim" : head, rest);
    }
    Judge();
  }

  // Within the widest reach the station takes: a map's bounds (at most
  // kMaxCoordinate away) widened by their span on either side.
  static bool NearTheMap(const CLatLng& p) {
    constexpr double kReach = 3 * CTesselStationDoc::kMaxCoordinate;
    return std::fabs(p.latitude) <= kReach && std::fabs(p.longitude) <= kReach;
  }

  void Judge() {
    if (doc.GetWorldMap() == nullptr) return;  // between a reset's clear and its new exercise
    std::set<std::string> ids;
    const int now = doc.MissionClock();
    const auto unit = [&](const CResourceUnit& u, bool placedByScenario) {
      check(ids.insert(u.GetId()).second);
      if (placedByScenario) check(NearTheMap(u.GetStart()));
      const std::unique_ptr<CLatLng> at = u.PositionAt(now);
      check(std::isfinite(at->latitude) && std::isfinite(at->longitude));
    };
    for (const auto& [id, radar] : doc.GetRadars()) unit(*radar, true);
    for (const auto& [id, interceptor] : doc.GetInterceptors()) unit(*interceptor, false);
    for (const auto& [id, incursion] : doc.GetIncursions()) unit(*incursion, false);
    for (const auto& balloon : doc.GetBalloons()) unit(*balloon, false);
    double balloons = 0, radars = 0, interceptors = 0;
    doc.ComputeOwnCosts(&balloons, &radars, &interceptors);
    for (const double cost : {balloons, radars, interceptors}) check(std::isfinite(cost) && cost >= 0);
    double team = 0;
    for (const auto& [name, cost] : doc.GetTeamCosts()) {
      check(std::isfinite(cost) && cost >= 0);
      team += cost;
    }
    check(doc.ComputeMissionCost() == team + doc.GetOwnBalloonCost() +
                                          doc.GetOwnInterceptorCost() + doc.GetOwnRadarCost());
    platform::RecordingDC screen;
    view.OnDraw(&screen, CRect(0, 0, 400, 400));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input =
      replaced(std::string(reinterpret_cast<const char*>(data), size), "http://", "file://");
  platform::MessageRecorder messages;  // boxes go to the recorder, not to stderr
  Station station;
  station.Judge();
  std::istringstream lines(input);
  for (std::string line; std::getline(lines, line);) station.Take(line);
  return 0;
}
