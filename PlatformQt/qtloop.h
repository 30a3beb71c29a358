// The Qt back end of the event loop (Platform/eventloop.h): descriptors are
// watched by QSocketNotifier, timers are QTimers and posted calls travel
// through the Qt event queue, so that the framework's windows, sockets and
// timers run inside a Qt application, between its own events.
//
// A GUI program makes one QtLoop after its QApplication and makes it
// current (platform::set_current_loop) before it makes any window or socket
// of the framework; the loop must outlive them and the application must
// outlive the loop. QApplication::exec() then drives both; run() and
// process_events() are there for tests and programs without their own loop.
//
// No handler inside a handler: while one of the loop's callbacks runs,
// a nested Qt event loop (a modal box or dialog opened from a network
// handler, QMenu::exec, processEvents) runs none of the loop's other
// callbacks. What comes due meanwhile is held: descriptor watches pause
// (readiness is level-triggered, so nothing is lost), and posted calls and
// timer expiries wait in the order they came due. When the callback that
// opened the box returns, they are resumed in that order. Windows opened
// outside the loop's callbacks (a menu command of the user) hold nothing.
// So a callback may never wait in a nested loop for another callback of
// this loop: run() and process_events() are not for use inside callbacks.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "Platform/eventloop.h"

class QEventLoop;
class QObject;
class QSocketNotifier;
class QTimer;

namespace platform {

class QtLoop final : public EventLoop {
 public:
  // Needs the QCoreApplication of the process.
  QtLoop();
  // Drops the queued calls first, while the loop is still whole, since their
  // captures (objects handed to delete_later) may unwatch or stop timers.
  ~QtLoop() override;

  Id watch(int fd, unsigned events, IoHandler handler) override;
  void set_events(Id watch, unsigned events) override;
  void unwatch(Id watch) override;
  Id start_timer(int milliseconds, bool periodic, Callback callback) override;
  void stop_timer(Id timer) override;
  void post(Task task) override;
  // A QEventLoop of its own, until quit().
  void run() override;
  void quit() override;
  // One pass over the Qt events that are ready; when it ran none of this
  // loop's callbacks, one wait of at most `timeout_ms` for the next event.
  int process_events(int timeout_ms) override;

 private:
  class Receiver;
  struct Watch {
    int fd = -1;
    unsigned events = 0;
    IoHandler handler;
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
    bool held = false;  // came ready while a callback ran; paused until it returns
  };
  struct Timer {
    std::unique_ptr<QTimer> timer;
    bool periodic = false;
    Callback callback;
    bool held = false;  // came due while a callback ran; its run is queued
  };

  void on_ready(Id id, unsigned event);
  void on_timeout(Id id);
  void on_tick();
  void run_held_timer(Id id);
  // The callback of an expiry: a periodic timer's copy, or a single shot's
  // own, its timer then gone.
  Callback take_expiry(std::map<Id, Timer>::iterator it);
  template <typename Call>
  void run_callback(Call& callback);
  void release_held();
  void update_notifiers(Watch& watch);
  // Silences and forgets the watch, leaving the descriptor's holder alone.
  void drop(Id watch);
  void post_tick();
  void post_sweep();
  // Keeps a notifier or timer that may be emitting its signal right now
  // until the next sweep outside the callbacks.
  void retire(std::unique_ptr<QObject> object);
  void sweep();

  std::unique_ptr<Receiver> receiver_;
  std::map<Id, Watch> watches_;
  std::map<int, Id> by_fd_;  // the watch that holds each descriptor
  std::map<Id, Timer> timers_;
  // Each queued call has one tick event in the Qt queue, or is owed one.
  std::deque<Task> posted_;
  int owed_ticks_ = 0;
  std::vector<std::unique_ptr<QObject>> retired_;
  bool in_callback_ = false;
  bool holding_ = false;
  bool sweep_held_ = false;
  uint64_t ran_ = 0;
  Id next_id_ = 1;
  bool quit_ = false;
  QEventLoop* running_ = nullptr;
};

}  // namespace platform
