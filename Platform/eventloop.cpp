#include "Platform/eventloop.h"

#include <chrono>

#include "Platform/pollloop.h"

namespace platform {

namespace {

EventLoop* g_current = nullptr;

}  // namespace

bool EventLoop::run_until(const std::function<bool()>& done, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return done();
    process_events(static_cast<int>(left));
  }
  return true;
}

EventLoop& current_loop() {
  if (g_current != nullptr) return *g_current;
  static PollLoop default_loop;
  return default_loop;
}

void set_current_loop(EventLoop* loop) { g_current = loop; }

}  // namespace platform
