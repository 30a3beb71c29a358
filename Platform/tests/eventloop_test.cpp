#include "Platform/eventloop.h"

#include <gtest/gtest.h>
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
