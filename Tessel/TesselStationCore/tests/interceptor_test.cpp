// Interceptors: the interception point, the commands and what they tell the
// team, the movement legs, the costs and the drawing.
#include "TesselStationCore/interceptor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "Platform/recordingdc.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

// --- The interception point

struct PointCase {
  const char* name;
  double a, b;     // incursion
  double c, d;     // interceptor
  double s1, s2;   // their speeds
  double heading;  // of the incursion
  bool found;
  double y;  // expected second coordinate, when found and not NaN
};

void PrintTo(const PointCase& c, std::ostream* out) { *out << c.name; }

class InterceptionPoint : public testing::TestWithParam<PointCase> {};

TEST_P(InterceptionPoint, MeetsAheadAtTheSameTime) {
  const PointCase& c = GetParam();
  double x = NAN;
  double y = NAN;
  ASSERT_EQ(CInterceptor::InterceptionPoint(c.a, c.b, c.c, c.d, c.s1, c.s2, c.heading, &x, &y),
            c.found);
  if (!c.found) return;
  if (!std::isnan(c.y)) {
    EXPECT_NEAR(y, c.y, 0.01);
  }
  // Both arrive together...
  const double incursion_hours = std::hypot(x - c.a, y - c.b) / c.s1;
  const double interceptor_hours = std::hypot(x - c.c, y - c.d) / c.s2;
  EXPECT_NEAR(incursion_hours, interceptor_hours, 1e-6);
  // ...on the incursion's course (its heading taken within one turn), ahead
  // of it.
  const double h = (std::fmod(c.heading + 720.0, 360.0)) * 22.0 / 7.0 / 180.0;
  EXPECT_NEAR(x - c.a, std::tan(h) * (y - c.b), 1e-6);
  EXPECT_GT((y - c.b) * std::cos(h), 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InterceptionPoint,
    testing::Values(
        PointCase{"FasterInterceptorTakesTheRootAhead", 475, 150, 600, 350, 100, 300, 0, true,
                  212.05},
        PointCase{"BothRootsAheadTakesTheNearer", 0, 0, 10, 500, 100, 50, 0, true, 333.53},
        PointCase{"BothRootsBehindHasNone", 0, 0, 0, -100, 200, 100, 0, false, NAN},
        PointCase{"EqualSpeedsUseTheLinearForm", 0, 0, 100, 100, 100, 100, 0, true, 100.0},
        PointCase{"EqualSpeedsOnAParallelCourseHaveNone", 0, 0, 100, 0, 100, 100, 0, false, NAN},
        PointCase{"NearlyEqualSpeedsWithoutALinearTermHaveNone", 0, 0, 100, 0, 100, 100.00000001,
                  0, false, NAN},
        PointCase{"TooSlowHasNone", 0, 0, 500, 0, 1000, 10, 0, false, NAN},
        PointCase{"HeadingOfTwoHundredTen", 0, 0, -300, -300, 100, 300, 210, true, NAN},
        PointCase{"NegativeHeadingIsTheSameCourse", 0, 0, -300, -300, 100, 300, -150, true, NAN},
        PointCase{"HeadingBeyondAFullTurn", 0, 0, -300, -300, 100, 300, 570, true, NAN},
        // A double root is the one point where both arrive: at map
        // magnitudes (B² about 6.4e17) the discriminant rounds to -128.
        PointCase{"TangentMeetingAtMapMagnitudes", 0, 0, 0.75 * 400.1, 400.1, 1000, 600, 0, true,
                  625.15625},
        // The candidate taken lies ahead, the way the incursion moves: due
        // west (270 degrees, with pi = 22/7) still gains a little along the
        // second coordinate, just short of due east loses a little.
        PointCase{"DueWestMeetsAhead", 0, 0, -300, 50, 100, 300, 270, true, 0.14486},
        PointCase{"MinusNinetyIsDueWest", 0, 0, -300, 50, 100, 300, -90, true, 0.14486},
        PointCase{"JustShortOfDueEastMeetsAhead", 0, 0, -300, 50, 100, 300, 89.98, true,
                  -0.04285}),
    [](const testing::TestParamInfo<PointCase>& info) { return info.param.name; });

// The point lies on the course the incursion runs: where its own dead
// reckoning has it when both arrive, whatever turn its heading is given in.
class MeetingOnTheCourse : public testing::TestWithParam<double> {};

TEST_P(MeetingOnTheCourse, IsWhereTheIncursionWillBe) {
  const double heading = GetParam();
  CIncursion incursion;
  incursion.SetSpeed(100);
  incursion.SetHeading(heading);
  incursion.SetStart(0.0, 0.0);
  double x = 0;
  double y = 0;
  ASSERT_TRUE(CInterceptor::InterceptionPoint(0, 0, -300, -300, 100, 300, heading, &x, &y));
  const double minutes = std::hypot(x, y) / 100 * 60;
  const std::unique_ptr<CLatLng> there = incursion.PositionAt(minutes);
  EXPECT_NEAR(there->latitude, x, 1e-6);
  EXPECT_NEAR(there->longitude, y, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Headings, MeetingOnTheCourse, testing::Values(190.0, -170.0, 550.0, -90.0),
                         [](const testing::TestParamInfo<double>& info) {
                           const int degrees = static_cast<int>(info.param);
                           return (degrees < 0 ? "Minus" : "") + std::to_string(std::abs(degrees));
                         });

TEST(InterceptionPoint, AHeadingIsTheSameCourseWhateverItsTurn) {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ASSERT_TRUE(CInterceptor::InterceptionPoint(0, 0, -300, -300, 100, 300, 210, &x1, &y1));
  ASSERT_TRUE(CInterceptor::InterceptionPoint(0, 0, -300, -300, 100, 300, -150, &x2, &y2));
  EXPECT_NEAR(x1, x2, 1e-9);
  EXPECT_NEAR(y1, y2, 1e-9);
}

// --- Commands

class InterceptorTest : public UnitTest {
 protected:
  InterceptorTest() { unit = add_interceptor("I1", 600, 350, 300); }
  CInterceptor* unit;
};

TEST_F(InterceptorTest, ActivateTakesControlAndTellsTheTeam) {
  frame.clock = 10;
  unit->Activate();
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(unit->GetController(), doc.GetOwnMember());
  EXPECT_EQ(doc.GetSelectedInterceptor(), unit);
  EXPECT_EQ(unit->GetActivationStart(), 10);
  EXPECT_EQ(unit->GetActivationCount(), 1);
  const std::string told =
      "tell :command activate :resource Interceptor :id I1 :lat 600.000000 :lng 350.000000 "
      ":gridCol 25 :gridRow 21";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + told, "Sim: " + told}));
  EXPECT_EQ(agent.sent[0].performative, "tell");
  EXPECT_EQ(ui.calls, Lines{"RedrawMainWindow"});
}

TEST_F(InterceptorTest, ActivateWithoutADocumentDoesNothing) {
  CInterceptor loose;
  loose.Activate();
  EXPECT_EQ(loose.GetState(), CInterceptor::STATE_IDLE);
  EXPECT_EQ(loose.GetActivationCount(), 0);
}

TEST_F(InterceptorTest, DeactivateTellsTheAbortAndThenTheRelease) {
  unit->Activate();
  frame.clock = 30;
  agent.sent.clear();
  unit->Deactivate();
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_IDLE);
  EXPECT_FALSE(unit->IsControlled());
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
  EXPECT_EQ(unit->GetTotalActiveTime(), 30);
  EXPECT_EQ(unit->GetActivationStart(), -1);
  const std::string where = " :resource Interceptor :id I1 :lat 600.000000 :lng 350.000000 "
                            ":gridCol 25 :gridRow 21";
  EXPECT_EQ(agent.lines(),
            (Lines{"Bravo-2: tell :command abort" + where, "Sim: tell :command abort" + where,
                   "Bravo-2: tell :command deactivate" + where,
                   "Sim: tell :command deactivate" + where}));
}

TEST_F(InterceptorTest, DeactivateKeepsTheSelectionOfAnotherInterceptor) {
  CInterceptor* other = add_interceptor("I2", 100, 150, 300);
  unit->Activate();
  other->Activate();
  unit->Deactivate();
  EXPECT_EQ(doc.GetSelectedInterceptor(), other);
}

TEST_F(InterceptorTest, DeactivateOfATeammatesActivationAddsNoMinutes) {
  // A teammate's activation, replayed: no activation of this station runs.
  unit->SetState(CInterceptor::STATE_ON_STATION);
  unit->SetController(bravo());
  frame.clock = 700;
  unit->Deactivate();
  EXPECT_EQ(unit->GetTotalActiveTime(), 0);
  EXPECT_EQ(unit->GetCost(), 0.0);
}

TEST_F(InterceptorTest, DeployTellsTheLegAndCountsIt) {
  frame.clock = 5;
  unit->Deploy(600, 600, true);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_DEPLOYING);
  EXPECT_EQ(unit->GetTaskStart(), 5);
  EXPECT_EQ(unit->GetDeployCount(), 1);
  EXPECT_NEAR(unit->GetHeading(), 0.0, 1e-12);
  const std::string told =
      "tell :command deploy :resource Interceptor :id I1 :initLat 600.000000 :initLng 350.000000 "
      ":initGridCol 25 :initGridRow 21 :destLat 600.000000 :destLng 600.000000 :destGridCol 25 "
      ":destGridRow 3";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + told, "Sim: " + told}));
}

TEST_F(InterceptorTest, ATeammatesDeploymentIsNotCounted) {
  unit->Deploy(600, 600, false);
  EXPECT_TRUE(agent.sent.empty());
  EXPECT_EQ(unit->GetTaskStart(), -1);
  frame.clock = 10;
  unit->Advance(10);
  frame.clock = 60;
  unit->Advance(60);  // arrives
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(unit->GetTotalTaskTime(), 0);
  EXPECT_EQ(unit->GetDeployCount(), 0);
}

TEST_F(InterceptorTest, ArrivalComesNoEarlierThanTheSecondStep) {
  unit->Deploy(600, 360, true);  // 10 away at 5 a minute
  unit->Advance(0);              // the first step only records
  frame.clock = 1;
  unit->Advance(1);  // 5 on, 5 to go
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_DEPLOYING);
  frame.clock = 2;
  const std::unique_ptr<CLatLng> at = unit->Advance(2);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(at->longitude, 360.0);
  EXPECT_EQ(unit->GetStart().longitude, 360.0);
  EXPECT_EQ(unit->GetStartTime(), 2);
  EXPECT_EQ(unit->GetTotalTaskTime(), 2);
  EXPECT_EQ(unit->GetTaskStart(), -1);
}

TEST_F(InterceptorTest, ANewDeploymentTestsArrivalAgainstItsOwnDestination) {
  unit->Deploy(600, 600, false);
  frame.clock = 20;
  unit->Advance(20);  // at 450, remembered
  // A teammate's new order (no abort): the leg runs from 350 to 360.
  unit->Deploy(600, 360, false);
  frame.clock = 21;
  unit->Advance(21);  // at 355: halfway, not arrived
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_DEPLOYING);
  frame.clock = 22;
  unit->Advance(22);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ON_STATION);
}

TEST_F(InterceptorTest, AbortStopsWhereTheInterceptorIsNow) {
  unit->Deploy(600, 600, true);
  frame.clock = 10;
  agent.sent.clear();
  unit->Abort(true);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(unit->GetStart().longitude, 400.0);
  EXPECT_EQ(unit->GetStartTime(), 10);
  EXPECT_EQ(unit->GetTotalTaskTime(), 10);
  EXPECT_EQ(unit->GetTaskStart(), -1);
  EXPECT_EQ(agent.lines().front(),
            "Bravo-2: tell :command abort :resource Interceptor :id I1 :lat 600.000000 :lng "
            "400.000000 :gridCol 25 :gridRow 18");
}

TEST_F(InterceptorTest, RequestAsksTheControllerAndTheSimulation) {
  unit->Request();  // nobody controls it
  EXPECT_TRUE(agent.sent.empty());
  unit->SetController(bravo());
  unit->Request();
  const std::string asked =
      "ask :command request :requestFrom Bravo-2 :resource Interceptor :id I1 :lat 600.000000 "
      ":lng 350.000000 :gridCol 25 :gridRow 21";
  EXPECT_EQ(agent.lines(), (Lines{"Bravo-2: " + asked, "Sim: " + asked}));
  EXPECT_EQ(agent.sent[0].performative, "tell");
}

// --- Intercept

TEST_F(InterceptorTest, InterceptSetsCourseAndTellsTheTeam) {
  CIncursion* target = add_incursion("X1", 475, 150, 0, 100);
  unit->Activate();
  agent.sent.clear();
  ASSERT_EQ(unit->Intercept(target, true), CInterceptor::INTERCEPT_OK);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_INTERCEPTING);
  EXPECT_TRUE(target->IsIntercepted());
  EXPECT_EQ(unit->GetTarget(), target);
  EXPECT_STREQ(unit->GetTargetId(), "X1");
  EXPECT_NEAR(unit->GetInterceptPoint().longitude, 212.05, 0.01);
  EXPECT_EQ(unit->GetDestination().longitude, unit->GetInterceptPoint().longitude);
  EXPECT_EQ(unit->GetExitPoint().latitude, 475.0);
  EXPECT_EQ(unit->GetExitPoint().longitude, 100.0);
  EXPECT_EQ(unit->GetInterceptCount(), 1);
  EXPECT_EQ(agent.lines().back(),
            "Sim: tell :command intercept :resource Interceptor :id I1 :intLat 600.000000 :intLng "
            "350.000000 :intGridCol 25 :intGridRow 21 :incID X1 :incLat 475.000000 :incLng "
            "150.000000 :incGridCol 20 :incGridRow 36");
}

TEST_F(InterceptorTest, ATeammatesInterceptIsNotToldOrCounted) {
  CIncursion* target = add_incursion("X1", 475, 150, 0, 100);
  ASSERT_EQ(unit->Intercept(target, false), CInterceptor::INTERCEPT_OK);
  EXPECT_TRUE(agent.sent.empty());
  EXPECT_EQ(unit->GetInterceptCount(), 0);
}

struct RefusalCase {
  const char* name;
  double lat, lng, heading;  // of the incursion; a NaN latitude: no incursion
  double speed;              // of the interceptor
  int8_t result;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class InterceptRefusal : public InterceptorTest,
                         public testing::WithParamInterface<RefusalCase> {};

TEST_P(InterceptRefusal, ChangesNothing) {
  const RefusalCase& c = GetParam();
  unit->SetSpeed(c.speed);
  CIncursion* target = std::isnan(c.lat) ? nullptr : add_incursion("X1", c.lat, c.lng, c.heading, 100);
  EXPECT_EQ(unit->Intercept(target, true), c.result);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_IDLE);
  EXPECT_EQ(unit->GetStart().longitude, 350.0);
  EXPECT_TRUE(agent.sent.empty());
  if (target != nullptr) {
    EXPECT_FALSE(target->IsIntercepted());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, InterceptRefusal,
    testing::Values(RefusalCase{"NoIncursion", NAN, 0, 0, 300, CInterceptor::INTERCEPT_NO_INCURSION},
                    RefusalCase{"IncursionOutsideTheArea", 475, 450, 0, 300,
                                CInterceptor::INTERCEPT_INCURSION_OUTSIDE},
                    RefusalCase{"OutOfReach", 475, 150, 180, 10,
                                CInterceptor::INTERCEPT_NO_POINT},
                    RefusalCase{"MeetsBeyondTheArea", 600, 390, 0, 200,
                                CInterceptor::INTERCEPT_POINT_OUTSIDE}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST_F(InterceptorTest, InterceptWithoutADocumentIsRefused) {
  CInterceptor loose;
  CIncursion target;
  EXPECT_EQ(loose.Intercept(&target, true), CInterceptor::INTERCEPT_NO_DOCUMENT);
}

TEST_F(InterceptorTest, InterceptDuringADeploymentStartsWhereTheInterceptorIs) {
  CIncursion* target = add_incursion("X1", 475, 150, 0, 100);
  unit->Deploy(600, 600, true);
  frame.clock = 6;
  const std::unique_ptr<CLatLng> before = unit->PositionAt(6);
  ASSERT_EQ(unit->Intercept(target, true), CInterceptor::INTERCEPT_OK);
  EXPECT_EQ(unit->GetStart().longitude, 380.0);
  EXPECT_EQ(unit->GetOrderPosition().longitude, 380.0);
  const std::unique_ptr<CLatLng> after = unit->PositionAt(6);
  EXPECT_EQ(after->latitude, before->latitude);
  EXPECT_EQ(after->longitude, before->longitude);
}

TEST_F(InterceptorTest, ReachingTheTargetEscortsItToTheExit) {
  CIncursion* target = add_incursion("X1", 475, 150, 0, 100);
  ASSERT_EQ(unit->Intercept(target, true), CInterceptor::INTERCEPT_OK);
  unit->Advance(1);
  frame.clock = 60;
  unit->Advance(60);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ESCORTING);
  EXPECT_FALSE(target->IsIntercepted());
  EXPECT_EQ(unit->GetTarget(), nullptr);
  EXPECT_EQ(target->GetHeading(), unit->GetEscortHeading());
  EXPECT_EQ(target->GetStartTime(), 60);
  EXPECT_EQ(target->GetStart().longitude, unit->GetInterceptPoint().longitude);
  EXPECT_EQ(unit->GetStart().longitude, unit->GetInterceptPoint().longitude);
  EXPECT_EQ(unit->GetDestination().longitude, 100.0);
  // On to the exit and on station there.
  frame.clock = 61;
  unit->Advance(61);
  frame.clock = 200;
  unit->Advance(200);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ON_STATION);
  EXPECT_EQ(unit->GetStart().longitude, 100.0);
}

TEST_F(InterceptorTest, ReachingAPointWhoseTargetWasResetAborts) {
  CIncursion* target = add_incursion("X1", 475, 150, 0, 100);
  ASSERT_EQ(unit->Intercept(target, true), CInterceptor::INTERCEPT_OK);
  target->SetIntercepted(false);
  unit->Advance(1);
  frame.clock = 60;
  agent.sent.clear();
  unit->Advance(60);
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_ON_STATION);
  ASSERT_FALSE(agent.sent.empty());
  EXPECT_EQ(agent.sent.front().content.rfind("tell :command abort ", 0), 0u);
}

// --- Costs

struct CostCase {
  const char* name;
  std::function<void(CInterceptor*, RecordingFrame*)> run;
  double cost;
};

void PrintTo(const CostCase& c, std::ostream* out) { *out << c.name; }

class InterceptorCost : public InterceptorTest, public testing::WithParamInterface<CostCase> {};

TEST_P(InterceptorCost, CountsActivationsAndMinutes) {
  GetParam().run(unit, &frame);
  EXPECT_EQ(unit->GetCost(), GetParam().cost);
  EXPECT_GE(unit->GetCost(), 0.0);
}

void at(RecordingFrame* frame, int minute) { frame->clock = minute; }

INSTANTIATE_TEST_SUITE_P(
    Cases, InterceptorCost,
    testing::Values(
        CostCase{"Fresh", [](CInterceptor*, RecordingFrame*) {}, 0.0},
        CostCase{"ActiveForTwentyMinutes",
                 [](CInterceptor* u, RecordingFrame* f) {
                   at(f, 10);
                   u->Activate();
                   at(f, 30);
                 },
                 21.0},
        CostCase{"ActiveAndDeploying",
                 [](CInterceptor* u, RecordingFrame* f) {
                   at(f, 10);
                   u->Activate();
                   at(f, 20);
                   u->Deploy(600, 900, true);
                   at(f, 50);
                 },
                 1.0 + 40 + 30},
        CostCase{"Released",
                 [](CInterceptor* u, RecordingFrame* f) {
                   at(f, 10);
                   u->Activate();
                   at(f, 20);
                   u->Deploy(600, 900, true);
                   at(f, 40);
                   u->Deactivate();
                   at(f, 100);
                 },
                 1.0 + 30 + 20},
        CostCase{"ResetEndsTheRunningMinutes",
                 [](CInterceptor* u, RecordingFrame* f) {
                   at(f, 700);
                   u->Activate();
                   at(f, 760);
                   u->Reset();
                   at(f, 0);
                 },
                 1.0 + 60},
        CostCase{"DeactivateAfterResetAddsNothing",
                 [](CInterceptor* u, RecordingFrame* f) {
                   at(f, 700);
                   u->Activate();
                   at(f, 760);
                   u->Reset();
                   at(f, 5);
                   u->Deactivate();
                 },
                 1.0 + 60},
        CostCase{"AClockThatGoesBackCountsNoMinutes",
                 [](CInterceptor* u, RecordingFrame* f) {
                   at(f, 500);
                   u->Activate();
                   at(f, 100);
                 },
                 1.0},
        CostCase{"ASecondDeploymentKeepsTheMinutesOfTheFirst",
                 [](CInterceptor* u, RecordingFrame* f) {
                   u->Deploy(600, 900, true);
                   at(f, 10);
                   u->Deploy(100, 350, true);
                   at(f, 15);
                 },
                 15.0}),
    [](const testing::TestParamInfo<CostCase>& info) { return info.param.name; });

TEST_F(InterceptorTest, ResetGoesBackToTheScenarioAndKeepsTheCounters) {
  ASSERT_TRUE(unit->SetInitial("100", "200"));
  unit->Activate();
  unit->Deploy(600, 600, true);
  frame.clock = 10;
  unit->Reset();
  EXPECT_EQ(unit->GetState(), CInterceptor::STATE_IDLE);
  EXPECT_FALSE(unit->IsControlled());
  EXPECT_EQ(unit->GetHeading(), 0.0);
  EXPECT_EQ(unit->GetStartTime(), 0);
  EXPECT_EQ(unit->GetStart().latitude, 100.0);
  EXPECT_EQ(unit->GetStart().longitude, 200.0);
  EXPECT_EQ(unit->GetActivationCount(), 1);
  EXPECT_EQ(unit->GetDeployCount(), 1);
  EXPECT_EQ(unit->GetTaskStart(), -1);
  EXPECT_EQ(unit->GetActivationStart(), -1);
}

TEST_F(InterceptorTest, ScopeAndDescription) {
  unit->SetScope("sea");
  EXPECT_EQ(unit->GetScope(), CInterceptor::SCOPE_SEA);
  unit->SetScope("Air");
  unit->SetScope(nullptr);
  EXPECT_EQ(unit->GetScope(), CInterceptor::SCOPE_SEA);
  unit->SetHeading(44.6);
  EXPECT_STREQ(unit->GetDescription().get(), "Interceptor: I1\nSpeed: 300\nHeading: 45");
}

// --- Drawing

TEST_F(InterceptorTest, DrawsTheSymbolInTheControllersColour) {
  unit->SetStart(475, 375);  // pixel (40, 38) at zoom 2
  unit->SetSpeed(600);       // a longer nose
  unit->Activate();
  platform::RecordingDC dc;
  unit->Draw(&dc);
  EXPECT_EQ(dc.lines(), (Lines{"SelectObject(pen(solid,1,0x21FF42))",
                               "SelectObject(brush(solid,0x21FF42))",
                               "Polygon((40,20),(47,42),(33,42)) pen(solid,1,0x21FF42) "
                               "brush(solid,0x21FF42)",
                               "FillRect(39,37,42,40) brush(solid,0x21FF42)",
                               "SelectObject(brush(solid,0xFFFFFF))",
                               "SelectObject(pen(solid,0,0x000000))"}));
  dc.clear();
  unit->DrawControl(&dc, &unit->GetStart());
  EXPECT_EQ(dc.output_lines(), Lines{"LineTo(50,48) from(30,48) pen(solid,3,0x21FF42)"});
  dc.clear();
  unit->DrawSelection(&dc);
  EXPECT_EQ(dc.output_lines(),
            Lines{"Ellipse(24,22,56,54) pen(solid,2,0xFFEC4C) brush(null)"});
}

TEST_F(InterceptorTest, DrawsTheTracksOfAnIntercept) {
  CIncursion* target = add_incursion("X1", 475, 150, 0, 100);
  ASSERT_EQ(unit->Intercept(target, true), CInterceptor::INTERCEPT_OK);
  platform::RecordingDC dc;
  unit->DrawTracks(&dc);
  // Cells: incursion (20,4) -> meeting (20,8) <- order (25,18); meeting ->
  // exit (20,0); pixel rows count down from the top at zoom 2.
  EXPECT_EQ(dc.output_lines(), (Lines{"LineTo(40,62) from(40,70) pen(solid,1,0xCCFFFF)",
                                      "LineTo(40,62) from(50,42) pen(solid,1,0xCCFFFF)",
                                      "LineTo(40,78) from(40,62) pen(solid,1,0xCCFFFF)"}));
}

}  // namespace
}  // namespace stationtest
