// Test helper: a locale with a decimal comma (German numbers), for tests
// that check that texts keep the decimal point whatever the process's
// locale. A bare machine has no compiled locales, so the locale is compiled
// from the system's sources (Debian's "locales") into a temporary folder of
// its own.
//
//   class InGerman : public testsupport::CommaLocaleTest<MyFixture> {};
//   TEST_F(InGerman, ...) { ... }   // "%.1f" of 1.5 reads "1,5" here
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace testsupport {

class CommaLocale {
 public:
  CommaLocale() {
    char folder[] = "/tmp/comma-locale-XXXXXX";
    if (mkdtemp(folder) == nullptr) return;
    folder_ = folder;
    const std::string command =
        "localedef -i de_DE -f UTF-8 " + folder_ + "/de_DE.UTF-8 >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(command.c_str());
  }
  ~CommaLocale() {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  // Makes the process's numbers German; false when the locale could not be
  // made or does not write a comma.
  bool enter() {
    if (folder_.empty() || !std::filesystem::exists(folder_ + "/de_DE.UTF-8/LC_NUMERIC")) {
      return false;
    }
    setenv("LOCPATH", folder_.c_str(), 1);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) return false;
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    return std::strcmp(probe, "1,5") == 0;
  }
  // Back to the "C" numbers.
  void leave() {
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
  }

 private:
  std::string folder_;
};

// A fixture whose tests run with German numbers, made once for the suite;
// its tests are skipped when no such locale can be made.
template <typename Base = ::testing::Test>
class CommaLocaleTest : public Base {
 protected:
  static void SetUpTestSuite() { german_ = std::make_unique<CommaLocale>(); }
  static void TearDownTestSuite() { german_.reset(); }
  void SetUp() override {
    Base::SetUp();
    if (!german_->enter()) GTEST_SKIP() << "no German locale could be made";
  }
  void TearDown() override {
    german_->leave();
    Base::TearDown();
  }

 private:
  static inline std::unique_ptr<CommaLocale> german_;
};

}  // namespace testsupport
