// Test fixture: a fresh poll loop, current for the life of the test, so that
// no window, socket or queued call leaks from one test into the next.
#pragma once

#include <gtest/gtest.h>

#include "Platform/eventloop.h"
#include "Platform/pollloop.h"

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

  platform::PollLoop loop;
};
