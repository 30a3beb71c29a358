#include "TesselMapsLib/trajectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "MarkDOM/domdocument.h"
#include "MarkDOM/domexception.h"
#include "Platform/messagesink.h"
#include "Platform/recordingdc.h"

#include "TesselMapsLib/worldmap.h"

namespace {

using Points = std::vector<std::pair<double, double>>;
using Lines = std::vector<std::string>;

Points points_of(const CTrajectory& t) {
  Points out;
  for (const auto& p : t.GetTrajectory()) out.emplace_back(p->latitude, p->longitude);
  return out;
}

TEST(Trajectory, AddDeleteRemove) {
  CTrajectory t;
  EXPECT_EQ(t.AddTrajectoryPoint(1.0, 2.0), 0);
  const CLatLng p(3.0, 4.0);
  EXPECT_EQ(t.AddTrajectoryPoint(&p), 1);
  EXPECT_EQ(t.AddTrajectoryPoint("5.5x", " -6"), 2);
  EXPECT_EQ(t.AddTrajectoryPoint(static_cast<const CLatLng*>(nullptr)), -1);
  EXPECT_EQ(t.AddTrajectoryPoint(1.0, 2.0), 3);
  EXPECT_EQ(t.GetTrajectoryCt(), 4);
  EXPECT_NE(t.GetTrajectory()[1].get(), &p);  // a copy of its own

  t.DeleteTrajectoryPoint(std::nextafter(3.0, 4.0), 4.0);  // differs in the last bit
  EXPECT_EQ(t.GetTrajectoryCt(), 4);
  t.DeleteTrajectoryPoint(1.0, 2.0);  // the first of two equal points
  EXPECT_EQ(points_of(t), (Points{{3, 4}, {5.5, -6}, {1, 2}}));
  t.RemoveTrajectory();
  EXPECT_EQ(t.GetTrajectoryCt(), 0);
}

TEST(Trajectory, KeywordAndXmlForms) {
  CTrajectory t;
  EXPECT_STREQ(t.ToKQML().get(), "tell :count 0");
  t.AddTrajectoryPoint(1.5, -2.0);
  t.AddTrajectoryPoint(0.1, 1e6);
  EXPECT_STREQ(t.ToKQML().get(),
               "tell :count 2 :0 (tell :lat 1.500000 :lng -2.000000)"
               " :1 (tell :lat 0.100000 :lng 1000000.000000)");
  EXPECT_STREQ(t.ToXML().get(),
               "<Trajectory>\n"
               "<Point Lat=\"1.500000\" Lng=\"-2.000000\"/>\n"
               "<Point Lat=\"0.100000\" Lng=\"1000000.000000\"/>\n"
               "</Trajectory>\n");

  CTrajectory back;
  platform::MessageRecorder messages;
  EXPECT_EQ(back.ParseKQML(("(" + std::string(t.ToKQML().get()) + ")").c_str()), 1);
  EXPECT_EQ(points_of(back), (Points{{1.5, -2.0}, {0.1, 1e6}}));
  EXPECT_TRUE(messages.texts().empty());
}

TEST(Trajectory, ReadingKeywordTexts) {
  const Points before = {{9, 9}};
  const struct {
    const char* name;
    const char* text;
    int result;
    Points after;
  } cases[] = {
      {"all points", "(tell :count 2 :0 (tell :lat 1 :lng 2) :1 (tell :lng 4 :lat 3))", 1,
       {{1, 2}, {3, 4}}},
      {"count 0 empties", "(tell :count 0)", 1, {}},
      {"a missing index", "(tell :count 2 :0 (tell :lat 1 :lng 2))", 0, {{1, 2}}},
      {"a point without lng", "(tell :count 2 :0 (tell :lat 1) :1 (tell :lat 3 :lng 4))", 0,
       {{3, 4}}},
      {"a point that is no list", "(tell :count 1 :0 7)", 0, {}},
      {"no count", "(tell :0 (tell :lat 1 :lng 2))", 0, before},
      {"negative count", "(tell :count -1 :0 (tell :lat 1 :lng 2))", 0, before},
      {"count beyond the keywords", "(tell :count 2000000000 :0 (tell :lat 1 :lng 2))", 0, before},
      {"not a keyword text", "count 2", 0, before},
      {"null", nullptr, 0, before},
      // Each point is the value of the first keyword written as its index.
      {"points out of order", "(tell :count 2 :1 (tell :lat 3 :lng 4) :0 (tell :lat 1 :lng 2))", 1,
       {{1, 2}, {3, 4}}},
      {"a repeated index: the first counts",
       "(tell :count 1 :0 (tell :lat 1 :lng 2) :0 (tell :lat 5 :lng 6))", 1, {{1, 2}}},
      {"a repeated index whose first has no value", "(tell :count 1 :0 :0 (tell :lat 5 :lng 6))", 0,
       {}},
      {"an index with a leading zero", "(tell :count 1 :00 (tell :lat 1 :lng 2))", 0, {}},
      {"an index with a sign", "(tell :count 1 :+0 (tell :lat 1 :lng 2))", 0, {}},
      {"an index keyword without a value", "(tell :count 1 :0)", 0, {}},
      {"indices beyond the count are left out",
       "(tell :count 1 :0 (tell :lat 1 :lng 2) :1 (tell :lat 3 :lng 4))", 1, {{1, 2}}},
      // A value that is no finite number within reach is a missing one.
      {"a point at NaN", "(tell :count 2 :0 (tell :lat nan :lng 2) :1 (tell :lat 3 :lng 4))", 0,
       {{3, 4}}},
      {"a point at infinity", "(tell :count 1 :0 (tell :lat 1 :lng -inf))", 0, {}},
      {"a point a world away", "(tell :count 1 :0 (tell :lat 1e308 :lng 2))", 0, {}},
      {"other keywords among the points",
       "(tell :x 1 :count 2 :1 (tell :lat 3 :lng 4) :y (z) :0 (tell :lat 1 :lng 2))", 1,
       {{1, 2}, {3, 4}}},
  };
  for (const auto& c : cases) {
    CTrajectory t;
    t.AddTrajectoryPoint(9.0, 9.0);
    platform::MessageRecorder messages;
    EXPECT_EQ(t.ParseKQML(c.text), c.result) << c.name;
    EXPECT_EQ(points_of(t), c.after) << c.name;
    const std::vector<std::string> want_messages =
        c.result == 1 ? std::vector<std::string>{}
                      : std::vector<std::string>{"Error Loading NLine Coordinates"};
    EXPECT_EQ(messages.texts(), want_messages) << c.name;
  }
}

// As many points as a message can carry, each read back in its place.
TEST(Trajectory, ReadingALargeKeywordText) {
  constexpr int kPoints = 24000;
  CTrajectory written;
  Points want;
  for (int i = 0; i < kPoints; ++i) {
    written.AddTrajectoryPoint(i / 1000.0, -i / 500.0);
    want.emplace_back(i / 1000.0, -i / 500.0);
  }
  CTrajectory read;
  platform::MessageRecorder messages;
  ASSERT_EQ(read.ParseKQML(("(" + std::string(written.ToKQML().get()) + ")").c_str()), 1);
  EXPECT_EQ(points_of(read), want);
  EXPECT_TRUE(messages.texts().empty());
}

TEST(Trajectory, ReadingXml) {
  const DOMDocument doc = DOMDocument::load(
      "<Trajectory>\n"
      "<Point Lat=\"1.5\" Lng=\"2\"/>\n"
      "<!-- no point -->\n"
      "<Point Lat=\"7\"/>\n"
      "<Anything Lng=\"-4\" Lat=\"3x\"/>\n"
      "</Trajectory>\n",
      false);
  CTrajectory t;
  t.AddTrajectoryPoint(9.0, 9.0);
  t.TrajectoryFromXML(doc.getFirstChild());
  // Existing points stay; text, comments and elements lacking an attribute
  // are skipped; element names are not looked at.
  EXPECT_EQ(points_of(t), (Points{{9, 9}, {1.5, 2}, {3, -4}}));

  try {
    t.TrajectoryFromXML(DOMNode());
    ADD_FAILURE() << "a null node was read";
  } catch (const DOMException& e) {
    EXPECT_EQ(e.getCode(), DOM_NO_NODE_ERR);
  }
  EXPECT_EQ(t.GetTrajectoryCt(), 3);
}

TEST(Trajectory, ArchiveForm) {
  CTrajectory t;
  t.AddTrajectoryPoint(1.0, 2.0);
  t.AddTrajectoryPoint(-3.5, 0.25);
  CArchive out;
  t.Serialize(out);
  CArchive want;
  want << int32_t(2) << 1.0 << 2.0 << -3.5 << 0.25;
  EXPECT_EQ(out.GetBytes(), want.GetBytes());

  CArchive in(out.GetBytes().data(), out.GetBytes().size());
  const auto object = CRuntimeClass::CreateObject("CTrajectory");
  auto* back = dynamic_cast<CTrajectory*>(object.get());
  ASSERT_NE(back, nullptr);
  back->Serialize(in);
  EXPECT_FALSE(in.IsFailed());
  EXPECT_EQ(points_of(*back), points_of(t));
}

// A count that the bytes cannot meet loads the whole points there are.
TEST(Trajectory, ArchiveWithABadCount) {
  const struct {
    const char* name;
    int32_t count;
    size_t points;  // whole points in the bytes
    int want;
  } cases[] = {{"huge", 2000000000, 2, 2}, {"negative", -5, 2, 0}, {"cut short", 3, 2, 2}};
  for (const auto& c : cases) {
    CArchive bytes;
    bytes << c.count;
    for (size_t i = 0; i < c.points; ++i) bytes << double(i) << 1.0;
    bytes << uint8_t(7);  // part of a further point
    CArchive in(bytes.GetBytes().data(), bytes.GetBytes().size());
    CTrajectory t;
    t.Serialize(in);
    EXPECT_EQ(t.GetTrajectoryCt(), c.want) << c.name;
  }
}

// A 10 x 10 map over 0..10 both ways at zoom 2.
void ten_by_ten(CWorldMap& map) {
  ASSERT_TRUE(map.create(10, 10, '!'));
  map.setDefaultZoom(2);
}

TEST(Trajectory, DrawsItsSegmentsThenErasesBeyondTheMap) {
  CWorldMap map;
  ten_by_ten(map);
  CTrajectory t;
  t.AddTrajectoryPoint(1.0, 1.0);
  t.AddTrajectoryPoint(5.0, 4.0);
  t.AddTrajectoryPoint(12.0, -3.0);  // right of and below the map
  platform::RecordingDC dc;
  t.OnDraw(&dc, &map);
  EXPECT_EQ(dc.lines(),
            (Lines{
                "SelectObject(pen(solid,1,0x00FFFF))",
                "MoveTo(2,16)",
                "LineTo(10,10) from(2,16) pen(solid,1,0x00FFFF)",
                "MoveTo(10,10)",
                "LineTo(24,22) from(10,10) pen(solid,1,0x00FFFF)",
                "SelectObject(pen(solid,0,0x000000))",
                // Below the map: from its bottom edge to the lowest point's cell.
                "FillRect(0,20,20,24) brush(solid,0xFFFFFF)",
                // Right of it: from its right edge to the farthest point's cell.
                "FillRect(20,-2,26,24) brush(solid,0xFFFFFF)",
            }));
}

// However the points lie, the white fills stay off the map's own pixels.
TEST(Trajectory, ErasingNeverCoversTheMap) {
  const struct {
    const char* name;
    Points points;
  } cases[] = {
      {"inside", {{1, 1}, {9, 9}}},
      {"below", {{1, 1}, {5, -20}}},
      {"right", {{1, 1}, {30, 5}}},
      {"both", {{-5, -5}, {30, 30}}},
      {"none", {}},
  };
  for (const auto& c : cases) {
    CWorldMap map;
    ten_by_ten(map);
    CTrajectory t;
    for (const auto& [lat, lng] : c.points) t.AddTrajectoryPoint(lat, lng);
    platform::RecordingDC dc;
    t.EraseAreas(&dc, &map);
    int fills = 0;
    for (const auto& call : dc.calls()) {
      if (call.op != "FillRect") continue;
      ++fills;
      const CRect r(call.args[0], call.args[1], call.args[2], call.args[3]);
      const bool overlaps = !r.IsRectEmpty() && r.left < 20 && r.right > 0 && r.top < 20 &&
                            r.bottom > 0;
      EXPECT_FALSE(overlaps) << c.name << ": " << call.str();
    }
    EXPECT_EQ(fills, 2) << c.name;
  }
}

}  // namespace
