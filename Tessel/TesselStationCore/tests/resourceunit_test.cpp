// The unit base: grid cells, headings, dead reckoning, screen angles,
// travel minutes, names and ids.
#include "TesselStationCore/resourceunit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <limits>
#include <ostream>
#include <string>

#include "TesselMapsLib/worldmap.h"
#include "TesselStationCore/weatherballoons.h"

namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();
const double kNaN = std::nan("");

struct GridCase {
  const char* name;
  double first;
  double second;
  int column;
  int row;
};

void PrintTo(const GridCase& c, std::ostream* out) { *out << c.name; }

class GridCell : public testing::TestWithParam<GridCase> {};

TEST_P(GridCell, IsTheSimulationsCell) {
  const GridCase& c = GetParam();
  int column = -7;
  int row = -7;
  LatLngToGrid(c.first, c.second, &column, &row);
  EXPECT_EQ(column, c.column);
  EXPECT_EQ(row, c.row);
  EXPECT_STREQ(GridCellText(c.first, c.second).get(),
               (std::to_string(c.column) + "," + std::to_string(c.row)).c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Cells, GridCell,
    testing::Values(GridCase{"Origin", 0.0, 95.0, 0, 39},
                    GridCase{"OneCellIn", 23.75, 109.0, 1, 38},
                    GridCase{"BelowTheFirstRowTruncatesTowardZero", 0.0, 90.0, 0, 39},
                    GridCase{"MapCorner", 949.9, 654.9, 39, 0},
                    GridCase{"CellLabelExample", 47.5, 123.0, 2, 37},
                    GridCase{"NegativeFirst", -23.75, 95.0, -1, 39},
                    GridCase{"HugeValuesSaturate", 1e300, 1e300, kMaxInt, kMaxInt - 39},
                    GridCase{"HugeNegativeSecondSaturates", 0.0, -1e300, 0, kMaxInt},
                    GridCase{"NaNGivesZero", kNaN, kNaN, 0, 39}),
    [](const testing::TestParamInfo<GridCase>& info) { return info.param.name; });

struct HeadingCase {
  const char* name;
  double to_first;
  double to_second;
  double radians;
};

void PrintTo(const HeadingCase& c, std::ostream* out) { *out << c.name; }

class HeadingTo : public testing::TestWithParam<HeadingCase> {};

TEST_P(HeadingTo, IsNeverNegative) {
  const HeadingCase& c = GetParam();
  EXPECT_NEAR(CResourceUnit::HeadingTo(0.0, 0.0, c.to_first, c.to_second), c.radians, 1e-12);
}

// atan2 itself gives the half turn (M_PI); only negative angles add 44/7.
INSTANTIATE_TEST_SUITE_P(
    Directions, HeadingTo,
    testing::Values(HeadingCase{"GrowingSecond", 0.0, 1.0, 0.0},
                    HeadingCase{"GrowingFirst", 1.0, 0.0, M_PI / 2},
                    HeadingCase{"FallingSecond", 0.0, -1.0, M_PI},
                    HeadingCase{"FallingFirst", -1.0, 0.0, 44.0 / 7.0 - M_PI / 2},
                    HeadingCase{"FallingFirstGrowingSecond", -1.0, 1.0, 44.0 / 7.0 - M_PI / 4}),
    [](const testing::TestParamInfo<HeadingCase>& info) { return info.param.name; });

struct ReckoningCase {
  const char* name;
  double speed;
  double heading;
  int start_time;
  double minute;
  double first;
  double second;
};

void PrintTo(const ReckoningCase& c, std::ostream* out) { *out << c.name; }

class DeadReckoning : public testing::TestWithParam<ReckoningCase> {};

TEST_P(DeadReckoning, MovesFromTheStartAtTheSpeed) {
  const ReckoningCase& c = GetParam();
  CWeatherBalloon unit;  // a plain dead-reckoning unit while en route
  unit.Deploy(100.0, 200.0, 900.0, 600.0, false);
  unit.SetSpeed(c.speed);
  unit.SetHeading(c.heading);
  unit.SetStartTime(c.start_time);
  const std::unique_ptr<CLatLng> at = unit.PositionAt(c.minute);
  EXPECT_NEAR(at->latitude, c.first, 1e-3);
  EXPECT_NEAR(at->longitude, c.second, 1e-3);
}

// Degrees become radians with 22/7 for pi, so a heading of 90 strays a
// little below the first axis.
INSTANTIATE_TEST_SUITE_P(
    Courses, DeadReckoning,
    testing::Values(ReckoningCase{"AtTheStartMinute", 60, 45, 30, 30.0, 100.0, 200.0},
                    ReckoningCase{"OneHourNorthOfTheSecondAxis", 60, 0, 0, 60.0, 100.0, 260.0},
                    ReckoningCase{"HalfAnHourAfterAStartAtMinuteThirty", 120, 0, 30, 60.0, 100.0,
                                  260.0},
                    ReckoningCase{"NinetyDegreesUsesTwentyTwoSevenths", 60, 90, 0, 60.0, 160.0,
                                  199.962},
                    ReckoningCase{"BeforeTheStartRunsBackwards", 60, 180, 60, 0.0, 100.076, 260.0}),
    [](const testing::TestParamInfo<ReckoningCase>& info) { return info.param.name; });

struct PointCase {
  const char* name;
  double r;
  double angle;
  CPoint expected;
};

void PrintTo(const PointCase& c, std::ostream* out) { *out << c.name; }

class PointAt : public testing::TestWithParam<PointCase> {};

TEST_P(PointAt, ZeroIsUpAndAnglesGrowClockwise) {
  const PointCase& c = GetParam();
  EXPECT_EQ(CResourceUnit::PointAt(100, 100, c.r, c.angle), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Angles, PointAt,
    testing::Values(PointCase{"Up", 10, 0.0, {100, 90}},
                    PointCase{"Right", 10, 11.0 / 7.0, {110, 100}},
                    PointCase{"Down", 10, 22.0 / 7.0, {100, 110}},
                    PointCase{"Left", 10, 33.0 / 7.0, {90, 100}},
                    PointCase{"NegativeAngleTurnsOnce", 10, -11.0 / 7.0, {90, 100}},
                    PointCase{"FullTurnIsUp", 10, 44.0 / 7.0, {100, 90}},
                    PointCase{"ManyTurnsAreTakenAtOnce", 10, 1e6 * 44.0 / 7.0, {100, 90}},
                    PointCase{"HalfPixelsRoundAwayFromZero", 2.5, 0.0, {100, 98}},
                    PointCase{"FarBeyondThePixelRangeSaturates", 1e300, 0.0,
                              {100, std::numeric_limits<int>::min()}}),
    [](const testing::TestParamInfo<PointCase>& info) { return info.param.name; });

struct MinutesCase {
  const char* name;
  double speed;
  double second;
  int minutes;
};

void PrintTo(const MinutesCase& c, std::ostream* out) { *out << c.name; }

class MinutesTo : public testing::TestWithParam<MinutesCase> {};

TEST_P(MinutesTo, RoundsAndSaturates) {
  const MinutesCase& c = GetParam();
  CWeatherBalloon unit;
  unit.SetSpeed(c.speed);
  unit.SetDestination(0.0, 0.0);
  EXPECT_EQ(unit.MinutesTo(0.0, c.second), c.minutes);
}

INSTANTIATE_TEST_SUITE_P(
    Travel, MinutesTo,
    testing::Values(MinutesCase{"HalfAnHour", 60, 30.0, 30},
                    MinutesCase{"UnderHalfAMinute", 60, 0.25, 0},
                    MinutesCase{"HalfAMinuteRoundsUp", 60, 0.5, 1},
                    MinutesCase{"SpeedZeroIsTheLargestInt", 0, 10.0, kMaxInt},
                    MinutesCase{"SpeedZeroAndNoDistanceIsZero", 0, 0.0, 0},
                    MinutesCase{"BeyondTheIntRangeSaturates", 1e-300, 1e300, kMaxInt}),
    [](const testing::TestParamInfo<MinutesCase>& info) { return info.param.name; });

TEST(ResourceUnit, TypeNames) {
  EXPECT_STREQ(CResourceUnit::TypeName(UNIT_RADAR), "Radar");
  EXPECT_STREQ(CResourceUnit::TypeName(UNIT_INCURSION), "Incursion");
  EXPECT_STREQ(CResourceUnit::TypeName(UNIT_INTERCEPTOR), "Interceptor");
  EXPECT_STREQ(CWeatherBalloon().TypeName(), "Unknown");
  EXPECT_STREQ(CResourceUnit::TypeName(7), "Unknown");
}

TEST(ResourceUnit, SettersRefuseMissingTexts) {
  CWeatherBalloon unit;
  unit.SetName("\"Radar One\"");
  EXPECT_STREQ(unit.GetName(), "Radar One");
  unit.SetName(nullptr);
  EXPECT_STREQ(unit.GetName(), "Radar One");

  EXPECT_TRUE(unit.SetSpeed("12.5"));
  EXPECT_FALSE(unit.SetSpeed(nullptr));
  EXPECT_EQ(unit.GetSpeed(), 12.5);
  EXPECT_FALSE(unit.SetHeading(nullptr));
  EXPECT_FALSE(unit.SetInitialHeading(nullptr));

  // Positions need a map.
  EXPECT_FALSE(unit.SetStart("1", "2"));
  CWorldMap map;
  unit.SetMap(&map);
  EXPECT_FALSE(unit.SetStart("1", nullptr));
  EXPECT_TRUE(unit.SetStart("1", "2"));
  EXPECT_TRUE(unit.SetInitial("3", "4"));
  EXPECT_EQ(unit.GetStart().longitude, 2.0);
  EXPECT_EQ(unit.GetInitial().latitude, 3.0);
}

TEST(ResourceUnit, NewUnitIdIsTheTimeAndDigits) {
  const std::string id = CResourceUnit::NewUnitId();
  ASSERT_GT(id.size(), 7u);
  EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos) << id;
}

TEST(ResourceUnit, NewFreeUnitIdDrawsAgainWhileTaken) {
  // "7" + "12345" and "71" + "2345" read the same.
  std::deque<std::string> draws{"712345", "712345", "7123456"};
  const auto draw = [&draws] {
    std::string id = draws.front();
    draws.pop_front();
    return id;
  };
  const std::string id = CResourceUnit::NewFreeUnitId(
      [](const std::string& candidate) { return candidate == "712345"; }, draw);
  EXPECT_EQ(id, "7123456");
  EXPECT_TRUE(draws.empty());
}

}  // namespace
