#include "TesselMapsLib/impactlines.h"

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

Points points_of(const maps::Points& line) {
  Points out;
  for (const auto& p : line) out.emplace_back(p->latitude, p->longitude);
  return out;
}

void add(CImpactLines& area, const Points& north, const Points& south) {
  for (const auto& [lat, lng] : north) area.AddNLinePoint(lat, lng);
  for (const auto& [lat, lng] : south) area.AddSLinePoint(lat, lng);
}

// The square 0..10 x 0..10: boundary (0,0), (0,10), (10,10), (10,0).
void square(CImpactLines& area) { add(area, {{0, 0}, {0, 10}}, {{10, 0}, {10, 10}}); }

TEST(ImpactLines, AddDeleteRemoveOnEachLine) {
  CImpactLines area;
  const CLatLng p(3.0, 4.0);
  EXPECT_EQ(area.AddNLinePoint(1.0, 2.0), 0);
  EXPECT_EQ(area.AddNLinePoint(&p), 1);
  EXPECT_EQ(area.AddNLinePoint("5", "6"), 2);
  EXPECT_EQ(area.AddSLinePoint("7.5", "x"), 0);
  EXPECT_EQ(area.AddSLinePoint(&p), 1);
  EXPECT_EQ(area.AddSLinePoint(static_cast<const CLatLng*>(nullptr)), -1);
  EXPECT_EQ(area.AddNLinePoint(static_cast<const CLatLng*>(nullptr)), -1);
  area.DeleteNLinePoint(3.0, 4.0);
  area.DeleteSLinePoint(1.0, 2.0);  // only on the northern line
  EXPECT_EQ(points_of(area.GetNLine()), (Points{{1, 2}, {5, 6}}));
  EXPECT_EQ(points_of(area.GetSLine()), (Points{{7.5, 0}, {3, 4}}));
  area.RemoveSLine();
  EXPECT_EQ(area.GetNLineCt(), 2);
  EXPECT_EQ(area.GetSLineCt(), 0);
  area.RemoveNLine();
  EXPECT_EQ(area.GetNLineCt(), 0);
}

TEST(ImpactLines, Inside) {
  const struct {
    const char* name;
    Points north, south;
    double lat, lng;
    bool want;
  } cases[] = {
      {"centre of the square", {{0, 0}, {0, 10}}, {{10, 0}, {10, 10}}, 5, 5, true},
      {"right of the square", {{0, 0}, {0, 10}}, {{10, 0}, {10, 10}}, 15, 5, false},
      {"below the square", {{0, 0}, {0, 10}}, {{10, 0}, {10, 10}}, 5, -0.5, false},
      {"triangle", {{0, 0}, {4, 8}}, {{8, 0}}, 4, 3, true},
      {"outside the triangle", {{0, 0}, {4, 8}}, {{8, 0}}, 1, 6, false},
      {"empty southern line", {{0, 0}, {0, 10}}, {}, 5, 5, false},
      {"empty northern line", {}, {{10, 0}, {10, 10}}, 5, 5, false},
  };
  for (const auto& c : cases) {
    CImpactLines area;
    add(area, c.north, c.south);
    EXPECT_EQ(area.Inside(c.lat, c.lng), int(c.want)) << c.name;
  }
}

TEST(ImpactLines, VectAngleWrapsAtTwentyTwoSevenths) {
  const double a = -0.1;
  const double b = 3.05;  // a raw difference of 3.15, just above 22/7
  const struct {
    const char* name;
    double x1, y1, x2, y2;
    double want;
  } cases[] = {
      {"just below pi, not wrapped", 1, 0, -1, 0.000001, 3.1415916535897934},
      {"just above -pi", 1, 0, -1, -0.000001, -3.1415916535897934},
      {"3.15 wraps by 44/7", std::cos(a), std::sin(a), std::cos(b), std::sin(b), 3.15 - 44.0 / 7.0},
      {"quarter turn", 1, 0, 0, 1, M_PI / 2},
      {"same direction", 2, 2, 1, 1, 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(CImpactLines::VectAngle(c.x1, c.y1, c.x2, c.y2), c.want, 1e-12) << c.name;
  }
}

TEST(ImpactLines, ShortDist) {
  const struct {
    const char* name;
    double x1, y1, x2, y2, px, py;
    double fx, fy, d;
  } cases[] = {
      {"vertical segment, foot inside", 0, 0, 0, 10, 3, 4, 0, 4, 3},
      {"vertical segment, before A", 0, 0, 0, 10, 3, -4, 0, 0, 5},
      {"vertical segment, beyond B", 0, 0, 0, 10, 1, 12, 0, 10, std::sqrt(5.0)},
      {"horizontal segment", 2, 1, 8, 1, 5, 4, 5, 1, 3},
      {"diagonal segment", 0, 0, 10, 10, 10, 0, 5, 5, std::sqrt(50.0)},
      {"ends coincide", 2, 2, 2, 2, 5, 6, 2, 2, 5},
      {"point on the segment", 0, 0, 4, 2, 2, 1, 2, 1, 0},
  };
  for (const auto& c : cases) {
    double fx = NAN;
    double fy = NAN;
    const double d = CImpactLines::ShortDist(&fx, &fy, c.x1, c.y1, c.x2, c.y2, c.px, c.py);
    EXPECT_NEAR(fx, c.fx, 1e-12) << c.name;
    EXPECT_NEAR(fy, c.fy, 1e-12) << c.name;
    EXPECT_NEAR(d, c.d, 1e-12) << c.name;
  }
  EXPECT_EQ(CImpactLines::DotProduct(1, 2, 3, 4), 11.0);
  EXPECT_EQ(CImpactLines::Dist(1, 1, 4, 5), 5.0);
}

TEST(ImpactLines, ExitPointIsTheNearestBoundaryPoint) {
  const struct {
    const char* name;
    bool lines;
    double lat0, lng0;
    double lat, lng;
  } cases[] = {
      {"nearest the southern edge of the square", true, 5, 1, 5, 0},
      {"nearest the far edge", true, 9, 5, 10, 5},
      {"ties keep the first edge", true, 5, 5, 0, 5},
      {"outside, nearest a corner", true, 12, 13, 10, 10},
      // No edge nearer than 1000.0, or no boundary: the outputs stay as
      // they were.
      {"far away", true, 5000, 5000, -1, -2},
      {"no boundary", false, 5, 1, -1, -2},
  };
  for (const auto& c : cases) {
    CImpactLines area;
    if (c.lines) square(area);
    double lat = -1;
    double lng = -2;
    area.GetExitPoint(&lat, &lng, c.lat0, c.lng0);
    EXPECT_DOUBLE_EQ(lat, c.lat) << c.name;
    EXPECT_DOUBLE_EQ(lng, c.lng) << c.name;
  }
}

TEST(ImpactLines, ExitPointOfAnAreaWithOneLineLeavesTheOutputs) {
  CImpactLines area;
  area.AddNLinePoint(0.0, 0.0);
  area.AddNLinePoint(0.0, 10.0);
  double lat = -1;
  double lng = -2;
  area.GetExitPoint(&lat, &lng, 1, 5);
  EXPECT_EQ(lat, -1);
  EXPECT_EQ(lng, -2);
}

TEST(ImpactLines, KeywordAndXmlForms) {
  CImpactLines area;
  add(area, {{1, 2}}, {{3, 4}, {5.5, -6}});
  EXPECT_STREQ(area.ToKQML().get(),
               "tell :nline (tell :count 1 :0 (tell :lat 1.000000 :lng 2.000000))"
               " :sline (tell :count 2 :0 (tell :lat 3.000000 :lng 4.000000)"
               " :1 (tell :lat 5.500000 :lng -6.000000))");
  EXPECT_STREQ(area.ToXML().get(),
               "<ImpactLines>\n<NorthernLine>\n"
               "<Point Lat=\"1.000000\" Lng=\"2.000000\"/>\n"
               "</NorthernLine>\n<SouthernLine>\n"
               "<Point Lat=\"3.000000\" Lng=\"4.000000\"/>\n"
               "<Point Lat=\"5.500000\" Lng=\"-6.000000\"/>\n"
               "</SouthernLine>\n</ImpactLines>\n");

  CImpactLines back;
  platform::MessageRecorder messages;
  EXPECT_EQ(back.ParseKQML(("(" + std::string(area.ToKQML().get()) + ")").c_str()), 1);
  EXPECT_EQ(points_of(back.GetNLine()), (Points{{1, 2}}));
  EXPECT_EQ(points_of(back.GetSLine()), (Points{{3, 4}, {5.5, -6}}));
  EXPECT_TRUE(messages.texts().empty());
}

TEST(ImpactLines, ReadingKeywordTexts) {
  const Points old_north = {{8, 8}};
  const Points old_south = {{9, 9}};
  const std::string n1 = ":nline (tell :count 1 :0 (tell :lat 1 :lng 2))";
  const std::string s1 = ":sline (tell :count 1 :0 (tell :lat 3 :lng 4))";
  const struct {
    const char* name;
    std::string text;
    int result;
    Points north, south;
  } cases[] = {
      {"both lines", "(tell " + n1 + " " + s1 + ")", 1, {{1, 2}}, {{3, 4}}},
      {"no sline with a northern count of 0", "(tell :nline (tell :count 0))", 1, {}, old_south},
      {"no sline: the northern count is not met", "(tell " + n1 + ")", 0, {{1, 2}}, old_south},
      {"sline without count", "(tell " + n1 + " :sline (tell :0 (tell :lat 3 :lng 4)))", 0,
       {{1, 2}}, old_south},
      {"sline with a point missing", "(tell " + n1 + " :sline (tell :count 2 :1 (tell :lat 3 :lng 4)))",
       0, {{1, 2}}, {{3, 4}}},
      {"sline with a negative count", "(tell " + n1 + " :sline (tell :count -2))", 0, {{1, 2}},
       old_south},
      {"northern line with a point missing", "(tell :nline (tell :count 2 :0 (tell :lat 1 :lng 2)) " +
       s1 + ")", 0, {{1, 2}}, old_south},
      {"no nline", "(tell " + s1 + ")", 0, old_north, old_south},
      {"nline without count", "(tell :nline (tell :0 (tell :lat 1 :lng 2)) " + s1 + ")", 0,
       old_north, old_south},
      {"nline count beyond its keywords", "(tell :nline (tell :count 99 :0 (tell :lat 1 :lng 2)) " +
       s1 + ")", 0, old_north, old_south},
      {"nline that is no list", "(tell :nline 5 " + s1 + ")", 0, old_north, old_south},
      {"empty text", "", 0, old_north, old_south},
  };
  for (const auto& c : cases) {
    CImpactLines area;
    add(area, old_north, old_south);
    platform::MessageRecorder messages;
    EXPECT_EQ(area.ParseKQML(c.text.c_str()), c.result) << c.name;
    EXPECT_EQ(points_of(area.GetNLine()), c.north) << c.name;
    EXPECT_EQ(points_of(area.GetSLine()), c.south) << c.name;
    const std::vector<std::string> want_messages =
        c.result == 1 ? std::vector<std::string>{}
                      : std::vector<std::string>{"Error Loading NLine Coordinates"};
    EXPECT_EQ(messages.texts(), want_messages) << c.name;
  }
}

// As many points as a message can carry, each read back in its place.
TEST(ImpactLines, ReadingALargeKeywordText) {
  constexpr int kPointsPerLine = 12000;
  CImpactLines written;
  Points north;
  Points south;
  for (int i = 0; i < kPointsPerLine; ++i) {
    north.emplace_back(i / 1000.0, 1.0);
    south.emplace_back(i / 1000.0, -i / 500.0);
  }
  add(written, north, south);
  CImpactLines read;
  platform::MessageRecorder messages;
  ASSERT_EQ(read.ParseKQML(("(" + std::string(written.ToKQML().get()) + ")").c_str()), 1);
  EXPECT_EQ(points_of(read.GetNLine()), north);
  EXPECT_EQ(points_of(read.GetSLine()), south);
  EXPECT_TRUE(messages.texts().empty());
}

TEST(ImpactLines, ReadingXml) {
  const DOMDocument doc = DOMDocument::load(
      "<ImpactLines>\n"
      "<NorthernLine><Point Lat=\"1\" Lng=\"2\"/>text<Point Lng=\"9\"/></NorthernLine>\n"
      "<Other><Point Lat=\"7\" Lng=\"7\"/></Other>\n"
      "<SouthernLine><P Lat=\"3\" Lng=\"4\"/><!-- c --><Q Lat=\"5\" Lng=\"6\"/></SouthernLine>\n"
      "<NorthernLine><Point Lat=\"-1\" Lng=\"-2\"/></NorthernLine>\n"
      "</ImpactLines>\n",
      false);
  CImpactLines area;
  add(area, {{8, 8}}, {{9, 9}});
  area.IILFromXML(doc.getFirstChild());
  EXPECT_EQ(points_of(area.GetNLine()), (Points{{1, 2}, {-1, -2}}));
  EXPECT_EQ(points_of(area.GetSLine()), (Points{{3, 4}, {5, 6}}));

  EXPECT_THROW(area.IILFromXML(DOMNode()), DOMException);
  EXPECT_EQ(area.GetNLineCt(), 2);  // a null node changes nothing
}

TEST(ImpactLines, ArchiveForm) {
  CImpactLines area;
  add(area, {{1, 2}, {3, 4}}, {{5, 6}, {7, 8}, {9, 10}});
  CArchive out;
  area.Serialize(out);
  ASSERT_EQ(out.GetBytes().size(), 8u + 80u);
  CArchive want;
  want << int32_t(2) << int32_t(3);
  for (double v : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) want << v;
  EXPECT_EQ(out.GetBytes(), want.GetBytes());

  CArchive in(out.GetBytes().data(), out.GetBytes().size());
  const auto object = CRuntimeClass::CreateObject("CImpactLines");
  auto* back = dynamic_cast<CImpactLines*>(object.get());
  ASSERT_NE(back, nullptr);
  back->Serialize(in);
  EXPECT_FALSE(in.IsFailed());
  EXPECT_EQ(points_of(back->GetNLine()), points_of(area.GetNLine()));
  EXPECT_EQ(points_of(back->GetSLine()), points_of(area.GetSLine()));
  CArchive again;
  back->Serialize(again);
  EXPECT_EQ(again.GetBytes(), out.GetBytes());
}

TEST(ImpactLines, DrawsBothLinesUnjoined) {
  CWorldMap map;
  ASSERT_TRUE(map.create(10, 10, '!'));
  map.setDefaultZoom(2);
  CImpactLines area;
  add(area, {{1, 1}, {2, 2}}, {{5, 1}, {6, -4}});
  platform::RecordingDC dc;
  area.OnDraw(&dc, &map);
  EXPECT_EQ(dc.lines(), (Lines{
                            "SelectObject(pen(solid,2,0x0000FF))",
                            "MoveTo(2,16)",
                            "LineTo(4,14) from(2,16) pen(solid,2,0x0000FF)",
                            "MoveTo(10,16)",
                            "LineTo(12,24) from(10,16) pen(solid,2,0x0000FF)",
                            "SelectObject(pen(solid,0,0x000000))",
                            "FillRect(0,20,20,26) brush(solid,0xFFFFFF)",
                            "FillRect(20,-2,22,26) brush(solid,0xFFFFFF)",
                        }));
}

}  // namespace
