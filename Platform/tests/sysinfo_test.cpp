#include "Platform/sysinfo.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// The file time is the Unix time moved to 1601 in 100 ns units.
TEST(SysinfoTest, FileTimeIsUnixTimeFrom1601) {
  const time_t before = time(nullptr);
  const uint64_t now = platform::file_time_now();
  const time_t after = time(nullptr);
  const uint64_t seconds = (now - platform::kUnixEpochFileTime) / 10000000;
  EXPECT_GE(seconds, static_cast<uint64_t>(before));
  EXPECT_LE(seconds, static_cast<uint64_t>(after));
}

}  // namespace
