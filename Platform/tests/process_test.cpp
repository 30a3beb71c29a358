#include "Platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

TEST(Process, StartsWithoutWaitingAndPassesArguments) {
  TempDir dir;
  const std::string script = dir.file("run.sh");
  TempDir::write(script, "#!/bin/sh\necho \"$0 $1\" > \"$(dirname \"$0\")/out.txt\"\n");
  chmod(script.c_str(), 0700);

  EXPECT_EQ(platform::start_process(script, {script, "_execl"}), 0);
  std::string out;
  for (int i = 0; i < 500 && out.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    out = TempDir::read(dir.file("out.txt"));
  }
  EXPECT_EQ(out, script + " _execl\n");
  // The child was detached: nothing is left for this process to reap.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(Process, ReportsTheExecError) {
  TempDir dir;
  const std::string garbage = dir.file("garbage");
  TempDir::write(garbage, "\x7f\x01\x02 not a program");
  chmod(garbage.c_str(), 0700);
  const std::string plain = dir.file("plain");
  TempDir::write(plain, "#!/bin/sh\n");
  chmod(plain.c_str(), 0600);

  EXPECT_EQ(platform::start_process(dir.file("missing"), {"missing"}), ENOENT);
  EXPECT_EQ(platform::start_process(garbage, {garbage}), ENOEXEC);
  EXPECT_EQ(platform::start_process(plain, {plain}), EACCES);
}

}  // namespace
