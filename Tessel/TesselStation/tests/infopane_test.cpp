// The information pane follows its model: sections rebuilt, texts changed
// in place, weather reports added and removed; and a press on a weather
// report highlights its cell until the button comes up.
#include <gtest/gtest.h>

#include <QTest>

#include <string>
#include <vector>

#include "TesselStation/stcbinfoview.h"
#include "TesselStationCore/weatherballoons.h"
#include "stationwindowstest.h"
#include "testsupport/treelines.h"

namespace stationui {
namespace {

using Lines = std::vector<std::string>;
using testsupport::tree_lines;

// The model's items as outline lines, as tree_lines writes the tree's.
void ModelLines(const CInfoPaneItem& item, int level, Lines* out) {
  out->push_back(std::string(static_cast<size_t>(level) * 2, ' ') + item.GetText());
  for (const auto& child : item.GetChildren()) ModelLines(*child, level + 1, out);
}

class InfoPaneTest : public StationWindowsTest {
 protected:
  void SetUp() override { ASSERT_EQ(Create(), 0); }

  CSTCBInfoView* Pane() { return frame->GetInfoView(); }
  Lines Model() {
    Lines lines;
    ModelLines(windows.GetInfoPane().GetRoot(), 0, &lines);
    return lines;
  }
};

TEST_F(InfoPaneTest, NewPaneShowsItsFourSectionsInTheInformationTab) {
  ASSERT_NE(Pane(), nullptr);
  EXPECT_EQ(tree_lines(Pane()), (Lines{"TesselStation Information Pane", "  Agent: unknown",
                                       "  Mission Cost: 0.0", "  Team Members:", "    none",
                                       "  Weather Reports"}));
  EXPECT_TRUE(Pane()->topLevelItem(0)->isExpanded());
  EXPECT_TRUE(Pane()->topLevelItem(0)->child(2)->isExpanded());
}

TEST_F(InfoPaneTest, RebuiltSectionsAndChangedCostsShowAsTheModelHasThem) {
  doc.SetOwnName("AlphaStation");
  doc.AddTeamMember("BravoStation");
  doc.AddTeamMember("CharlieStation");
  windows.RefreshInfoPane(CStationUi::kPaneTeamMembers);
  windows.RefreshInfoPane(CStationUi::kPaneAgent);
  windows.UpdateMemberCost("BravoStation", "1", "2", "3", "6");
  windows.UpdateMemberCost("BravoStation", "10", "20", "30", "60");
  EXPECT_EQ(tree_lines(Pane()), Model());
  EXPECT_EQ(tree_lines(Pane()),
            (Lines{"TesselStation Information Pane", "  Agent: AlphaStation", "    Host: ",
                   "    Port: ", "    ANS: ", "    Location: 0,0", "  Mission Cost: 0",
                   "    BravoStation Cost: 60", "      Weather Balloon Costs: 30",
                   "      Radar Station Costs: 10", "      Interceptor Costs: 20",
                   "  Team Members:", "    BravoStation", "    CharlieStation",
                   "  Weather Reports"}));

  doc.RemoveAllTeamMembers();
  windows.RefreshInfoPane(CStationUi::kPaneTeamMembers);
  EXPECT_EQ(tree_lines(Pane()), Model());
}

TEST_F(InfoPaneTest, StartOfTheSimulationShowsTheTeamAndTheLocation) {
  doc.SetOwnName("AlphaStation");
  doc.SetSimulationAgent("Sim");
  Receive("Sim",
          "tell :command start_sim :team (tell :number 2 :client0 AlphaStation "
          ":client1 BravoStation) :stationlocation (tell :lat 480 :lon 180)");
  EXPECT_EQ(tree_lines(Pane()), Model());
  EXPECT_EQ(tree_lines(Pane()),
            (Lines{"TesselStation Information Pane", "  Agent: AlphaStation", "    Host: ",
                   "    Port: ", "    ANS: ", "    Location: 480,180", "  Mission Cost: 0.0",
                   "  Team Members:", "    BravoStation", "  Weather Reports"}));
}

TEST_F(InfoPaneTest, ClosedItemStaysClosedWhileItsTextsChange) {
  windows.UpdateMemberCost("BravoStation", "1", "2", "3", "6");
  QTreeWidgetItem* cost = Pane()->topLevelItem(0)->child(1);
  cost->setExpanded(true);
  Pane()->topLevelItem(0)->child(2)->setExpanded(false);  // the operator closes the team
  windows.UpdateMemberCost("BravoStation", "1", "2", "3", "7");
  EXPECT_EQ(Pane()->topLevelItem(0)->child(1), cost);
  EXPECT_TRUE(cost->isExpanded());
  EXPECT_FALSE(Pane()->topLevelItem(0)->child(2)->isExpanded());
}

// A balloon's report joins the weather section with its lines, changes in
// place, and goes with its balloon; the tree follows the model throughout.
TEST_F(InfoPaneTest, WeatherReportsComeChangeAndGoBranchByBranch) {
  CWeatherBalloon north;
  CWeatherBalloon south;
  windows.ShowWeatherReport(&north, {"N1", "N2", "N3", "N4"});
  windows.ShowWeatherReport(&south, {"S1", "S2", "S3", "S4"});
  EXPECT_EQ(tree_lines(Pane()), Model());
  QTreeWidgetItem* weather = Pane()->topLevelItem(0)->child(3);
  EXPECT_TRUE(weather->isExpanded());
  QTreeWidgetItem* northItem = weather->child(0);
  windows.ShowWeatherReport(&north, {"N1'", "N2'", "N3", "N4"});
  EXPECT_EQ(weather->child(0), northItem);  // changed in place
  EXPECT_EQ(tree_lines(Pane()), Model());
  windows.RemoveWeatherReport(&north);
  EXPECT_EQ(tree_lines(Pane()), Model());
  EXPECT_EQ(tree_lines(Pane()),
            (Lines{"TesselStation Information Pane", "  Agent: unknown", "  Mission Cost: 0.0",
                   "  Team Members:", "    none", "  Weather Reports", "    S1", "      S2",
                   "      S3", "      S4"}));
  windows.RemoveWeatherReport(&south);
}

}  // namespace
}  // namespace stationui
