#include "PlatformQt/crashreport.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "testsupport/childprocess.h"
#include "testsupport/tempdir.h"

namespace {

struct CrashCase {
  const char* name;
  const char* how;
  const char* header;
};

void PrintTo(const CrashCase& c, std::ostream* out) { *out << c.name; }

class CrashReport : public ::testing::TestWithParam<CrashCase> {
 protected:
  testsupport::TempDir dir;  // the probe's working directory
};

TEST_P(CrashReport, ACrashingProcessWritesItsSignalAndBacktraceAndStillDies) {
  childtest::ChildProcess probe;
  ASSERT_TRUE(probe.start(TESSEL_PLATFORMQT_PROBE, {"crash", GetParam().how}));
  const std::string file = dir.file("crash-" + std::to_string(probe.pid()) + ".txt");
  probe.read_all(10000);
  EXPECT_EQ(probe.wait_exit(5000), -1);  // ended by the signal
  ASSERT_TRUE(testsupport::TempDir::exists(file));
  const std::string report = testsupport::TempDir::read(file);
  EXPECT_EQ(report.rfind(GetParam().header, 0), 0u) << report;
  EXPECT_NE(report.find("Backtrace:\n"), std::string::npos) << report;
  EXPECT_NE(report.find("platformqt-probe("), std::string::npos) << report;  // a frame of its own
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CrashReport,
    ::testing::Values(
        CrashCase{"InvalidMemoryAccess", "segv",
                  "TesselStation crashed: signal 11 SIGSEGV (invalid memory access)\n"},
        CrashCase{"Abort", "abort", "TesselStation crashed: signal 6 SIGABRT (aborted)\n"}),
    [](const ::testing::TestParamInfo<CrashCase>& info) { return info.param.name; });

TEST(CrashReportQuiet, AProcessThatEndsNormallyWritesNothing) {
  testsupport::TempDir dir;
  childtest::ChildProcess probe;
  ASSERT_TRUE(probe.start(TESSEL_PLATFORMQT_PROBE, {"exit"}));
  const std::string file = dir.file("crash-" + std::to_string(probe.pid()) + ".txt");
  probe.read_all(10000);
  EXPECT_EQ(probe.wait_exit(5000), 0);
  EXPECT_FALSE(testsupport::TempDir::exists(file));
}

}  // namespace
