// One rendering checked pixel by pixel on the QImage back end: the terrain
// picture, copied to the screen, with a trajectory drawn over it.
#include <gtest/gtest.h>

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "PlatformQt/imagedc.h"

#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselMapsLib/worldmap.h"
#include "testsupport/pixelart.h"

namespace {

using testsupport::Art;

// One character a pixel: 'r' red, 'b' blue, 'g' green, 'G' gray 0x808080,
// '-' the background 0xDCDCDC, '#' black, '.' white, 'y' yellow, '?' other.
Art art(const QImage& image) {
  return testsupport::pixel_art(image, {{0xFF0000, 'r'}, {0x0000FF, 'b'}, {0x00FF00, 'g'},
                                        {0x808080, 'G'}, {0xDCDCDC, '-'}, {0x000000, '#'},
                                        {0xFFFFFF, '.'}, {0xFFFF00, 'y'}});
}

class Pixels : public testing::Test {
 protected:
  void SetUp() override {
    add('s', STYLE_SOLID, RGB(255, 0, 0));
    add('e', STYLE_ELLIPSE, RGB(0, 0, 255));
    add('x', STYLE_CROSS, RGB(0, 255, 0));
    // Row 1 is drawn at the top: the minimum longitude lies at the bottom.
    ASSERT_TRUE(map_.create(3, 2, '?'));
    const char* rows[2] = {"sex", "x?s"};  // rows 0 and 1
    for (int32_t y = 0; y < 2; ++y) {
      for (int32_t x = 0; x < 3; ++x) map_.point(x, y, static_cast<unsigned char>(rows[y][x]));
    }
    map_.setTerrainSettings(&table_);
    map_.setDefaultZoom(5);
  }

  void add(unsigned char code, TerrainStyle style, COLORREF colour) {
    auto& terrain = terrains_.emplace_back(std::make_unique<CTerrain>());
    terrain->code(code);
    terrain->style(style);
    terrain->colour(colour);
    table_[code] = terrain.get();
  }

  // The terrain picture copied to a white screen larger than the map.
  QImage paint_screen(int width, int height) {
    QImage screen(width, height, QImage::Format_RGB32);
    screen.fill(Qt::white);
    platform::ImageDC dc(&screen);
    // Grid lines at latitude 2 and longitude 1 (lo + one step each).
    const CLatLng lo(1.0, 0.0);
    const CLatLng hi(2.0, 1.0);
    map_.update(&dc, nullptr, 1, 1, &lo, &hi);
    const auto scratch = dc.CreateCompatibleDC();
    map_.blt(&dc, scratch.get());
    return dc.image();
  }

  std::vector<std::unique_ptr<CTerrain>> terrains_;
  TerrainTable table_;
  CWorldMap map_;
};

TEST_F(Pixels, TerrainPictureOnTheScreen) {
  const QImage screen = paint_screen(17, 12);
  // Map row 1 ("x?s") at the top, row 0 ("sex") below it: flipped like the
  // grid lines and every unit. The ellipse has a black outline, the crosses
  // show the background, which stops one pixel short of the picture's right
  // and bottom edge (left black), the unknown code is gray in black. The
  // grid lines: latitude 2 at x = 10, longitude 0 at pixel row 5.
  const Art want = {
      "g----######rrrr..",
      "-g--g#GGG##rrrr..",
      "--gg-#GGG##rrrr..",
      "--gg-#GGG##rrrr..",
      "-g--g######rrrr..",
      "###############..",
      "rrrrr#bbb#-g--g..",
      "rrrrr#bbb#--gg#..",
      "rrrrr#bbb#--gg#..",
      "rrrrr######g##g..",
      ".................",
      ".................",
  };
  EXPECT_EQ(art(screen), want);
}

// What the trajectory draws beyond the map is whitened, the map's own
// pixels -- its bottom row of cells included -- are not.
TEST_F(Pixels, TrajectoryBeyondTheMapIsErased) {
  QImage screen = paint_screen(17, 17);
  platform::ImageDC dc(&screen);
  CTrajectory trajectory;
  trajectory.AddTrajectoryPoint(1.0, 1.0);   // pixel (5, 0)
  trajectory.AddTrajectoryPoint(1.0, -3.0);  // pixel (5, 15), below the map
  trajectory.OnDraw(&dc, &map_);
  const Art want = {
      "g----y#####rrrr..",
      "-g--gyGGG##rrrr..",
      "--gg-yGGG##rrrr..",
      "--gg-yGGG##rrrr..",
      "-g--gy#####rrrr..",
      "#####y#########..",
      "rrrrrybbb#-g--g..",
      "rrrrrybbb#--gg#..",
      "rrrrrybbb#--gg#..",
      "rrrrry#####g##g..",
      ".................",
      ".................",
      ".................",
      ".................",
      ".................",
      ".................",
      ".................",
  };
  EXPECT_EQ(art(dc.image()), want);
}

}  // namespace
