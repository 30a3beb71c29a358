// The main frame's texts and commands: the phase pane and the countdown per
// phase and clock, the go/no-go button and the launch window, zoom, and the
// frame's commands.
#include "TesselStationCore/mainframemodel.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "viewfixture.h"

namespace stationtest {
namespace {

struct PhaseCase {
  const char* name;
  int clock;
  int phase;
  const char* pane;
  const char* countdown;
};

void PrintTo(const PhaseCase& c, std::ostream* out) { *out << c.name; }

class FramePhaseTexts : public ViewTest, public testing::WithParamInterface<PhaseCase> {};

// The clock runs (the bar shows its countdown), then the phase changes.
TEST_P(FramePhaseTexts, FollowThePhaseAndTheClock) {
  const PhaseCase& c = GetParam();
  frame_model.SetClock(c.clock);
  frame_model.UpdatePhase();
  doc.SetPhase(c.phase);
  frame_model.UpdatePhase();
  EXPECT_STREQ(frame_model.GetPhaseText(), c.pane);
  EXPECT_STREQ(frame_model.GetCountdownText(), c.countdown);
}

INSTANTIATE_TEST_SUITE_P(
    Phases, FramePhaseTexts,
    testing::Values(
        PhaseCase{"Unregistered", 61, 0, "Unregistered", "T-16 Hours, 0 Mins"},
        PhaseCase{"Registered", 61, 1, "Registered with ANS", "T-16 Hours, 0 Mins"},
        PhaseCase{"Initialized", 61, 2, "Initialized...", "T-16 Hours, 0 Mins"},
        PhaseCase{"PausedKeepsTheBar", 61, 3, "Paused", "T-14 hours, 59 mins"},
        PhaseCase{"RunningAtStart", 0, 4, "T-16 hours, 0 mins", "T-16 hours, 0 mins"},
        PhaseCase{"Running", 61, 4, "T-14 hours, 59 mins", "T-14 hours, 59 mins"},
        PhaseCase{"RunningLastMinuteBeforeTheWindow", 899, 4, "T-1 hours, 1 mins",
                  "T-1 hours, 1 mins"},
        PhaseCase{"RunningInTheLaunchWindow", 900, 4, "T-1 hours, 0 mins",
                  "T-1 hours, 0 mins The Launch Window is now open."},
        PhaseCase{"RunningAtTheEnd", 960, 4, "T-0 hours, 0 mins",
                  "T-0 hours, 0 mins The Launch Window is now open."},
        PhaseCase{"ClockBelowZeroReadsAsZero", -1, 4, "T-16 hours, 0 mins", "T-16 hours, 0 mins"},
        PhaseCase{"ClockPastTheEndReadsAsTheEnd", 1000, 4, "T-0 hours, 0 mins",
                  "T-0 hours, 0 mins The Launch Window is now open."},
        PhaseCase{"SyncPulse", 61, 5, "T-14 hours, 59 mins (Sync Pulse)", "T-14 hours, 59 mins"},
        PhaseCase{"CompleteKeepsTheBar", 930, 6, "Simulation Complete",
                  "T-0 hours, 30 mins The Launch Window is now open."},
        PhaseCase{"UnknownPhase", 61, 7, "ERROR! Contact Administrator!", "T-14 hours, 59 mins"}),
    [](const testing::TestParamInfo<PhaseCase>& info) { return info.param.name; });

TEST_F(ViewTest, BeforeItsFirstUpdateTheFrameShowsItsIdleTexts) {
  EXPECT_STREQ(frame_model.GetPhaseText(), "Administrator Mode");
  EXPECT_STREQ(frame_model.GetCountdownText(), "T-16 Hours, 0 Mins");
}

TEST_F(ViewTest, AClockPulseSetsTheRunningPhaseAndRedrawsTheFrame) {
  doc.SetPhase(CTesselStationDoc::PHASE_INITIALIZED);
  frame_model.SetClock(120);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_RUNNING);
  EXPECT_EQ(doc.MissionClock(), 120);
  EXPECT_EQ(ui.calls, Lines{"RedrawMainWindow"});
}

struct LaunchCase {
  const char* name;
  std::vector<int> clocks;
  bool enabled;
};

void PrintTo(const LaunchCase& c, std::ostream* out) { *out << c.name; }

class LaunchWindow : public ViewTest, public testing::WithParamInterface<LaunchCase> {};

TEST_P(LaunchWindow, EnablesTheGoNoGoButtonAtTheFirstClockOf900OrLater) {
  EXPECT_FALSE(frame_model.IsGoNoGoEnabled());
  EXPECT_EQ(frame_model.GetGoNoGoImage(), CMainFrameModel::IMAGE_DISABLED);
  for (const int clock : GetParam().clocks) frame_model.SetClock(clock);
  EXPECT_EQ(frame_model.IsGoNoGoEnabled(), GetParam().enabled);
  EXPECT_EQ(frame_model.GetGoNoGoImage(),
            GetParam().enabled ? CMainFrameModel::IMAGE_NOGO : CMainFrameModel::IMAGE_DISABLED);
}

INSTANTIATE_TEST_SUITE_P(Clocks, LaunchWindow,
                         testing::Values(LaunchCase{"At899", {0, 899}, false},
                                         LaunchCase{"At900", {899, 900}, true},
                                         LaunchCase{"JumpingOver900", {899, 905}, true},
                                         LaunchCase{"FirstPulseLate", {930}, true},
                                         LaunchCase{"BackToZeroKeepsItEnabled", {900, 0}, true}),
                         [](const testing::TestParamInfo<LaunchCase>& info) {
                           return info.param.name;
                         });

TEST_F(ViewTest, LaterPulsesLeaveTheOperatorsGoShown) {
  frame_model.SetClock(900);
  frame_model.OnGoNoGo(true);
  frame_model.SetClock(901);
  EXPECT_TRUE(frame_model.IsGoNoGoDown());
  EXPECT_EQ(frame_model.GetGoNoGoImage(), CMainFrameModel::IMAGE_GO);
}

TEST_F(ViewTest, TheGoNoGoButtonRecordsAndTellsTheStationsStatus) {
  frame_model.SetClock(900);
  agent.sent.clear();
  frame_model.OnGoNoGo(true);
  EXPECT_TRUE(frame_model.IsGoNoGoDown());
  EXPECT_EQ(frame_model.GetGoNoGoImage(), CMainFrameModel::IMAGE_GO);
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: tell :command update_go_nogo_status :status go",
                                  "Sim: tell :command update_go_nogo_status :status go"}));
  agent.sent.clear();
  frame_model.OnGoNoGo(false);
  EXPECT_FALSE(frame_model.IsGoNoGoDown());
  EXPECT_EQ(frame_model.GetGoNoGoImage(), CMainFrameModel::IMAGE_NOGO);
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: tell :command update_go_nogo_status :status nogo",
                                  "Sim: tell :command update_go_nogo_status :status nogo"}));
}

TEST_F(ViewTest, TheSidePanesShowEachSidesStatus) {
  EXPECT_STREQ(frame_model.SideText(CMainFrameModel::Side::alpha), "Alpha No-Go");
  EXPECT_STREQ(frame_model.SideText(CMainFrameModel::Side::bravo), "Bravo No-Go");
  EXPECT_STREQ(frame_model.SideText(CMainFrameModel::Side::charlie), "Charlie No-Go");
  doc.SetSideStatus("bravo-2", true);
  doc.SetSideStatus("charlie-3", true);
  EXPECT_STREQ(frame_model.SideText(CMainFrameModel::Side::alpha), "Alpha No-Go");
  EXPECT_STREQ(frame_model.SideText(CMainFrameModel::Side::bravo), "Bravo Go");
  EXPECT_STREQ(frame_model.SideText(CMainFrameModel::Side::charlie), "Charlie Go");
}

TEST_F(ViewTest, TheCursorPaneShowsTheMouseCellsPosition) {
  frame_model.SetCursorCell(CPoint(2, 2));
  EXPECT_STREQ(frame_model.CursorPositionText().get(), "47.5,123.0");
  doc.ClearDocument();
  EXPECT_STREQ(frame_model.CursorPositionText().get(), "");
}

struct ZoomCase {
  const char* name;
  int zoom;
  bool in;
  bool out;
};

void PrintTo(const ZoomCase& c, std::ostream* out) { *out << c.name; }

class ZoomCommands : public ViewTest, public testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomCommands, StopAtScaleTwoAndTen) {
  doc.GetWorldMap()->setDefaultZoom(GetParam().zoom);
  EXPECT_EQ(frame_model.CanZoomIn(), GetParam().in);
  EXPECT_EQ(frame_model.CanZoomOut(), GetParam().out);
  frame_model.OnZoomIn();
  EXPECT_EQ(doc.GetWorldMap()->getScalefactor(),
            GetParam().in ? GetParam().zoom + 1 : GetParam().zoom);
  doc.GetWorldMap()->setDefaultZoom(GetParam().zoom);
  frame_model.OnZoomOut();
  EXPECT_EQ(doc.GetWorldMap()->getScalefactor(),
            GetParam().out ? GetParam().zoom - 1 : GetParam().zoom);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, ZoomCommands,
    testing::Values(ZoomCase{"Two", 2, true, false}, ZoomCase{"Three", 3, true, true},
                    ZoomCase{"Nine", 9, true, true}, ZoomCase{"Ten", 10, false, true}),
    [](const testing::TestParamInfo<ZoomCase>& info) { return info.param.name; });

TEST_F(ViewTest, WithoutAMapNeitherZoomIsEnabled) {
  doc.ClearDocument();
  EXPECT_FALSE(frame_model.CanZoomIn());
  EXPECT_FALSE(frame_model.CanZoomOut());
  frame_model.OnZoomIn();  // nothing to zoom
}

TEST_F(ViewTest, AZoomRendersTheMapAnewAtTheNewScale) {
  doc.GetWorldMap()->setTerrainSettings(&doc.GetTerrainTypes());
  frame_model.OnZoomIn();
  EXPECT_TRUE(doc.GetWorldMap()->exists());
  EXPECT_EQ(ui.calls, Lines{"RedrawAllViews(1)"});
  // 40 x 40 cells of 3 x 3 pixels, rendered on the window's context.
  ASSERT_GE(window.calls().size(), 2u);
  EXPECT_EQ(window.calls()[1].str(), "#1 SelectObject(bitmap(120,120))");
}

TEST_F(ViewTest, TheTrajectoryRefreshAsksTheSimulationAgent) {
  frame_model.OnTrajectoryRefresh();
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command plume_refresh"});
  agent.sent.clear();
  doc.SetSimulationAgent("");
  frame_model.OnTrajectoryRefresh();
  EXPECT_TRUE(agent.sent.empty());
}

TEST_F(ViewTest, StopInterceptorAbortsTheSelectedOneOnly) {
  frame_model.OnStopInterceptor();  // none selected
  CInterceptor* hawk = add_interceptor("I1", 475, 200, 120);
  hawk->Activate();
  hawk->Deploy(475, 300, true);
  agent.sent.clear();
  set_clock(30);
  frame_model.OnStopInterceptor();
  EXPECT_EQ(hawk->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(hawk->GetStart().longitude, 260.0);
  EXPECT_EQ(agent.lines(),
            (Lines{"Bravo-2: tell :command abort :resource Interceptor :id I1 :lat 475.000000 "
                   ":lng 260.000000 :gridCol 20 :gridRow 28",
                   "Sim: tell :command abort :resource Interceptor :id I1 :lat 475.000000 "
                   ":lng 260.000000 :gridCol 20 :gridRow 28"}));
}

}  // namespace
}  // namespace stationtest
