// The QApplication every Qt test program needs (text, widgets), made before
// the first test and gone after the last; off-screen unless the environment
// says otherwise.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <memory>

namespace {

class QtApplicationEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[8] = "tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

testing::Environment* const qt_environment =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
