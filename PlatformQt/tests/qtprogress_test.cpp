#include "PlatformQt/qtprogress.h"

#include <gtest/gtest.h>

namespace {

using platform::QtProgress;

TEST(QtProgress, BarLivesFromBeginToEndAndStopsAtTheEnd) {
  QWidget window;
  window.resize(300, 200);
  QtProgress progress(&window);
  EXPECT_EQ(progress.bar(), nullptr);

  progress.begin(0, 3, 1);
  QProgressBar* bar = progress.bar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->parentWidget(), &window);
  EXPECT_EQ(bar->geometry(), QRect(QPoint(20, 20), QPoint(279, 39)));
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 3);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_FALSE(bar->isTextVisible());
  for (int i = 0; i < 5; ++i) progress.step();
  EXPECT_EQ(bar->value(), 3);

  progress.end();
  EXPECT_EQ(progress.bar(), nullptr);
  EXPECT_TRUE(window.findChildren<QProgressBar*>().isEmpty());
  progress.step();  // after the end: nothing
}

TEST(QtProgress, StepsOfMoreThanOneAndARestart) {
  QWidget window;
  QtProgress progress(&window);
  progress.begin(10, 20, 4);
  progress.step();
  EXPECT_EQ(progress.bar()->value(), 14);
  progress.begin(0, 5, 1);  // the old bar goes
  EXPECT_EQ(window.findChildren<QProgressBar*>().size(), 1);
  EXPECT_EQ(progress.bar()->value(), 0);
}

TEST(QtProgress, WindowGoneOrMissingShowsNothing) {
  auto window = std::make_unique<QWidget>();
  QtProgress progress(window.get());
  progress.begin(0, 10, 1);
  window.reset();  // takes the bar with it
  EXPECT_EQ(progress.bar(), nullptr);
  progress.step();
  progress.end();
  progress.begin(0, 10, 1);
  EXPECT_EQ(progress.bar(), nullptr);

  QtProgress without(nullptr);
  without.begin(0, 1, 1);
  without.step();
  EXPECT_EQ(without.bar(), nullptr);
}

}  // namespace
