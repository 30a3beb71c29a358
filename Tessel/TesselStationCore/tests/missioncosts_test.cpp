// Costs, mission statistics, go/no-go and the mission time texts.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Lexwick/parser.h"
#include "Talkwick/messageframer.h"
#include "TesselStationCore/stationprotocol.h"

#include "TesselStationCore/weatherballoons.h"
#include "testsupport/strictkqml.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

struct TimeCase {
  const char* name;
  int minute;
  const char* text;
};

void PrintTo(const TimeCase& c, std::ostream* out) { *out << c.name; }

class MissionTime : public testing::TestWithParam<TimeCase> {};

TEST_P(MissionTime, CountsToTheZeroHourAtMinute960) {
  EXPECT_STREQ(CTesselStationDoc::FormatMissionTime(GetParam().minute).get(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Minutes, MissionTime,
    testing::Values(TimeCase{"Start", 0, "T-16 hours, 0 mins"},
                    TimeCase{"OneHourAndAMinute", 61, "T-14 hours, 59 mins"},
                    TimeCase{"WholeHour", 840, "T-2 hours, 0 mins"},
                    TimeCase{"LaunchWindow", 900, "T-1 hours, 0 mins"},
                    TimeCase{"LastMinute", 959, "T-0 hours, 1 mins"},
                    TimeCase{"ZeroHour", 960, "T-0 hours, 0 mins"},
                    TimeCase{"AfterZeroHour", 961, "T+0 hours, 1 mins"},
                    TimeCase{"LaterStill", 1030, "T+1 hours, 10 mins"},
                    TimeCase{"NegativeReadsAsZero", -1, "T-16 hours, 0 mins"}),
    [](const testing::TestParamInfo<TimeCase>& info) { return info.param.name; });

class CostTest : public UnitTest {};

TEST_F(CostTest, NoUnitsCostNothing) {
  double balloons = -1, radars = -1, interceptors = -1;
  doc.ComputeOwnCosts(&balloons, &radars, &interceptors);
  EXPECT_EQ(balloons + radars + interceptors, 0.0);
  doc.SetTeamCost("Bravo-2", 40.0);
  doc.SetTeamCost("Charlie-3", 2.5);
  doc.SetTeamCost("Bravo-2", 41.0);
  EXPECT_EQ(doc.ComputeMissionCost(), 43.5);
  EXPECT_STREQ(doc.InterceptorStats().get(), "(tell  :count 0)");
  EXPECT_STREQ(doc.RadarStats().get(), "(tell  :count 0)");
  EXPECT_STREQ(doc.BalloonStats().get(), "(tell  :count 0)");
}

TEST_F(CostTest, OwnCostsAndStatistics) {
  doc.SetStationLocation(475, 375);
  CInterceptor* hawk = add_interceptor("I1", 600, 350, 300);
  CRadarStation* north = add_radar("R1", 475, 250, "50");
  frame.clock = 100;
  doc.DeployBalloon(475, 415);
  hawk->Activate();
  north->Activate();
  frame.clock = 110;
  hawk->Deploy(600, 600, true);
  north->Deactivate();
  frame.clock = 130;

  double balloons = 0, radars = 0, interceptors = 0;
  doc.ComputeOwnCosts(&balloons, &radars, &interceptors);
  EXPECT_EQ(balloons, 32.0);
  EXPECT_EQ(radars, 50.0 * 10 + 1);
  EXPECT_EQ(interceptors, 1.0 + 30 + 20);
  doc.SetOwnCosts(balloons, radars, interceptors);
  doc.SetTeamCost("Bravo-2", 7.0);
  EXPECT_EQ(doc.ComputeMissionCost(), 32.0 + 501 + 51 + 7);

  EXPECT_STREQ(doc.InterceptorStats().get(),
               "(tell  :int0 (tell :id I1 :name I1 :activationCt 1 :deployCt 1 :intCt 0 "
               ":totalActiveTime 0 :totalTaskTime 0 :cost 51.000000) :count 1)");
  EXPECT_STREQ(doc.RadarStats().get(),
               "(tell  :radar0 (tell :id R1 :name R1 :activationCt 1 :totalActiveTime 10 :cost "
               "501.000000) :count 1)");
  EXPECT_STREQ(doc.BalloonStats().get(),
               "(tell  :balloon0 (tell :deployTime 100 :reportTime 0 :deployLat 475.000000 "
               ":deployLng 415.000000 :cost 32.000000) :count 1)");
  doc.GetBalloons().front()->SetWeatherReport("475", "415", "1", "2", "3", "4", "5");
  EXPECT_NE(std::string(doc.BalloonStats().get()).find(":reportTime 130 "), std::string::npos);
}

// At the station's limits, with the longest ids and names and numbers as
// wide as the station takes them, mission_stats fits one message: also
// with every id and name written twice its length and two bytes more (as a
// string whose every byte is escaped), beside an envelope of 4 KiB.
TEST_F(CostTest, MissionStatsAtTheLimitsFitsOneMessage) {
  constexpr double kReach = CTesselStationDoc::kMaxCoordinate;
  doc.GetWorldMap()->updatelatlong(-kReach, kReach, -kReach, kReach);
  const auto text = [](char first, size_t i) {
    std::string id = first + std::to_string(i);
    id.resize(CTesselStationDoc::kMaxUnitText, 'x');
    return id;
  };
  size_t quoting = 0;  // what writing each id and name as an escaped string adds at most
  frame.clock = INT_MIN;
  for (size_t i = 0; i < CTesselStationDoc::kMaxRadars; ++i) {
    CRadarStation* radar = add_radar(text('R', i).c_str(), 0, 0, "6000000");
    radar->SetName(text('N', i).c_str());
    radar->Activate();
    quoting += 2 * (CTesselStationDoc::kMaxUnitText + 2);
  }
  for (size_t i = 0; i < CTesselStationDoc::kMaxInterceptors; ++i) {
    CInterceptor* interceptor = add_interceptor(text('I', i).c_str(), 0, 0, 100);
    interceptor->SetName(text('N', i).c_str());
    interceptor->Activate();
    interceptor->Deploy(1, 1, true);
    quoting += 2 * (CTesselStationDoc::kMaxUnitText + 2);
  }
  doc.SetStationLocation(0, 0);
  for (size_t i = 0; i < CTesselStationDoc::kMaxBalloons; ++i) {
    ASSERT_NE(doc.DeployBalloon(-3 * kReach, -3 * kReach), nullptr);
  }
  EXPECT_EQ(doc.DeployBalloon(0, 0), nullptr);
  frame.clock = INT_MAX;
  // Counters this test leaves short: each may take 10 digits more.
  const size_t counters = 10 * (5 * CTesselStationDoc::kMaxInterceptors +
                                2 * CTesselStationDoc::kMaxRadars +
                                1 * CTesselStationDoc::kMaxBalloons);
  agent.sent.clear();
  auto protocol = std::make_unique<CStationProtocol>(doc);
  CParser message;
  ASSERT_EQ(message.parse_message("(tell :sender Sim :content (tell :command mission_complete))"),
            1);
  protocol->dispatch(message);
  ASSERT_EQ(agent.sent.size(), 1u);
  const std::string& stats = agent.sent[0].content;
  EXPECT_NE(stats.find(":cost 12884901882000000.000000)"), std::string::npos);
  EXPECT_NE(stats.find(":deployTime -2147483648 :reportTime 0 :deployLat -3000000.000000"),
            std::string::npos);
  EXPECT_LE(stats.size() + quoting + counters + 4096, CMessageFramer::kMaxMessage) << stats.size();
}

// A unit's name in the statistics is one KQML value that a strict KQML
// reader takes back as the name: a word as it is, any other name as a
// string; the keyword after it stays whole for the station's own parser too.
struct StatsNameCase {
  const char* name;
  std::string unit_name;
  bool word;  // written bare
};

void PrintTo(const StatsNameCase& c, std::ostream* out) { *out << c.name; }

class StatsName : public UnitTest, public testing::WithParamInterface<StatsNameCase> {};

TEST_P(StatsName, ReadsBackWholeBeforeTheNextKeyword) {
  const StatsNameCase& c = GetParam();
  CInterceptor* interceptor = add_interceptor("I1", 600, 350, 300);
  interceptor->SetName(c.unit_name.c_str());
  CRadarStation* radar = add_radar("R1", 475, 250, "50");
  radar->SetName(c.unit_name.c_str());
  ASSERT_EQ(interceptor->GetName(), c.unit_name);
  for (const auto& [list, key] : {std::pair{doc.InterceptorStats(), "int0"},
                                  std::pair{doc.RadarStats(), "radar0"}}) {
    std::string error;
    const auto stats = testsupport::read_strict_message(list.get(), &error);
    ASSERT_TRUE(stats.has_value()) << error << "\n" << list.get();
    const testsupport::KQMLExpr* entry = stats->field(key);
    ASSERT_NE(entry, nullptr) << list.get();
    ASSERT_TRUE(testsupport::is_strict_message(*entry, &error)) << error << "\n" << list.get();
    const testsupport::KQMLExpr* name = entry->field("name");
    ASSERT_NE(name, nullptr) << list.get();
    EXPECT_EQ(name->kind, c.word ? testsupport::KQMLExpr::kWord : testsupport::KQMLExpr::kString)
        << list.get();
    EXPECT_EQ(name->text, c.unit_name) << list.get();

    CParser own;
    ASSERT_EQ(own.parse_message(list.get()), 1) << list.get();
    CParser own_entry;
    ASSERT_EQ(own_entry.parse_message(own.find_token(key)), 1) << list.get();
    EXPECT_STREQ(own_entry.find_token("activationCt"), "0") << list.get();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, StatsName,
    testing::Values(StatsNameCase{"OneWord", "Hawk", true},
                    StatsNameCase{"WordOfSigns", "F-16.b/2", true},
                    StatsNameCase{"WithABlank", "North Cape", false},
                    StatsNameCase{"WithATab", "North\tCape", false},
                    StatsNameCase{"WithAQuoteInside", "North \"Cape", false},
                    StatsNameCase{"QuoteInAWord", "x\"y", false},
                    StatsNameCase{"BlanksAndQuotes", "say \"hi\" now", false},
                    StatsNameCase{"ClosingParenthesis", "a)b", false},
                    StatsNameCase{"OpeningParenthesis", "x(y", false},
                    StatsNameCase{"Empty", "", false},
                    StatsNameCase{"Backslashes", "C:\\dir\\", false},
                    StatsNameCase{"LikeAKeyword", ":activationCt", false},
                    StatsNameCase{"NotAscii", "M\xC3\xBCller", false}),
    [](const testing::TestParamInfo<StatsNameCase>& info) { return info.param.name; });

// --- Go/no-go

struct SideCase {
  const char* name;
  const char* side;
  bool alpha, bravo, charlie;
};

void PrintTo(const SideCase& c, std::ostream* out) { *out << c.name; }

class SideStatus : public StationTest, public testing::WithParamInterface<SideCase> {};

TEST_P(SideStatus, FollowsTheSideWordInLowerCase) {
  doc.SetSideStatus(GetParam().side, true);
  EXPECT_EQ(doc.GoAlpha(), GetParam().alpha);
  EXPECT_EQ(doc.GoBravo(), GetParam().bravo);
  EXPECT_EQ(doc.GoCharlie(), GetParam().charlie);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SideStatus,
    testing::Values(SideCase{"Alpha", "team-alpha", true, false, false},
                    SideCase{"Bravo", "bravo2", false, true, false},
                    SideCase{"Charlie", "xcharliex", false, false, true},
                    SideCase{"AlphaBeforeBravo", "bravo-alpha", true, false, false},
                    SideCase{"CapitalsDoNotCount", "Alpha", false, false, false},
                    SideCase{"NoSide", "delta", false, false, false}),
    [](const testing::TestParamInfo<SideCase>& info) { return info.param.name; });

TEST_F(StationTest, TheOwnStatusShowsOnTheFrameAndGoesToTheTeam) {
  join_team("alpha-1", {"bravo-2"});
  doc.SetSideStatus("bravo-2", true);
  EXPECT_TRUE(frame.calls.empty());
  doc.SendGoNoGo(true);
  EXPECT_TRUE(doc.GoAlpha());
  EXPECT_EQ(frame.calls, Lines{"SetGoNoGoDisplay(go)"});
  EXPECT_EQ(agent.lines(), (Lines{"bravo-2: tell :command update_go_nogo_status :status go",
                                  "Sim: tell :command update_go_nogo_status :status go"}));
  doc.SendGoNoGo(false);
  EXPECT_FALSE(doc.GoAlpha());
  EXPECT_EQ(agent.lines().back(), "Sim: tell :command update_go_nogo_status :status nogo");
}

}  // namespace
}  // namespace stationtest
