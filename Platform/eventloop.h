// The event loop: one thread waits for descriptors, timers and posted calls
// and runs their callbacks one at a time. Every window, socket and timer of
// Platform lives on a loop and is called back from it; nothing is locked and
// no call may come from another thread.
//
// EventLoop is the interface; PollLoop (pollloop.h) is the epoll(7) back end,
// and a Qt back end implements the same interface over QSocketNotifier and
// QTimer. Callers use only this header.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "Platform/task.h"

namespace platform {

// Readiness bits for a descriptor watch.
enum IoEvent : unsigned {
  kReadable = 1u,  // data, end of stream or an error is waiting
  kWritable = 2u,
};

class EventLoop {
 public:
  using Callback = std::function<void()>;
  // Called with the subset of the watched events that are ready.
  using IoHandler = std::function<void(unsigned ready)>;
  // Names a watch or a timer; 0 names nothing, ids are never reused.
  using Id = uint64_t;

  EventLoop() = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;
  virtual ~EventLoop() = default;

  // Calls `handler` whenever `fd` is ready for one of `events` (IoEvent bits;
  // 0 pauses the watch). Readiness is level-triggered: a handler that leaves
  // the condition in place is called again on the next round. The caller
  // keeps the descriptor open and unwatches before closing it. A descriptor
  // has one watch: watching it again replaces the older watch, which is
  // never called again, so that a descriptor closed while watched and its
  // number reused never reaches the old handler.
  virtual Id watch(int fd, unsigned events, IoHandler handler) = 0;
  virtual void set_events(Id watch, unsigned events) = 0;
  // Safe from inside the watch's own handler; unknown ids are ignored.
  virtual void unwatch(Id watch) = 0;

  // Calls `callback` after `milliseconds` (negative counts as 0), then every
  // `milliseconds` when `periodic`. A periodic timer does not catch up on
  // missed periods. Stopping is safe from inside the callback.
  virtual Id start_timer(int milliseconds, bool periodic, Callback callback) = 0;
  virtual void stop_timer(Id timer) = 0;

  // Queues `task` to run from the loop after the current callback returns;
  // queued calls run in the order posted. Calls still queued when the loop
  // is destroyed are dropped without running (their captures are destroyed
  // then). A small call (task.h) is queued without allocating.
  virtual void post(Task task) = 0;

  // Runs rounds until quit() is called; quit() from a callback makes run()
  // return after the current round.
  virtual void run() = 0;
  virtual void quit() = 0;

  // One round: runs the calls queued so far, waits at most `timeout_ms` for a
  // descriptor or a timer (-1: no limit; 0: no wait; no wait at all when
  // queued calls ran or are still queued) and runs what became ready. A
  // round that ran queued calls may leave the descriptors to a later round
  // when they were looked at a moment ago (at most 0.1 ms), so that calls
  // that keep queueing others still let ready descriptors run. Returns the
  // number of callbacks run, so that tests can tell an idle loop from a busy one.
  virtual int process_events(int timeout_ms) = 0;

  // Runs rounds until `done()` holds or `timeout_ms` passed; returns done().
  // For tests and start-up code, never from inside a callback that the
  // awaited event depends on.
  bool run_until(const std::function<bool()>& done, int timeout_ms);
};

// The loop that Platform objects attach to when they are made: the one set by
// set_current_loop, else a PollLoop made on first use that lives until the
// process exits. Windows and sockets keep the loop current at their
// construction; the loop must outlive them.
EventLoop& current_loop();
// `loop` (not owned) becomes current; null brings back the default loop.
void set_current_loop(EventLoop* loop);

// Deletes `object` from the current loop's queue, after the callback that is
// running returns, so that a handler may drop the object that called it. The
// object is deleted even if the loop is destroyed before the call ran.
template <typename T>
void delete_later(T* object) {
  if (object == nullptr) return;
  std::shared_ptr<T> owned(object);
  current_loop().post([owned]() mutable { owned.reset(); });
}

}  // namespace platform
