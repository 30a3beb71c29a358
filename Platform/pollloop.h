// The epoll(7) back end of the event loop (see eventloop.h). One round runs
// the calls queued before it, then waits for the watched descriptors with
// the timeout of the nearest timer, then runs the ready watches and the due
// timers. A round that ran queued calls waits not at all, and looks at the
// descriptors only when it last did so kPollAtLeastEvery ago.
//
// The kernel keeps the set of watched descriptors, so that a round costs
// what is ready, not what is watched: a watch is registered once, and its
// events are changed in the kernel only when a watch asks for more than is
// registered; events that are no longer wanted are dropped from the kernel's
// set when they next come. Ready watches run in the order they were made,
// as with a poll of them all. The clock is read once per busy round.
//
// A descriptor that is closed while watched leaves the kernel's set with
// it. Its number may come back for another file; the loop never reports
// that file to the old watch: a new watch of the number replaces the old
// one, and a watch is registered again only for the file it was made for.
// A registration that outlives its descriptor (the file stays open in a
// copy, made by dup or fork) is dropped by rebuilding the kernel's set when
// it reports.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Platform/eventloop.h"

namespace platform {

class PollLoop final : public EventLoop {
 public:
  PollLoop();
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
  // Ready descriptors taken from the kernel per wait; more wait for the
  // next round, in turn.
  static constexpr int kMaxReady = 256;
  // A watch's id carries the slot that holds it in its low bits, so that
  // finding it is one look, whatever the number of watches; a timer's id
  // carries kNoSlot. The bits above count up: no id comes twice.
  static constexpr unsigned kSlotBits = 24;
  static constexpr Id kNoSlot = (Id{1} << kSlotBits) - 1;

  struct Watch {
    Id id;  // 0: a free slot
    int fd;
    unsigned events;      // IoEvent bits wanted
    uint32_t registered;  // the epoll events in the kernel's set; 0: not in it
    // The file the watch was made for, to tell it from a later file with
    // the same number.
    dev_t device;
    ino_t inode;
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
  int wait_timeout(int timeout_ms, Clock::time_point now) const;
  int dispatch_ready(int timeout_ms);
  int fire_timers(Clock::time_point now);

  Id next_id(Id slot) { return (next_serial_++ << kSlotBits) | slot; }
  // The watch of that id, or null.
  Watch* find_watch(Id id);
  // Forgets the watch and frees its slot.
  void drop(Watch& watch);
  // Gives the kernel's set what `watch` wants, where it wants more than is
  // registered.
  void widen(Watch& watch);
  // Takes what `watch` no longer wants out of the kernel's set.
  void narrow(Watch& watch);
  // False when the watch's descriptor no longer names its file.
  static bool still_its_file(const Watch& watch);
  // A new kernel set holding the registrations of the current watches.
  void rebuild();

  int epoll_fd_ = -1;
  std::vector<Watch> slots_;
  std::vector<Id> free_slots_;
  std::unordered_map<int, Id> by_fd_;  // the watch that holds each descriptor
  // Set when a registration may have outlived its watch.
  bool maybe_orphans_ = false;
  std::map<Id, Timer> timers_;
  // Every timer by its due time, so that a round looks at the next one only.
  std::set<std::pair<Clock::time_point, Id>> by_due_;
  std::vector<Task> posted_;
  size_t posted_head_ = 0;
  size_t posted_count_ = 0;
  Clock::time_point last_poll_;  // of the watches, by this loop or a nested round
  Id next_serial_ = 1;
  bool quit_ = false;
};

}  // namespace platform
