// Radar stations and incursions: coverage and its messages, activation and
// its cost, resets, texts and drawing.
#include "TesselStationCore/radarstation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/recordingdc.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

class RadarTest : public UnitTest {
 protected:
  RadarTest() { radar = add_radar("R1", 475, 250, "50"); }
  CRadarStation* radar;
};

TEST_F(RadarTest, ActivationIsToldAndCosted) {
  frame.clock = 10;
  radar->Activate();
  EXPECT_TRUE(radar->IsActive());
  EXPECT_TRUE(radar->IsControlledBy(doc.GetOwnMember()));
  const std::string told =
      "tell :command activate :resource Radar :id R1 :lat 475.000000 :lng 250.000000 :gridCol "
      "20 :gridRow 28";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + told, "Sim: " + told}));
  EXPECT_EQ(ui.calls, Lines{"RedrawMainWindow"});
  frame.clock = 20;
  radar->Deactivate();
  EXPECT_FALSE(radar->IsActive());
  EXPECT_EQ(radar->GetControllerCount(), 0);
  EXPECT_EQ(agent.lines().back(),
            "Sim: tell :command deactivate :resource Radar :id R1 :lat 475.000000 :lng "
            "250.000000 :gridCol 20 :gridRow 28");
  frame.clock = 100;
  radar->Activate();
  frame.clock = 110;
  radar->Deactivate();
  // Range 50 for 20 minutes, two activations.
  EXPECT_EQ(radar->GetCost(), 1002.0);
  EXPECT_EQ(radar->GetTotalActiveTime(), 20);
  EXPECT_EQ(radar->GetActivationCount(), 2);
}

TEST_F(RadarTest, ARunningActivationCountsUpToNow) {
  frame.clock = 10;
  radar->Activate();
  frame.clock = 15;
  EXPECT_EQ(radar->GetCost(), 50.0 * 5 + 1);
}

TEST_F(RadarTest, DeactivatingATeammatesRadarAddsNoMinutes) {
  radar->AddController(bravo());
  frame.clock = 700;
  radar->Deactivate();
  EXPECT_EQ(radar->GetTotalActiveTime(), 0);
  EXPECT_EQ(radar->GetCost(), 0.0);
  EXPECT_TRUE(radar->IsControlledBy(bravo()));
}

TEST_F(RadarTest, ResetEndsTheActivationAndNoCostGoesNegative) {
  frame.clock = 700;
  radar->Activate();
  radar->AddController(bravo());
  frame.clock = 760;
  doc.ResetSimulation();  // resets the units, then the clock to 0
  EXPECT_EQ(frame.clock, 0);
  EXPECT_EQ(radar->GetControllerCount(), 0);
  EXPECT_FALSE(radar->IsActive());
  EXPECT_EQ(radar->GetTotalActiveTime(), 60);
  EXPECT_EQ(radar->GetActivationCount(), 1);
  EXPECT_EQ(radar->GetCost(), 50.0 * 60 + 1);
  frame.clock = 30;
  radar->Deactivate();
  EXPECT_EQ(radar->GetCost(), 50.0 * 60 + 1);
  EXPECT_EQ(radar->GetStart().longitude, 250.0);
}

TEST_F(RadarTest, RangeAndDescription) {
  EXPECT_EQ(radar->GetRange(), 50.0);
  EXPECT_EQ(radar->GetRangePixels(), 2);  // 50 of 950 map units over 40 cells
  EXPECT_FALSE(radar->SetRange(nullptr));
  CRadarStation loose;
  EXPECT_FALSE(loose.SetRange("10"));
  radar->SetName("North");
  EXPECT_STREQ(radar->GetDescription().get(), "Radar: North\nRange: 50");
}

TEST_F(RadarTest, DrawsTheCrossTheRangeAndTheControlBars) {
  CRadarStation* centre = add_radar("R2", 475, 375, "50");  // pixel (40, 38)
  centre->Activate();
  centre->AddController(bravo());
  platform::RecordingDC dc;
  centre->Draw(&dc);
  EXPECT_EQ(dc.output_lines(),
            (Lines{"LineTo(47,31) from(35,43) pen(solid,2,0xFFFFFF)",
                   "LineTo(47,43) from(35,31) pen(solid,2,0xFFFFFF)",
                   "Ellipse(36,42,46,32) pen(solid,1,0xFFFFFF) brush(null)",
                   "LineTo(50,46) from(30,46) pen(solid,3,0x21FF42)",
                   "LineTo(50,50) from(30,50) pen(solid,3,0x6363CC)"}));
  dc.clear();
  centre->RemoveController(doc.GetOwnMember());
  centre->Draw(&dc);
  EXPECT_EQ(dc.output_lines()[2],
            "Ellipse(36,42,46,32) pen(dot,1,0x636300) bk(opaque,0xFFFFFF) brush(null)");
  EXPECT_EQ(dc.lines().back(), "SelectObject(pen(solid,0,0x000000))");
}

// --- Coverage

class CoverageTest : public RadarTest {
 protected:
  CoverageTest() { incursion = add_incursion("X1", 475, 150, 0, 60); }  // 1 a minute
  CIncursion* incursion;
};

TEST_F(CoverageTest, NoRadarsSeeNothing) {
  doc.ClearDocument();
  doc.InitDocument();
  CIncursion* alone = add_incursion("X2", 475, 250, 0, 60);
  EXPECT_FALSE(doc.CheckRadarCoverage(alone));
  EXPECT_TRUE(agent.sent.empty());
}

TEST_F(CoverageTest, EntryAndExitAreToldOnceToTheSimulation) {
  radar->Activate();
  agent.sent.clear();
  frame.clock = 50;  // 150 + 50: exactly at range distance is outside
  EXPECT_FALSE(doc.CheckRadarCoverage(incursion));
  EXPECT_TRUE(agent.sent.empty());
  frame.clock = 51;
  EXPECT_TRUE(doc.CheckRadarCoverage(incursion));
  EXPECT_TRUE(doc.CheckRadarCoverage(incursion));  // nothing new
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command inc_enter_radar :incID X1 :radarID R1"});
  EXPECT_TRUE(incursion->IsInRadar("R1"));
  frame.clock = 150;  // at range distance again, on the far side
  agent.sent.clear();
  EXPECT_FALSE(doc.CheckRadarCoverage(incursion));
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command inc_exit_radar :incID X1 :radarID R1"});
  EXPECT_FALSE(incursion->IsInRadar("R1"));
}

TEST_F(CoverageTest, ATeammatesRadarIsToldButShowsNothing) {
  radar->AddController(bravo());
  frame.clock = 100;
  EXPECT_FALSE(doc.CheckRadarCoverage(incursion));
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command inc_enter_radar :incID X1 :radarID R1"});
}

TEST_F(CoverageTest, EveryRadarCountsInIdOrder) {
  CRadarStation* second = add_radar("R0", 475, 260, "50");
  second->Activate();
  agent.sent.clear();
  frame.clock = 100;
  EXPECT_TRUE(doc.CheckRadarCoverage(incursion));
  EXPECT_EQ(agent.lines(), (Lines{"Sim: tell :command inc_enter_radar :incID X1 :radarID R0",
                                  "Sim: tell :command inc_enter_radar :incID X1 :radarID R1"}));
}

// --- Incursions

TEST_F(CoverageTest, IncursionTextAndSymbol) {
  incursion->SetName("Raider");
  incursion->SetHeading(89.6);
  EXPECT_STREQ(incursion->GetDescription().get(), "Incursion: Raider\nSpeed: 60\nHeading: 90");
  incursion->SetHeading(90);
  incursion->SetStart(475, 375);  // pixel (40, 38)
  platform::RecordingDC dc;
  incursion->Draw(&dc);
  EXPECT_EQ(dc.output_lines(),
            (Lines{"Polygon((48,38),(36,45),(40,38),(36,31)) pen(solid,1,0x2121FF) "
                   "brush(solid,0x2121FF)",
                   "FillRect(39,37,42,40) brush(solid,0x2121FF)"}));
  incursion->SetSpeed(500);  // a longer nose
  dc.clear();
  incursion->Draw(&dc);
  EXPECT_EQ(dc.output_lines()[0].rfind("Polygon((58,38),", 0), 0u);
}

TEST_F(CoverageTest, IncursionResetReturnsToTheScenario) {
  ASSERT_TRUE(incursion->SetInitial("10", "200"));
  ASSERT_TRUE(incursion->SetInitialHeading("45"));
  incursion->SetStartTime(30);
  incursion->Reset();
  EXPECT_EQ(incursion->GetStart().latitude, 10.0);
  EXPECT_EQ(incursion->GetStartTime(), 0);
  EXPECT_EQ(incursion->GetHeading(), 45.0);
}

}  // namespace
}  // namespace stationtest
