// The information pane's tree: its first shape, each section after its
// refresh (team members 0, agent 1, costs 5), the teammates' costs, the
// balloons' weather reports and the highlight of a report's cell.
#include "TesselStationCore/infopanemodel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TesselStationCore/weatherballoons.h"
#include "viewfixture.h"

namespace stationtest {
namespace {

// One line per item, indented two blanks a level.
void dump(const CInfoPaneItem& item, int depth, Lines* lines) {
  lines->push_back(std::string(2 * depth, ' ') + item.GetText());
  for (const auto& child : item.GetChildren()) dump(*child, depth + 1, lines);
}

Lines dump(const CInfoPaneModel& pane) {
  Lines lines;
  dump(pane.GetRoot(), 0, &lines);
  return lines;
}

// The root's child whose text starts with `head`.
const CInfoPaneItem* section(const CInfoPaneModel& pane, const std::string& head) {
  for (const auto& child : pane.GetRoot().GetChildren()) {
    if (std::string(child->GetText()).rfind(head, 0) == 0) return child.get();
  }
  return nullptr;
}

TEST(InfoPane, ANewPaneShowsItsFourSectionsInOrder) {
  CInfoPaneModel pane;
  EXPECT_EQ(dump(pane),
            (Lines{"TesselStation Information Pane", "  Agent: unknown", "  Mission Cost: 0.0",
                   "  Team Members:", "    none", "  Weather Reports"}));
  EXPECT_TRUE(pane.GetRoot().IsExpanded());
  EXPECT_TRUE(section(pane, "Team Members:")->IsExpanded());
  pane.Refresh(0);  // no document: nothing changes
  pane.Refresh(1);
  pane.Refresh(5);
  EXPECT_EQ(dump(pane).size(), 6u);
}

class InfoPaneTest : public ViewTest {
 protected:
  const CInfoPaneModel& pane() const { return ui.pane; }
};

TEST_F(InfoPaneTest, TheTeamSectionListsTheTeammatesByName) {
  doc.AddTeamMember("Charlie-3");
  ui.pane.Refresh(CStationUi::kPaneTeamMembers);
  EXPECT_EQ(dump(pane()),
            (Lines{"TesselStation Information Pane", "  Agent: unknown", "  Mission Cost: 0.0",
                   "  Team Members:", "    Bravo-2", "    Charlie-3", "  Weather Reports"}));
  doc.RemoveAllTeamMembers();
  ui.pane.Refresh(CStationUi::kPaneTeamMembers);
  EXPECT_EQ(dump(pane())[4], "    none");
}

TEST_F(InfoPaneTest, AnAgentTheNameServerDoesNotKnowShowsEmptyLocations) {
  ui.pane.Refresh(CStationUi::kPaneAgent);
  EXPECT_EQ(dump(pane()),
            (Lines{"TesselStation Information Pane", "  Agent: Alpha-1",
                   "    Host: ", "    Port: ", "    ANS: ", "    Location: 0,0",
                   "  Mission Cost: 0.0", "  Team Members:", "    none", "  Weather Reports"}));
  doc.SetOwnName("");
  doc.ClearDocument();  // refreshes every section; no station location
  EXPECT_EQ(dump(pane())[1], "  Agent: unknown");
  EXPECT_EQ(dump(pane())[2], "    Location: unknown");
}

TEST_F(InfoPaneTest, CostsAddAMemberOnceAndThenChangeItsTexts) {
  doc.SetOwnCosts(12.0, 301.0, 11.4);
  ui.pane.Refresh(CStationUi::kPaneCosts);
  const Lines first{"  Mission Cost: 324", "    Alpha-1 Cost: 324",
                    "      Weather Balloon Costs: 12", "      Radar Station Costs: 301",
                    "      Interceptor Costs: 11"};
  Lines shown = dump(pane());
  EXPECT_EQ(Lines(shown.begin() + 2, shown.begin() + 7), first);

  doc.SetTeamCost("Bravo-2", 50.0);
  ui.UpdateMemberCost("Bravo-2", "40", "7", "3", "50");
  doc.SetOwnCosts(13.0, 301.0, 11.0);
  ui.pane.Refresh(CStationUi::kPaneCosts);
  shown = dump(pane());
  EXPECT_EQ(
      Lines(shown.begin() + 2, shown.begin() + 11),
      (Lines{"  Mission Cost: 375", "    Alpha-1 Cost: 325", "      Weather Balloon Costs: 13",
             "      Radar Station Costs: 301", "      Interceptor Costs: 11",
             "    Bravo-2 Cost: 50", "      Weather Balloon Costs: 3",
             "      Radar Station Costs: 40", "      Interceptor Costs: 7"}));
}

TEST_F(InfoPaneTest, AMemberWhoseNameHoldsAnothersKeepsItsOwnLine) {
  ui.UpdateMemberCost("Bravo-20", "1", "1", "1", "3");
  ui.UpdateMemberCost("Bravo-2", "4", "4", "4", "12");
  ui.UpdateMemberCost("Bravo-20", "2", "2", "2", "6");
  const Lines shown = dump(pane());
  EXPECT_EQ(shown[3], "    Bravo-20 Cost: 6");
  EXPECT_EQ(shown[7], "    Bravo-2 Cost: 12");
  EXPECT_EQ(shown[8], "      Weather Balloon Costs: 4");
}

TEST_F(InfoPaneTest, ACostWithoutAMemberNameChangesNothing) {
  const Lines before = dump(pane());
  ui.pane.UpdateMemberCost("", "1", "1", "1", "3");
  ui.pane.UpdateMemberCost(nullptr, "1", "1", "1", "3");
  ui.pane.Refresh(7);
  EXPECT_EQ(dump(pane()), before);
}

TEST_F(InfoPaneTest, ABalloonsReportIsShownReplacedAndRemovedWithTheBalloon) {
  doc.SetStationLocation(475.0, 375.0);
  CWeatherBalloon* balloon = doc.DeployBalloon(475.0, 403.0);
  balloon->UpdateInfoPane();
  const CInfoPaneItem* reports = section(pane(), "Weather Reports");
  ASSERT_EQ(reports->GetChildren().size(), 1u);
  const CInfoPaneItem* first = reports->GetChildren()[0].get();
  EXPECT_EQ(first->GetBalloon(), balloon);
  EXPECT_TRUE(reports->IsExpanded());
  EXPECT_STREQ(first->GetText(), "En Route to 20,17");
  ASSERT_EQ(first->GetChildren().size(), 3u);
  EXPECT_STREQ(first->GetChildren()[2]->GetText(), "Status - not released");

  balloon->AdvanceBalloon(5);
  balloon->AdvanceBalloon(20);  // arrived
  balloon->SetWeatherReport("475", "403", "71.5", "1009", "62", "14", "250");
  balloon->UpdateInfoPane();
  ASSERT_EQ(reports->GetChildren().size(), 1u);
  EXPECT_EQ(reports->GetChildren()[0].get(), first);  // the same items, new texts
  EXPECT_STREQ(first->GetText(), "Location: 20,17");
  EXPECT_STREQ(first->GetChildren()[1]->GetText(), "Temperature 71.50F / Humidity 62%");

  doc.ResetSimulation();
  EXPECT_TRUE(section(pane(), "Weather Reports")->GetChildren().empty());
}

TEST_F(InfoPaneTest, PressingAReportHighlightsItsCellUntilTheMouseMovesOrIsReleased) {
  doc.SetStationLocation(475.0, 375.0);
  CWeatherBalloon* balloon = doc.DeployBalloon(475.0, 403.0);
  balloon->SetWeatherReport("475", "403", "71.5", "1009", "62", "14", "250");
  balloon->UpdateInfoPane();
  const CInfoPaneItem* report = section(pane(), "Weather Reports")->GetChildren()[0].get();
  ui.calls.clear();

  ui.pane.OnLButtonDown(report->GetChildren()[0].get());  // not the report's head
  ui.pane.OnLButtonDown(nullptr);
  EXPECT_TRUE(doc.GetSelectionRect().IsRectEmpty());
  ui.pane.OnLButtonDown(report);
  EXPECT_EQ(doc.GetSelectionRect(), balloon->GetReportRect(2));
  EXPECT_FALSE(doc.GetSelectionRect().IsRectEmpty());
  ui.pane.OnMouseMove();
  EXPECT_TRUE(doc.GetSelectionRect().IsRectEmpty());
  ui.pane.OnLButtonDown(report);
  ui.pane.OnLButtonUp();
  EXPECT_TRUE(doc.GetSelectionRect().IsRectEmpty());
  ui.pane.OnLButtonUp();  // nothing highlighted: no redraw
  EXPECT_EQ(ui.calls, (Lines{"RedrawAllViews(0)", "RedrawAllViews(0)", "RedrawAllViews(0)",
                             "RedrawAllViews(0)"}));
}

}  // namespace
}  // namespace stationtest
