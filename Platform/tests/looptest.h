// Test fixture: a fresh event loop, current for the life of the test, so that
// no window, socket or queued call leaks from one test into the next.
//
// The loop is a PollLoop unless the test program names another back end
// before its first test (looptest::set_factory): the Qt back end's tests run
// the same event-loop, window and socket tests on their loop that way.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Platform/eventloop.h"
#include "Platform/pollloop.h"

namespace looptest {

using Factory = std::unique_ptr<platform::EventLoop> (*)();

inline Factory& factory() {
  static Factory make = []() -> std::unique_ptr<platform::EventLoop> {
    return std::make_unique<platform::PollLoop>();
  };
  return make;
}

inline void set_factory(Factory make) { factory() = make; }

// A new loop of the program's back end.
inline std::unique_ptr<platform::EventLoop> make_loop() { return factory()(); }

}  // namespace looptest

class LoopTest : public ::testing::Test {
 protected:
  LoopTest() { platform::set_current_loop(&loop); }
  ~LoopTest() override { platform::set_current_loop(nullptr); }

  // Rounds with nothing to run: what a loop that does not spin shows.
  bool stays_idle() {
    for (int round = 0; round < 5; ++round) {
      if (loop.process_events(20) != 0) return false;
    }
    return true;
  }

 private:
  std::unique_ptr<platform::EventLoop> owned_loop_ = looptest::make_loop();

 protected:
  platform::EventLoop& loop = *owned_loop_;
};
