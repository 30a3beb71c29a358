#include "Toolwick/debug.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <string>

#include "Toolwick/commandline.h"
#include "Toolwick/dna.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// Made before main, so before the first log file is opened: it lets go of
// its file at exit, after every static object made later has gone.
CCommandLine made_before_any_log_file;

// Whether a descriptor is still open: tells whether a stream was closed
// without touching the (then freed) FILE.
bool still_open(int fd) { return fcntl(fd, F_GETFD) != -1; }

TEST(Debug, WritesNumberedTimeStampedLines) {
  TempDir dir;
  CDebug log;
  log.debug("ignored before a file is set");
  ASSERT_EQ(log.Create("log.txt"), 1);
  EXPECT_STREQ(log.get_file(), "log.txt");
  log.debug("<CParser> %s", "KQML parser assigned");
  log.dprintf("%d%%", 50);
  log.close();
  log.debug("ignored after close");
  EXPECT_EQ(log.get_file_pointer(), nullptr);

  const std::string text = TempDir::read("log.txt");
  const std::regex form(
      R"(\[00000\] \[\d\d:[ \d]\d:\d\d\] <CParser> KQML parser assigned\n)"
      R"(\[00001\] \[\d\d:[ \d]\d:\d\d\] 50%\n)");
  EXPECT_TRUE(std::regex_match(text, form)) << text;
}

TEST(Debug, MessagesAreNotBoundedByALineBuffer) {
  TempDir dir;
  CDebug log;
  log.set_file("log.txt");
  const std::string big(20000, 'x');
  log.debug("%s", big.c_str());
  log.close();
  EXPECT_NE(TempDir::read("log.txt").find(big + "\n"), std::string::npos);
}

TEST(Debug, SharedStreamNumbersPerObjectAndClosesWithItsLastUser) {
  TempDir dir;
  auto owner = std::make_unique<CDebug>();
  owner->set_file("shared.txt");
  FILE* stream = owner->get_file_pointer();
  const int fd = fileno(stream);
  CDebug adopter;
  adopter.set_file(stream);
  owner->debug("a");
  adopter.debug("b");

  owner.reset();  // the opener goes first: the adopter still writes
  ASSERT_TRUE(still_open(fd));
  adopter.debug("c");
  adopter.close();  // the last user lets go: closed
  EXPECT_FALSE(still_open(fd));
  const std::regex form(R"(\[00000\] \[[^\]]*\] a\n\[00000\] \[[^\]]*\] b\n\[00001\] \[[^\]]*\] c\n)");
  EXPECT_TRUE(std::regex_match(TempDir::read("shared.txt"), form));
}

TEST(Debug, NeverClosesAStreamItDidNotOpen) {
  TempDir dir;
  FILE* foreign = std::fopen("foreign.txt", "w");
  {
    CDebug log;
    log.set_file(foreign);
    log.debug("x");
    log.set_file("mine.txt");  // lets go of the adopted stream
    log.set_file(foreign);
    log.close();
  }
  EXPECT_TRUE(still_open(fileno(foreign)));
  std::fclose(foreign);
}

TEST(Debug, SetFileKeepsStateForNullAndOwnPath) {
  TempDir dir;
  CDebug log;
  log.set_file("a.txt");
  FILE* before = log.get_file_pointer();
  log.set_file(static_cast<const char*>(nullptr));
  log.set_file(static_cast<FILE*>(nullptr));
  EXPECT_EQ(log.get_file_pointer(), before);
  log.set_file(log.get_file());  // reopened from its own path
  EXPECT_STREQ(log.get_file(), "a.txt");
  EXPECT_NE(log.get_file_pointer(), nullptr);
  EXPECT_EQ(log.Create("/nonexistent/dir/x.txt"), 0);
  EXPECT_EQ(log.get_file_pointer(), nullptr);
}

TEST(DebugDeathTest, AStaticObjectMadeBeforeTheFirstLogFileClosesItAtExit) {
  TempDir dir;
  EXPECT_EXIT(
      {
        made_before_any_log_file.set_file("early.txt");
        made_before_any_log_file.debug("logged");
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_NE(TempDir::read("early.txt").find("] logged\n"), std::string::npos);
}

TEST(Debug, TimeTexts) {
  tm t{};
  t.tm_wday = 2;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_hour = 22;
  t.tm_min = 5;
  t.tm_sec = 7;
  t.tm_year = 126;
  EXPECT_STREQ(CDebug::my_asctime(&t), "Tue-Dec- 8-22_ 5_07-2026");
  EXPECT_STREQ(CDebug::my_asctime_short(&t), "22: 5:07");
  t.tm_wday = 7;
  t.tm_mon = -1;
  EXPECT_STREQ(CDebug::my_asctime(&t), "?\?\?-?\?\?- 8-22_ 5_07-2026");
  EXPECT_STREQ(CDebug::my_asctime(nullptr), "");
  EXPECT_STREQ(CDebug::my_asctime_short(nullptr), "");
}

TEST(DNA, Names) {
  CDNA unnamed;
  EXPECT_EQ(unnamed.get_name(), nullptr);
  CDNA named("agent");
  EXPECT_STREQ(named.get_name(), "agent");
  named.set_name(named.get_name() + 1);  // a text inside its own name
  EXPECT_STREQ(named.get_name(), "gent");
  named.set_name(nullptr);
  EXPECT_EQ(named.get_name(), nullptr);
  EXPECT_EQ(CDNA(nullptr).get_name(), nullptr);
}

}  // namespace
