// The balloon tooltip: where it hangs from its anchor and how it is kept on
// the screen, its size and shape, and the triggers that close it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <array>
#include <functional>
#include <ostream>
#include <string>

#include "TesselStation/balloonhelp.h"

namespace {

const QRect kWorkArea(0, 0, 1000, 800);

struct QuadrantCase {
  const char* name;
  QPoint anchor;
  int quadrant;
};

void PrintTo(const QuadrantCase& c, std::ostream* out) { *out << c.name; }

class Quadrants : public ::testing::TestWithParam<QuadrantCase> {};

TEST_P(Quadrants, FollowTheAnchorsQuarterOfTheWorkArea) {
  EXPECT_EQ(CBalloonHelp::Quadrant(GetParam().anchor, kWorkArea), GetParam().quadrant);
}

INSTANTIATE_TEST_SUITE_P(Anchors, Quadrants,
                         ::testing::Values(QuadrantCase{"TopRight", {700, 100}, 0},
                                           QuadrantCase{"TopLeft", {100, 100}, 1},
                                           QuadrantCase{"BottomRight", {700, 700}, 2},
                                           QuadrantCase{"BottomLeft", {100, 700}, 3},
                                           QuadrantCase{"OnTheMiddleRow", {100, 400}, 3},
                                           QuadrantCase{"OnTheMiddleColumn", {500, 100}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TailCase {
  const char* name;
  int quadrant;
  QSize size;
  std::array<QPoint, 3> tail;
};

void PrintTo(const TailCase& c, std::ostream* out) { *out << c.name; }

class Tails : public ::testing::TestWithParam<TailCase> {};

TEST_P(Tails, PointUpOrDownNearTheRightOrLeft) {
  EXPECT_EQ(CBalloonHelp::Tail(GetParam().quadrant, GetParam().size), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    Quadrants, Tails,
    ::testing::Values(
        TailCase{"UpRight", 0, {120, 80}, {QPoint(75, 21), QPoint(95, 21), QPoint(95, 1)}},
        TailCase{"UpLeft", 1, {120, 80}, {QPoint(45, 21), QPoint(25, 21), QPoint(25, 1)}},
        TailCase{"DownRight", 2, {120, 80}, {QPoint(75, 58), QPoint(95, 58), QPoint(95, 78)}},
        TailCase{"DownLeft", 3, {120, 80}, {QPoint(45, 58), QPoint(25, 58), QPoint(25, 78)}},
        // a = 2: every x held within 8 and width - 8.
        TailCase{"Narrow", 1, {28, 80}, {QPoint(20, 21), QPoint(8, 21), QPoint(8, 1)}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlaceCase {
  const char* name;
  QPoint anchor;
  int quadrant;
  QPoint corner;  // where the window goes
  int tipX;       // where its tip then is, in the window
};

void PrintTo(const PlaceCase& c, std::ostream* out) { *out << c.name; }

class Placement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(Placement, KeepsTheBalloonInTheWorkAreaAndTheTipOnTheAnchor) {
  const QSize size(120, 80);
  std::array<QPoint, 3> tail = CBalloonHelp::Tail(GetParam().quadrant, size);
  const QPoint corner = CBalloonHelp::Place(GetParam().anchor, size, kWorkArea, &tail);
  EXPECT_EQ(corner, GetParam().corner);
  EXPECT_EQ(tail[2].x(), GetParam().tipX);
  EXPECT_EQ(corner.x() + tail[2].x(), GetParam().anchor.x());
}

INSTANTIATE_TEST_SUITE_P(
    Anchors, Placement,
    ::testing::Values(PlaceCase{"Inside", {300, 300}, 1, {275, 299}, 25},
                      PlaceCase{"AtTheLeftEdge", {10, 300}, 1, {0, 299}, 10},
                      PlaceCase{"AtTheRightEdge", {995, 300}, 0, {880, 299}, 115},
                      // The band of the tail may leave the area, the body not.
                      PlaceCase{"AtTheTop", {300, 0}, 1, {275, -1}, 25},
                      PlaceCase{"BelowTheBottom", {300, 850}, 3, {275, 740}, 25}),
    [](const auto& info) { return std::string(info.param.name); });

// A balloon whose header and content have fixed sizes.
class FixedBalloon : public CBalloonHelp {
 protected:
  QSize DrawHeader(QPainter* /*painter*/, QPoint /*at*/) override { return {100, 20}; }
  QSize DrawContent(QPainter* /*painter*/, QPoint /*at*/) override { return {60, 30}; }
};

TEST(Balloon, IsItsContentAreaWithFrameAndTailAndShapedToThem) {
  auto* balloon = new FixedBalloon;
  QPointer<CBalloonHelp> alive(balloon);
  const QPoint anchor(300, 300);
  ASSERT_TRUE(balloon->Create("Title", "Content", anchor, CBalloonHelp::kDeleteThisOnClose));
  // 100 x (20 + 30 + 8), with 8 pixels of frame and 20 of tail.
  EXPECT_EQ(balloon->size(), QSize(116, 94));
  EXPECT_EQ(balloon->GetQuadrant(),
            CBalloonHelp::Quadrant(anchor, balloon->screen()->availableGeometry()));
  const QPoint tip = balloon->GetTail()[2];
  EXPECT_EQ(balloon->pos() + tip, anchor);
  // The shape holds the tail and the rounded body, not the corners.
  const QPoint intoTheTail(0, balloon->GetQuadrant() < 2 ? 2 : -2);
  EXPECT_TRUE(balloon->mask().contains(tip + intoTheTail));
  EXPECT_TRUE(balloon->mask().contains(QPoint(58, 47)));
  EXPECT_FALSE(balloon->mask().contains(QPoint(1, 1)));
  balloon->close();
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

struct TriggerCase {
  const char* name;
  unsigned options;
  std::function<void(QWidget*)> act;
  bool closes;
};

void PrintTo(const TriggerCase& c, std::ostream* out) { *out << c.name; }

class Triggers : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(Triggers, CloseTheBalloonOrNot) {
  QLineEdit elsewhere;  // another window of the program
  elsewhere.show();
  auto* balloon = CBalloonHelp::LaunchBalloon("Radar", "North Watch is up.", QPoint(300, 300),
                                              "information", GetParam().options);
  ASSERT_NE(balloon, nullptr);
  QPointer<CBalloonHelp> alive(balloon);
  GetParam().act(&elsewhere);
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(alive.isNull(), GetParam().closes);
  delete alive.data();
}

INSTANTIATE_TEST_SUITE_P(
    Options, Triggers,
    ::testing::Values(
        TriggerCase{"KeyPress", CBalloonHelp::kCloseOnKeyPress,
                    [](QWidget* w) { QTest::keyClick(w, Qt::Key_A); }, true},
        TriggerCase{"KeyPressWithoutTheOption", CBalloonHelp::kCloseOnLButtonDown,
                    [](QWidget* w) { QTest::keyClick(w, Qt::Key_A); }, false},
        TriggerCase{"LeftButtonDownAnywhere", CBalloonHelp::kCloseOnLButtonDown,
                    [](QWidget* w) { QTest::mousePress(w, Qt::LeftButton); }, true},
        TriggerCase{"RightButtonDownOnlyForTheRight", CBalloonHelp::kCloseOnRButtonDown,
                    [](QWidget* w) { QTest::mousePress(w, Qt::LeftButton); }, false},
        TriggerCase{"RightButtonUp", CBalloonHelp::kCloseOnRButtonUp,
                    [](QWidget* w) { QTest::mouseClick(w, Qt::RightButton); }, true},
        TriggerCase{"DelayedCloseWaitsForTheTimeOut",
                    CBalloonHelp::kCloseOnLButtonDown | CBalloonHelp::kDelayClose,
                    [](QWidget* w) { QTest::mousePress(w, Qt::LeftButton); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Balloon, TimeOutClosesIt) {
  QPointer<CBalloonHelp> alive(CBalloonHelp::LaunchBalloon("Radar", "Up.", QPoint(300, 300),
                                                           nullptr, 0, nullptr, nullptr, 20));
  ASSERT_FALSE(alive.isNull());
  EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 10000));
}

TEST(Balloon, DelayedCloseStartsTheTimeOutAtTheFirstTrigger) {
  QLineEdit elsewhere;
  elsewhere.show();
  QPointer<CBalloonHelp> alive(CBalloonHelp::LaunchBalloon(
      "Radar", "Up.", QPoint(300, 300), nullptr,
      CBalloonHelp::kCloseOnLButtonDown | CBalloonHelp::kDelayClose |
          CBalloonHelp::kCloseOnKeyPress,
      nullptr, nullptr, 20));
  ASSERT_FALSE(alive.isNull());
  QTest::qWait(100);  // no time-out before the trigger
  ASSERT_FALSE(alive.isNull());
  QTest::mousePress(&elsewhere, Qt::LeftButton);
  EXPECT_EQ(alive->GetOptions() & CBalloonHelp::kCloseOnMouse, 0u);
  EXPECT_NE(alive->GetOptions() & CBalloonHelp::kCloseOnKeyPress, 0u);
  EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 10000));
}

TEST(Balloon, MouseMayMoveWithinTheTolerance) {
  QLineEdit elsewhere;
  elsewhere.show();
  QPointer<CBalloonHelp> alive(CBalloonHelp::LaunchBalloon(
      "Radar", "Up.", QPoint(300, 300), nullptr, CBalloonHelp::kCloseOnMouseMove));
  const QPoint shownAt = QCursor::pos();  // where the balloon saw the mouse
  const auto move = [&](QPoint by) {
    QMouseEvent moved(QEvent::MouseMove, QPointF(5, 5), QPointF(shownAt + by), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&elsewhere, &moved);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  };
  move(QPoint(3, -3));
  EXPECT_FALSE(alive.isNull());
  move(QPoint(0, 4));
  EXPECT_TRUE(alive.isNull());
  delete alive.data();
}

}  // namespace
