// The map view's painting: what a document without a map paints, the scroll
// sizes, the exact calls and the order of the layers for a small exercise,
// the cell label, the selection highlight, the costs summed while drawing
// and the rendering of the terrain.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "TesselMapsLib/trajectory.h"
#include "TesselStationCore/infopanemodel.h"
#include "TesselStationCore/weatherballoons.h"
#include "viewfixture.h"

namespace stationtest {
namespace {

// A 4 x 4 map with the exercise's cells (23.75 by 14 map units) at zoom 10,
// its terrain rendered; the impact area and the trajectory across it.
class DrawTest : public ViewTest {
 protected:
  DrawTest() {
    CWorldMap* map = doc.GetWorldMap();
    map->create(4, 4, '!');
    map->updatelatlong(0.0, 95.0, 95.0, 151.0);
    map->setDefaultZoom(10);
    map->setTerrainSettings(&doc.GetTerrainTypes());
    CImpactLines* area = doc.GetImpactLines();
    area->DeleteNLinePoint(0.0, 400.0);
    area->DeleteNLinePoint(950.0, 400.0);
    area->DeleteSLinePoint(0.0, 100.0);
    area->DeleteSLinePoint(950.0, 100.0);
    area->AddNLinePoint(0.0, 145.0);
    area->AddNLinePoint(95.0, 145.0);
    area->AddSLinePoint(0.0, 100.0);
    area->AddSLinePoint(95.0, 100.0);
    doc.GetTrajectory()->AddTrajectoryPoint(11.875, 102.0);
    doc.GetTrajectory()->AddTrajectoryPoint(83.125, 144.0);
    view.UpdateMapImage();
    window.clear();
    ui.calls.clear();
  }

  Lines draw() {
    platform::RecordingDC dc;
    view.OnDraw(&dc, CRect(0, 0, 40, 40));
    return dc.lines();
  }
};

TEST_F(DrawTest, ADocumentWithoutAMapPaintsOnlyTheBackground) {
  doc.ClearDocument();
  platform::RecordingDC dc;
  dc.SetBkColor(RGB(0x10, 0x20, 0x30));
  dc.clear();
  view.OnDraw(&dc, CRect(5, 5, 40, 30));
  EXPECT_EQ(dc.lines(), Lines{"FillRect(5,5,40,30) brush(solid,0x302010)"});
  EXPECT_EQ(view.GetTotalSize(), CSize(100, 100));
}

TEST_F(DrawTest, AMapNotRenderedYetPaintsNothingButSetsTheScrollSizes) {
  doc.ClearDocument();
  doc.InitDocument();
  doc.GetWorldMap()->create(30, 20, '!');
  view.SetClientSize(CSize(200, 100));
  EXPECT_EQ(draw(), (Lines{"FillRect(0,0,40,40) brush(solid,0xFFFFFF)", "CreateCompatibleDC(#1)"}));
  EXPECT_EQ(view.GetTotalSize(), CSize(60, 40));  // zoom 2
  EXPECT_EQ(view.GetPageSize(), CSize(200, 100));
  EXPECT_EQ(view.GetLineSize(), CSize(2, 2));
}

// The station, a radar this station controls with an incursion in its range
// and one outside every range, the selected interceptor, a balloon on its
// way, a highlighted cell and the mouse over the radar's cell.
TEST_F(DrawTest, PaintsEveryLayerInOrder) {
  doc.SetStationLocation(23.75, 109.0);
  add_radar("R1", 47.5, 123.0, "30")->Activate();
  add_interceptor("I1", 71.25, 109.0, 120)->Activate();
  doc.DeployBalloon(71.25, 137.0);
  add_incursion("X1", 47.5, 137.0, 90.0, 30.0);
  add_incursion("X2", 0.0, 151.0, 90.0, 30.0);
  doc.SetSelectionRect(CRect(1, 2, 2, 3));
  frame_model.SetCursorCell(CPoint(2, 2));
  frame_model.SetCursorPoint(CPoint(5, 5));
  doc.SetHoverText("Radar: R1\nRange: 30");
  set_clock(10);
  agent.sent.clear();
  view.SetClientSize(CSize(30, 20));

  EXPECT_EQ(draw(), (Lines{
      // background and terrain
      "FillRect(0,0,40,40) brush(solid,0xFFFFFF)",
      "CreateCompatibleDC(#1)",
      "#1 SelectObject(bitmap(40,40))",
      "BitBlt(0,0,40,40,#1,0,0,SRCCOPY)",
      // the station's icon, centred on the top-left of its cell (10, 20)
      "SelectObject(pen(solid,2,0xFFFFFF))",
      "SelectObject(brush(solid,0x783C1E))",
      "Ellipse(-4,6,24,34) pen(solid,2,0xFFFFFF) brush(solid,0x783C1E)",
      "MoveTo(4,29)",
      "LineTo(10,13) from(4,29) pen(solid,2,0xFFFFFF)",
      "LineTo(16,29) from(10,13) pen(solid,2,0xFFFFFF)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "Ellipse(7,10,13,16) pen(solid,2,0xFFFFFF) brush(solid,0xFFFFFF)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "SelectObject(pen(solid,0,0x000000))",
      // the cell label and the hover text beside the mouse
      "SetBkMode(TRANSPARENT)",
      "SetTextColor(0xCCFFFF)",
      "DrawText(\"2,37\",20,15,305,55,0x0810) text(0xCCFFFF) bk(transparent)",
      "DrawText(\"Radar: R1\nRange: 30\",20,55,305,105,0x0810) text(0xCCFFFF) bk(transparent)",
      "SetBkMode(OPAQUE)",
      // the highlighted cell: column 1, row 2
      "SelectObject(brush(pattern,8x8))",
      "SetBkColor(0xFFFFFF)",
      "SetTextColor(0x000000)",
      "PatBlt(10,10,10,10,0x00A000C9) brush(pattern,8x8) text(0x000000) bk(0xFFFFFF)",
      "SetBkColor(0xFFFFFF)",
      "SetTextColor(0xD77800)",
      "PatBlt(10,10,10,10,0x00FA0089) brush(pattern,8x8) text(0xD77800) bk(0xFFFFFF)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "SetBkColor(0xFFFFFF)",
      "SetTextColor(0xCCFFFF)",
      // the balloon on its way, with its tail
      "SelectObject(pen(solid,2,0x6363CC))",
      "SelectObject(brush(solid,0x6363CC))",
      "Ellipse(-5,-15,45,35) pen(solid,2,0x6363CC) brush(solid,0x6363CC)",
      "MoveTo(20,10)",
      "LineTo(7,18) from(20,10) pen(solid,2,0x6363CC)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "SelectObject(pen(solid,0,0x000000))",
      // the radar: cross, range circle, the station's control bar
      "SelectObject(pen(solid,2,0xFFFFFF))",
      "MoveTo(-5,35)",
      "LineTo(55,-25) from(-5,35) pen(solid,2,0xFFFFFF)",
      "MoveTo(-5,-25)",
      "LineTo(55,35) from(-5,-25) pen(solid,2,0xFFFFFF)",
      "SelectObject(pen(solid,1,0xFFFFFF))",
      "SelectObject(brush(null))",
      "Ellipse(10,20,40,-10) pen(solid,1,0xFFFFFF) brush(null)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "SelectObject(pen(solid,0,0x000000))",
      "SelectObject(pen(solid,3,0x21FF42))",
      "MoveTo(10,18)",
      "LineTo(30,18) from(10,18) pen(solid,3,0x21FF42)",
      "SelectObject(pen(solid,0,0x000000))",
      // the interceptor in the station's colour
      "SelectObject(pen(solid,1,0x21FF42))",
      "SelectObject(brush(solid,0x21FF42))",
      "Polygon((30,12),(37,24),(23,24)) pen(solid,1,0x21FF42) brush(solid,0x21FF42)",
      "FillRect(29,19,32,22) brush(solid,0x21FF42)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "SelectObject(pen(solid,0,0x000000))",
      // the selected interceptor's circle
      "SelectObject(pen(solid,2,0xFFEC4C))",
      "SelectObject(brush(null))",
      "Ellipse(14,4,46,36) pen(solid,2,0xFFEC4C) brush(null)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "SelectObject(pen(solid,0,0x000000))",
      // the incursion that the radar sees; the other one is not drawn
      "SelectObject(pen(solid,1,0x2121FF))",
      "SelectObject(brush(solid,0x2121FF))",
      "Polygon((28,0),(16,7),(20,0),(16,-7)) pen(solid,1,0x2121FF) brush(solid,0x2121FF)",
      "FillRect(19,-1,22,2) brush(solid,0x2121FF)",
      "SelectObject(brush(solid,0xFFFFFF))",
      "SelectObject(pen(solid,0,0x000000))",
      // the impact area
      "SelectObject(pen(solid,2,0x0000FF))",
      "MoveTo(0,-10)",
      "LineTo(40,-10) from(0,-10) pen(solid,2,0x0000FF)",
      "MoveTo(0,30)",
      "LineTo(40,30) from(0,30) pen(solid,2,0x0000FF)",
      "SelectObject(pen(solid,0,0x000000))",
      "FillRect(0,40,40,40) brush(solid,0xFFFFFF)",
      "FillRect(40,-10,50,40) brush(solid,0xFFFFFF)",
      // the trajectory
      "SelectObject(pen(solid,1,0x00FFFF))",
      "MoveTo(10,20)",
      "LineTo(40,-10) from(10,20) pen(solid,1,0x00FFFF)",
      "SelectObject(pen(solid,0,0x000000))",
      "FillRect(0,40,40,40) brush(solid,0xFFFFFF)",
      "FillRect(40,-10,50,40) brush(solid,0xFFFFFF)",
      // the grid labels: columns along the bottom, the exercise's rows on
      // the right, 10 pixels apart: every other row label has room
      "SetBkMode(TRANSPARENT)",
      "SelectObject(pen(solid,0,0xC0C0C0))",
      "SetTextColor(0x000000)",
      "TextOut(0,30,\"0\") text(0x000000) bk(transparent)",
      "SetTextColor(0x000000)",
      "TextOut(10,30,\"1\") text(0x000000) bk(transparent)",
      "SetTextColor(0x000000)",
      "TextOut(20,30,\"2\") text(0x000000) bk(transparent)",
      "SetTextColor(0x000000)",
      "TextOut(30,30,\"3\") text(0x000000) bk(transparent)",
      "SetTextColor(0x000000)",
      "TextOut(40,-20,\"35\") text(0x000000) bk(transparent)",
      "SetTextColor(0x000000)",
      "TextOut(40,0,\"37\") text(0x000000) bk(transparent)",
      "SetTextColor(0x000000)",
      "TextOut(40,20,\"39\") text(0x000000) bk(transparent)",
      "SelectObject(pen(solid,0,0x000000))",
      "SetBkMode(OPAQUE)",
  }));

  // The costs were summed while drawing and the pane shows them.
  double balloons = 0, radars = 0, interceptors = 0;
  doc.ComputeOwnCosts(&balloons, &radars, &interceptors);
  EXPECT_EQ(doc.GetOwnBalloonCost(), balloons);
  EXPECT_EQ(doc.GetOwnRadarCost(), radars);
  EXPECT_EQ(doc.GetOwnInterceptorCost(), interceptors);
  EXPECT_EQ(balloons + radars + interceptors, 12.0 + (30 * 10 + 1) + (1 + 10));
  EXPECT_EQ(ui.calls_starting("RefreshInfoPane"), Lines{"RefreshInfoPane(5)"});
  EXPECT_STREQ(ui.pane.GetRoot().GetChildren()[1]->GetText(), "Mission Cost: 324");
  // What the radars hold is told to the simulation agent.
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command inc_enter_radar :incID X1 :radarID R1"});
  EXPECT_EQ(view.GetTotalSize(), CSize(40, 40));
  EXPECT_EQ(view.GetPageSize(), CSize(30, 20));
  EXPECT_EQ(view.GetLineSize(), CSize(10, 10));
}

struct LabelCase {
  const char* name;
  CPoint cell;
  const char* label;
};

void PrintTo(const LabelCase& c, std::ostream* out) { *out << c.name; }

class CellLabel : public DrawTest, public testing::WithParamInterface<LabelCase> {};

TEST_P(CellLabel, NamesTheExercisesGridCellUnderTheMouse) {
  frame_model.SetCursorCell(GetParam().cell);
  const Lines lines = draw();
  const auto label = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("DrawText(", 0) == 0;
  });
  ASSERT_NE(label, lines.end());
  EXPECT_EQ(*label, std::string("DrawText(\"") + GetParam().label +
                        "\",15,10,300,50,0x0810) text(0xCCFFFF) bk(transparent)");
}

INSTANTIATE_TEST_SUITE_P(Cells, CellLabel,
                         testing::Values(LabelCase{"Origin", {0, 0}, "0,39"},
                                         LabelCase{"Inner", {2, 2}, "2,37"},
                                         LabelCase{"TopRight", {3, 3}, "3,36"}),
                         [](const testing::TestParamInfo<LabelCase>& info) { return info.param.name; });

// The label and the hover text stand by the mouse on the map: the client
// point moved by the scroll position, so that they do not drift when the
// view is scrolled.
TEST_F(DrawTest, TheCellLabelStaysByTheMouseWhenTheViewIsScrolled) {
  frame_model.SetCursorPoint(CPoint(5, 5));
  view.SetScrollPosition(CPoint(30, 40));
  platform::RecordingDC dc;
  view.OnDraw(&dc, CRect(30, 40, 70, 80));
  Lines texts;
  for (const std::string& line : dc.lines()) {
    if (line.rfind("DrawText(", 0) == 0) texts.push_back(line.substr(0, line.find(",0x0810")));
  }
  EXPECT_EQ(texts, (Lines{"DrawText(\"0,39\",50,55,335,95", "DrawText(\"\",50,95,335,145"}));
}

// The cell that a balloon reported, pressed in the information pane, is the
// cell highlighted on the map.
TEST_F(ViewTest, AReportPressedInThePaneHighlightsExactlyItsCell) {
  doc.GetWorldMap()->setTerrainSettings(&doc.GetTerrainTypes());
  view.UpdateMapImage();
  doc.SetStationLocation(475.0, 375.0);
  CWeatherBalloon* balloon = doc.DeployBalloon(475.0, 403.0);
  balloon->SetWeatherReport("475", "403", "71.5", "1009", "62", "14", "250");
  balloon->UpdateInfoPane();
  const CInfoPaneItem* weather = ui.pane.GetRoot().GetChildren().back().get();
  ui.pane.OnLButtonDown(weather->GetChildren().at(0).get());

  platform::RecordingDC dc;
  view.OnDraw(&dc, CRect(0, 0, 80, 80));
  Lines blits;
  for (const std::string& line : dc.output_lines()) {
    if (line.rfind("PatBlt(", 0) == 0) blits.push_back(line.substr(0, line.find(')') + 1));
  }
  // Column 20, row 22 from the bottom (the exercise's row 17): pixels 40..41
  // across and 34..35 down at zoom 2.
  EXPECT_EQ(blits, (Lines{"PatBlt(40,34,2,2,0x00A000C9)", "PatBlt(40,34,2,2,0x00FA0089)"}));
}

TEST_F(DrawTest, UnitsMoveAsTheyAreDrawn) {
  doc.SetStationLocation(23.75, 109.0);
  CInterceptor* hawk = add_interceptor("I1", 0.0, 95.0, 120);
  hawk->Activate();
  hawk->Deploy(71.25, 95.0, true);
  doc.DeployBalloon(71.25, 137.0);
  agent.sent.clear();
  set_clock(10);
  draw();  // the first step of each leg only records where the unit is
  EXPECT_EQ(hawk->GetState(), CInterceptor::STATE_DEPLOYING);
  set_clock(60);
  draw();
  EXPECT_EQ(hawk->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(hawk->GetStart().latitude, 71.25);
  EXPECT_FALSE(doc.GetBalloons()[0]->IsEnRoute());
  EXPECT_EQ(agent.lines(), Lines{"Sim: tell :command get_weather :lat 71.250000 :lng 137.000000 "
                                 ":gridCol 3 :gridRow 36 :balloonID " +
                                 std::string(doc.GetBalloons()[0]->GetId())});
}

TEST_F(DrawTest, AnEmptySelectionDrawsNoHighlight) {
  doc.SetSelectionRect(CRect(2, 2, 2, 3));
  for (const std::string& line : draw()) EXPECT_EQ(line.find("PatBlt"), std::string::npos) << line;
}

TEST_F(DrawTest, RenderingTheMapMakesAPictureOfTheWholeGridAndRedraws) {
  doc.GetWorldMap()->setDefaultZoom(3);
  view.UpdateMapImage();
  EXPECT_EQ(ui.calls, Lines{"RedrawAllViews(1)"});
  ASSERT_GE(window.calls().size(), 2u);
  EXPECT_EQ(window.calls()[1].str(), "#2 SelectObject(bitmap(12,12))");
}

}  // namespace
}  // namespace stationtest
