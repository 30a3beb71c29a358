// The scenario lists of init_sim: counted lists, the units and terrain types
// they make, and what happens to duplicates and to counts that do not fit.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/trajectory.h"
#include "testsupport/logfile.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

using Ids = std::vector<std::string>;

template <typename Store>
Ids ids(const Store& store) {
  Ids out;
  for (const auto& [id, unit] : store) out.push_back(id);
  return out;
}

struct CountCase {
  const char* name;
  const char* list;
  Ids radars;
};

void PrintTo(const CountCase& c, std::ostream* out) { *out << c.name; }

class CountedList : public StationTest, public testing::WithParamInterface<CountCase> {};

TEST_P(CountedList, ReadsTheEntriesThatArePresent) {
  EXPECT_EQ(doc.ParseRadars(GetParam().list), 1);
  EXPECT_EQ(ids(doc.GetRadars()), GetParam().radars);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, CountedList,
    testing::Values(
        CountCase{"AllPresent", "(tell :number 2 :0 (tell :id a) :1 (tell :id b))", {"a", "b"}},
        CountCase{"AMissingIndexIsPassedOver", "(tell :number 3 :0 (tell :id a) :2 (tell :id c))",
                  {"a", "c"}},
        CountCase{"EntriesBeyondTheCountAreNotRead",
                  "(tell :number 1 :0 (tell :id a) :1 (tell :id b))", {"a"}},
        CountCase{"ACountFarBeyondTheEntries",
                  "(tell :number 2147483647 :0 (tell :id a) :5 (tell :id f))", {"a", "f"}},
        CountCase{"ACountBeyondTheIntRange", "(tell :number 99999999999 :0 (tell :id a))", {"a"}},
        CountCase{"NegativeCount", "(tell :number -3 :0 (tell :id a))", {}},
        CountCase{"MissingCount", "(tell :0 (tell :id a))", {}},
        CountCase{"CountNotANumber", "(tell :number many :0 (tell :id a))", {}},
        CountCase{"OnlyPlainIndexesCount", "(tell :number 3 :01 (tell :id a) :+1 (tell :id b))",
                  {}},
        CountCase{"AnEntryThatIsNoListIsPassedOver", "(tell :number 2 :0 () :1 (tell :id b))",
                  {"b"}}),
    [](const testing::TestParamInfo<CountCase>& info) { return info.param.name; });

TEST_F(StationTest, ALongListIsReadWhole) {
  // As many entries as a message of the largest size holds: every one is
  // read, in one walk over the list's keywords.
  constexpr int kEntries = 20000;
  std::string list = "(tell :number " + std::to_string(kEntries);
  for (int i = 0; i < kEntries; ++i) {
    list += " :" + std::to_string(i) + " (tell :id r" + std::to_string(i) + ")";
  }
  list += ")";
  EXPECT_FALSE(doc.ScenarioUnitsFit(list.c_str(), nullptr, nullptr));
  // The station takes the first it reads, up to its limit.
  EXPECT_EQ(doc.ParseRadars(list.c_str()), 1);
  EXPECT_EQ(doc.GetRadars().size(), CTesselStationDoc::kMaxRadars);
  EXPECT_NE(doc.FindRadar("r19999"), nullptr);
  EXPECT_EQ(doc.FindRadar("r0"), nullptr);
}

TEST_F(StationTest, AnUnreadableListReadsNothing) {
  EXPECT_EQ(doc.ParseRadars(nullptr), 0);
  EXPECT_EQ(doc.ParseIncursions(""), 0);
  EXPECT_TRUE(doc.GetRadars().empty());
}

TEST_F(StationTest, ADuplicateIdKeepsTheFirstUnit) {
  testsupport::TempDir dir;
  doc.set_file(dir.file("doc.log").c_str());
  // Entries are read from the highest index down: entry 2 comes first.
  doc.ParseRadars("(tell :number 3 :0 (tell :id a :name First) :2 (tell :id a :name Second))");
  CRadarStation* kept = doc.FindRadar("a");
  ASSERT_NE(kept, nullptr);
  EXPECT_STREQ(kept->GetName(), "Second");
  doc.ParseRadars("(tell :number 1 :0 (tell :id a :name Third))");
  EXPECT_EQ(doc.FindRadar("a"), kept);
  EXPECT_STREQ(kept->GetName(), "Second");
  doc.close();
  EXPECT_EQ(log_messages(dir.file("doc.log")),
            (Lines{"<CTesselStationDoc> Duplicate Radar id [a] ignored, the first one stays",
                   "<CTesselStationDoc> Duplicate Radar id [a] ignored, the first one stays"}));
}

// An id belongs to one unit whatever its kind: a command finds its unit by
// id alone, so a later unit of another kind with the same id is refused.
struct SharedIdCase {
  const char* name;
  const char* first;   // the list read first: "radar", "interceptors", "incursions"
  const char* second;  // the list whose unit has the same id
};

void PrintTo(const SharedIdCase& c, std::ostream* out) { *out << c.name; }

class SharedId : public StationTest, public testing::WithParamInterface<SharedIdCase> {
 protected:
  void Read(const std::string& list) {
    const std::string entries = "(tell :number 1 :0 (tell :id U1 :name " + list + "))";
    if (list == "radar") doc.ParseRadars(entries.c_str());
    if (list == "interceptors") doc.ParseInterceptors(entries.c_str());
    if (list == "incursions") doc.ParseIncursions(entries.c_str());
  }
  int Units() const {
    return static_cast<int>(doc.GetRadars().size() + doc.GetInterceptors().size() +
                            doc.GetIncursions().size());
  }
};

TEST_P(SharedId, KeepsTheFirstUnitOnly) {
  Read(GetParam().first);
  Read(GetParam().second);
  EXPECT_EQ(Units(), 1);
  const std::string first = GetParam().first;
  EXPECT_EQ(doc.FindRadar("U1") != nullptr, first == "radar");
  EXPECT_EQ(doc.FindInterceptor("U1") != nullptr, first == "interceptors");
  EXPECT_EQ(doc.FindIncursion("U1") != nullptr, first == "incursions");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SharedId,
    testing::Values(SharedIdCase{"RadarThenInterceptor", "radar", "interceptors"},
                    SharedIdCase{"InterceptorThenRadar", "interceptors", "radar"},
                    SharedIdCase{"InterceptorThenIncursion", "interceptors", "incursions"},
                    SharedIdCase{"IncursionThenRadar", "incursions", "radar"}),
    [](const testing::TestParamInfo<SharedIdCase>& info) { return info.param.name; });

TEST_F(StationTest, RadarEntries) {
  doc.ParseRadars(
      "(tell :number 2 :0 (tell :id R1 :name \"North Radar\" :lon 300 :lat 475 :range 50) "
      ":1 (tell :id R2 :name South :lon 200 :lat 100))");
  const CRadarStation* north = doc.FindRadar("R1");
  ASSERT_NE(north, nullptr);
  EXPECT_STREQ(north->GetName(), "North Radar");
  EXPECT_EQ(north->GetStart().latitude, 475.0);
  EXPECT_EQ(north->GetStart().longitude, 300.0);
  EXPECT_EQ(north->GetRange(), 50.0);
  EXPECT_EQ(north->GetRangePixels(), 2);
  EXPECT_EQ(north->GetMap(), doc.GetWorldMap());
  const CRadarStation* south = doc.FindRadar("R2");
  ASSERT_NE(south, nullptr);
  EXPECT_EQ(south->GetRange(), 0.0);  // no range given
  EXPECT_EQ(south->GetRangePixels(), 0);
}

// A name given as a KQML string is the text it stands for.
TEST_F(StationTest, NamesGivenAsStringsAreTheirTexts) {
  const struct {
    const char* written;
    const char* name;
  } names[] = {{R"("North Radar")", "North Radar"}, {R"("x\"y")", "x\"y"},
               {R"("C:\\dir\\")", "C:\\dir\\"},   {R"("")", ""},
               {R"("a)b")", "a)b"},                {"Plain", "Plain"}};
  int id = 0;
  for (const auto& [written, name] : names) {
    const std::string unit = "R" + std::to_string(++id);
    doc.ParseRadars(("(tell :number 1 :0 (tell :id " + unit + " :name " + written +
                     " :lon 300 :lat 475 :range 50))")
                        .c_str());
    const CRadarStation* radar = doc.FindRadar(unit.c_str());
    ASSERT_NE(radar, nullptr) << written;
    EXPECT_STREQ(radar->GetName(), name) << written;
    EXPECT_EQ(radar->GetRange(), 50.0) << written;
  }
}

TEST_F(StationTest, InterceptorEntries) {
  doc.ParseInterceptors(
      "(tell :number 2 :0 (tell :name Hawk :id I1 :lat 600 :lon 350 :maxspeed 300 :scope air) "
      ":1 (tell :name Kite :id I2 :lat 10 :lon 20 :maxspeed 100 :scope space))");
  const CInterceptor* hawk = doc.FindInterceptor("I1");
  ASSERT_NE(hawk, nullptr);
  EXPECT_STREQ(hawk->GetName(), "Hawk");
  EXPECT_EQ(hawk->GetSpeed(), 300.0);
  EXPECT_EQ(hawk->GetScope(), CInterceptor::SCOPE_AIR);
  EXPECT_EQ(hawk->GetStart().longitude, 350.0);
  EXPECT_EQ(hawk->GetInitial().latitude, 600.0);
  EXPECT_EQ(hawk->GetState(), CInterceptor::STATE_IDLE);
  EXPECT_EQ(doc.FindInterceptor("I2")->GetScope(), CInterceptor::SCOPE_NONE);
}

TEST_F(StationTest, IncursionEntries) {
  doc.ParseIncursions(
      "(tell :number 1 :0 (tell :id X1 :name Raider :heading 270 :speed 550 :lat 900 :lon "
      "250))");
  const CIncursion* raider = doc.FindIncursion("X1");
  ASSERT_NE(raider, nullptr);
  EXPECT_STREQ(raider->GetName(), "Raider");
  EXPECT_EQ(raider->GetHeading(), 270.0);
  EXPECT_EQ(raider->GetInitialHeading(), 270.0);
  EXPECT_EQ(raider->GetSpeed(), 550.0);
  EXPECT_EQ(raider->GetStart().latitude, 900.0);
  EXPECT_EQ(raider->GetInitial().longitude, 250.0);
}

TEST_F(StationTest, TerrainReplacesTheWholeTable) {
  EXPECT_EQ(doc.ParseTerrain("(tell :number 2 :0 (tell :code 33 :style Solid :name Sea :r 0 "
                             ":g 0 :b 200) :1 (tell :code 65 :style Forest :name Wood :r 290 :g "
                             "100 :b 20))"),
            1);
  ASSERT_EQ(doc.GetTerrainTypes().size(), 2u);
  const CTerrain* wood = doc.GetTerrainTypes().at(65);
  EXPECT_STREQ(wood->name(), "Wood");
  EXPECT_EQ(wood->style(), STYLE_FOREST);
  EXPECT_EQ(wood->colour(), RGB(290 & 0xFF, 100, 20));
  doc.ParseTerrain("(tell :number 1 :0 (tell :code 321 :name Sand))");  // code 321 is 65
  ASSERT_EQ(doc.GetTerrainTypes().size(), 1u);
  EXPECT_STREQ(doc.GetTerrainTypes().at(65)->name(), "Sand");
  doc.ParseTerrain("(tell :number 0)");
  EXPECT_TRUE(doc.GetTerrainTypes().empty());
}

TEST_F(StationTest, TrajectoryAndImpactArea) {
  EXPECT_EQ(doc.ParseTrajectory("(tell :count 2 :0 (tell :lat 1 :lng 2) :1 (tell :lat 3 :lng "
                                "4))"),
            1);
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 2);
  EXPECT_EQ(doc.ParseTrajectory("(tell :count 1 :0 (tell :lat 5 :lng 6))"), 1);
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 1);
  EXPECT_EQ(doc.ParseImpactLines("(tell :nline (tell :count 1 :0 (tell :lat 0 :lng 400)) :sline "
                                 "(tell :count 1 :0 (tell :lat 0 :lng 100)))"),
            1);
  EXPECT_EQ(doc.GetImpactLines()->GetNLineCt(), 1);
  EXPECT_EQ(doc.ParseTrajectory(nullptr), 0);
  EXPECT_EQ(doc.GetTrajectory()->GetTrajectoryCt(), 1);
}

}  // namespace
}  // namespace stationtest
