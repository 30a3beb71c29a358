// The map view's mouse: the hit tests, the cursor and hover text, the left
// click's commands, the "Commands" menu's items per situation and what each
// choice does, also when the units went while a question or the menu was
// open.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "TesselStationCore/commandsmenu.h"
#include "TesselStationCore/weatherballoons.h"
#include "viewfixture.h"

namespace stationtest {
namespace {

// The fixture's 40 x 40 map at zoom 2, not scrolled: the client point of a
// cell, and the position of its lower corner.
CPoint point_of(int column, int row) { return CPoint(2 * column, (39 - row) * 2); }
double lat_of(int column) { return column * 23.75; }
double lng_of(int row) { return 95.0 + row * 14.0; }

// "id text" per item, "----" for a separator, "[text]" for the title.
Lines shown(const std::vector<CStationMenuItem>& items) {
  Lines lines;
  for (const CStationMenuItem& item : items) {
    if (item.title) {
      lines.push_back("[" + item.text + "]");
    } else if (item.separator) {
      lines.push_back("----");
    } else {
      lines.push_back(std::to_string(item.id) + " " + item.text);
    }
  }
  return lines;
}

class MouseTest : public ViewTest {
 public:
  // What the tables' set-ups use.
  using ViewTest::doc;
  using ViewTest::ui;

  // Units placed on cells.
  CRadarStation* radar_at(const char* id, int column, int row, const char* range = "50") {
    return add_radar(id, lat_of(column), lng_of(row), range);
  }
  CInterceptor* interceptor_at(const char* id, int column, int row) {
    return add_interceptor(id, lat_of(column), lng_of(row), 120);
  }
  CIncursion* incursion_at(const char* id, int column, int row) {
    return add_incursion(id, lat_of(column), lng_of(row), 0.0, 0.0);
  }
  // An interceptor that Bravo-2 controls.
  CInterceptor* bravos_interceptor_at(const char* id, int column, int row) {
    CInterceptor* unit = interceptor_at(id, column, row);
    unit->SetController(bravo());
    unit->SetState(CInterceptor::STATE_ON_STATION);
    return unit;
  }

 protected:
  // The items of the menu that a right click on the cell shows.
  Lines menu_at(int column, int row) {
    ui.choices.push_back(0);
    view.OnRButtonDown(point_of(column, row), CPoint(500, 400));
    return shown(ui.last_menu);
  }
  void forget_what_happened() {
    ui.calls.clear();
    agent.sent.clear();
  }
};

// --- Hit tests

struct CellCase {
  const char* name;
  CPoint point;
  CPoint scroll;
  int zoom;
  CPoint cell;
};

void PrintTo(const CellCase& c, std::ostream* out) { *out << c.name; }

class CellFromPoint : public MouseTest, public testing::WithParamInterface<CellCase> {};

TEST_P(CellFromPoint, CountsRowsFromTheBottom) {
  doc.GetWorldMap()->setDefaultZoom(GetParam().zoom);
  view.SetScrollPosition(GetParam().scroll);
  CPoint cell;
  ASSERT_TRUE(view.CellFromPoint(GetParam().point, &cell));
  EXPECT_EQ(cell, GetParam().cell);
}

INSTANTIATE_TEST_SUITE_P(Points, CellFromPoint,
                         testing::Values(CellCase{"TopLeft", {0, 0}, {0, 0}, 2, {0, 39}},
                                         CellCase{"Inner", {5, 5}, {0, 0}, 2, {2, 37}},
                                         CellCase{"BottomRight", {79, 79}, {0, 0}, 2, {39, 0}},
                                         CellCase{"Scrolled", {5, 5}, {10, 20}, 2, {7, 27}},
                                         CellCase{"Zoom3", {9, 9}, {0, 0}, 3, {3, 36}},
                                         CellCase{"BelowTheMap", {0, 80}, {0, 0}, 2, {0, -1}}),
                         [](const testing::TestParamInfo<CellCase>& info) {
                           return info.param.name;
                         });

TEST_F(MouseTest, NoCellWithoutAMapOrBelowScaleOne) {
  CPoint cell;
  doc.GetWorldMap()->setDefaultZoom(0);
  EXPECT_FALSE(view.CellFromPoint(CPoint(5, 5), &cell));
  doc.ClearDocument();
  EXPECT_FALSE(view.CellFromPoint(CPoint(5, 5), &cell));
  int type = 0;
  EXPECT_EQ(view.FindUnit(CPoint(5, 5), &type), nullptr);
  EXPECT_EQ(type, -1);
  view.OnLButtonDown(CPoint(5, 5));
  view.OnMouseMove(CPoint(5, 5));
}

struct NearCase {
  const char* name;
  CPoint click;
  CPoint unit;
  bool near;
};

void PrintTo(const NearCase& c, std::ostream* out) { *out << c.name; }

class IsNear : public MouseTest, public testing::WithParamInterface<NearCase> {};

TEST_P(IsNear, MeansWithinFiveCellsOnTheMap) {
  EXPECT_EQ(view.IsNear(point_of(GetParam().click.x, GetParam().click.y), GetParam().unit),
            GetParam().near);
}

INSTANTIATE_TEST_SUITE_P(Distances, IsNear,
                         testing::Values(NearCase{"SameCell", {10, 10}, {10, 10}, true},
                                         NearCase{"FourAndTwo", {10, 10}, {14, 12}, true},
                                         NearCase{"ThreeAndFourIsFive", {10, 10}, {13, 14}, false},
                                         NearCase{"FiveAlongARow", {10, 10}, {5, 10}, false},
                                         NearCase{"ClickOffTheMap", {40, 10}, {39, 10}, false}),
                         [](const testing::TestParamInfo<NearCase>& info) {
                           return info.param.name;
                         });

TEST_F(MouseTest, FindsRadarsBeforeInterceptorsBeforeIncursionsThatTheStationSees) {
  CRadarStation* radar = radar_at("R1", 10, 10, "100");
  CInterceptor* hawk = interceptor_at("I1", 11, 10);
  CIncursion* seen = incursion_at("X1", 10, 11);
  incursion_at("X2", 30, 30);  // outside every range
  int type = 0;
  EXPECT_EQ(view.FindUnit(point_of(10, 10), &type), radar);
  EXPECT_EQ(type, UNIT_RADAR);
  EXPECT_EQ(view.UnitsNear(point_of(10, 10)), (std::vector<CResourceUnit*>{radar, hawk}));
  EXPECT_EQ(view.FindUnit(point_of(30, 30), &type), nullptr);  // not seen
  EXPECT_EQ(type, -1);
  radar->Activate();
  EXPECT_EQ(view.UnitsNear(point_of(10, 10)), (std::vector<CResourceUnit*>{radar, hawk, seen}));
  EXPECT_EQ(view.FindUnit(point_of(30, 30), &type), nullptr);  // still outside the range
  EXPECT_EQ(view.FindUnit(point_of(15, 10), &type), hawk);
  EXPECT_EQ(type, UNIT_INTERCEPTOR);
}

// --- Moving the mouse, the cursor and the hover text

TEST_F(MouseTest, MovingOverAnInnerCellMovesTheLabel) {
  view.OnMouseMove(point_of(3, 4));
  EXPECT_EQ(frame_model.GetCursorCell(), CPoint(3, 4));
  EXPECT_EQ(frame_model.GetCursorPoint(), point_of(3, 4));
  EXPECT_EQ(ui.calls, Lines{"RedrawAllViews(1)"});
  ui.calls.clear();
  view.OnMouseMove(point_of(0, 5));  // the first column
  view.OnMouseMove(point_of(5, 0));  // the first row
  EXPECT_EQ(frame_model.GetCursorCell(), CPoint(3, 4));
  EXPECT_TRUE(ui.calls.empty());
}

TEST_F(MouseTest, TheCursorAndHoverTextFollowTheUnitUnderTheMouse) {
  radar_at("R1", 10, 10);
  view.OnMouseMove(point_of(11, 10));
  EXPECT_EQ(view.OnSetCursor(), CMapViewModel::CURSOR_RADAR);
  EXPECT_STREQ(doc.GetHoverText(), "Radar: R1\nRange: 50");
  view.OnMouseMove(point_of(20, 20));
  EXPECT_EQ(view.OnSetCursor(), CMapViewModel::CURSOR_DEFAULT);
  EXPECT_STREQ(doc.GetHoverText(), "");
  doc.SetPlayback(true);
  view.OnMouseMove(point_of(11, 10));
  EXPECT_EQ(view.OnSetCursor(), CMapViewModel::CURSOR_DEFAULT);
}

// --- Left clicks

struct ClickCase {
  const char* name;
  std::function<void(MouseTest*)> setup;  // units near cell (10, 10)
  Lines sent;
  Lines ui;
};

void PrintTo(const ClickCase& c, std::ostream* out) { *out << c.name; }

class LeftClickTest : public MouseTest, public testing::WithParamInterface<ClickCase> {};

const char* const kActivateI1 =
    "tell :command activate :resource Interceptor :id I1 :lat 237.500000 :lng 235.000000 "
    ":gridCol 10 :gridRow 29";

TEST_P(LeftClickTest, RunsTheCommandThatFitsWhatLiesUnderTheMouse) {
  GetParam().setup(this);
  forget_what_happened();
  view.OnLButtonDown(point_of(10, 10));
  Lines sent;
  for (const Sent& s : agent.sent) {
    if (s.receiver == "Sim") sent.push_back(s.content);  // one copy of each
  }
  EXPECT_EQ(sent, GetParam().sent);
  EXPECT_EQ(ui.calls, GetParam().ui);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, LeftClickTest,
    testing::Values(
        ClickCase{"EmptyGroundOnlyRepaints", [](MouseTest*) {}, {}, {"RedrawAllViews(0)"}},
        ClickCase{"InactiveRadarIsActivated",
                  [](MouseTest* t) { t->radar_at("R1", 10, 10); },
                  {"tell :command activate :resource Radar :id R1 :lat 237.500000 :lng 235.000000 "
                   ":gridCol 10 :gridRow 29"},
                  {"RedrawMainWindow", "RedrawAllViews(0)"}},
        ClickCase{"ActiveRadarIsDeactivated",
                  [](MouseTest* t) { t->radar_at("R1", 10, 10)->Activate(); },
                  {"tell :command deactivate :resource Radar :id R1 :lat 237.500000 "
                   ":lng 235.000000 :gridCol 10 :gridRow 29"},
                  {"RedrawMainWindow", "RedrawAllViews(0)"}},
        ClickCase{"FreeInterceptorIsAcquired",
                  [](MouseTest* t) { t->interceptor_at("I1", 10, 10); },
                  {kActivateI1},
                  {"RedrawMainWindow", "RedrawAllViews(0)"}},
        ClickCase{"OwnSelectedInterceptorIsReleased",
                  [](MouseTest* t) { t->interceptor_at("I1", 10, 10)->Activate(); },
                  {"tell :command abort :resource Interceptor :id I1 :lat 237.500000 "
                   ":lng 235.000000 :gridCol 10 :gridRow 29",
                   "tell :command deactivate :resource Interceptor :id I1 :lat 237.500000 "
                   ":lng 235.000000 :gridCol 10 :gridRow 29"},
                  {"RedrawMainWindow", "RedrawAllViews(0)"}},
        ClickCase{"OwnInterceptorIsSelectedWithoutAMessage",
                  [](MouseTest* t) {
                    t->interceptor_at("I1", 10, 10)->Activate();
                    t->doc.SetSelectedInterceptor(nullptr);
                  },
                  {},
                  {"RedrawAllViews(0)"}},
        ClickCase{"TeammatesInterceptorIsRequestedOnYes",
                  [](MouseTest* t) {
                    t->bravos_interceptor_at("I1", 10, 10);
                    t->ui.answers.push_back(true);
                  },
                  {"ask :command request :requestFrom Bravo-2 :resource Interceptor :id I1 "
                   ":lat 237.500000 :lng 235.000000 :gridCol 10 :gridRow 29"},
                  {"AskYesNo(This interceptor is controlled by Bravo-2. Request control?) -> yes",
                   "RedrawAllViews(0)"}},
        ClickCase{"TeammatesInterceptorIsLeftOnNo",
                  [](MouseTest* t) {
                    t->bravos_interceptor_at("I1", 10, 10);
                    t->ui.answers.push_back(false);
                  },
                  {},
                  {"AskYesNo(This interceptor is controlled by Bravo-2. Request control?) -> no",
                   "RedrawAllViews(0)"}},
        ClickCase{"GroundWithASelectedInterceptorDeploysIt",
                  [](MouseTest* t) { t->interceptor_at("I1", 20, 20)->Activate(); },
                  {"tell :command deploy :resource Interceptor :id I1 :initLat 475.000000 "
                   ":initLng 375.000000 :initGridCol 20 :initGridRow 19 :destLat 237.500000 "
                   ":destLng 235.000000 :destGridCol 10 :destGridRow 29"},
                  {"RedrawAllViews(0)"}},
        ClickCase{"GroundWithAMovingInterceptorAbortsItFirst",
                  [](MouseTest* t) {
                    t->interceptor_at("I1", 20, 20)->Activate();
                    t->doc.GetSelectedInterceptor()->Deploy(475.0, 600.0, true);
                  },
                  {"tell :command abort :resource Interceptor :id I1 :lat 475.000000 "
                   ":lng 375.000000 :gridCol 20 :gridRow 19",
                   "tell :command deploy :resource Interceptor :id I1 :initLat 475.000000 "
                   ":initLng 375.000000 :initGridCol 20 :initGridRow 19 :destLat 237.500000 "
                   ":destLng 235.000000 :destGridCol 10 :destGridRow 29"},
                  {"RedrawAllViews(0)"}},
        ClickCase{"SeenIncursionIsIntercepted",
                  [](MouseTest* t) {
                    t->radar_at("R1", 10, 15, "200")->Activate();
                    t->interceptor_at("I1", 20, 10)->Activate();
                    t->incursion_at("X1", 10, 10);
                  },
                  {"tell :command inc_enter_radar :incID X1 :radarID R1",
                   "tell :command intercept :resource Interceptor :id I1 :intLat 475.000000 "
                   ":intLng 235.000000 :intGridCol 20 :intGridRow 29 :incID X1 "
                   ":incLat 237.500000 :incLng 235.000000 :incGridCol 10 :incGridRow 29"},
                  {"RedrawAllViews(0)"}},
        ClickCase{"IncursionOutsideTheImpactAreaIsRefused",
                  [](MouseTest* t) {
                    // The area's northern line at row 7.
                    CImpactLines* area = t->doc.GetImpactLines();
                    area->DeleteNLinePoint(0.0, 400.0);
                    area->DeleteNLinePoint(950.0, 400.0);
                    area->AddNLinePoint(0.0, 200.0);
                    area->AddNLinePoint(950.0, 200.0);
                    t->radar_at("R1", 10, 16, "200")->Activate();
                    t->interceptor_at("I1", 20, 5)->Activate();
                    t->incursion_at("X1", 10, 10);
                  },
                  {"tell :command inc_enter_radar :incID X1 :radarID R1"},
                  {"MessageBox(Cannot intercept incursion since it is ouside the IILs)",
                   "RedrawAllViews(0)"}},
        ClickCase{"UnseenIncursionIsGround",
                  [](MouseTest* t) {
                    t->interceptor_at("I1", 20, 20)->Activate();
                    t->incursion_at("X1", 10, 10);
                  },
                  {"tell :command deploy :resource Interceptor :id I1 :initLat 475.000000 "
                   ":initLng 375.000000 :initGridCol 20 :initGridRow 19 :destLat 237.500000 "
                   ":destLng 235.000000 :destGridCol 10 :destGridRow 29"},
                  {"RedrawAllViews(0)"}},
        ClickCase{"PlaybackIgnoresTheClick",
                  [](MouseTest* t) {
                    t->radar_at("R1", 10, 10);
                    t->doc.SetPlayback(true);
                  },
                  {},
                  {}}),
    [](const testing::TestParamInfo<ClickCase>& info) { return info.param.name; });

TEST_F(MouseTest, AnInterceptorTakenAwayDuringTheQuestionIsNotRequested) {
  bravos_interceptor_at("I1", 10, 10);
  ui.answers.push_back(true);
  ui.meanwhile = [this] {
    doc.ClearDocument();
    doc.InitDocument();
  };
  forget_what_happened();
  view.OnLButtonDown(point_of(10, 10));
  EXPECT_TRUE(agent.sent.empty());
}

// --- The "Commands" menu

const Lines kHead = {"[Commands]", "----", "3001 Deploy Weather Balloon"};

Lines with_head(const Lines& rest) {
  Lines lines = kHead;
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

struct MenuCase {
  const char* name;
  std::function<void(MouseTest*)> setup;  // units near cell (10, 10)
  Lines items;                            // after the head
};

void PrintTo(const MenuCase& c, std::ostream* out) { *out << c.name; }

class CommandsMenuItems : public MouseTest, public testing::WithParamInterface<MenuCase> {};

TEST_P(CommandsMenuItems, FitTheUnitsNearTheClick) {
  GetParam().setup(this);
  EXPECT_EQ(menu_at(10, 10), with_head(GetParam().items));
}

INSTANTIATE_TEST_SUITE_P(
    Situations, CommandsMenuItems,
    testing::Values(
        MenuCase{"EmptyGround", [](MouseTest*) {}, {}},
        MenuCase{"InactiveRadar",
                 [](MouseTest* t) { t->radar_at("R1", 10, 10); },
                 {"4001 Radar R1: Acquire/Activate"}},
        MenuCase{"ActiveRadar",
                 [](MouseTest* t) { t->radar_at("R1", 10, 10)->Activate(); },
                 {"4002 Radar R1: Relinquish/DeActivate"}},
        MenuCase{"FreeInterceptor",
                 [](MouseTest* t) { t->interceptor_at("I1", 10, 10); },
                 {"4001 Interceptor I1: Activate"}},
        MenuCase{"OwnInterceptorOnStation",
                 [](MouseTest* t) { t->interceptor_at("I1", 10, 10)->Activate(); },
                 {"4002 Interceptor I1: De-activate/Release",
                  "4004 Interceptor I1: Deploy to New Location",
                  "4005 Interceptor I1: Intercept an Incursion Vehicle"}},
        MenuCase{"OwnInterceptorInWeatherMode",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 10, 10)->Activate();
                   t->doc.SetCommandMode(CTesselStationDoc::MODE_WEATHER_REPORT);
                 },
                 {"4002 Interceptor I1: De-activate/Release"}},
        MenuCase{"OwnInterceptorDeploying",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 10, 10)->Activate();
                   t->doc.GetSelectedInterceptor()->Deploy(475.0, 600.0, true);
                 },
                 {"4002 Interceptor I1: De-activate/Release",
                  "4008 Interceptor I1: Abort Deploy command"}},
        MenuCase{"OwnInterceptorIntercepting",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 10, 10)->Activate();
                   t->doc.GetSelectedInterceptor()->SetState(CInterceptor::STATE_INTERCEPTING);
                 },
                 {"4002 Interceptor I1: De-activate/Release",
                  "4008 Interceptor I1: Abort Intercept command"}},
        MenuCase{"TeammatesInterceptor",
                 [](MouseTest* t) { t->bravos_interceptor_at("I1", 10, 10); },
                 {"4003 Interceptor I1: Request control from Bravo-2"}},
        MenuCase{"TwoUnitsRadarFirst",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 11, 10);
                   t->radar_at("R1", 10, 11);
                 },
                 {"4001 Radar R1: Acquire/Activate", "4101 Interceptor I1: Activate"}},
        MenuCase{
            "PendingDeployment",
            [](MouseTest* t) {
              t->interceptor_at("I1", 30, 30)->Activate();
              t->doc.SetCommandMode(CTesselStationDoc::MODE_DEPLOY);
            },
            {"3002 Deploy I1 to location 237.50,235.00", "7 Cancel Deployment Request for I1"}},
        MenuCase{"PendingInterceptionOfASeenIncursion",
                 [](MouseTest* t) {
                   t->radar_at("R1", 10, 12, "200")->Activate();
                   t->interceptor_at("I1", 30, 30)->Activate();
                   t->incursion_at("X1", 10, 10);
                   t->doc.SetCommandMode(CTesselStationDoc::MODE_INTERCEPT);
                 },
                 {"7 Cancel Intercept Request for I1", "4002 Radar R1: Relinquish/DeActivate",
                  "----", "4106 Intercept Incursion Vehicle at location 237.50,235.00 with I1"}},
        MenuCase{"PendingInterceptionOfAnUnseenIncursion",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 30, 30)->Activate();
                   t->incursion_at("X1", 10, 10);
                   t->doc.SetCommandMode(CTesselStationDoc::MODE_INTERCEPT);
                 },
                 {"7 Cancel Intercept Request for I1"}},
        MenuCase{"PendingModeWithoutASelection",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 30, 30)->Activate();
                   t->doc.SetSelectedInterceptor(nullptr);
                   t->doc.SetCommandMode(CTesselStationDoc::MODE_DEPLOY);
                 },
                 {}},
        MenuCase{"TwelveUnitsListTheFirstTen",
                 [](MouseTest* t) {
                   for (int i = 0; i < 12; ++i) {
                     t->radar_at(("R" + std::to_string(10 + i)).c_str(), 8 + i % 4, 9 + i / 4);
                   }
                 },
                 {"4001 Radar R10: Acquire/Activate", "4101 Radar R11: Acquire/Activate",
                  "4201 Radar R12: Acquire/Activate", "4301 Radar R13: Acquire/Activate",
                  "4401 Radar R14: Acquire/Activate", "4501 Radar R15: Acquire/Activate",
                  "4601 Radar R16: Acquire/Activate", "4701 Radar R17: Acquire/Activate",
                  "4801 Radar R18: Acquire/Activate", "4901 Radar R19: Acquire/Activate"}}),
    [](const testing::TestParamInfo<MenuCase>& info) { return info.param.name; });

TEST_F(MouseTest, TheMenuOpensAtTheScreenPointOnlyOnTheMapAndNotInPlayback) {
  ui.choices.push_back(0);
  view.OnRButtonDown(point_of(10, 10), CPoint(500, 400));
  EXPECT_EQ(ui.calls, Lines{"TrackMenu(500,400) -> 0"});
  ui.calls.clear();
  view.OnRButtonDown(CPoint(0, 80), CPoint(500, 400));  // below the map
  doc.SetPlayback(true);
  view.OnRButtonDown(point_of(10, 10), CPoint(500, 400));
  EXPECT_TRUE(ui.calls.empty());
}

struct DecodeCase {
  const char* name;
  unsigned id;
  bool unit;
  size_t index;
  int action;
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class UnitCommandIds : public testing::TestWithParam<DecodeCase> {};

TEST_P(UnitCommandIds, RunFrom4001To4998) {
  size_t index = 99;
  int action = 99;
  EXPECT_EQ(CCommandsMenu::DecodeUnitCommand(GetParam().id, &index, &action), GetParam().unit);
  if (!GetParam().unit) return;
  EXPECT_EQ(index, GetParam().index);
  EXPECT_EQ(action, GetParam().action);
  EXPECT_EQ(CCommandsMenu::UnitCommandId(index, action), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(Ids, UnitCommandIds,
                         testing::Values(DecodeCase{"First", 4001, true, 0, 1},
                                         DecodeCase{"Abort", 4008, true, 0, 8},
                                         DecodeCase{"TenthUnit", 4906, true, 9, 6},
                                         DecodeCase{"Last", 4998, true, 9, 98},
                                         DecodeCase{"EleventhUnitIsNone", 5001, false, 0, 0},
                                         DecodeCase{"DeployBalloon", 3001, false, 0, 0},
                                         DecodeCase{"Cancel", 7, false, 0, 0}),
                         [](const testing::TestParamInfo<DecodeCase>& info) {
                           return info.param.name;
                         });

// --- Menu choices

TEST_F(MouseTest, ChoosingDeployWeatherBalloonSendsOneFromTheStation) {
  doc.SetStationLocation(475.0, 375.0);
  ui.choices.push_back(CCommandsMenu::ID_DEPLOY_BALLOON);
  view.OnRButtonDown(point_of(10, 10), CPoint());
  ASSERT_EQ(doc.GetBalloons().size(), 1u);
  EXPECT_EQ(doc.GetBalloons()[0]->GetDestination().latitude, 237.5);
  EXPECT_EQ(agent.sent.back().content,
            "tell :command deploy_balloon :destLat 237.500000 :destLng 235.000000 :gridCol 10 "
            ":gridRow 29");
}

TEST_F(MouseTest, ChoosingDeployThenAPointDeploysTheInterceptorThere) {
  interceptor_at("I1", 30, 30)->Activate();
  doc.SetSelectedInterceptor(nullptr);
  ui.choices = {4004, CCommandsMenu::ID_DEPLOY_SELECTED};
  view.OnRButtonDown(point_of(30, 30), CPoint());
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_DEPLOY);
  ASSERT_NE(doc.GetSelectedInterceptor(), nullptr);
  forget_what_happened();
  view.OnRButtonDown(point_of(10, 10), CPoint());
  EXPECT_EQ(doc.FindInterceptor("I1")->GetState(), CInterceptor::STATE_DEPLOYING);
  EXPECT_EQ(doc.FindInterceptor("I1")->GetDestination().longitude, 235.0);
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
  EXPECT_EQ(ui.calls.back(), "RedrawAllViews(1)");
}

TEST_F(MouseTest, ChoosingInterceptThenTheIncursionSetsCourseForIt) {
  radar_at("R1", 10, 12, "200")->Activate();
  interceptor_at("I1", 30, 30)->Activate();
  incursion_at("X1", 10, 10);
  ui.choices = {4005, 4106};
  view.OnRButtonDown(point_of(30, 30), CPoint());
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_INTERCEPT);
  forget_what_happened();
  view.OnRButtonDown(point_of(10, 10), CPoint());
  EXPECT_EQ(doc.FindInterceptor("I1")->GetState(), CInterceptor::STATE_INTERCEPTING);
  EXPECT_STREQ(doc.FindInterceptor("I1")->GetTargetId(), "X1");
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
}

// The box that each refusal of an interception shows, in the system's own
// words; an interception that is set shows none. The interceptor stands at
// (600, 350) inside the area (longitudes 100 to 400), the incursion
// runs at 100.
struct RefusalBoxCase {
  const char* name;
  double lat, lng, heading;  // of the incursion; a NaN latitude: no incursion
  double speed;              // of the interceptor
  const char* box;           // null: none
};

void PrintTo(const RefusalBoxCase& c, std::ostream* out) { *out << c.name; }

class InterceptRefusalBox : public MouseTest, public testing::WithParamInterface<RefusalBoxCase> {};

TEST_P(InterceptRefusalBox, SaysWhy) {
  const RefusalBoxCase& c = GetParam();
  CInterceptor* interceptor = add_interceptor("I1", 600, 350, c.speed);
  CIncursion* incursion =
      std::isnan(c.lat) ? nullptr : add_incursion("X1", c.lat, c.lng, c.heading, 100);
  forget_what_happened();
  CCommandsMenu::Intercept(doc, interceptor, incursion);
  EXPECT_EQ(ui.calls_starting("MessageBox"),
            c.box != nullptr ? Lines{std::string("MessageBox(") + c.box + ")"} : Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Codes, InterceptRefusalBox,
    testing::Values(
        RefusalBoxCase{"NoIncursion", NAN, 0, 0, 300, "No Incursion to Intercept."},
        RefusalBoxCase{"IncursionOutsideTheArea", 475, 450, 0, 300,
                       "Cannot intercept incursion since it is ouside the IILs"},
        RefusalBoxCase{"OutOfReach", 475, 150, 180, 10,
                       "The Incursion is out of range (or moving too fast) and cannot be "
                       "intercepted."},
        RefusalBoxCase{"MeetsBeyondTheArea", 600, 390, 0, 200,
                       "Incursion will exit IILs befor interception takes place."},
        RefusalBoxCase{"Intercepted", 475, 150, 0, 300, nullptr}),
    [](const testing::TestParamInfo<RefusalBoxCase>& info) { return info.param.name; });

TEST_F(MouseTest, ChoosingCancelEndsThePendingCommand) {
  interceptor_at("I1", 30, 30)->Activate();
  doc.SetCommandMode(CTesselStationDoc::MODE_INTERCEPT);
  ui.choices.push_back(CCommandsMenu::ID_CANCEL);
  view.OnRButtonDown(point_of(10, 10), CPoint());
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
  EXPECT_EQ(doc.FindInterceptor("I1")->GetState(), CInterceptor::STATE_ON_STATION);
}

TEST_F(MouseTest, ChoosingAbortStopsTheInterceptorAndTellsTheTeamTwice) {
  interceptor_at("I1", 10, 10)->Activate();
  doc.GetSelectedInterceptor()->Deploy(475.0, 600.0, true);
  ui.choices.push_back(4008);
  forget_what_happened();
  view.OnRButtonDown(point_of(10, 10), CPoint());
  EXPECT_EQ(doc.FindInterceptor("I1")->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(agent.lines(),
            (Lines{"Bravo-2: tell :command abort :resource Interceptor :id I1 :lat 237.500000 "
                   ":lng 235.000000 :gridCol 10 :gridRow 29",
                   "Sim: tell :command abort :resource Interceptor :id I1 :lat 237.500000 "
                   ":lng 235.000000 :gridCol 10 :gridRow 29",
                   "Bravo-2: tell :command abort :resource Interceptor :id I1",
                   "Sim: tell :command abort :resource Interceptor :id I1"}));
}

TEST_F(MouseTest, ChoosingRequestAsksTheController) {
  bravos_interceptor_at("I1", 10, 10);
  ui.choices.push_back(4003);
  view.OnRButtonDown(point_of(10, 10), CPoint());
  EXPECT_EQ(
      agent.lines(),
      (Lines{"Bravo-2: ask :command request :requestFrom Bravo-2 :resource Interceptor :id I1 "
             ":lat 237.500000 :lng 235.000000 :gridCol 10 :gridRow 29",
             "Sim: ask :command request :requestFrom Bravo-2 :resource Interceptor :id I1 "
             ":lat 237.500000 :lng 235.000000 :gridCol 10 :gridRow 29"}));
}

// Units that went while the menu was open (a reset ran meanwhile).
struct GoneCase {
  const char* name;
  std::function<void(MouseTest*)> setup;
  unsigned choice;
};

void PrintTo(const GoneCase& c, std::ostream* out) { *out << c.name; }

class ChoiceAfterTheUnitsWent : public MouseTest, public testing::WithParamInterface<GoneCase> {};

TEST_P(ChoiceAfterTheUnitsWent, DoesNothing) {
  GetParam().setup(this);
  ui.choices.push_back(GetParam().choice);
  ui.meanwhile = [this] {
    doc.ClearDocument();
    doc.InitDocument();
    doc.GetWorldMap()->create(40, 40, '!');
  };
  forget_what_happened();
  view.OnRButtonDown(point_of(10, 10), CPoint());
  EXPECT_TRUE(agent.sent.empty());
  EXPECT_TRUE(doc.GetBalloons().empty());
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ChoiceAfterTheUnitsWent,
    testing::Values(
        GoneCase{"ActivateRadar", [](MouseTest* t) { t->radar_at("R1", 10, 10); }, 4001},
        GoneCase{"ReleaseInterceptor",
                 [](MouseTest* t) { t->interceptor_at("I1", 10, 10)->Activate(); }, 4002},
        GoneCase{"ChooseWhereToDeploy",
                 [](MouseTest* t) { t->interceptor_at("I1", 10, 10)->Activate(); }, 4004},
        GoneCase{"AbortInterceptor",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 10, 10)->Activate();
                   t->doc.GetSelectedInterceptor()->Deploy(475.0, 600.0, true);
                 },
                 4008},
        GoneCase{"DeployTheSelectedOne",
                 [](MouseTest* t) {
                   t->interceptor_at("I1", 30, 30)->Activate();
                   t->doc.SetCommandMode(CTesselStationDoc::MODE_DEPLOY);
                 },
                 CCommandsMenu::ID_DEPLOY_SELECTED},
        GoneCase{"InterceptTheIncursion",
                 [](MouseTest* t) {
                   t->radar_at("R1", 10, 12, "200")->Activate();
                   t->interceptor_at("I1", 30, 30)->Activate();
                   t->doc.CheckRadarCoverage(t->incursion_at("X1", 10, 10));
                   t->doc.SetCommandMode(CTesselStationDoc::MODE_INTERCEPT);
                 },
                 4106},
        GoneCase{"AnIdentifierBeyondTheList", [](MouseTest*) {}, 4301}),
    [](const testing::TestParamInfo<GoneCase>& info) { return info.param.name; });

TEST_F(MouseTest, DeployingTheSelectionAfterItWasReleasedOnlyEndsTheMode) {
  interceptor_at("I1", 30, 30)->Activate();
  doc.SetCommandMode(CTesselStationDoc::MODE_DEPLOY);
  ui.choices.push_back(CCommandsMenu::ID_DEPLOY_SELECTED);
  ui.meanwhile = [this] { doc.SetSelectedInterceptor(nullptr); };
  forget_what_happened();
  view.OnRButtonDown(point_of(10, 10), CPoint());
  EXPECT_TRUE(agent.sent.empty());
  EXPECT_EQ(doc.FindInterceptor("I1")->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
}

// --- The weather-report command

TEST_F(MouseTest, TheWeatherReportModeTogglesWhileTheClockRuns) {
  EXPECT_FALSE(view.IsWeatherReportEnabled());
  set_clock(10);
  EXPECT_TRUE(view.IsWeatherReportEnabled());
  EXPECT_FALSE(view.IsWeatherReportChecked());
  view.OnWeatherReportMode();
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_WEATHER_REPORT);
  EXPECT_TRUE(view.IsWeatherReportChecked());
  EXPECT_EQ(ui.calls, Lines{"RedrawAllViews(0)"});
  view.OnWeatherReportMode();
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
  doc.SetPhase(CTesselStationDoc::PHASE_SYNC_PULSE);
  EXPECT_TRUE(view.IsWeatherReportEnabled());
  doc.SetPhase(CTesselStationDoc::PHASE_COMPLETE);
  EXPECT_FALSE(view.IsWeatherReportEnabled());
}

}  // namespace
}  // namespace stationtest
