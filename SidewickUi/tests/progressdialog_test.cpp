#include "SidewickUi/progressdialog.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(ProgressDialog, HooksMoveTextAndBar) {
  CProgressDialog progress;
  ASSERT_NE(progress.dialog(), nullptr);
  EXPECT_FALSE(progress.dialog()->isVisible());
  EXPECT_FALSE(progress.dialog()->isModal());
  progress.dialog()->show();

  CProgress& hooks = progress;  // as a task sees it
  hooks.set_range(10, 20);
  EXPECT_EQ(progress.bar()->minimum(), 10);
  EXPECT_EQ(progress.bar()->maximum(), 20);
  EXPECT_EQ(progress.bar()->value(), 10);
  hooks.set_text("Copying map tiles");
  EXPECT_EQ(progress.label()->text(), "Copying map tiles");
  hooks.update(15);
  EXPECT_EQ(progress.bar()->value(), 15);
  hooks.update(99);  // held to the range
  EXPECT_EQ(progress.bar()->value(), 20);
  hooks.update(-5);
  EXPECT_EQ(progress.bar()->value(), 10);
  hooks.update(17);
  hooks.reset();
  EXPECT_EQ(progress.bar()->value(), 10);
  EXPECT_EQ(progress.label()->text(), "Copying map tiles");
  hooks.set_text(nullptr);
  EXPECT_EQ(progress.label()->text(), "");
  hooks.set_range(5, 1);
  EXPECT_EQ(progress.bar()->minimum(), 5);
  EXPECT_EQ(progress.bar()->maximum(), 5);
  EXPECT_TRUE(progress.dialog()->isVisible());
}

TEST(ProgressDialog, GoesWithItsParentOrWithTheObject) {
  auto window = std::make_unique<QWidget>();
  auto progress = std::make_unique<CProgressDialog>(window.get());
  EXPECT_EQ(progress->dialog()->parentWidget(), window.get());
  window.reset();  // takes the dialog with it
  EXPECT_EQ(progress->dialog(), nullptr);
  progress->set_range(0, 3);
  progress->set_text("after");
  progress->update(1);
  progress->reset();
  progress.reset();

  QWidget other;
  { CProgressDialog gone(&other); }
  EXPECT_TRUE(other.findChildren<QDialog*>().isEmpty());
}

}  // namespace
