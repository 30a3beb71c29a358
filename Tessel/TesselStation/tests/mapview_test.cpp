// The map view: one rendering checked pixel by pixel, the cursor over
// units, and the "Commands" menu of a right click in a few situations.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "TesselStation/stationimages.h"
#include "TesselStation/tesselstationview.h"
#include "TesselStation/titlemenu.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/weatherballoons.h"
#include "stationwindowstest.h"
#include "testsupport/pixelart.h"

namespace stationui {
namespace {

using Lines = std::vector<std::string>;
using testsupport::Art;

class MapViewTest : public StationWindowsTest {
 protected:
  void SetUp() override { ASSERT_EQ(Create(), 0); }
  CTesselStationView* View() { return frame->GetView(); }
};

TEST_F(MapViewTest, RendersTheTerrainAtItsScaleOnTheWindowsBackground) {
  // Zoom 2; the terrain picture shows the file's first row (the highest
  // grid row) at the top, as the file reads. Column 0 carries a grid line
  // and labels, the bottom edge labels and the cell label: the check starts
  // right of the one and above the others.
  LoadMap({"sssssssssswwwwwwwwww", "sssssssswwwwwwwwwwww", "ssssssssssssssswwwww",
           "sssssssssssswwwwwwww", "ssssssssswwwwwwwwwww"});
  const QImage picture = View()->GetPicture();
  const Art want = {
      "rrrrrrrrrrrrrrrrrrrbbbbbbbbbbbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrrrrrbbbbbbbbbbbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrbbbbbbbbbbbbbbbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrbbbbbbbbbbbbbbbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrrrrrrrrrrrrrrrbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrrrrrrrrrrrrrrrbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrrrrrrrrrbbbbbbbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrrrrrrrrrbbbbbbbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrrrbbbbbbbbbbbbbbbbbbbbbb..........",
      "rrrrrrrrrrrrrrrrrbbbbbbbbbbbbbbbbbbbbbb..........",
  };
  EXPECT_EQ(testsupport::pixel_art(picture.copy(1, 0, 49, 10),
                                   {{0xFF0000, 'r'}, {0x0000FF, 'b'}, {0xFFFFFF, '.'}}),
            want);
  // What the window shows is that picture.
  const QImage shown = View()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.copy(1, 0, 49, 11), picture.copy(1, 0, 49, 11));
}

// The picture the view keeps is its window's size, however far the map is
// scrolled and zoomed: zoom 10 and a scroll to the far corner do not leave
// a picture of the whole map behind.
TEST_F(MapViewTest, ThePictureKeepsTheWindowsSizeWhereverTheMapIsScrolled) {
  LoadMap(std::vector<std::string>(240, std::string(240, 's')));
  View()->resize(300, 200);
  doc.GetWorldMap()->setDefaultZoom(10);
  View()->UpdateMapImage();
  View()->GetPicture();  // the scroll range follows the map's size
  View()->horizontalScrollBar()->setValue(View()->horizontalScrollBar()->maximum());
  View()->verticalScrollBar()->setValue(View()->verticalScrollBar()->maximum());
  ASSERT_GT(View()->horizontalScrollBar()->value(), 1000);
  const QImage far = View()->GetPicture();
  EXPECT_EQ(View()->GetPictureSize(), View()->viewport()->size());
  EXPECT_EQ(far.pixel(far.width() / 2, far.height() / 2), 0xFFFF0000u);  // the terrain there
  doc.GetWorldMap()->setDefaultZoom(2);
  View()->UpdateMapImage();
  View()->GetPicture();
  EXPECT_EQ(View()->GetPictureSize(), View()->viewport()->size());
}

TEST_F(MapViewTest, WithoutAMapTheViewIsBlank) {
  doc.ClearDocument();
  const QImage picture = View()->GetPicture();
  for (int x = 0; x < 40; ++x) ASSERT_EQ(picture.pixel(x, 5), 0xFFFFFFFFu) << x;
}

// --- Units on a map of 20 x 20 cells of 50 degrees from 1000, zoom 2

class UnitsOnTheMap : public MapViewTest {
 protected:
  void SetUp() override {
    MapViewTest::SetUp();
    LoadMap(std::vector<std::string>(20, std::string(20, 's')));
    doc.SetOwnName("AlphaStation");
    doc.AddTeamMember("AlphaStation");
    // The radar in cell (10, 10), the interceptor two cells east of it.
    ASSERT_EQ(doc.ParseRadars("(tell :number 1 :0 (tell :id R-1 :name North :lat 1500 "
                              ":lon 1500 :range 100))"),
              1);
    ASSERT_EQ(doc.ParseInterceptors("(tell :number 1 :0 (tell :name Falcon :id I-1 :lat 1600 "
                                    ":lon 1500 :maxspeed 100 :scope land))"),
              1);
  }

  // Cell (10, 10): columns from the left, rows from the bottom, 2 pixels.
  static constexpr QPoint kRadar{21, 19};
  static constexpr QPoint kEmpty{5, 5};

  // Right-clicks `at`; the menu's items ("-" for a separator) and chooses
  // the one whose text is `choice` (none: dismissed). False when no menu
  // opened.
  bool RightClick(QPoint at, const std::string& choice, Lines* items) {
    bool opened = false;
    // The menu opens within the click; it is looked for until it is there.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* menu = dynamic_cast<CTitleMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr || opened) return;
      opened = true;
      QAction* chosen = nullptr;
      for (QAction* action : menu->actions()) {
        items->push_back(action->isSeparator() ? "-" : action->text().toStdString());
        if (!action->isSeparator() && action->text().toStdString() == choice) chosen = action;
      }
      if (chosen == nullptr) {
        QTest::keyClick(menu, Qt::Key_Escape);
        return;
      }
      menu->setActiveAction(chosen);
      QTest::keyClick(menu, Qt::Key_Return);
    });
    poll.start(10);
    QTest::mouseClick(View()->viewport(), Qt::RightButton, {}, at);
    return opened;
  }
};

TEST_F(UnitsOnTheMap, MenuOffersABalloonAndTheCommandsOfTheUnitsNear) {
  Lines items;
  ASSERT_TRUE(RightClick(kRadar, "Deploy Weather Balloon", &items));
  EXPECT_EQ(items, (Lines{"Commands", "-", "Deploy Weather Balloon", "Radar North: Acquire/Activate",
                          "Interceptor Falcon: Activate"}));
  EXPECT_EQ(doc.GetBalloons().size(), 1u);
}

TEST_F(UnitsOnTheMap, MenuOffersThePendingDeploymentOfTheSelectedInterceptor) {
  CInterceptor* falcon = doc.FindInterceptor("I-1");
  falcon->SetController(doc.GetOwnMember());
  falcon->SetState(CInterceptor::STATE_ON_STATION);
  doc.SetSelectedInterceptor(falcon);
  doc.SetCommandMode(CTesselStationDoc::MODE_DEPLOY);
  Lines items;
  ASSERT_TRUE(RightClick(kEmpty, "Cancel Deployment Request for Falcon", &items));
  EXPECT_EQ(items, (Lines{"Commands", "-", "Deploy Weather Balloon",
                          "Deploy Falcon to location 1100.00,1850.00",
                          "Cancel Deployment Request for Falcon"}));
  EXPECT_EQ(doc.GetCommandMode(), CTesselStationDoc::MODE_NONE);
  EXPECT_EQ(doc.GetSelectedInterceptor(), nullptr);
}

TEST_F(UnitsOnTheMap, DismissedMenuDoesNothingAndPlaybackOpensNone) {
  Lines items;
  ASSERT_TRUE(RightClick(kRadar, "", &items));
  EXPECT_TRUE(doc.GetBalloons().empty());
  EXPECT_FALSE(doc.FindRadar("R-1")->IsActive());

  doc.SetPlayback(true);
  items.clear();
  EXPECT_FALSE(RightClick(kRadar, "", &items));
}

TEST_F(UnitsOnTheMap, CursorShowsTheKindOfTheUnitUnderTheMouseAndItsDescription) {
  QTest::mouseMove(View()->viewport(), kRadar);
  EXPECT_EQ(View()->viewport()->cursor().pixmap().toImage(),
            stationimages::UnitCursor(CMapViewModel::CURSOR_RADAR).pixmap().toImage());
  EXPECT_STRNE(doc.GetHoverText(), "");
  QTest::mouseMove(View()->viewport(), kEmpty);
  EXPECT_EQ(View()->viewport()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_STREQ(doc.GetHoverText(), "");
}

}  // namespace
}  // namespace stationui
