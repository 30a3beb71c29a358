// The QGuiApplication the pixel tests need for text, made before the first
// test and gone after the last; off-screen unless the environment says else.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>
#include <memory>

namespace {

class QtApplicationEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[24] = "TesselMapsLibTests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

testing::Environment* const qt_environment =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
