// The poll(2) back end of the event loop (see eventloop.h). One round runs
// the calls queued before it, then polls the active watches with the timeout
// of the nearest timer, then runs the ready watches and the due timers. A
// round that ran queued calls polls without waiting, and only when the last
// poll is kPollAtLeastEvery old.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>
#include <map>
#include <vector>

#include "Platform/eventloop.h"

namespace platform {

class PollLoop final : public EventLoop {
 public:
  PollLoop() = default;
  // Drops the queued calls first, while the loop is still whole, since their
  // captures (objects handed to delete_later) may unwatch or stop timers.
  ~PollLoop() override;

  Id watch(int fd, unsigned events, IoHandler handler) override;
  void set_events(Id watch, unsigned events) override;
  void unwatch(Id watch) override;
  Id start_timer(int milliseconds, bool periodic, Callback callback) override;
  void stop_timer(Id timer) override;
  void post(Task task) override;
  void run() override;
  void quit() override;
  int process_events(int timeout_ms) override;

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::microseconds kPollAtLeastEvery{100};

  struct Watch {
    int fd;
    unsigned events;
    IoHandler handler;
  };
  struct Timer {
    Clock::time_point due;
    std::chrono::milliseconds interval;
    bool periodic;
    Callback callback;
  };

  // The queue of posted calls, a ring that grows and never shrinks, so that
  // a loop in its steady state queues without allocating.
  void push_posted(Task task);
  Task pop_posted();

  int run_posted();
  int poll_timeout(int timeout_ms) const;
  int dispatch_ready(int timeout_ms);
  int fire_timers();

  std::map<Id, Watch> watches_;
  std::map<Id, Timer> timers_;
  std::vector<Task> posted_;
  size_t posted_head_ = 0;
  size_t posted_count_ = 0;
  // One round's poll set, kept for the next round's.
  std::vector<pollfd> poll_fds_;
  std::vector<Id> poll_ids_;
  bool dispatching_ = false;
  Clock::time_point last_poll_;  // of the watches, by this loop or a nested round
  Id next_id_ = 1;
  bool quit_ = false;
};

}  // namespace platform
