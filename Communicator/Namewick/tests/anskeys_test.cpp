// The keys an agent keeps for its names, in memory and in the file of its
// working directory that an agent started again there reads.
#include "Namewick/anskeys.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "testsupport/tempdir.h"

namespace {

using Holding = CANSKeys::Holding;
using testsupport::TempDir;

const Holding kAlpha{"127.0.0.1:6677", "Alpha", "127.0.0.1", 7001};

Holding with_port(Holding held, unsigned port) {
  held.port = port;
  return held;
}

Holding named(const std::string& name) {
  Holding held = kAlpha;
  held.name = name;
  return held;
}

class ANSKeys : public testing::Test {
 protected:
  TempDir dir;
};

TEST_F(ANSKeys, AKeyIsFoundAfterARestartOnlyAtItsPlace) {
  {
    CANSKeys before;
    ASSERT_TRUE(before.keep(kAlpha, "0123456789abcdef")) << before.error();
  }
  EXPECT_EQ(TempDir::read(CANSKeys::kFileName),
            "127.0.0.1:6677 Alpha 127.0.0.1 7001 0123456789abcdef\n");
  struct stat status {};
  ASSERT_EQ(stat(CANSKeys::kFileName, &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u) << "a key is its holder's secret";

  CANSKeys restarted;
  EXPECT_EQ(restarted.find(kAlpha), "0123456789abcdef");
  EXPECT_EQ(restarted.find(with_port(kAlpha, 7002)), "");
  Holding elsewhere = kAlpha;
  elsewhere.host = "127.0.0.2";
  EXPECT_EQ(restarted.find(elsewhere), "");
  Holding other_server = kAlpha;
  other_server.server = "127.0.0.1:6678";
  EXPECT_EQ(restarted.find(other_server), "");
  EXPECT_EQ(restarted.find(named("Bravo")), "");
  EXPECT_EQ(restarted.error(), "");
}

TEST_F(ANSKeys, ANewKeyOrAForgottenOneReplacesTheOldOnesOfTheName) {
  CANSKeys keys;
  const Holding bravo = named("Bravo");
  ASSERT_TRUE(keys.keep(kAlpha, "k1"));
  ASSERT_TRUE(keys.keep(bravo, "k2"));
  // The name moved to another port with a key of the server's.
  ASSERT_TRUE(keys.keep(with_port(kAlpha, 7002), "k3"));
  EXPECT_EQ(keys.find(kAlpha), "");
  EXPECT_EQ(keys.find(with_port(kAlpha, 7002)), "k3");
  EXPECT_EQ(TempDir::read(CANSKeys::kFileName),
            "127.0.0.1:6677 Bravo 127.0.0.1 7001 k2\n"
            "127.0.0.1:6677 Alpha 127.0.0.1 7002 k3\n");
  ASSERT_TRUE(keys.forget(kAlpha));
  EXPECT_EQ(keys.find(with_port(kAlpha, 7002)), "");
  EXPECT_EQ(TempDir::read(CANSKeys::kFileName), "127.0.0.1:6677 Bravo 127.0.0.1 7001 k2\n");
  EXPECT_EQ(CANSKeys().find(bravo), "k2");
}

TEST_F(ANSKeys, AgentsSharingTheDirectoryKeepEachOthersKeys) {
  CANSKeys first;
  CANSKeys second;
  const Holding bravo = with_port(named("Bravo"), 7002);
  ASSERT_TRUE(first.keep(kAlpha, "k1"));
  ASSERT_TRUE(second.keep(bravo, "k2"));
  EXPECT_EQ(CANSKeys().find(kAlpha), "k1");
  EXPECT_EQ(CANSKeys().find(bravo), "k2");
  // A name withdrawn, whoever withdrew it, is nobody's any more.
  ASSERT_TRUE(first.forget(bravo));
  EXPECT_EQ(CANSKeys().find(kAlpha), "k1");
  EXPECT_EQ(CANSKeys().find(bravo), "");
}

TEST_F(ANSKeys, LinesThatDoNotReadAsKeysAreDropped) {
  TempDir::write(CANSKeys::kFileName,
                 "127.0.0.1:6677 Alpha 127.0.0.1 7001 k1\n"
                 "127.0.0.1:6677 Short 127.0.0.1 7001\n"
                 "127.0.0.1:6677 Long 127.0.0.1 7001 k2 more\n"
                 "127.0.0.1:6677 Port 127.0.0.1 70000 k3\n"
                 "127.0.0.1:6677  Blank 127.0.0.1 7001 k4\n"
                 "127.0.0.1:6677 (List) 127.0.0.1 7001 k5\n"
                 "\n"
                 "127.0.0.1:6677 Last 127.0.0.1 7001 k6");
  CANSKeys keys;
  EXPECT_EQ(keys.find(named("Last")), "k6");
  EXPECT_EQ(keys.find(named("Port")), "");
  ASSERT_TRUE(keys.forget(named("Last")));
  EXPECT_EQ(TempDir::read(CANSKeys::kFileName), "127.0.0.1:6677 Alpha 127.0.0.1 7001 k1\n");
}

TEST_F(ANSKeys, TheOldestKeysGoBeyondTheBound) {
  CANSKeys keys;
  const auto numbered = [](size_t i) { return named("N" + std::to_string(i)); };
  for (size_t i = 0; i <= CANSKeys::kMaxKeys; ++i) {
    ASSERT_TRUE(keys.keep(numbered(i), "k" + std::to_string(i))) << i;
  }
  CANSKeys restarted;
  EXPECT_EQ(restarted.find(numbered(0)), "");
  EXPECT_EQ(restarted.find(numbered(1)), "k1");
  EXPECT_EQ(restarted.find(numbered(CANSKeys::kMaxKeys)),
            "k" + std::to_string(CANSKeys::kMaxKeys));
}

TEST_F(ANSKeys, AFileThatCannotBeUsedLeavesTheKeysInMemory) {
  ASSERT_TRUE(CANSKeys().keep(kAlpha, "k1"));
  // Another agent holds the file for longer than a call waits.
  const int held = open(CANSKeys::kFileName, O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  CANSKeys keys;
  EXPECT_EQ(keys.find(kAlpha), "");
  EXPECT_NE(keys.error(), "");
  const Holding bravo = named("Bravo");
  EXPECT_FALSE(keys.keep(bravo, "k2"));
  EXPECT_EQ(keys.error(), "[anskeys]: locked by another agent");
  EXPECT_EQ(keys.find(bravo), "k2");
  close(held);
  EXPECT_EQ(CANSKeys().find(bravo), "") << "never written";
  EXPECT_EQ(CANSKeys().find(kAlpha), "k1");

  // Only a plain file is taken.
  ASSERT_EQ(unlink(CANSKeys::kFileName), 0);
  ASSERT_EQ(symlink("elsewhere", CANSKeys::kFileName), 0);
  EXPECT_FALSE(keys.keep(kAlpha, "k3"));
  EXPECT_FALSE(TempDir::exists("elsewhere"));
}

}  // namespace
