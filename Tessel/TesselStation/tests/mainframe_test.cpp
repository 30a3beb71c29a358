// The main frame: the phase and countdown it shows for each phase and
// clock, the go/no-go bar around the launch window, the zoom commands at
// their limits, the status panes, and a start that fails.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMessageBox>

#include <ostream>
#include <string>

#include "TesselStation/stationimages.h"
#include "TesselStation/tesselstationview.h"
#include "stationwindowstest.h"
#include "testsupport/modal.h"

namespace stationui {
namespace {

std::string Text(QLabel* label) { return label->text().toStdString(); }

bool SameImage(const QIcon& icon, int image) {
  return icon.pixmap(24, 24).toImage() == stationimages::GoNoGo(image).toImage();
}

class MainFrameTest : public StationWindowsTest {
 protected:
  void SetUp() override { ASSERT_EQ(Create(), 0); }

  // The clock pulse as clock_sync gives it, then the phase; what the frame
  // shows is brought up to date after each.
  void Show(int clock, int phase) {
    frame->GetModel().SetClock(clock);
    frame->UpdateCommandUi();
    doc.SetPhase(phase);
    frame->UpdateCommandUi();
  }
  std::string PhasePane() { return Text(frame->GetPane(CMainFrame::ID_INDICATOR_PHASE)); }
  std::string Countdown() { return Text(frame->GetGoNoGoBar()->GetCountdown()); }
  QAction* Command(unsigned id) { return frame->GetCommand(id); }
};

struct PhaseCase {
  const char* name;
  int phase;
  int clock;
  const char* pane;
  const char* countdown;
};

void PrintTo(const PhaseCase& c, std::ostream* out) { *out << c.name; }

class FrameTexts : public MainFrameTest, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(FrameTexts, ShowThePhaseAndTheCountdown) {
  Show(GetParam().clock, GetParam().phase);
  EXPECT_EQ(PhasePane(), GetParam().pane);
  EXPECT_EQ(Countdown(), GetParam().countdown);
}

INSTANTIATE_TEST_SUITE_P(
    PhasesAndClocks, FrameTexts,
    ::testing::Values(
        PhaseCase{"Unregistered", 0, 0, "Unregistered", "T-16 Hours, 0 Mins"},
        PhaseCase{"Registered", 1, 300, "Registered with ANS", "T-16 Hours, 0 Mins"},
        PhaseCase{"Initialized", 2, 300, "Initialized...", "T-16 Hours, 0 Mins"},
        PhaseCase{"RunningAtTheStart", 4, 0, "T-16 hours, 0 mins", "T-16 hours, 0 mins"},
        PhaseCase{"RunningAt61", 4, 61, "T-14 hours, 59 mins", "T-14 hours, 59 mins"},
        PhaseCase{"RunningAt899", 4, 899, "T-1 hours, 1 mins", "T-1 hours, 1 mins"},
        PhaseCase{"RunningAt900", 4, 900, "T-1 hours, 0 mins",
                  "T-1 hours, 0 mins The Launch Window is now open."},
        PhaseCase{"SyncPulse", 5, 120, "T-14 hours, 0 mins (Sync Pulse)", "T-14 hours, 0 mins"},
        // The bar keeps the countdown of the clock before.
        PhaseCase{"Paused", 3, 120, "Paused", "T-14 hours, 0 mins"},
        PhaseCase{"Complete", 6, 960, "Simulation Complete",
                  "T-0 hours, 0 mins The Launch Window is now open."},
        PhaseCase{"Unknown", 9, 120, "ERROR! Contact Administrator!", "T-14 hours, 0 mins"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFrameTest, NewFrameShowsTheIdleTextsAndTheDisabledGoNoGoBar) {
  EXPECT_EQ(Countdown(), "T-16 Hours, 0 Mins");
  EXPECT_EQ(PhasePane(), "Unregistered");
  EXPECT_FALSE(frame->GetGoNoGoBar()->isEnabled());
  EXPECT_TRUE(SameImage(Command(CMainFrame::ID_GONOGO)->icon(), CMainFrameModel::IMAGE_DISABLED));
  EXPECT_EQ(frame->windowTitle().toStdString(), "Version 3.10 - TesselStation");
}

struct LaunchCase {
  const char* name;
  int clock;
  bool enabled;
  int image;
};

void PrintTo(const LaunchCase& c, std::ostream* out) { *out << c.name; }

class GoNoGoBar : public MainFrameTest, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(GoNoGoBar, OpensWithTheLaunchWindow) {
  Show(GetParam().clock, CTesselStationDoc::PHASE_RUNNING);
  EXPECT_EQ(frame->GetGoNoGoBar()->isEnabled(), GetParam().enabled);
  EXPECT_TRUE(SameImage(Command(CMainFrame::ID_GONOGO)->icon(), GetParam().image));
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, GoNoGoBar,
    ::testing::Values(LaunchCase{"At899", 899, false, CMainFrameModel::IMAGE_DISABLED},
                      LaunchCase{"At900", 900, true, CMainFrameModel::IMAGE_NOGO},
                      LaunchCase{"PulseOverTheMinute", 930, true, CMainFrameModel::IMAGE_NOGO}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFrameTest, PressingGoNoGoShowsGoAndPressingAgainNoGo) {
  Show(900, CTesselStationDoc::PHASE_RUNNING);
  QAction* button = Command(CMainFrame::ID_GONOGO);
  button->trigger();
  EXPECT_TRUE(button->isChecked());
  EXPECT_TRUE(SameImage(button->icon(), CMainFrameModel::IMAGE_GO));
  button->trigger();
  EXPECT_FALSE(button->isChecked());
  EXPECT_TRUE(SameImage(button->icon(), CMainFrameModel::IMAGE_NOGO));
}

struct ZoomCase {
  const char* name;
  int scale;
  bool in;
  bool out;
};

void PrintTo(const ZoomCase& c, std::ostream* out) { *out << c.name; }

class ZoomCommands : public MainFrameTest, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomCommands, StopAtTheirLimits) {
  LoadMap({"ssww", "ssww"});
  doc.GetWorldMap()->setDefaultZoom(GetParam().scale);
  frame->UpdateCommandUi();
  EXPECT_EQ(Command(CMainFrame::ID_ZOOM_IN)->isEnabled(), GetParam().in);
  EXPECT_EQ(Command(CMainFrame::ID_ZOOM_OUT)->isEnabled(), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Scales, ZoomCommands,
                         ::testing::Values(ZoomCase{"Two", 2, true, false},
                                           ZoomCase{"Three", 3, true, true},
                                           ZoomCase{"Nine", 9, true, true},
                                           ZoomCase{"Ten", 10, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFrameTest, ZoomWithoutAMapIsDisabled) {
  doc.ClearDocument();
  frame->UpdateCommandUi();
  EXPECT_FALSE(Command(CMainFrame::ID_ZOOM_IN)->isEnabled());
  EXPECT_FALSE(Command(CMainFrame::ID_ZOOM_OUT)->isEnabled());
}

TEST_F(MainFrameTest, ZoomingInRendersTheMapLarger) {
  LoadMap({"ssww", "ssww"});
  ASSERT_EQ(doc.GetWorldMap()->getScalefactor(), 2);
  frame->GetView()->GetPicture();
  EXPECT_EQ(frame->GetView()->GetModel().GetTotalSize(), CSize(8, 4));
  Command(CMainFrame::ID_ZOOM_IN)->trigger();
  EXPECT_EQ(doc.GetWorldMap()->getScalefactor(), 3);
  frame->GetView()->GetPicture();
  EXPECT_EQ(frame->GetView()->GetModel().GetTotalSize(), CSize(12, 6));
}

struct SideCase {
  const char* name;
  const char* side;
  bool go;
  const char* alpha;
  const char* bravo;
  const char* charlie;
};

void PrintTo(const SideCase& c, std::ostream* out) { *out << c.name; }

class SidePanes : public MainFrameTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(SidePanes, ShowEachSidesStatus) {
  doc.SetSideStatus(GetParam().side, GetParam().go);
  frame->UpdateCommandUi();
  EXPECT_EQ(Text(frame->GetPane(CMainFrame::ID_INDICATOR_ALPHA)), GetParam().alpha);
  EXPECT_EQ(Text(frame->GetPane(CMainFrame::ID_INDICATOR_BRAVO)), GetParam().bravo);
  EXPECT_EQ(Text(frame->GetPane(CMainFrame::ID_INDICATOR_CHARLIE)), GetParam().charlie);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SidePanes,
    ::testing::Values(
        SideCase{"AlphaGo", "alpha", true, "Alpha Go", "Bravo No-Go", "Charlie No-Go"},
        SideCase{"BravoGo", "bravo", true, "Alpha No-Go", "Bravo Go", "Charlie No-Go"},
        SideCase{"CharlieGo", "charlie", true, "Alpha No-Go", "Bravo No-Go", "Charlie Go"},
        SideCase{"CharlieNoGo", "charlie", false, "Alpha No-Go", "Bravo No-Go", "Charlie No-Go"},
        SideCase{"UnknownSide", "delta", true, "Alpha No-Go", "Bravo No-Go", "Charlie No-Go"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFrameTest, PositionPaneShowsTheMouseCellInDegreesOnceThereIsAMap) {
  doc.ClearDocument();
  frame->UpdateCommandUi();
  EXPECT_EQ(Text(frame->GetPane(CMainFrame::ID_INDICATOR_POSITION)), "");
  doc.InitDocument();
  LoadMap({"ssww", "ssww"});
  // Cells of 250 degrees from 1000 up, in both directions.
  frame->GetModel().SetCursorCell(CPoint(2, 1));
  frame->UpdateCommandUi();
  EXPECT_EQ(Text(frame->GetPane(CMainFrame::ID_INDICATOR_POSITION)), "1500.0,1500.0");
}

TEST_F(MainFrameTest, FrameTakesFiveSeventhsOfTheScreenHeightAndItsWidth) {
  EXPECT_EQ(CMainFrame::FrameGeometry(QRect(0, 0, 1400, 700)), QRect(0, 0, 1400, 500));
  EXPECT_EQ(CMainFrame::FrameGeometry(QRect(0, 0, 1000, 601)), QRect(0, 0, 1000, 429));
}

class FailingStart : public StationWindowsTest,
                     public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(FailingStart, ShowsUnableToStartAgentAndFailsTheFrame) {
  testsupport::SeenBox seen;
  testsupport::close_next_box(&seen);
  EXPECT_EQ(Create(GetParam()), -1);
  EXPECT_EQ(seen.text.toStdString(), "Unable to start agent");
  EXPECT_EQ(doc.GetAgent(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    WrongOptions, FailingStart,
    ::testing::Values(std::vector<std::string>{"-port", "abc", "-ans", "-unknown-"},
                      std::vector<std::string>{"-port", "70000", "-ans", "-unknown-"},
                      std::vector<std::string>{"-ansport", "-1"},
                      std::vector<std::string>{"-name", "Alpha Station", "-ans", "-unknown-"},
                      std::vector<std::string>{"-name", "(Alpha)", "-ans", "-unknown-"}),
    [](const auto& info) {
      std::string name;
      for (const std::string& arg : info.param) {
        for (const char c : arg) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      }
      return name;
    });

}  // namespace
}  // namespace stationui
