#include "Platform/eventloop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "looptest.h"

namespace {

using EventLoopTest = LoopTest;

TEST_F(EventLoopTest, PostedCallsRunInOrderAndLaterPostsWaitForTheNextRound) {
  std::vector<std::string> ran;
  loop.post([&] {
    ran.push_back("a");
    loop.post([&] { ran.push_back("c"); });
  });
  loop.post([&] { ran.push_back("b"); });

  EXPECT_EQ(loop.process_events(0), 2);
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(loop.process_events(0), 1);
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(loop.process_events(0), 0);
}

TEST_F(EventLoopTest, CallsPostedFromCallsRunInTheOrderPosted) {
  // Enough calls, posted while others are queued, that the queue wraps
  // and grows in the middle of a round.
  std::vector<int> ran;
  std::vector<int> expected;
  int next = 100;
  for (int i = 0; i < 12; ++i) {
    loop.post([&, i] {
      ran.push_back(i);
      for (int k = 0; k < 3; ++k) {
        const int id = next++;
        loop.post([&ran, id] { ran.push_back(id); });
      }
    });
    expected.push_back(i);
  }
  for (int id = 100; id < 136; ++id) expected.push_back(id);
  EXPECT_TRUE(loop.run_until([&] { return ran.size() == expected.size(); }, 2000));
  EXPECT_EQ(ran, expected);
}

TEST_F(EventLoopTest, ARoundThatRanQueuedCallsDoesNotWait) {
  // run_until re-checks its condition after each round, so a round that ran
  // the call it waits for must come back instead of sleeping in poll.
  bool done = false;
  loop.post([&] { done = true; });
  loop.start_timer(10000, false, [] { ADD_FAILURE() << "the round waited after its calls ran"; });
  EXPECT_TRUE(loop.run_until([&] { return done; }, 20000));
}

TEST_F(EventLoopTest, RunReturnsAfterQuitFromACallback) {
  int rounds = 0;
  std::function<void()> again = [&] {
    if (++rounds == 3) {
      loop.quit();
    } else {
      loop.post(again);
    }
  };
  loop.post(again);
  loop.run();  // would block for ever if quit were missed
  EXPECT_EQ(rounds, 3);
}

TEST_F(EventLoopTest, SingleShotAndPeriodicTimers) {
  int single = 0;
  int periodic = 0;
  loop.start_timer(1, false, [&] { ++single; });
  platform::EventLoop::Id ticker = 0;
  ticker = loop.start_timer(1, true, [&] {
    if (++periodic == 3) loop.stop_timer(ticker);  // stopping from inside is safe
  });

  EXPECT_TRUE(loop.run_until([&] { return periodic == 3; }, 5000));
  EXPECT_EQ(single, 1);
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(periodic, 3);
}

TEST_F(EventLoopTest, StoppedTimerNeverFires) {
  int fired = 0;
  const platform::EventLoop::Id timer = loop.start_timer(0, false, [&] { ++fired; });
  loop.stop_timer(timer);
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(fired, 0);
}

class PipeTest : public LoopTest {
 protected:
  PipeTest() { EXPECT_EQ(pipe(fds), 0); }
  ~PipeTest() override {
    close(fds[0]);
    close(fds[1]);
  }
  int fds[2] = {-1, -1};
};

TEST_F(PipeTest, WatchIsLevelTriggeredUntilPausedOrRemoved) {
  int readable = 0;
  const platform::EventLoop::Id watch =
      loop.watch(fds[0], platform::kReadable, [&](unsigned ready) {
        EXPECT_EQ(ready, platform::kReadable);
        ++readable;
      });
  EXPECT_TRUE(stays_idle());
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  loop.process_events(1000);
  loop.process_events(1000);
  EXPECT_EQ(readable, 2);  // the byte is still there

  loop.set_events(watch, 0);
  EXPECT_TRUE(stays_idle());
  loop.set_events(watch, platform::kReadable);
  loop.process_events(1000);
  EXPECT_EQ(readable, 3);

  loop.unwatch(watch);
  EXPECT_TRUE(stays_idle());
}

TEST_F(PipeTest, CallsThatKeepQueueingOthersLetAReadyDescriptorRun) {
  bool readable = false;
  long calls = 0;
  std::function<void()> again = [&] {
    ++calls;
    if (!readable) loop.post(again);
  };
  loop.post(again);
  loop.watch(fds[0], platform::kReadable, [&](unsigned) { readable = true; });
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  EXPECT_TRUE(loop.run_until([&] { return readable; }, 5000)) << calls << " calls ran";
}

TEST_F(PipeTest, HandlerMayRemoveItsOwnWatch) {
  int calls = 0;
  platform::EventLoop::Id watch = 0;
  watch = loop.watch(fds[1], platform::kWritable, [&, marker = std::string(64, 'm')](unsigned) {
    loop.unwatch(watch);
    ++calls;
    EXPECT_EQ(marker.size(), 64u);  // the handler's captures outlive the removal
  });
  loop.process_events(1000);
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(calls, 1);
}

TEST_F(PipeTest, WritableIsToldWhileThereIsRoomAndAgainOnceThePeerReads) {
  ASSERT_EQ(fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
  ASSERT_EQ(fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
  int writable = 0;
  loop.watch(fds[1], platform::kWritable, [&](unsigned ready) {
    EXPECT_EQ(ready, platform::kWritable);
    ++writable;
  });
  EXPECT_TRUE(loop.run_until([&] { return writable > 0; }, 2000));

  const std::string chunk(4096, 'w');
  while (write(fds[1], chunk.data(), chunk.size()) > 0) {
  }
  writable = 0;
  EXPECT_TRUE(stays_idle());  // full: nothing to tell
  char buffer[4096];
  while (read(fds[0], buffer, sizeof buffer) > 0) {
  }
  EXPECT_TRUE(loop.run_until([&] { return writable > 0; }, 2000));
}

TEST_F(EventLoopTest, AWatchOfBothEventsIsToldOfEachThatIsReady) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair), 0);
  unsigned told = 0;
  const platform::EventLoop::Id watch =
      loop.watch(pair[0], platform::kReadable | platform::kWritable,
                 [&](unsigned ready) { told |= ready; });
  EXPECT_TRUE(loop.run_until([&] { return told == platform::kWritable; }, 2000));
  ASSERT_EQ(write(pair[1], "x", 1), 1);
  EXPECT_TRUE(loop.run_until([&] { return told == (platform::kReadable | platform::kWritable); },
                             2000));
  loop.set_events(watch, platform::kReadable);
  told = 0;
  loop.process_events(1000);
  EXPECT_EQ(told, platform::kReadable);
  loop.unwatch(watch);
  close(pair[0]);
  close(pair[1]);
}

TEST_F(EventLoopTest, ADescriptorClosedWhileWatchedNeverReachesItsOldHandler) {
  // In one case a copy keeps the first file open after its number is
  // closed, so that it can still come ready.
  struct Case {
    const char* name;
    bool copy_kept;
  };
  for (const Case& c : {Case{"closed", false}, Case{"a copy kept open", true}}) {
    SCOPED_TRACE(c.name);
    int first[2];
    ASSERT_EQ(pipe(first), 0);
    const int number = first[0];
    const int copy = c.copy_kept ? dup(number) : -1;
    int old_calls = 0;
    const platform::EventLoop::Id old_watch =
        loop.watch(number, platform::kReadable, [&](unsigned) { ++old_calls; });
    close(number);
    if (copy >= 0) {
      ASSERT_EQ(write(first[1], "old", 3), 3);
    }

    // The number comes back for the read end of a new pipe.
    int second[2];
    ASSERT_EQ(pipe(second), 0);
    if (second[0] != number) {
      ASSERT_EQ(dup2(second[0], number), number);
      close(second[0]);
    }
    std::string got;
    loop.watch(number, platform::kReadable, [&](unsigned) {
      char buffer[16];
      const ssize_t count = read(number, buffer, sizeof buffer);
      if (count > 0) got.append(buffer, static_cast<size_t>(count));
    });
    ASSERT_EQ(write(second[1], "new", 3), 3);
    EXPECT_TRUE(loop.run_until([&] { return got == "new"; }, 2000));
    // A late unwatch of the old watch leaves the new one alone.
    loop.unwatch(old_watch);
    ASSERT_EQ(write(second[1], "er", 2), 2);
    EXPECT_TRUE(loop.run_until([&] { return got == "newer"; }, 2000));
    EXPECT_EQ(old_calls, 0);
    EXPECT_TRUE(stays_idle());

    close(number);
    close(second[1]);
    close(first[1]);
    if (copy >= 0) close(copy);
  }
}

struct Tracked {
  explicit Tracked(int* deletions) : deletions(deletions) {}
  ~Tracked() { ++*deletions; }
  int* deletions;
};

TEST_F(EventLoopTest, DeleteLaterWaitsForTheRunningCallback) {
  int deletions = 0;
  auto* object = new Tracked(&deletions);
  loop.post([&] {
    platform::delete_later(object);
    EXPECT_EQ(deletions, 0);  // still usable here
    EXPECT_EQ(object->deletions, &deletions);
  });
  loop.process_events(0);
  EXPECT_EQ(deletions, 0);
  loop.process_events(0);
  EXPECT_EQ(deletions, 1);
}

TEST(EventLoop, ObjectsLeftForDeletionGoWithTheLoop) {
  int deletions = 0;
  {
    const std::unique_ptr<platform::EventLoop> loop = looptest::make_loop();
    platform::set_current_loop(loop.get());
    platform::delete_later(new Tracked(&deletions));
    platform::set_current_loop(nullptr);
  }
  EXPECT_EQ(deletions, 1);
}

TEST(EventLoop, DefaultLoopIsCurrentUnlessAnotherIsSet) {
  platform::EventLoop& fallback = platform::current_loop();
  const std::unique_ptr<platform::EventLoop> mine = looptest::make_loop();
  platform::set_current_loop(mine.get());
  EXPECT_EQ(&platform::current_loop(), mine.get());
  platform::set_current_loop(nullptr);
  EXPECT_EQ(&platform::current_loop(), &fallback);
}

}  // namespace
