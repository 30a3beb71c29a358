#include "MarkDOM/domlog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <thread>
#include <vector>

#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

TEST(DOMLog, AppendsLinesToBothFiles) {
  TempDir dir;
  TempDir::write(dir.file("ErrFileName.txt"), "earlier\n");
  DOMLog log;
  ASSERT_EQ(log.open(), 0);
  log.error("bad tag");
  log.info("loaded");
  log.close();
  log.info("after close");  // not open: dropped
  EXPECT_EQ(TempDir::read(dir.file("ErrFileName.txt")), "earlier\nbad tag\n");
  EXPECT_EQ(TempDir::read(dir.file("InfoFileName.txt")), "loaded\n");

  ASSERT_EQ(log.open(), 0);  // reopening appends again
  log.info("second run");
  log.close();
  EXPECT_EQ(TempDir::read(dir.file("InfoFileName.txt")), "loaded\nsecond run\n");
}

TEST(DOMLog, FileThatCannotBeOpenedGivesMinusOne) {
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.file("InfoFileName.txt").c_str(), 0755), 0);  // a folder in its place
  DOMLog log;
  EXPECT_EQ(log.open(), -1);
  log.error("dropped");  // neither file stays open
  log.close();
  EXPECT_EQ(TempDir::read(dir.file("ErrFileName.txt")), "");
}

TEST(DOMLog, LinesFromThreadsDoNotMix) {
  TempDir dir;
  DOMLog log;
  ASSERT_EQ(log.open(), 0);
  const std::string line(200, 'x');
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&] {
      for (int i = 0; i < 100; ++i) log.error(line.c_str());
    });
  }
  for (auto& w : writers) w.join();
  log.close();
  std::string expected;
  for (int i = 0; i < 400; ++i) expected += line + "\n";
  EXPECT_EQ(TempDir::read(dir.file("ErrFileName.txt")), expected);
}

}  // namespace
