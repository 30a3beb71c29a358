// The station's command protocol through the agent's real message hook:
// every command with the replies it sends and what it changes, the edge
// cases of each, and what happens to messages that arrive while a handler
// has a box open. The agent records what the station sends.
#include "TesselStationCore/stationprotocol.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Platform/eventloop.h"
#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselStationCore/weatherballoons.h"
#include "simscript.h"
#include "testsupport/logfile.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

// A fixture whose agent hands every message to the protocol.
template <typename Base>
class ProtocolOn : public Base {
 protected:
  ProtocolOn() { this->agent.SetDispatcher(std::make_unique<CStationProtocol>(this->doc)); }
  ~ProtocolOn() override { this->agent.SetDispatcher(nullptr); }

  // A message from `sender` with this content, through the agent's hook.
  void receive(const std::string& sender, const std::string& content) {
    std::string text = "(tell :sender " + sender +
                       " :receiver TesselStation :ontology default-language :language "
                       "default-ontology :content (" +
                       content + "))";
    EXPECT_EQ(this->agent.process_message(text.data()), 1);
  }
};

// The station "Alpha-1" with its teammate "Bravo-2" and the simulation
// "Sim"; an interceptor I1 ("Falcon"), an incursion X1 inside the impact
// area and a radar R1.
class Protocol : public ProtocolOn<UnitTest> {
 protected:
  Protocol() {
    add_interceptor("I1", 475, 150, 100)->SetName("Falcon");
    add_incursion("X1", 475, 250, 0, 10);
    add_radar("R1", 475, 300, "50");
  }

  CInterceptor* falcon() { return doc.FindInterceptor("I1"); }

  // From minute 0 the station runs the interceptor and the radar and flies
  // a balloon.
  void run_units_from_minute_0() {
    frame.clock = 0;
    falcon()->Activate();
    doc.FindRadar("R1")->Activate();
    doc.SetStationLocation(475, 200);
    doc.DeployBalloon(600, 300);
    agent.sent.clear();
    ui.calls.clear();
  }
};

// --- The hook

struct UnhandledCase {
  const char* name;
  const char* text;
};

void PrintTo(const UnhandledCase& c, std::ostream* out) { *out << c.name; }

class Unhandled : public Protocol, public testing::WithParamInterface<UnhandledCase> {};

TEST_P(Unhandled, ChangesNothingAndSendsNothing) {
  std::string text = GetParam().text;
  EXPECT_EQ(agent.process_message(text.data()), 1);
  EXPECT_EQ(agent.sent.size(), 0u);
  EXPECT_EQ(ui.calls, Lines{});
  EXPECT_EQ(frame.calls, Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Unhandled,
    testing::Values(
        UnhandledCase{"NoContent", "(tell :sender Sim :receiver TesselStation)"},
        UnhandledCase{"NoCommand", "(tell :sender Sim :content (tell :clock 5))"},
        UnhandledCase{"UnknownCommand", "(tell :sender Sim :content (tell :command launch_all))"},
        UnhandledCase{"CommandInOtherCase",
                      "(tell :sender Sim :content (tell :command Clock_Sync :clock 5))"},
        UnhandledCase{"LongerCommand",
                      "(tell :sender Sim :content (tell :command clock_sync_now :clock 5))"},
        UnhandledCase{"NoKqml", "not a message at all"}, UnhandledCase{"EmptyText", ""}),
    [](const testing::TestParamInfo<UnhandledCase>& info) { return info.param.name; });

// --- init_sim and init_playback

// The parts of a scenario; a test leaves some out or changes them.
std::map<std::string, std::string> scenario_parts(const std::string& map_url) {
  return {
      {"map", map_url},
      {"terrain", "(tell :number 1 :0 (tell :code 46 :style Solid :name Plains :r 1 :g 2 :b 3))"},
      {"radar", "(tell :number 1 :0 (tell :id R-1 :name North :lat 300 :lon 500 :range 160))"},
      {"interceptors",
       "(tell :number 1 :0 (tell :name Hawk :id I-101 :lat 420 :lon 200 :maxspeed 120 :scope "
       "land))"},
      {"incursions",
       "(tell :number 1 :0 (tell :id X-9 :name Raider :heading 160 :speed 40 :lat 250 :lon 640))"},
      {"impactlines",
       "(tell :nline (tell :count 2 :0 (tell :lat 0 :lng 420) :1 (tell :lat 950 :lng 430)) :sline "
       "(tell :count 2 :0 (tell :lat 0 :lng 260) :1 (tell :lat 950 :lng 270)))"},
      {"trajectory", "(tell :count 2 :0 (tell :lat 480 :lng 180) :1 (tell :lat 520 :lng 260))"},
  };
}

std::string scenario_text(const std::map<std::string, std::string>& parts) {
  std::string text = "(tell";
  for (const auto& [key, value] : parts) text += " :" + key + " " + value;
  return text + ")";
}

class Scenario : public Protocol {
 protected:
  Scenario() {
    testsupport::TempDir::write(dir.file("map.txt"),
                                "#Druvik MapData(1.2) -\n4\n0:950\n4\n95:655\nv\n"
                                "..^^\x01..^^\x01~~..\x01~~..\x01");
    parts = scenario_parts("file://" + dir.file("map.txt"));
  }
  std::string init(const char* command) {
    return std::string("tell :command ") + command + " :scenario " + scenario_text(parts);
  }

  testsupport::TempDir dir;
  std::map<std::string, std::string> parts;
};

TEST_F(Scenario, InitSimLoadsTheScenarioShowsTheWaitNoticeAndConfirms) {
  doc.SetSimulationAgent("");  // no exercise set up yet
  doc.SetPlayback(true);
  receive("Sim-7", init("init_sim"));
  EXPECT_EQ(agent.lines(), Lines{"Sim-7: tell :command init_sim :comfirm (TesselStation)"});
  EXPECT_EQ(ui.calls,
            (Lines{"LoadMap", "EnableMainFrame(0)", "EnableChatWindow(0)", "ShowWaitDialog"}));
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_INITIALIZED);
  EXPECT_STREQ(doc.GetSimulationAgent(), "Sim-7");
  EXPECT_FALSE(doc.IsPlayback());
  EXPECT_EQ(doc.GetWorldMap()->getWidth(), 4);
  EXPECT_EQ(doc.GetTerrainTypes().size(), 1u);
  EXPECT_NE(doc.FindRadar("R-1"), nullptr);
  EXPECT_NE(doc.FindInterceptor("I-101"), nullptr);
  EXPECT_NE(doc.FindIncursion("X-9"), nullptr);
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 2);
}

TEST_F(Scenario, InitPlaybackConfirmsAndTurnsPlaybackOn) {
  receive("Sim", init("init_playback"));
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command init_playback_confirm"});
  EXPECT_TRUE(doc.IsPlayback());
  EXPECT_TRUE(doc.HasWaitDialog());
  EXPECT_NE(doc.FindInterceptor("I-101"), nullptr);
}

TEST_F(Scenario, ASecondScenarioBeforeTheStartKeepsTheOneWaitNotice) {
  receive("Sim", init("init_sim"));
  receive("Sim", init("init_playback"));
  EXPECT_EQ(ui.calls_starting("ShowWaitDialog").size(), 1u);
  receive("Sim", "tell :command start_sim");
  receive("Sim", "tell :command start_sim");
  EXPECT_EQ(ui.calls_starting("CloseWaitDialog").size(), 1u);
  EXPECT_FALSE(doc.HasWaitDialog());
}

// Scenarios that stop before the map or at it: nothing sent, no notice, the
// windows enabled and the phase kept.
struct FailedScenarioCase {
  const char* name;
  const char* drop;     // the part left out
  const char* replace;  // ... or the part replaced
  std::string by;
};

// A unit list of `count` entries "(tell :id <id><i> :name <name> <rest>)",
// each id padded with x to `idBytes` bytes.
std::string unit_list(size_t count, const std::string& id, size_t idBytes, const std::string& name,
                      const std::string& rest) {
  std::string list = "(tell :number " + std::to_string(count);
  for (size_t i = 0; i < count; ++i) {
    std::string unitId = id + std::to_string(i);
    unitId.resize(std::max(unitId.size(), idBytes), 'x');
    list += " :" + std::to_string(i) + " (tell :id " + unitId + " :name " + name + " " + rest + ")";
  }
  return list + ")";
}

const std::string kRadarRest = ":lat 300 :lon 500 :range 160";
const std::string kInterceptorRest = ":lat 420 :lon 200 :maxspeed 120 :scope land";
const std::string kIncursionRest = ":heading 160 :speed 40 :lat 250 :lon 640";

void PrintTo(const FailedScenarioCase& c, std::ostream* out) { *out << c.name; }

class FailedScenario : public Scenario, public testing::WithParamInterface<FailedScenarioCase> {};

TEST_P(FailedScenario, SendsNothingAndKeepsThePhase) {
  const FailedScenarioCase& c = GetParam();
  if (c.drop != nullptr) parts.erase(c.drop);
  if (c.replace != nullptr) parts[c.replace] = c.by;
  doc.SetPhase(CTesselStationDoc::PHASE_REGISTERED);
  receive("Sim", init("init_sim"));
  receive("Sim", init("init_playback"));
  EXPECT_EQ(agent.sent.size(), 0u);
  EXPECT_EQ(ui.calls_starting("ShowWaitDialog").size(), 0u);
  EXPECT_EQ(ui.calls_starting("EnableMainFrame").size(), 0u);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EXPECT_EQ(doc.FindInterceptor("I-101"), nullptr);
  EXPECT_FALSE(doc.IsPlayback());
  EXPECT_STREQ(doc.GetSimulationAgent(), "Sim");  // as before
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, FailedScenario,
    testing::Values(FailedScenarioCase{"NoTerrain", "terrain", nullptr, ""},
                    FailedScenarioCase{"NoMap", "map", nullptr, ""},
                    FailedScenarioCase{"NoInterceptors", "interceptors", nullptr, ""},
                    FailedScenarioCase{"UnreadableTerrain", nullptr, "terrain", "plains"},
                    FailedScenarioCase{"MapNotThere", nullptr, "map", "file:///no/such/map"},
                    FailedScenarioCase{"NoMapLocation", nullptr, "map", "here"},
                    // Beyond the station's limits.
                    FailedScenarioCase{"SixtyFiveRadars", nullptr, "radar",
                                       unit_list(65, "R", 0, "Watch", kRadarRest)},
                    FailedScenarioCase{"TwoHundredFiftySevenInterceptors", nullptr,
                                       "interceptors",
                                       unit_list(257, "I", 0, "Hawk", kInterceptorRest)},
                    FailedScenarioCase{"SixtyFiveIncursions", nullptr, "incursions",
                                       unit_list(65, "X", 0, "Raider", kIncursionRest)},
                    FailedScenarioCase{"AnIdOfSixtyFiveBytes", nullptr, "interceptors",
                                       unit_list(1, "I", 65, "Hawk", kInterceptorRest)},
                    FailedScenarioCase{
                        "ANameOfSixtyFiveBytes", nullptr, "radar",
                        unit_list(1, "R", 0, "\"" + std::string(65, 'n') + "\"", kRadarRest)}),
    [](const testing::TestParamInfo<FailedScenarioCase>& info) { return info.param.name; });

// At the limits, the longest ids and names: all of it is taken.
TEST_F(Scenario, AScenarioAtTheStationsLimitsIsTaken) {
  const std::string name = "\"" + std::string(CTesselStationDoc::kMaxUnitText - 2, 'n') + " n\"";
  const size_t idBytes = CTesselStationDoc::kMaxUnitText;
  parts["radar"] = unit_list(CTesselStationDoc::kMaxRadars, "R", idBytes, name, kRadarRest);
  parts["interceptors"] =
      unit_list(CTesselStationDoc::kMaxInterceptors, "I", idBytes, name, kInterceptorRest);
  parts["incursions"] =
      unit_list(CTesselStationDoc::kMaxIncursions, "X", idBytes, name, kIncursionRest);
  doc.ResetSimulation();
  receive("Sim", "tell :command reset_sim");  // the fixture's units go
  agent.sent.clear();
  receive("Sim", init("init_sim"));
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command init_sim :comfirm (TesselStation)"});
  EXPECT_EQ(doc.GetRadars().size(), CTesselStationDoc::kMaxRadars);
  EXPECT_EQ(doc.GetInterceptors().size(), CTesselStationDoc::kMaxInterceptors);
  EXPECT_EQ(doc.GetIncursions().size(), CTesselStationDoc::kMaxIncursions);
  EXPECT_EQ(std::strlen(doc.GetRadars().begin()->second->GetName()),
            CTesselStationDoc::kMaxUnitText);
  // Another scenario would take the station beyond them.
  agent.sent.clear();
  parts["radar"] = unit_list(1, "S", 0, "Watch", kRadarRest);
  receive("Sim", init("init_sim"));
  EXPECT_EQ(agent.sent.size(), 0u);
  EXPECT_EQ(doc.FindRadar("S0"), nullptr);
}

TEST_F(Scenario, WithoutAScenarioNothingHappens) {
  receive("Sim", "tell :command init_sim");
  EXPECT_EQ(agent.sent.size(), 0u);
  EXPECT_EQ(ui.calls, Lines{});
}

TEST_F(Scenario, AMapThatCannotBeBuiltStopsTheScenarioAfterItsTerrain) {
  testsupport::TempDir::write(dir.file("map.txt"), "#Druvik MapData(1.2) -\n0\n");
  receive("Sim", init("init_sim"));
  EXPECT_EQ(agent.sent.size(), 0u);
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Internal Error: CTesselStationView::GetMapFromURL())"});
  EXPECT_EQ(doc.GetTerrainTypes().size(), 1u);  // loaded before the map
  EXPECT_EQ(doc.FindRadar("R-1"), nullptr);
}

TEST_F(Scenario, AFailedInitSimStillEndsPlayback) {
  receive("Sim", init("init_playback"));
  parts.erase("map");
  receive("Sim", init("init_sim"));
  EXPECT_FALSE(doc.IsPlayback());
}

// A map from a web server is read without holding the station: the
// scenario's sender waits for it (its messages held, in their order) while
// the others are served; a server that never answers is given up within
// the fetch's time, and the operator is told.
class WebMapScenario : public Scenario {
 protected:
  WebMapScenario() {
    // Never accepts: a connection waits in its backlog, unanswered.
    listener = testsupport::listen_on_loopback(&port);
    parts["map"] = "http://127.0.0.1:" + std::to_string(port) + "/demo.map";
  }
  ~WebMapScenario() override { close(listener); }

  unsigned port = 0;
  int listener = -1;
};

TEST_F(WebMapScenario, ServesOthersWhileTheMapIsReadAndItsSenderAfterIt) {
  testsupport::TempDir logs;
  auto* protocol = dynamic_cast<CStationProtocol*>(agent.GetDispatcher());
  // The exercise before has ended: anyone may set the next one up.
  receive("Sim", "tell :command mission_complete");
  agent.sent.clear();
  protocol->set_file(logs.file("protocol.log").c_str());
  receive("Sim", init("init_sim"));
  EXPECT_EQ(agent.sent.size(), 0u);  // no answer before the map is read
  receive("Bravo-2", "tell :command mission_cost :totalCost 30");
  EXPECT_EQ(doc.GetTeamCosts().at("Bravo-2"), 30.0);
  receive("Sim", "tell :command clock_sync :clock 60");
  EXPECT_EQ(frame.clock, 0);
  receive("Charlie", init("init_sim"));
  // A bound against a hang, not a measure: the fetch gives up long before.
  ASSERT_TRUE(platform::current_loop().run_until([&] { return frame.clock == 60; }, 30000));
  protocol->close();
  EXPECT_EQ(ui.calls_starting("MessageBox"),
            Lines{"MessageBox(Error in retriving " + parts["map"] + ", stop)"});
  EXPECT_EQ(ui.calls_starting("ShowWaitDialog").size(), 0u);
  const std::string costs =
      "tell :command mission_cost :totalCost 0 :radarCost 0 :intCost 0 :balloonCost 0";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + costs, "Sim: " + costs}));
  EXPECT_EQ(log_messages(logs.file("protocol.log")),
            (Lines{"<CStationProtocol> Message held until the scenario's map is read",
                   "<CStationProtocol> Scenario from [Charlie] dropped: the map of [Sim] is being "
                   "read"}));
}

TEST_F(WebMapScenario, NoSenderHasMoreThanItsShareWaiting) {
  testsupport::TempDir logs;
  auto* protocol = dynamic_cast<CStationProtocol*>(agent.GetDispatcher());
  receive("Sim", init("init_sim"));
  for (size_t i = 0; i < CStationProtocol::kMaxWaiting; ++i) {
    receive("Sim", "tell :command clock_sync :clock 1");
  }
  protocol->set_file(logs.file("protocol.log").c_str());
  receive("Sim", "tell :command clock_sync :clock 2");
  // Another sender is served.
  receive("Bravo-2", "tell :command mission_cost :totalCost 3");
  protocol->close();
  EXPECT_EQ(doc.GetTeamCosts().at("Bravo-2"), 3.0);
  EXPECT_EQ(log_messages(logs.file("protocol.log")),
            Lines{"<CStationProtocol> Message from [Sim] dropped: 1024 of its messages wait "
                  "already"});
}

TEST_F(WebMapScenario, AProtocolThatGoesGivesUpItsMap) {
  receive("Sim", init("init_sim"));
  agent.SetDispatcher(nullptr);
  // Nothing is told to the protocol that went.
  platform::current_loop().process_events(0);
  EXPECT_EQ(agent.sent.size(), 0u);
}

// --- start_sim and start_playback

class Start : public Protocol, public testing::WithParamInterface<const char*> {};

TEST_P(Start, AddsTheTeamPlacesTheStationAndClosesTheWaitNotice) {
  doc.OpenWaitDialog();
  ui.calls.clear();
  receive("Sim", std::string("tell :command ") + GetParam() +
                     " :team (tell :number 3 :client0 Alpha-1 :client1 Charlie-3 :client2 "
                     "Bravo-2) :stationlocation (tell :lat 480.5 :lon 180)");
  EXPECT_EQ(ui.calls, (Lines{"RefreshInfoPane(0)", "RefreshInfoPane(1)", "RedrawAllViews(0)",
                             "CloseWaitDialog", "EnableMainFrame(1)", "EnableChatWindow(1)"}));
  std::vector<std::string> team;
  for (const auto& [name, member] : doc.GetTeamMembers()) team.push_back(name);
  EXPECT_EQ(team, (std::vector<std::string>{"Bravo-2", "Charlie-3"}));  // not the station itself
  EXPECT_EQ(doc.GetStationLocation()->latitude, 480.5);
  EXPECT_EQ(doc.GetStationLocation()->longitude, 180.0);
  EXPECT_EQ(agent.sent.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Commands, Start, testing::Values("start_sim", "start_playback"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST_F(Protocol, StartReadsOnlyTheTeamEntriesThatArePresent) {
  receive("Sim",
          "tell :command start_sim :team (tell :number 2147483647 :client0 Delta-4 :client7 Echo-5 "
          ":client01 Foxtrot-6 :clientx Golf-7)");
  EXPECT_NE(doc.FindTeamMember("Delta-4"), nullptr);
  EXPECT_NE(doc.FindTeamMember("Echo-5"), nullptr);
  EXPECT_EQ(doc.FindTeamMember("Foxtrot-6"), nullptr);
  EXPECT_EQ(doc.FindTeamMember("Golf-7"), nullptr);
  receive("Sim", "tell :command start_sim :team (tell :number -2 :client0 Hotel-8)");
  EXPECT_EQ(doc.FindTeamMember("Hotel-8"), nullptr);
}

TEST_F(Protocol, AStationLocationWithLngInPlaceOfLonIsIgnored) {
  doc.SetStationLocation(1, 2);
  receive("Sim", "tell :command start_sim :stationlocation (tell :lat 480 :lng 180)");
  EXPECT_EQ(doc.GetStationLocation()->latitude, 1.0);
  EXPECT_EQ(ui.calls, (Lines{"EnableMainFrame(1)", "EnableChatWindow(1)"}));
}

// --- clock_sync, mission_cost, mission_complete

TEST_F(Protocol, ClockSyncSetsTheClockAndTellsTheTeamTheStationsCosts) {
  run_units_from_minute_0();
  receive("Sim", "tell :command clock_sync :clock 30");
  EXPECT_EQ(frame.calls, Lines{"SetClock(30)"});
  const std::string costs =
      "tell :command mission_cost :totalCost 1564 :radarCost 1501 :intCost 31 :balloonCost 32";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + costs, "Sim: " + costs}));
}

TEST_F(Protocol, ClockSyncWithoutAClockStillReportsTheCosts) {
  receive("Sim", "tell :command clock_sync");
  EXPECT_EQ(frame.calls, Lines{});
  const std::string costs =
      "tell :command mission_cost :totalCost 0 :radarCost 0 :intCost 0 :balloonCost 0";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + costs, "Sim: " + costs}));
}

TEST_F(Protocol, MissionCostRecordsTheTeammatesTotalAndShowsItsTexts) {
  receive("Bravo-2",
          "tell :command mission_cost :totalCost 120.5 :radarCost 100 :intCost 20 :balloonCost "
          "0.5");
  receive("Bravo-2", "tell :command mission_cost :totalCost 130 :radarCost 110 :intCost 20");
  EXPECT_EQ(doc.GetTeamCosts(), (std::map<std::string, double>{{"Bravo-2", 130.0}}));
  EXPECT_EQ(ui.calls, (Lines{"UpdateMemberCost(Bravo-2, 100, 20, 0.5, 120.5)",
                             "UpdateMemberCost(Bravo-2, 110, 20, , 130)"}));
  EXPECT_EQ(agent.sent.size(), 0u);
}

// Costs count only from the team and the simulation agent: a stranger's
// are dropped (and logged), whatever it sends and however many strangers.
struct CostSenderCase {
  const char* name;
  const char* sender;
  bool counted;
};

void PrintTo(const CostSenderCase& c, std::ostream* out) { *out << c.name; }

class MissionCostSender : public Protocol, public testing::WithParamInterface<CostSenderCase> {};

TEST_P(MissionCostSender, CountsOnlyForTheTeamAndTheSimulation) {
  doc.SetSimulationAgent("Sim");
  testsupport::TempDir dir;
  auto* protocol = dynamic_cast<CStationProtocol*>(agent.GetDispatcher());
  protocol->set_file(dir.file("protocol.log").c_str());
  const std::string sender = GetParam().sender;
  receive(sender, "tell :command mission_cost :totalCost 1000000 :radarCost 1 :intCost 1");
  protocol->close();
  EXPECT_EQ(doc.GetTeamCosts().count(sender), GetParam().counted ? 1u : 0u);
  EXPECT_EQ(ui.calls.size(), GetParam().counted ? 1u : 0u);
  EXPECT_EQ(log_messages(dir.file("protocol.log")),
            GetParam().counted
                ? Lines{}
                : Lines{"<CStationProtocol> mission_cost from [" + sender +
                        "] dropped: not of the team"});
}

INSTANTIATE_TEST_SUITE_P(
    Senders, MissionCostSender,
    testing::Values(CostSenderCase{"Teammate", "Bravo-2", true},
                    CostSenderCase{"TheStationItself", "Alpha-1", true},
                    CostSenderCase{"SimulationAgent", "Sim", true},
                    CostSenderCase{"Stranger", "Mallory", false},
                    CostSenderCase{"NoSender", "\"\"", false}),
    [](const testing::TestParamInfo<CostSenderCase>& info) { return info.param.name; });

TEST_F(Protocol, ManyStrangersLeaveTheMissionCostAsTheTeamHasIt) {
  for (int i = 0; i < 30; ++i) {
    receive("stranger" + std::to_string(i), "tell :command mission_cost :totalCost 1000000");
  }
  receive("Bravo-2", "tell :command mission_cost :totalCost 7");
  EXPECT_EQ(doc.ComputeMissionCost(), 7.0);
  EXPECT_EQ(ui.pane.GetRoot().GetChildren().size(), 4u);
}

TEST_F(Protocol, MissionCompleteSendsTheStatisticsAndShowsTheMessage) {
  run_units_from_minute_0();
  frame.clock = 30;
  receive("Sim", "tell :command mission_complete :msg (Mission complete.)");
  EXPECT_EQ(agent.lines(),
            Lines{"Sim: tell :command mission_stats :balloonCost 32.000000 :radarCost 1501.000000 "
                  ":intCost 31.000000 :totalCost 1564.000000 :intStats " +
                  std::string(doc.InterceptorStats().get()) + " :radarStats " +
                  doc.RadarStats().get() + " :balloonStats " + doc.BalloonStats().get()});
  EXPECT_EQ(ui.calls, Lines{"MessageBox((Mission complete.))"});
}

// --- reset_sim and stop_playback

TEST_F(Protocol, ResetSimEmptiesTheDocumentAndStartsAFreshOne) {
  doc.OpenWaitDialog();
  ui.calls.clear();
  receive("Sim", "tell :command reset_sim");
  EXPECT_EQ(ui.calls, (Lines{"CloseWaitDialog", "EnableMainFrame(1)", "EnableChatWindow(1)",
                             "ClearChat", "RefreshInfoPane(0)", "RefreshInfoPane(1)",
                             "RefreshInfoPane(5)", "RedrawAllViews(1)", "SetTitle(Version 3.10)"}));
  EXPECT_TRUE(doc.GetInterceptors().empty());
  EXPECT_TRUE(doc.GetRadars().empty());
  EXPECT_TRUE(doc.GetTeamMembers().empty());
  EXPECT_STREQ(doc.GetSimulationAgent(), "");
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EXPECT_NE(doc.GetWorldMap(), nullptr);
}

TEST_F(Protocol, StopPlaybackTakesTheScenarioBackToItsStart) {
  run_units_from_minute_0();
  receive("Sim", "tell :command stop_playback");
  EXPECT_TRUE(doc.GetBalloons().empty());
  EXPECT_EQ(falcon()->GetState(), CInterceptor::STATE_IDLE);
  EXPECT_NE(doc.FindRadar("R1"), nullptr);
  EXPECT_EQ(frame.calls, Lines{"SetClock(0)"});
}

// The demo's order: a balloon before the first pulse, the clock run to its
// end, the statistics, reset_sim. A second exercise reports as the first.
TEST_F(Scenario, ASecondExerciseAfterResetSimReportsAsTheFirst) {
  const auto exercise = [&] {
    receive("Sim", init("init_sim"));
    receive("Sim", "tell :command start_sim :stationlocation (tell :lat 480 :lon 180)");
    receive("Sim", "tell :command playback_deploy_balloon :lat 600 :lng 300");
    receive("Sim", "tell :command clock_sync :clock 960");
    agent.sent.clear();
    receive("Sim", "tell :command mission_complete");
    receive("Sim", "tell :command reset_sim");
    EXPECT_EQ(frame.clock, 0);
    return agent.lines();
  };
  receive("Sim", "tell :command reset_sim");  // the fixture's units go
  const Lines first = exercise();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_NE(first[0].find(":balloon0 (tell :deployTime 0 :reportTime 0 :deployLat 600.000000 "
                          ":deployLng 300.000000 :cost 962.000000)"),
            std::string::npos)
      << first[0];
  EXPECT_EQ(exercise(), first);
}

// Once an exercise is set up, only its simulation agent drives it: the same
// commands from a teammate or a stranger are dropped, with a log line.
struct Outcome {
  const CTesselStationDoc& doc;
  const RecordingFrame& frame;
  Lines sent;
};

struct DrivingCase {
  const char* name;
  std::string content;
  // Whether the command ran, from what it left.
  std::function<bool(const Outcome&)> ran;
};

void PrintTo(const DrivingCase& c, std::ostream* out) { *out << c.name; }

class Driving : public Scenario,
                public testing::WithParamInterface<std::tuple<DrivingCase, const char*>> {};

TEST_P(Driving, ComesOnlyFromTheSimulationAgent) {
  const auto& [c, sender] = GetParam();
  doc.SetStationLocation(475, 200);
  frame.clock = 30;
  doc.DeployBalloon(600, 300);
  agent.sent.clear();
  frame.calls.clear();
  testsupport::TempDir logs;
  auto* protocol = dynamic_cast<CStationProtocol*>(agent.GetDispatcher());
  protocol->set_file(logs.file("protocol.log").c_str());
  std::string content = c.content;
  if (content.back() == '@') content.replace(content.size() - 1, 1, scenario_text(parts));
  receive(sender, content);
  protocol->close();
  const bool simulation = std::string(sender) == "Sim";
  EXPECT_EQ(c.ran(Outcome{doc, frame, agent.lines()}), simulation);
  const std::string command = c.content.substr(std::string("tell :command ").size(),
                                               c.content.find(' ', 14) - 14);
  EXPECT_EQ(log_messages(logs.file("protocol.log")),
            simulation ? Lines{}
                       : Lines{"<CStationProtocol> " + command + " from [" + sender +
                               "] dropped: the exercise is driven by [Sim]"});
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Driving,
    testing::Combine(
        testing::Values(
            DrivingCase{"InitSim", "tell :command init_sim :scenario @",
                        [](const Outcome& o) { return o.doc.FindRadar("R-1") != nullptr; }},
            DrivingCase{"InitPlayback", "tell :command init_playback :scenario @",
                        [](const Outcome& o) { return o.doc.IsPlayback(); }},
            DrivingCase{"StartSim", "tell :command start_sim :stationlocation (tell :lat 1 :lon 2)",
                        [](const Outcome& o) { return o.doc.GetStationLocation()->latitude == 1; }},
            DrivingCase{"StartPlayback",
                        "tell :command start_playback :stationlocation (tell :lat 1 :lon 2)",
                        [](const Outcome& o) { return o.doc.GetStationLocation()->latitude == 1; }},
            DrivingCase{"ClockSync", "tell :command clock_sync :clock 60",
                        [](const Outcome& o) { return o.frame.clock == 60; }},
            DrivingCase{"ResetSim", "tell :command reset_sim",
                        [](const Outcome& o) { return o.doc.GetInterceptors().empty(); }},
            DrivingCase{"StopPlayback", "tell :command stop_playback",
                        [](const Outcome& o) { return o.doc.GetBalloons().empty(); }},
            DrivingCase{"PlaybackDeployBalloon",
                        "tell :command playback_deploy_balloon :lat 600 :lng 300",
                        [](const Outcome& o) { return o.doc.GetBalloons().size() == 2; }},
            DrivingCase{"MissionComplete", "tell :command mission_complete",
                        [](const Outcome& o) {
                          return o.sent.size() == 1 &&
                                 o.sent[0].rfind("Sim: tell :command mission_stats ", 0) == 0;
                        }}),
        testing::Values("Sim", "Bravo-2", "Mallory")),
    [](const testing::TestParamInfo<std::tuple<DrivingCase, const char*>>& info) {
      return std::string(std::get<0>(info.param).name) + "From" +
             (std::string(std::get<1>(info.param)) == "Bravo-2" ? "Teammate"
                                                                : std::get<1>(info.param));
    });

// Which scenario sets the next exercise up: reset_sim and mission_complete
// end an exercise; while none is set up, only a scenario is taken.
TEST_F(Scenario, AfterResetSimAnotherSimulationAgentSetsTheNextExerciseUp) {
  receive("Sim", "tell :command reset_sim");
  receive("Sim-2", init("init_sim"));
  EXPECT_STREQ(doc.GetSimulationAgent(), "Sim-2");
  receive("Sim", "tell :command clock_sync :clock 60");
  EXPECT_EQ(frame.clock, 0);
}

TEST_F(Scenario, AfterMissionCompleteAnotherSimulationAgentSetsTheNextExerciseUp) {
  receive("Sim-2", init("init_sim"));
  EXPECT_STREQ(doc.GetSimulationAgent(), "Sim");  // its exercise still runs
  receive("Sim", "tell :command mission_complete");
  receive("Sim-2", init("init_sim"));
  EXPECT_STREQ(doc.GetSimulationAgent(), "Sim-2");
  receive("Sim", "tell :command reset_sim");
  EXPECT_NE(doc.FindRadar("R-1"), nullptr);
  receive("Sim-3", init("init_sim"));
  EXPECT_STREQ(doc.GetSimulationAgent(), "Sim-2");  // the new one is not complete
}

TEST_F(Scenario, WithNoExerciseSetUpOnlyAScenarioIsTaken) {
  doc.SetSimulationAgent("");
  testsupport::TempDir logs;
  auto* protocol = dynamic_cast<CStationProtocol*>(agent.GetDispatcher());
  protocol->set_file(logs.file("protocol.log").c_str());
  receive("Sim", "tell :command clock_sync :clock 60");
  receive("Sim", "tell :command mission_complete");
  protocol->close();
  EXPECT_EQ(frame.clock, 0);
  EXPECT_EQ(agent.sent.size(), 0u);
  EXPECT_EQ(log_messages(logs.file("protocol.log")),
            (Lines{"<CStationProtocol> clock_sync from [Sim] dropped: no exercise is set up",
                   "<CStationProtocol> mission_complete from [Sim] dropped: no exercise is set "
                   "up"}));
  receive("Sim", init("init_sim"));
  EXPECT_STREQ(doc.GetSimulationAgent(), "Sim");
}

// --- A teammate's unit commands, replayed without sending

struct UnitActionCase {
  const char* name;
  // Sender and content (after "tell :command "), in order.
  std::vector<std::pair<const char*, const char*>> messages;
  const char* expected;
};

void PrintTo(const UnitActionCase& c, std::ostream* out) { *out << c.name; }

class UnitAction : public Protocol, public testing::WithParamInterface<UnitActionCase> {
 protected:
  // The interceptor's state, controller and destination; the radar's
  // controllers.
  std::string describe() {
    const CInterceptor* unit = falcon();
    std::string text = "I1 " + std::to_string(unit->GetState()) + " " +
                       (unit->GetController() != nullptr ? unit->GetController()->GetName() : "-");
    if (unit->GetState() == CInterceptor::STATE_DEPLOYING) {
      text += " to " + std::to_string(int(unit->GetDestination().latitude)) + "," +
              std::to_string(int(unit->GetDestination().longitude));
    }
    text += "; R1";
    for (const auto& [name, member] : doc.FindRadar("R1")->GetControllers()) text += " " + name;
    return text;
  }
};

TEST_P(UnitAction, ActsOnTheStationsCopyOfTheUnit) {
  for (const auto& [sender, content] : GetParam().messages) {
    receive(sender, std::string("tell :command ") + content);
  }
  EXPECT_EQ(describe(), GetParam().expected);
  EXPECT_EQ(agent.sent.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, UnitAction,
    testing::Values(
        UnitActionCase{"RadarActivated",
                       {{"Bravo-2", "activate :resource Radar :id R1"}},
                       "I1 0 -; R1 Bravo-2"},
        UnitActionCase{"RadarDeactivated",
                       {{"Bravo-2", "activate :resource Radar :id R1"},
                        {"Bravo-2", "deactivate :resource Radar :id R1"}},
                       "I1 0 -; R1"},
        UnitActionCase{"RadarAbortedDoesNothing",
                       {{"Bravo-2", "activate :resource Radar :id R1"},
                        {"Bravo-2", "abort :resource Radar :id R1"}},
                       "I1 0 -; R1 Bravo-2"},
        UnitActionCase{"InterceptorActivated",
                       {{"Bravo-2", "activate :resource Interceptor :id I1"}},
                       "I1 1 Bravo-2; R1"},
        UnitActionCase{"InterceptorDeactivated",
                       {{"Bravo-2", "activate :resource Interceptor :id I1"},
                        {"Bravo-2", "deactivate :resource Interceptor :id I1"}},
                       "I1 0 -; R1"},
        UnitActionCase{
            "InterceptorDeployed",
            {{"Bravo-2", "activate :resource Interceptor :id I1"},
             {"Bravo-2", "deploy :resource Interceptor :id I1 :destLat 600 :destLng 350"}},
            "I1 2 Bravo-2 to 600,350; R1"},
        UnitActionCase{
            "DeploymentAborted",
            {{"Bravo-2", "activate :resource Interceptor :id I1"},
             {"Bravo-2", "deploy :resource Interceptor :id I1 :destLat 600 :destLng 350"},
             {"Bravo-2", "abort :resource Interceptor :id I1"}},
            "I1 1 Bravo-2; R1"},
        UnitActionCase{"InterceptionStarted",
                       {{"Bravo-2", "activate :resource Interceptor :id I1"},
                        {"Bravo-2", "intercept :resource Interceptor :id I1 :incID X1"}},
                       "I1 4 Bravo-2; R1"},
        UnitActionCase{"InterceptionOfAnUnknownIncursion",
                       {{"Bravo-2", "activate :resource Interceptor :id I1"},
                        {"Bravo-2", "intercept :resource Interceptor :id I1 :incID X9"}},
                       "I1 1 Bravo-2; R1"},
        UnitActionCase{"UpdateChangesNothing",
                       {{"Bravo-2", "activate :resource Interceptor :id I1"},
                        {"Bravo-2", "update :resource Interceptor :id I1"}},
                       "I1 1 Bravo-2; R1"},
        UnitActionCase{"TheStationsOwnName",
                       {{"Alpha-1", "activate :resource Interceptor :id I1"}},
                       "I1 1 Alpha-1; R1"},
        UnitActionCase{"FromOutsideTheTeam",
                       {{"Charlie-9", "activate :resource Interceptor :id I1"},
                        {"Charlie-9", "activate :resource Radar :id R1"}},
                       "I1 0 -; R1"},
        UnitActionCase{"WithoutResource", {{"Bravo-2", "activate :id I1"}}, "I1 0 -; R1"},
        UnitActionCase{
            "OfAnotherKind", {{"Bravo-2", "activate :resource Balloon :id I1"}}, "I1 0 -; R1"},
        UnitActionCase{
            "AnUnknownUnit", {{"Bravo-2", "activate :resource Interceptor :id I9"}}, "I1 0 -; R1"}),
    [](const testing::TestParamInfo<UnitActionCase>& info) { return info.param.name; });

// --- request and request-response

struct RequestCase {
  const char* name;
  int state;
  std::deque<bool> answers;
  const char* content;  // after "tell :command request"
  const char* reply;    // the last message sent; "" for none
  int state_after;
};

void PrintTo(const RequestCase& c, std::ostream* out) { *out << c.name; }

class Request : public Protocol, public testing::WithParamInterface<RequestCase> {};

TEST_P(Request, AsksTheOperatorOnlyForAnInterceptorInUse) {
  const RequestCase& c = GetParam();
  falcon()->SetState(c.state);
  ui.answers = c.answers;
  receive("Bravo-2", std::string("tell :command request") + c.content);
  EXPECT_EQ(ui.calls_starting("AskYesNo").size(), c.answers.size());
  EXPECT_EQ(agent.sent.empty() ? "" : agent.lines().back(), c.reply);
  EXPECT_EQ(falcon()->GetState(), c.state_after);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Request,
    testing::Values(
        RequestCase{"OnStationHandedOver",
                    CInterceptor::STATE_ON_STATION,
                    {true},
                    " :resource Interceptor :id I1",
                    "Bravo-2: tell :command request-response :id I1 :acknowledgement yes",
                    CInterceptor::STATE_IDLE},
        RequestCase{"DeployingKept",
                    CInterceptor::STATE_DEPLOYING,
                    {false},
                    " :resource Interceptor :id I1",
                    "Bravo-2: tell :command request-response :id I1 :acknowledgement no",
                    CInterceptor::STATE_DEPLOYING},
        RequestCase{"IdleRefusedWithoutAsking",
                    CInterceptor::STATE_IDLE,
                    {},
                    " :resource Interceptor :id I1",
                    "Bravo-2: tell :command request-response :id I1 :acknowledgement no",
                    CInterceptor::STATE_IDLE},
        RequestCase{"InterceptingRefusedWithoutAsking",
                    CInterceptor::STATE_INTERCEPTING,
                    {},
                    " :resource Interceptor :id I1",
                    "Bravo-2: tell :command request-response :id I1 :acknowledgement no",
                    CInterceptor::STATE_INTERCEPTING},
        RequestCase{"ForARadar",
                    CInterceptor::STATE_ON_STATION,
                    {},
                    " :resource Radar :id R1",
                    "",
                    CInterceptor::STATE_ON_STATION},
        RequestCase{"ForAnUnknownInterceptor",
                    CInterceptor::STATE_ON_STATION,
                    {},
                    " :resource Interceptor :id I9",
                    "",
                    CInterceptor::STATE_ON_STATION},
        RequestCase{"WithoutId",
                    CInterceptor::STATE_ON_STATION,
                    {},
                    " :resource Interceptor",
                    "",
                    CInterceptor::STATE_ON_STATION},
        RequestCase{"WithoutResource",
                    CInterceptor::STATE_ON_STATION,
                    {},
                    " :id I1",
                    "",
                    CInterceptor::STATE_ON_STATION}),
    [](const testing::TestParamInfo<RequestCase>& info) { return info.param.name; });

TEST_F(Protocol, ARequestNamesTheTeammateAndTheInterceptorInItsQuestion) {
  falcon()->Activate();
  agent.sent.clear();
  ui.calls.clear();
  ui.answers = {true};
  receive("Bravo-2", "tell :command request :resource Interceptor :id I1");
  EXPECT_EQ(ui.calls.front(),
            "AskYesNo(Bravo-2 has requested access to the Interceptor Falcon (ID I1).\r\nHand over "
            "control?) -> yes");
  // The station gives the interceptor up (told to the team), then answers.
  ASSERT_EQ(agent.sent.size(), 5u);
  EXPECT_EQ(agent.sent[0].content.rfind("tell :command abort :resource Interceptor :id I1", 0), 0u);
  EXPECT_EQ(agent.sent[2].content.rfind("tell :command deactivate :resource Interceptor :id I1", 0),
            0u);
  EXPECT_EQ(agent.lines().back(),
            "Bravo-2: tell :command request-response :id I1 :acknowledgement yes");
  EXPECT_EQ(falcon()->GetController(), nullptr);
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
}

TEST_F(Protocol, AGrantedRequestActivatesTheInterceptorHere) {
  receive("Bravo-2", "tell :command request-response :id I1 :acknowledgement yes");
  EXPECT_EQ(falcon()->GetController(), doc.GetOwnMember());
  EXPECT_EQ(falcon()->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(doc.GetSelectedInterceptor(), falcon());
  ASSERT_EQ(agent.sent.size(), 2u);  // the activation, told to the team
  EXPECT_EQ(agent.sent[0].content.rfind("tell :command activate :resource Interceptor :id I1", 0),
            0u);
}

TEST_F(Protocol, ADeniedRequestIsShown) {
  receive("Bravo-2", "tell :command request-response :id I1 :acknowledgement no");
  receive("Bravo-2", "tell :command request-response :id I1");
  receive("Bravo-2", "tell :command request-response :id I9 :acknowledgement no");
  EXPECT_EQ(ui.calls,
            (Lines{"MessageBox(Bravo-2 has denied your request for the Interceptor Falcon)",
                   "MessageBox(Bravo-2 has denied your request for the Interceptor Falcon)"}));
  EXPECT_EQ(falcon()->GetState(), CInterceptor::STATE_IDLE);
}

// --- Chat, go/no-go, incursions, trajectory, weather, balloons

TEST_F(Protocol, AChatLineFromATeammateIsAddedWithoutItsParentheses) {
  receive("Sim", "tell :command subject_communication :from Bravo-2 :message (On (my) way.)");
  EXPECT_EQ(ui.calls, Lines{"AddChatLine(Bravo-2: On (my) way.)"});
}

TEST_F(Protocol, AChatLineFromSomeoneOutsideTheTeamIsLoggedAndShown) {
  testsupport::TempDir dir;
  agent.set_file(dir.file("agent.log").c_str());
  receive("Sim", "tell :command subject_communication :from Nobody :message (Hello)");
  receive("Sim", "tell :command subject_communication :message (Hello)");
  agent.close();
  EXPECT_EQ(ui.calls,
            (Lines{"MessageBox(Error: Teammember cannot be determined for this Chat Message)",
                   "MessageBox(Error: Teammember cannot be determined for this Chat Message)"}));
  EXPECT_EQ(log_messages(dir.file("agent.log")),
            (Lines{"Teammember is NULL", "Teammember is NULL"}));
}

struct GoNoGoCase {
  const char* name;
  const char* sender;
  const char* status;  // the value of :status, null for none
  const char* sides;   // go flags of alpha, bravo, charlie
  Lines frame;
};

void PrintTo(const GoNoGoCase& c, std::ostream* out) { *out << c.name; }

class GoNoGo : public Protocol, public testing::WithParamInterface<GoNoGoCase> {};

TEST_P(GoNoGo, RecordsTheSendersSide) {
  const GoNoGoCase& c = GetParam();
  receive("bravo-2", "tell :command update_go_nogo_status :status go");
  frame.calls.clear();
  receive(c.sender, std::string("tell :command update_go_nogo_status") +
                        (c.status != nullptr ? std::string(" :status ") + c.status : ""));
  const std::string sides = std::string(doc.GoAlpha() ? "1" : "0") + (doc.GoBravo() ? "1" : "0") +
                            (doc.GoCharlie() ? "1" : "0");
  EXPECT_EQ(sides, c.sides);
  EXPECT_EQ(frame.calls, c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, GoNoGo,
    testing::Values(
        GoNoGoCase{"Go", "charlie-3", "go", "011", {}},
        GoNoGoCase{"NoGo", "bravo-2", "nogo", "000", {}},
        GoNoGoCase{"AnyOtherWordIsNoGo", "bravo-2", "GO", "000", {}},
        GoNoGoCase{"NoStatusIsNoGo", "bravo-2", nullptr, "000", {}},
        GoNoGoCase{"SidesMatchInTheirOwnCase", "Charlie-3", "go", "010", {}},
        GoNoGoCase{
            "TheStationsOwnShowsOnTheFrame", "Alpha-1", "go", "010", {"SetGoNoGoDisplay(go)"}}),
    [](const testing::TestParamInfo<GoNoGoCase>& info) { return info.param.name; });

TEST_F(Protocol, AnIncursionTakesItsNewCourseFromNow) {
  frame.clock = 45;
  receive("Sim", "tell :command update_inc_heading :id X1 :heading 230 :lat 700 :lng 420");
  const CIncursion* x1 = doc.FindIncursion("X1");
  EXPECT_EQ(x1->GetHeading(), 230.0);
  EXPECT_EQ(x1->GetStart().latitude, 700.0);
  EXPECT_EQ(x1->GetStart().longitude, 420.0);
  EXPECT_EQ(x1->GetStartTime(), 45);
  EXPECT_EQ(agent.sent.size(), 0u);
}

TEST_F(Protocol, PlumeRefreshReplacesTheTrajectory) {
  doc.ParseTrajectory("(tell :count 1 :0 (tell :lat 1 :lng 2))");
  receive("Sim", "tell :command plume_refresh");
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 1);
  receive("Sim",
          "tell :command plume_refresh :trajectory (tell :count 2 :0 (tell :lat 480 :lng 180) :1 "
          "(tell :lat 560 :lng 280))");
  ASSERT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 2);
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectory()[1]->longitude, 280.0);
}

TEST_F(Protocol, WeatherDataReachesTheBalloonItNames) {
  doc.SetStationLocation(475, 200);
  CWeatherBalloon* balloon = doc.DeployBalloon(600, 300);
  const std::string id = balloon->GetId();
  receive("Sim", "tell :command weather_data :balloonID x" + id + " :temperature 1");
  EXPECT_FALSE(balloon->HasReport());
  receive("Sim", "tell :command weather_data :balloonID " + id +
                     " :winddir 250 :windspeed 14 :humidity 62 :pressure 1009 :temperature 71.5 "
                     ":lng 300 :lat 600");
  EXPECT_TRUE(balloon->HasReport());
  EXPECT_EQ(balloon->GetTemperature(), 71.5);
  EXPECT_EQ(balloon->GetPressure(), 1009.0);
  EXPECT_EQ(balloon->GetWindDirection(), 250.0);
  receive("Sim", "tell :command weather_data :balloonID " + id + " :error (No weather data)");
  EXPECT_TRUE(balloon->HasNoData());
}

TEST_F(Protocol, APlaybackBalloonFliesFromTheStationToTheWholeNumbersGiven) {
  doc.SetStationLocation(475, 200);
  receive("Sim", "tell :command playback_deploy_balloon :lat 600.9 :lng 300.2");
  receive("Sim", "tell :command playback_deploy_balloon :lat 600");
  ASSERT_EQ(doc.GetBalloons().size(), 1u);
  const CWeatherBalloon& balloon = *doc.GetBalloons().front();
  EXPECT_EQ(balloon.GetStart().latitude, 475.0);
  EXPECT_EQ(balloon.GetDestination().latitude, 600.0);
  EXPECT_EQ(balloon.GetDestination().longitude, 300.0);
  ASSERT_EQ(agent.sent.size(), 2u);
  EXPECT_EQ(agent.sent[1].receiver, "Sim");
  EXPECT_EQ(agent.sent[1].content.rfind(
                "tell :command deploy_balloon :destLat 600.000000 :destLng 300.000000 :gridCol", 0),
            0u);
}

// --- Numbers that no unit, pixel or total can work with

// NaN, the infinities, and values a world away from the map are taken as
// missing fields wherever the station reads a number from a message or a
// scenario: every position stays finite and near the map, every total
// finite, the drawing and the costs go on as before.
class HostileNumber : public Protocol, public testing::WithParamInterface<const char*> {
 protected:
  // Whether a position lies on the map widened by its span on either side.
  static bool Near(const CLatLng& p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && p.latitude >= -950 &&
           p.latitude <= 1900 && p.longitude >= 95 - 560 && p.longitude <= 655 + 560;
  }
};

TEST_P(HostileNumber, IsTakenAsAMissingField) {
  const std::string v = GetParam();
  doc.SetStationLocation(475, 200);
  frame.clock = 30;
  falcon()->Activate();
  falcon()->SetController(bravo());
  CWeatherBalloon* balloon = doc.DeployBalloon(600, 300);
  const std::string id = balloon->GetId();
  receive("Sim", "tell :command start_sim :stationlocation (tell :lat " + v + " :lon " + v + ")");
  receive("Bravo-2", "tell :command deploy :resource Interceptor :id I1 :destLat " + v +
                         " :destLng " + v);
  receive("Sim", "tell :command update_inc_heading :id X1 :heading " + v + " :lat " + v +
                     " :lng " + v);
  receive("Sim", "tell :command playback_deploy_balloon :lat " + v + " :lng " + v);
  receive("Sim", "tell :command weather_data :balloonID " + id + " :winddir " + v +
                     " :windspeed 1 :humidity 1 :pressure 1 :temperature " + v + " :lng " + v +
                     " :lat " + v);
  receive("Bravo-2", "tell :command mission_cost :totalCost " + v + " :radarCost " + v +
                         " :intCost 1 :balloonCost 1");
  doc.ParseRadars(("(tell :number 1 :0 (tell :id R9 :lat " + v + " :lon " + v + " :range " + v +
                   "))")
                      .c_str());
  doc.ParseIncursions(("(tell :number 1 :0 (tell :id X9 :heading " + v + " :speed " + v +
                       " :lat " + v + " :lon " + v + "))")
                          .c_str());
  frame.clock = 90;

  EXPECT_EQ(doc.GetStationLocation()->latitude, 475.0);
  EXPECT_FALSE(balloon->HasReport());
  EXPECT_EQ(doc.GetBalloons().size(), 1u);
  EXPECT_EQ(doc.FindIncursion("X1")->GetStartTime(), 0);  // the course is not taken
  // A cost far beyond the map is still a cost.
  const bool cost = v == "5e6";
  EXPECT_EQ(doc.GetTeamCosts().at("Bravo-2"), cost ? 5e6 : 0.0);
  EXPECT_EQ(ui.calls_starting("UpdateMemberCost").back(),
            cost ? "UpdateMemberCost(Bravo-2, 5e6, 1, 1, 5e6)"
                 : "UpdateMemberCost(Bravo-2, , 1, 1, )");
  EXPECT_EQ(doc.FindRadar("R9")->GetRange(), 0.0);
  for (const auto& [unitId, unit] : doc.GetRadars()) EXPECT_TRUE(Near(unit->GetStart())) << unitId;
  for (const auto& [unitId, unit] : doc.GetIncursions()) {
    EXPECT_TRUE(Near(*unit->PositionAt(frame.clock))) << unitId;
  }
  const std::unique_ptr<CLatLng> falconAt = falcon()->PositionAt(frame.clock);
  EXPECT_TRUE(std::isfinite(falconAt->latitude) && std::isfinite(falconAt->longitude));
  double balloons = 0, radars = 0, interceptors = 0;
  doc.ComputeOwnCosts(&balloons, &radars, &interceptors);
  EXPECT_TRUE(std::isfinite(balloons + radars + interceptors));
  EXPECT_TRUE(std::isfinite(doc.ComputeMissionCost()));
}

INSTANTIATE_TEST_SUITE_P(Values, HostileNumber,
                         testing::Values("nan", "inf", "-inf", "1e308", "-1e308", "1e999", "5e6"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           const std::string text = info.param;
                           if (text == "nan") return std::string("NotANumber");
                           if (text == "inf") return std::string("Infinity");
                           if (text == "-inf") return std::string("MinusInfinity");
                           if (text == "1e308") return std::string("LargestFinite");
                           if (text == "-1e308") return std::string("MinusLargestFinite");
                           if (text == "1e999") return std::string("BeyondDouble");
                           return std::string("FarBeyondTheMap");
                         });

// --- Messages that arrive while a handler has a box open

TEST_F(Protocol, AMessageArrivingDuringTheQuestionWaitsForTheAnswer) {
  falcon()->SetState(CInterceptor::STATE_ON_STATION);
  ui.answers = {true};
  ui.meanwhile = [this] {
    receive("Sim", "tell :command reset_sim");
    EXPECT_NE(falcon(), nullptr) << "the reset ran inside the open question";
  };
  receive("Bravo-2", "tell :command request :resource Interceptor :id I1");
  EXPECT_EQ(agent.lines().back(),
            "Bravo-2: tell :command request-response :id I1 :acknowledgement yes");
  EXPECT_TRUE(doc.GetInterceptors().empty());  // the reset ran afterwards
  EXPECT_EQ(ui.calls.front().rfind("AskYesNo(", 0), 0u);
}

TEST_F(Protocol, MessagesQueuedDuringABoxRunInTheOrderTheyCame) {
  ui.meanwhile = [this] {
    receive("Sim", "tell :command clock_sync :clock 10");
    receive("Sim", "tell :command clock_sync :clock 20");
    EXPECT_EQ(frame.calls, Lines{});
    EXPECT_EQ(agent.sent.size(), 0u);
  };
  receive("Bravo-2", "tell :command request-response :id I1 :acknowledgement no");
  EXPECT_EQ(frame.calls, (Lines{"SetClock(10)", "SetClock(20)"}));
  EXPECT_EQ(agent.sent.size(), 4u);
}

TEST_F(Protocol, AQueuedHandlerThatOpensABoxQueuesWhatArrivesThenToo) {
  falcon()->SetState(CInterceptor::STATE_ON_STATION);
  ui.answers = {false};
  ui.meanwhile = [this] {  // the denial
    receive("Bravo-2", "tell :command request :resource Interceptor :id I1");
    receive("Sim", "tell :command clock_sync :clock 5");
    ui.meanwhile = [this] {  // the question of the queued request
      receive("Sim", "tell :command clock_sync :clock 6");
      EXPECT_EQ(frame.calls, Lines{});
    };
  };
  receive("Bravo-2", "tell :command request-response :id I9 :acknowledgement no");
  receive("Charlie-3", "tell :command request-response :id I1 :acknowledgement no");
  EXPECT_EQ(ui.calls_starting("AskYesNo").size(), 1u);
  EXPECT_EQ(frame.calls, (Lines{"SetClock(5)", "SetClock(6)"}));
  EXPECT_EQ(agent.lines().front(),
            "Bravo-2: tell :command request-response :id I1 :acknowledgement no");
}

TEST_F(Protocol, AnInterceptorGoneWhenTheQuestionIsAnsweredIsNotHandedOver) {
  falcon()->SetState(CInterceptor::STATE_ON_STATION);
  ui.answers = {true};
  ui.meanwhile = [this] {  // a window's command, not a message
    doc.ClearDocument();
    doc.InitDocument();
  };
  receive("Bravo-2", "tell :command request :resource Interceptor :id I1");
  EXPECT_EQ(agent.lines(),
            Lines{"Bravo-2: tell :command request-response :id I1 :acknowledgement no"});
}

// --- The demo exercise of the scripted simulation agent

class DemoExercise : public ProtocolOn<StationTest> {
 protected:
  DemoExercise() {
    doc.SetOwnName("TesselStation");
    EXPECT_TRUE(script.read_file(std::string(TESSEL_SIM_SCENARIOS) + "/demo.script",
                                 ScriptNames{"TesselStation", "sim"}))
        << script.error();
  }
  // The content of the script's first message with this command.
  std::string first(const std::string& command) const {
    for (const SimStep& step : script.steps()) {
      const auto* send = std::get_if<SendStep>(&step.action);
      if (send != nullptr && send->content.find(":command " + command + " ") != std::string::npos) {
        return send->content;
      }
    }
    ADD_FAILURE() << "no " << command << " in the script";
    return "";
  }

  SimScript script;
};

TEST_F(DemoExercise, LoadsThroughInitSimAndStarts) {
  receive("sim", first("init_sim"));
  EXPECT_EQ(agent.lines(), Lines{"sim: tell :command init_sim :comfirm (TesselStation)"});
  EXPECT_EQ(doc.GetWorldMap()->getWidth(), 240);
  EXPECT_EQ(doc.GetWorldMap()->getHeight(), 240);
  EXPECT_EQ(doc.GetWorldMap()->GetMaxLat(), 950.0);
  EXPECT_EQ(doc.GetWorldMap()->GetMinLng(), 95.0);
  EXPECT_EQ(doc.GetTerrainTypes().size(), 7u);
  EXPECT_EQ(doc.GetRadars().size(), 2u);
  EXPECT_EQ(doc.GetInterceptors().size(), 3u);
  EXPECT_EQ(doc.GetIncursions().size(), 2u);
  EXPECT_STREQ(doc.FindInterceptor("I-102")->GetName(), "Sea Hawk");
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 5);
  EXPECT_TRUE(doc.HasWaitDialog());

  receive("sim", first("start_sim"));
  EXPECT_FALSE(doc.HasWaitDialog());
  EXPECT_NE(doc.FindTeamMember("BravoStation"), nullptr);
  EXPECT_EQ(doc.GetTeamMembers().size(), 1u);
  EXPECT_EQ(doc.GetStationLocation()->latitude, 480.0);
  EXPECT_EQ(doc.GetStationLocation()->longitude, 180.0);
}

}  // namespace
}  // namespace stationtest
