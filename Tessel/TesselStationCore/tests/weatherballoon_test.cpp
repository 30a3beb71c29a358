// Weather balloons: deployment, the flight and its single weather request,
// reports and their staleness, costs, the pane lines, drawing and deletion.
#include "TesselStationCore/weatherballoons.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "Platform/recordingdc.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

// A balloon from (475, 375) to (475, 415): 40 map units, 12 minutes at 200
// an hour, deployed at minute 100.
class BalloonTest : public UnitTest {
 protected:
  BalloonTest() {
    doc.SetStationLocation(475, 375);
    frame.clock = 100;
    balloon = doc.DeployBalloon(475, 415);
  }
  // Steps at each minute, as the drawing does.
  void fly_to(int minute) {
    for (int m = frame.clock; m <= minute; ++m) {
      frame.clock = m;
      balloon->AdvanceBalloon(m);
    }
  }
  void report() {
    balloon->SetWeatherReport("475", "415", "72.5", "1013", "45", "5", "270");
  }
  CWeatherBalloon* balloon;
};

TEST_F(BalloonTest, DeploymentIsToldToTheTeam) {
  ASSERT_NE(balloon, nullptr);
  EXPECT_EQ(doc.GetBalloons().size(), 1u);
  EXPECT_EQ(balloon->GetSpeed(), 200.0);
  EXPECT_EQ(balloon->GetStartTime(), 100);
  EXPECT_TRUE(balloon->IsEnRoute());
  const std::string told =
      "tell :command deploy_balloon :destLat 475.000000 :destLng 415.000000 :gridCol 20 "
      ":gridRow 17";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + told, "Sim: " + told}));
}

TEST_F(BalloonTest, NoStationLocationNoBalloon) {
  doc.ClearDocument();
  EXPECT_EQ(doc.DeployBalloon(1, 2), nullptr);
}

TEST_F(BalloonTest, ArrivalAsksTheSimulationOnce) {
  agent.sent.clear();
  fly_to(111);
  EXPECT_TRUE(balloon->IsEnRoute());
  EXPECT_TRUE(agent.sent.empty());
  fly_to(112);
  EXPECT_FALSE(balloon->IsEnRoute());
  EXPECT_EQ(balloon->GetReleaseTime(), 112);
  EXPECT_EQ(balloon->GetStart().longitude, 415.0);
  fly_to(130);
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command get_weather :lat 475.000000 :lng 415.000000 "
                                 ":gridCol 20 :gridRow 17 :balloonID " +
                                 std::string(balloon->GetId())});
}

TEST_F(BalloonTest, AFirstStepAfterTheArrivalTimeStillArrives) {
  agent.sent.clear();
  frame.clock = 200;  // the balloon was not drawn while it flew
  balloon->AdvanceBalloon(200);
  EXPECT_TRUE(balloon->IsEnRoute());  // the first step only records
  frame.clock = 201;
  const std::unique_ptr<CLatLng> at = balloon->AdvanceBalloon(201);
  EXPECT_FALSE(balloon->IsEnRoute());
  EXPECT_EQ(at->longitude, 415.0);
  EXPECT_EQ(agent.sent.size(), 1u);
}

TEST_F(BalloonTest, CostsRunUntilTheReport) {
  frame.clock = 110;
  EXPECT_EQ(balloon->GetCost(), 12.0);  // 10 minutes + 2
  fly_to(130);
  report();
  frame.clock = 500;
  EXPECT_EQ(balloon->GetCost(), 32.0);
  EXPECT_EQ(balloon->GetReportTime(), 130);
}

TEST_F(BalloonTest, AReportTurnsStaleAfterFourWholeHours) {
  fly_to(600);
  report();
  balloon->AdvanceBalloon(839);
  EXPECT_FALSE(balloon->IsStale());
  balloon->AdvanceBalloon(840);
  EXPECT_TRUE(balloon->IsStale());
  report();  // a fresh report is not stale
  EXPECT_FALSE(balloon->IsStale());
}

TEST_F(BalloonTest, AReportNeedsEveryValue) {
  balloon->SetWeatherReport("475", "415", "72.5", nullptr, "45", "5", "270");
  EXPECT_FALSE(balloon->HasReport());
  report();
  EXPECT_TRUE(balloon->HasReport());
  EXPECT_EQ(balloon->GetTemperature(), 72.5);
  EXPECT_EQ(balloon->GetWindDirection(), 270.0);
}

struct RectCase {
  const char* name;
  const char* first;
  const char* second;
  int zoom;
  CRect cells;
};

void PrintTo(const RectCase& c, std::ostream* out) { *out << c.name; }

class ReportRect : public BalloonTest, public testing::WithParamInterface<RectCase> {};

TEST_P(ReportRect, CoversTheReportedCell) {
  const RectCase& c = GetParam();
  EXPECT_TRUE(balloon->GetReportRect(c.zoom).IsRectEmpty());  // no report yet
  balloon->SetWeatherReport(c.first, c.second, "1", "2", "3", "4", "5");
  const CRect rect = balloon->GetReportRect(c.zoom);
  EXPECT_EQ(rect, c.cells) << rect.left << "," << rect.top << "," << rect.right << ","
                           << rect.bottom;
}

// Grid cell (2, 37) spans 47.5..71.25 by 123..137: map cells 2..3 by 2..3.
INSTANTIATE_TEST_SUITE_P(
    Cells, ReportRect,
    testing::Values(RectCase{"AtZoomTwo", "50", "130", 2, CRect(2, 2, 3, 3)},
                    RectCase{"WidenedAtZoomFour", "50", "130", 4, CRect(0, 0, 5, 5)},
                    RectCase{"WithinTheMapAtItsEdge", "940", "650", 6, CRect(36, 36, 40, 40)}),
    [](const testing::TestParamInfo<RectCase>& info) { return info.param.name; });

struct LinesCase {
  const char* name;
  int fly_until;  // the last minute stepped
  int report;     // 0 none, 1 a report at fly_until, -1 an error then
  int now;
  Lines lines;
};

void PrintTo(const LinesCase& c, std::ostream* out) { *out << c.name; }

class PaneLines : public BalloonTest, public testing::WithParamInterface<LinesCase> {};

TEST_P(PaneLines, FollowTheBalloonsState) {
  const LinesCase& c = GetParam();
  fly_to(c.fly_until);
  if (c.report == 1) report();
  if (c.report == -1) balloon->ReportFailed();
  frame.clock = c.now;
  EXPECT_EQ(balloon->InfoPaneLines(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    States, PaneLines,
    testing::Values(
        LinesCase{"EnRoute", 105, 0, 105,
                  {"En Route to 20,17", "Deployed at T-14 hours, 20 mins (00:05 ago)",
                   "Location: 20,18", "Status - not released"}},
        LinesCase{"ReleasedAndWaiting", 112, 0, 120,
                  {"Location: 20,17", "Deployed at T-14 hours, 20 mins (00:20 ago)",
                   "Release at T-14 hours, 8 mins (00:08 ago)",
                   "Status - Balloon released, awaiting report..."}},
        LinesCase{"Reported", 125, 1, 200,
                  {"Location: 20,17", "Received at T-13 hours, 55 mins (01:15 ago)",
                   "Temperature 72.50F / Humidity 45%",
                   "Wind Speed 05 knots, Direction 270 deg"}},
        LinesCase{"NoData", 125, -1, 130,
                  {"Location: 20,17", "Deployed at T-14 hours, 20 mins (00:30 ago)",
                   "Release at T-13 hours, 55 mins (00:05 ago)", "No Weather Data Available."}}),
    [](const testing::TestParamInfo<LinesCase>& info) { return info.param.name; });

TEST_F(BalloonTest, DrawingFliesAndShowsThePaneLines) {
  frame.clock = 106;  // 20 on: (475, 395), cell (20, 21), pixel (40, 36)
  platform::RecordingDC dc;
  balloon->Draw(&dc);
  EXPECT_EQ(dc.output_lines(),
            (Lines{"Ellipse(35,31,45,41) pen(solid,2,0x6363CC) brush(solid,0x6363CC)",
                   "LineTo(40,51) from(40,36) pen(solid,2,0x6363CC)"}));
  EXPECT_EQ(ui.calls, Lines{"ShowWeatherReport(" + std::string(balloon->GetId()) + ")"});
  EXPECT_EQ(ui.reports[balloon], balloon->InfoPaneLines());
}

TEST_F(BalloonTest, DeletedBalloonsLeaveThePane) {
  balloon->UpdateInfoPane();
  CWeatherBalloon* second = doc.DeployBalloon(100, 200);
  second->UpdateInfoPane();
  ASSERT_EQ(ui.reports.size(), 2u);
  doc.ResetSimulation();
  EXPECT_TRUE(ui.reports.empty());
  EXPECT_TRUE(doc.GetBalloons().empty());

  doc.SetStationLocation(1, 2);
  doc.DeployBalloon(3, 4)->UpdateInfoPane();
  doc.ClearDocument();
  EXPECT_TRUE(ui.reports.empty());
}

TEST_F(BalloonTest, ABalloonNeverTakesAnIdInUse) {
  auto twin = std::make_unique<CWeatherBalloon>();
  twin->SetId(balloon->GetId());
  CWeatherBalloon* added = doc.AddBalloon(std::move(twin));
  EXPECT_STRNE(added->GetId(), balloon->GetId());
  EXPECT_EQ(doc.FindBalloon(balloon->GetId()), balloon);
  EXPECT_EQ(doc.FindBalloon(added->GetId()), added);
}

}  // namespace
}  // namespace stationtest
