// The station document: its lifecycle, team members, senders, the wait
// notice, incursion courses and the unit stores.
#include "TesselStationCore/tesselstationdoc.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselStationCore/weatherballoons.h"
#include "testsupport/logfile.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

TEST(StationDocument, ANewDocumentIsAnEmptyExercise) {
  RecordingStationUi ui;
  CTesselStationDoc doc(ui);
  EXPECT_EQ(doc.GetWorldMap(), nullptr);
  EXPECT_EQ(doc.MissionClock(), 0);  // no frame
  EXPECT_STREQ(doc.StationLocationText().get(), "");
  EXPECT_EQ(doc.OnNewDocument(), 1);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  EXPECT_STREQ(doc.GetTitle(), "Version 3.10");
  EXPECT_NE(doc.GetWorldMap(), nullptr);
  EXPECT_NE(doc.GetOwnMember(), nullptr);
  EXPECT_STREQ(doc.StationLocationText().get(), "0,0");
  EXPECT_FALSE(doc.GoAlpha() || doc.GoBravo() || doc.GoCharlie());
  EXPECT_EQ(ui.calls, (Lines{"SetTitle(Version 3.10)", "OpenChatWindow"}));
}

TEST_F(StationTest, OwnNameLeadsTheTitles) {
  doc.SetOwnName("Alpha-1");
  EXPECT_STREQ(doc.GetTitle(), "Alpha-1 - Version 3.10");
  EXPECT_EQ(ui.calls, (Lines{"SetTitle(Alpha-1 - Version 3.10)",
                             "SetChatTitle(Alpha-1 Chat Window)"}));
}

TEST_F(StationTest, StationLocationText) {
  doc.SetStationLocation(475.4, 374.6);
  EXPECT_STREQ(doc.StationLocationText().get(), "475,375");
}

// --- Team members

struct ColourCase {
  const char* name;
  const char* member;
  COLORREF colour;
};

void PrintTo(const ColourCase& c, std::ostream* out) { *out << c.name; }

class SideColour : public StationTest, public testing::WithParamInterface<ColourCase> {};

TEST_P(SideColour, ComesFromTheSideWordInAnyCase) {
  CTeamMember* member = doc.AddTeamMember(GetParam().member);
  ASSERT_NE(member, nullptr);
  EXPECT_STREQ(member->GetName(), GetParam().member);
  EXPECT_EQ(member->GetColour(), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SideColour,
    testing::Values(ColourCase{"Alpha", "team-alpha", CTeamMember::kAlphaColour},
                    ColourCase{"Bravo", "BRAVO", CTeamMember::kBravoColour},
                    ColourCase{"Charlie", "Charlie7", CTeamMember::kCharlieColour},
                    ColourCase{"AlphaBeforeBravo", "bravo-alpha", CTeamMember::kAlphaColour},
                    ColourCase{"NoSide", "Delta", CTeamMember::kNoSideColour}),
    [](const testing::TestParamInfo<ColourCase>& info) { return info.param.name; });

TEST_F(StationTest, TheOwnNameIsTheOwnMember) {
  doc.SetOwnName("Alpha-1");
  EXPECT_EQ(doc.AddTeamMember("Alpha-1"), doc.GetOwnMember());
  EXPECT_TRUE(doc.GetTeamMembers().empty());
  EXPECT_EQ(doc.FindTeamMember("Alpha-1"), doc.GetOwnMember());
  EXPECT_EQ(doc.GetOwnMember()->GetColour(), CTeamMember::kAlphaColour);
  EXPECT_EQ(doc.FindTeamMember("alpha-1"), nullptr);
  EXPECT_EQ(doc.FindTeamMember(nullptr), nullptr);
  EXPECT_EQ(doc.AddTeamMember(nullptr), nullptr);
}

TEST_F(StationTest, AddingAMemberAgainKeepsTheMemberUnitsHold) {
  CTeamMember* first = doc.AddTeamMember("Bravo-2");
  auto radar = std::make_unique<CRadarStation>();
  radar->SetId("R1");
  CRadarStation* held = doc.AddRadar(std::move(radar));
  held->AddController(first);
  EXPECT_EQ(doc.AddTeamMember("Bravo-2"), first);
  EXPECT_EQ(doc.GetTeamMembers().size(), 1u);
  EXPECT_TRUE(held->IsControlledBy(doc.FindTeamMember("Bravo-2")));
  EXPECT_EQ(held->GetControllers().begin()->second->GetColour(), CTeamMember::kBravoColour);
}

// --- Senders

TEST_F(StationTest, TheTeamMessageGoesToEveryTeammateThenTheSimulation) {
  doc.SetSimulationAgent("Sim");
  doc.SendToTeam("tell :command x");
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command x"});
  agent.sent.clear();
  doc.AddTeamMember("Charlie-3");
  doc.AddTeamMember("Bravo-2");
  doc.SendToTeam("tell :command y");
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: tell :command y", "Charlie-3: tell :command y",
                                  "Sim: tell :command y"}));
  for (const Sent& s : agent.sent) EXPECT_EQ(s.performative, "tell");
}

TEST_F(StationTest, NoSimulationAgentYetNoMessageToIt) {
  doc.AddTeamMember("Bravo-2");
  doc.SendToTeam("tell :command y");
  EXPECT_EQ(doc.SendToSimulation("tell :command z"), 0);
  EXPECT_EQ(agent.lines(), Lines{"Bravo-2: tell :command y"});
}

TEST_F(StationTest, SendResultsSayWhetherTheMessageWent) {
  testsupport::TempDir dir;
  doc.set_file(dir.file("doc.log").c_str());
  doc.SetSimulationAgent("Sim");
  EXPECT_EQ(doc.SendToSimulation("tell :command ok"), 1);
  agent.result = 0;
  EXPECT_EQ(doc.SendToSimulation("tell :command lost"), 0);
  doc.SetAgent(nullptr);
  EXPECT_EQ(doc.SendToAgent("Sim", "tell :command nobody"), 0);
  doc.close();
  EXPECT_EQ(log_messages(dir.file("doc.log")),
            (Lines{"<CTesselStationDoc> Message to [Sim] could not be sent",
                   "<CTesselStationDoc> No agent, message to [Sim] not sent"}));
}

// --- Lifecycle

class LifecycleTest : public UnitTest {
 protected:
  LifecycleTest() {
    radar = add_radar("R1", 475, 250, "50");
    interceptor = add_interceptor("I1", 600, 350, 300);
    EXPECT_TRUE(interceptor->SetInitial("600", "350"));
    incursion = add_incursion("X1", 475, 150, 0, 60);
    EXPECT_TRUE(incursion->SetInitial("475", "150"));
    doc.SetStationLocation(475, 375);
    doc.GetTrajectory()->AddTrajectoryPoint(1, 2);
    doc.SetTeamCost("Bravo-2", 40.0);
    frame.clock = 30;
    radar->Activate();
    interceptor->Activate();
    interceptor->Deploy(600, 600, true);
    incursion->SetStartTime(20);
    doc.DeployBalloon(475, 415);
    doc.SetOwnCosts(1, 2, 3);
    ui.calls.clear();
  }
  CRadarStation* radar;
  CInterceptor* interceptor;
  CIncursion* incursion;
};

TEST_F(LifecycleTest, ResetSimulationStartsTheScenarioAgain) {
  doc.ResetSimulation();
  EXPECT_TRUE(doc.GetBalloons().empty());
  EXPECT_EQ(doc.GetRadars().size(), 1u);
  EXPECT_EQ(radar->GetControllerCount(), 0);
  EXPECT_EQ(interceptor->GetState(), CInterceptor::STATE_IDLE);
  EXPECT_EQ(incursion->GetStartTime(), 0);
  EXPECT_EQ(frame.clock, 0);
  EXPECT_EQ(doc.GetOwnBalloonCost() + doc.GetOwnRadarCost() + doc.GetOwnInterceptorCost(), 0.0);
  EXPECT_EQ(doc.GetTeamMembers().size(), 1u);
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 1);
  EXPECT_EQ(doc.GetSelectedInterceptor(), interceptor);
  const std::string balloon = ui.calls.at(0).substr(std::string("RemoveWeatherReport").size());
  EXPECT_EQ(ui.calls, (Lines{"RemoveWeatherReport" + balloon, "ClearChat", "RedrawAllViews(1)"}));
}

TEST_F(LifecycleTest, ClearDocumentEmptiesEverythingAndResetSimThenRebuilds) {
  doc.ClearDocument();
  EXPECT_TRUE(doc.GetRadars().empty() && doc.GetInterceptors().empty() &&
              doc.GetIncursions().empty() && doc.GetBalloons().empty());
  EXPECT_TRUE(doc.GetTeamMembers().empty());
  EXPECT_TRUE(doc.GetTeamCosts().empty());
  EXPECT_TRUE(doc.GetTerrainTypes().empty());
  EXPECT_EQ(doc.GetWorldMap(), nullptr);
  EXPECT_EQ(doc.GetOwnMember(), nullptr);
  EXPECT_EQ(doc.GetStationLocation(), nullptr);
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
  EXPECT_EQ(doc.ComputeMissionCost(), 0.0);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EXPECT_EQ(ui.calls.front(), "ClearChat");
  const Lines tail(ui.calls.end() - 4, ui.calls.end());
  EXPECT_EQ(tail, (Lines{"RefreshInfoPane(0)", "RefreshInfoPane(1)", "RefreshInfoPane(5)",
                         "RedrawAllViews(1)"}));
  // Clearing twice, and everything on the empty document, is safe.
  doc.ClearDocument();
  doc.ResetSimulation();
  EXPECT_EQ(doc.DeployBalloon(1, 2), nullptr);

  doc.InitDocument();
  EXPECT_NE(doc.GetWorldMap(), nullptr);
  EXPECT_EQ(doc.GetImpactLines()->GetNLineCt(), 0);
  EXPECT_STREQ(doc.GetSimulationAgent(), "");
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
}

TEST_F(StationTest, InitDocumentClearsTheSessionState) {
  doc.SetSimulationAgent("Sim");
  doc.SetCommandMode(CTesselStationDoc::MODE_INTERCEPT);
  doc.SetPlayback(true);
  doc.SetSelectionRect(CRect(1, 2, 3, 4));
  doc.SetSideStatus("alpha", true);
  CWorldMap* map = doc.GetWorldMap();
  doc.InitDocument();
  EXPECT_STREQ(doc.GetSimulationAgent(), "");
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
  EXPECT_FALSE(doc.IsPlayback());
  EXPECT_TRUE(doc.GetSelectionRect().IsRectEmpty());
  EXPECT_FALSE(doc.GoAlpha());
  EXPECT_EQ(doc.GetWorldMap(), map);  // units keep their map
}

TEST_F(StationTest, TheWaitNoticeIsShownOnceAndClosedOnce) {
  doc.OpenWaitDialog();
  doc.OpenWaitDialog();
  EXPECT_TRUE(doc.HasWaitDialog());
  doc.CloseWaitDialog();
  doc.CloseWaitDialog();
  EXPECT_FALSE(doc.HasWaitDialog());
  EXPECT_EQ(ui.calls, (Lines{"ShowWaitDialog", "CloseWaitDialog"}));
}

// --- Incursion course

TEST_F(LifecycleTest, AnIncursionCourseStartsNow) {
  frame.clock = 45;
  doc.SetIncursionCourse("X1", "90.5", "500", "300");
  EXPECT_EQ(incursion->GetHeading(), 90.5);
  EXPECT_EQ(incursion->GetStart().latitude, 500.0);
  EXPECT_EQ(incursion->GetStart().longitude, 300.0);
  EXPECT_EQ(incursion->GetStartTime(), 45);
  doc.SetIncursionCourse("X1", "10", nullptr, "300");
  doc.SetIncursionCourse("X9", "10", "1", "2");
  EXPECT_EQ(incursion->GetHeading(), 90.5);
}

TEST_F(LifecycleTest, AnIncursionCourseIsToldToTheTeam) {
  agent.sent.clear();
  doc.SendIncursionHeading("X1", 12.5, 500, 300);
  EXPECT_EQ(agent.lines().front(),
            "Bravo-2: tell :command update_inc_heading :id X1 :heading 12.500000 :lat "
            "500.000000 :lng 300.000000");
}

// --- Unit stores

TEST_F(LifecycleTest, UnitsAreFoundByIdAndAnIdIsNeverTakenTwice) {
  EXPECT_EQ(doc.FindRadar("R1"), radar);
  EXPECT_EQ(doc.FindRadar("I1"), nullptr);
  EXPECT_EQ(doc.FindInterceptor(nullptr), nullptr);
  EXPECT_TRUE(doc.IsUnitIdInUse("X1"));
  EXPECT_TRUE(doc.IsUnitIdInUse(doc.GetBalloons().front()->GetId()));
  EXPECT_FALSE(doc.IsUnitIdInUse("Q"));
  auto twin = std::make_unique<CInterceptor>();
  twin->SetId("I1");
  EXPECT_EQ(doc.AddInterceptor(std::move(twin)), nullptr);
  EXPECT_EQ(doc.FindInterceptor("I1"), interceptor);
  EXPECT_EQ(interceptor->GetDocument(), &doc);
  EXPECT_EQ(interceptor->GetMap(), doc.GetWorldMap());
}

// At most kMaxBalloons fly: the next is neither made nor told; once the
// scenario starts again there is room again, and a gone balloon's id finds
// nothing.
TEST_F(LifecycleTest, AtMostTheBalloonLimitFlies) {
  testsupport::TempDir dir;
  doc.set_file(dir.file("doc.log").c_str());
  const std::string first = doc.GetBalloons().front()->GetId();
  while (doc.GetBalloons().size() < CTesselStationDoc::kMaxBalloons) {
    ASSERT_NE(doc.DeployBalloon(600, 300), nullptr);
  }
  const CWeatherBalloon* last = doc.GetBalloons().back().get();
  EXPECT_EQ(doc.FindBalloon(last->GetId()), last);
  agent.sent.clear();
  EXPECT_EQ(doc.DeployBalloon(600, 300), nullptr);
  doc.close();
  EXPECT_EQ(doc.GetBalloons().size(), CTesselStationDoc::kMaxBalloons);
  EXPECT_EQ(agent.sent.size(), 0u);
  EXPECT_EQ(log_messages(dir.file("doc.log")),
            Lines{"<CTesselStationDoc> Balloon not deployed: 4096 fly already"});
  doc.ResetSimulation();
  EXPECT_EQ(doc.FindBalloon(first.c_str()), nullptr);
  const CWeatherBalloon* again = doc.DeployBalloon(600, 300);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(doc.FindBalloon(again->GetId()), again);
}

TEST_F(LifecycleTest, TheSelectionIsFoundByIdAndGoesWithItsUnit) {
  doc.SetSelectedInterceptor(interceptor);
  EXPECT_EQ(doc.GetSelectedInterceptor(), interceptor);
  doc.SetSelectedInterceptor(nullptr);
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
  doc.SetSelectedInterceptor(interceptor);
  doc.ClearDocument();
  doc.InitDocument();
  auto same_id = std::make_unique<CInterceptor>();
  same_id->SetId("I1");
  doc.AddInterceptor(std::move(same_id));
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
}

}  // namespace
}  // namespace stationtest
