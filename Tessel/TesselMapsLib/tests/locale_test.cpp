// Numbers in texts and files keep the decimal point when the process runs in
// a locale with a decimal comma.
#include <gtest/gtest.h>

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselMapsLib/worldmap.h"
#include "testsupport/commalocale.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

using CommaLocale = testsupport::CommaLocaleTest<>;

TEST_F(CommaLocale, PointsAndShapes) {
  const CLatLng p("1.5", "2,5");
  EXPECT_EQ(p.latitude, 1.5);
  EXPECT_EQ(p.longitude, 2.0);  // the comma ends the number
  EXPECT_STREQ(p.GetLatStr().get(), "1.500000");

  CTrajectory t;
  t.AddTrajectoryPoint(0.25, -1.5);
  EXPECT_STREQ(t.ToKQML().get(), "tell :count 1 :0 (tell :lat 0.250000 :lng -1.500000)");
  EXPECT_STREQ(t.ToXML().get(),
               "<Trajectory>\n<Point Lat=\"0.250000\" Lng=\"-1.500000\"/>\n</Trajectory>\n");
  CImpactLines area;
  EXPECT_EQ(area.ParseKQML("(tell :nline (tell :count 1 :0 (tell :lat 0.5 :lng 1.25))"
                           " :sline (tell :count 0))"),
            1);
  ASSERT_EQ(area.GetNLineCt(), 1);
  EXPECT_EQ(area.GetNLine()[0]->latitude, 0.5);
  EXPECT_EQ(area.GetNLine()[0]->longitude, 1.25);
}

TEST_F(CommaLocale, MapFileHeader) {
  TempDir dir;
  CWorldMap map;
  ASSERT_TRUE(map.create(1, 1, 'a'));
  map.updatelatlong(0.5, 1.5, -2.25, 3.0);
  ASSERT_TRUE(map.save("m.map"));
  EXPECT_EQ(TempDir::read("m.map"),
            "#Druvik MapData(1.2) -\r\n1\r\n0.500000:1.500000\r\n1\n-2.250000:3.000000\r\n\r\n"
            "a \x01\n");
}

}  // namespace
