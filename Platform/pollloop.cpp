#include "Platform/pollloop.h"

#include <sys/epoll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

namespace platform {

namespace {

uint32_t to_epoll(unsigned events) {
  return ((events & kReadable) != 0 ? uint32_t{EPOLLIN} : 0u) |
         ((events & kWritable) != 0 ? uint32_t{EPOLLOUT} : 0u);
}

// An error or a hang-up is news for a reader and a writer alike: the call
// that follows reports it.
unsigned from_epoll(uint32_t events) {
  unsigned ready = 0;
  if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) ready |= kReadable;
  if ((events & (EPOLLOUT | EPOLLHUP | EPOLLERR)) != 0) ready |= kWritable;
  return ready;
}

int control(int epoll_fd, int operation, int fd, uint32_t events, EventLoop::Id id) {
  epoll_event event{};
  event.events = events;
  event.data.u64 = id;
  return ::epoll_ctl(epoll_fd, operation, fd, &event);
}

}  // namespace

PollLoop::PollLoop() : epoll_fd_(::epoll_create1(EPOLL_CLOEXEC)) {
  // Without its set the loop could wait for nothing but its timers.
  if (epoll_fd_ < 0) std::abort();
}

PollLoop::~PollLoop() {
  // Destroying a call may queue another (a deleted object posting); the
  // queue is emptied until nothing is left.
  while (posted_count_ > 0) pop_posted();
  ::close(epoll_fd_);
}

EventLoop::Id PollLoop::watch(int fd, unsigned events, IoHandler handler) {
  struct stat file{};
  if (::fstat(fd, &file) != 0) file = {};
  const auto holder = by_fd_.find(fd);
  if (holder != by_fd_.end()) {
    // The older watch's descriptor was closed and its number now names
    // this file, or the same file is watched twice: the newer watch takes
    // the number, and the older one is never reported again.
    if (Watch* older = find_watch(holder->second)) {
      if (older->registered != 0) maybe_orphans_ = true;
      drop(*older);
    }
  }
  Id slot;
  if (!free_slots_.empty()) {
    slot = free_slots_.back();
    free_slots_.pop_back();
  } else {
    slot = slots_.size();
    if (slot >= kNoSlot) std::abort();  // far more than descriptors can be open
    slots_.emplace_back();
  }
  const Id id = next_id(slot);
  by_fd_[fd] = id;
  Watch& added = slots_[slot];
  added = Watch{id, fd, events, 0, file.st_dev, file.st_ino, std::move(handler)};
  widen(added);
  return id;
}

PollLoop::Watch* PollLoop::find_watch(Id id) {
  const Id slot = id & kNoSlot;
  if (slot >= slots_.size() || slots_[slot].id != id) return nullptr;
  return &slots_[slot];
}

void PollLoop::drop(Watch& watch) {
  free_slots_.push_back(watch.id & kNoSlot);
  watch.id = 0;
  watch.handler = nullptr;
}

void PollLoop::set_events(Id id, unsigned events) {
  Watch* watch = find_watch(id);
  if (watch == nullptr) return;
  watch->events = events;
  // Fewer events stay registered until they come: a handler that pauses
  // its watch and resumes it before returning costs the kernel nothing.
  widen(*watch);
}

void PollLoop::unwatch(Id id) {
  Watch* watch = find_watch(id);
  if (watch == nullptr) return;
  if (watch->registered != 0 &&
      control(epoll_fd_, EPOLL_CTL_DEL, watch->fd, 0, id) != 0) {
    // Closed before it was unwatched: a copy of the file may keep the
    // registration alive.
    maybe_orphans_ = true;
  }
  const auto holder = by_fd_.find(watch->fd);
  if (holder != by_fd_.end() && holder->second == id) by_fd_.erase(holder);
  drop(*watch);
}

void PollLoop::widen(Watch& watch) {
  const uint32_t wanted = to_epoll(watch.events);
  if ((wanted & ~watch.registered) == 0) return;
  if (watch.registered != 0) {
    if (control(epoll_fd_, EPOLL_CTL_MOD, watch.fd, wanted, watch.id) == 0) {
      watch.registered = wanted;
      return;
    }
    // The registration left with its descriptor: registered again below
    // only if the number still names the watch's file.
    watch.registered = 0;
  }
  if (!still_its_file(watch)) return;
  if (control(epoll_fd_, EPOLL_CTL_ADD, watch.fd, wanted, watch.id) == 0 ||
      (errno == EEXIST &&
       control(epoll_fd_, EPOLL_CTL_MOD, watch.fd, wanted, watch.id) == 0)) {
    watch.registered = wanted;
  }
}

void PollLoop::narrow(Watch& watch) {
  const uint32_t wanted = to_epoll(watch.events);
  if (wanted != 0 && control(epoll_fd_, EPOLL_CTL_MOD, watch.fd, wanted, watch.id) == 0) {
    watch.registered = wanted;
    return;
  }
  if (control(epoll_fd_, EPOLL_CTL_DEL, watch.fd, 0, watch.id) != 0) maybe_orphans_ = true;
  watch.registered = 0;
}

bool PollLoop::still_its_file(const Watch& watch) {
  struct stat file{};
  return ::fstat(watch.fd, &file) == 0 && file.st_dev == watch.device &&
         file.st_ino == watch.inode;
}

void PollLoop::rebuild() {
  const int fresh = ::epoll_create1(EPOLL_CLOEXEC);
  if (fresh < 0) return;
  ::close(epoll_fd_);
  epoll_fd_ = fresh;
  maybe_orphans_ = false;
  for (Watch& watch : slots_) {
    if (watch.id == 0) continue;
    watch.registered = 0;
    widen(watch);
  }
}

EventLoop::Id PollLoop::start_timer(int milliseconds, bool periodic, Callback callback) {
  const std::chrono::milliseconds interval(std::max(milliseconds, 0));
  const Id id = next_id(kNoSlot);
  const Clock::time_point due = Clock::now() + interval;
  timers_.emplace(id, Timer{due, interval, periodic, std::move(callback)});
  by_due_.emplace(due, id);
  return id;
}

void PollLoop::stop_timer(Id timer) {
  const auto it = timers_.find(timer);
  if (it == timers_.end()) return;
  by_due_.erase({it->second.due, timer});
  timers_.erase(it);
}

void PollLoop::post(Task task) { push_posted(std::move(task)); }

void PollLoop::push_posted(Task task) {
  if (posted_count_ == posted_.size()) {
    std::vector<Task> grown(std::max<size_t>(16, 2 * posted_.size()));
    for (size_t i = 0; i < posted_count_; ++i) {
      grown[i] = std::move(posted_[(posted_head_ + i) % posted_.size()]);
    }
    posted_.swap(grown);
    posted_head_ = 0;
  }
  posted_[(posted_head_ + posted_count_) % posted_.size()] = std::move(task);
  ++posted_count_;
}

Task PollLoop::pop_posted() {
  Task task = std::move(posted_[posted_head_]);
  posted_head_ = (posted_head_ + 1) % posted_.size();
  --posted_count_;
  return task;
}

void PollLoop::run() {
  quit_ = false;
  while (!quit_) process_events(-1);
}

void PollLoop::quit() { quit_ = true; }

int PollLoop::process_events(int timeout_ms) {
  int ran = run_posted();
  // The one clock read of a busy round: the timeout, the age of the last
  // look at the descriptors and the timers all go by it.
  Clock::time_point now = Clock::now();
  if (ran == 0) {
    const int timeout = wait_timeout(timeout_ms, now);
    const int handled = dispatch_ready(timeout);
    last_poll_ = now;
    // A wait that ended without news ended at a timer's due time (or the
    // caller's): read the clock again so that the timer fires this round.
    if (handled == 0 && timeout != 0) now = Clock::now();
    ran += handled;
  } else if (now - last_poll_ >= kPollAtLeastEvery) {
    // A round that ran queued calls does not wait: its caller may be waiting
    // for exactly what those calls did. Nor does it look at the descriptors
    // when it did so just now: a connection working through its queued
    // messages posts one call per message, and a look for each would cost
    // more than the call itself.
    ran += dispatch_ready(0);
    last_poll_ = now;
  }
  ran += fire_timers(now);
  return ran;
}

// Only the calls queued before the round: calls that they queue wait for the
// next round, so a call that re-posts itself cannot starve descriptors.
int PollLoop::run_posted() {
  int ran = 0;
  for (size_t count = posted_count_; count > 0 && posted_count_ > 0; --count) {
    Task call = pop_posted();
    call();
    ++ran;
  }
  return ran;
}

int PollLoop::wait_timeout(int timeout_ms, Clock::time_point now) const {
  if (quit_ || posted_count_ > 0) return 0;
  if (by_due_.empty()) return timeout_ms;
  // Rounded up, so that the wait does not end just before the timer is due.
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(by_due_.begin()->first - now).count();
  const int until_due = static_cast<int>(std::max<decltype(left)>(left, 0));
  return timeout_ms < 0 || until_due < timeout_ms ? until_due : timeout_ms;
}

int PollLoop::dispatch_ready(int timeout_ms) {
  // On the stack: a handler that runs a nested round takes its own.
  epoll_event ready[kMaxReady];
  // A wait with a time limit costs the kernel a clock reading and the
  // setting of a timer even when a descriptor is ready already, as one
  // mostly is while messages come: a look without waiting goes first.
  int count = ::epoll_wait(epoll_fd_, ready, kMaxReady, timeout_ms > 0 ? 0 : timeout_ms);
  if (count == 0 && timeout_ms > 0) count = ::epoll_wait(epoll_fd_, ready, kMaxReady, timeout_ms);
  if (count <= 0) return 0;  // EINTR: an empty round
  // In the order the watches were made, as a poll of them all would run
  // them, whatever order they came ready in.
  std::sort(ready, ready + count, [](const epoll_event& a, const epoll_event& b) {
    return a.data.u64 < b.data.u64;
  });

  int ran = 0;
  bool orphan = false;
  for (int i = 0; i < count; ++i) {
    // An earlier handler of this round may have removed the watch.
    Watch* watch = find_watch(ready[i].data.u64);
    if (watch == nullptr || watch->registered == 0) {
      orphan = true;
      continue;
    }
    if ((watch->registered & ~to_epoll(watch->events)) != 0) narrow(*watch);
    const unsigned wanted = from_epoll(ready[i].events) & watch->events;
    if (wanted == 0) continue;
    // A copy: the handler may unwatch itself (or watch another descriptor,
    // moving the slots) and so destroy the stored one.
    const IoHandler handler = watch->handler;
    handler(wanted);
    ++ran;
  }
  if (orphan && maybe_orphans_) rebuild();
  return ran;
}

int PollLoop::fire_timers(Clock::time_point now) {
  if (by_due_.empty() || by_due_.begin()->first > now) return 0;
  // Those due now, in the order they came due; timers that their callbacks
  // start wait for the next round.
  std::vector<Id> due;
  for (auto it = by_due_.begin(); it != by_due_.end() && it->first <= now; ++it) {
    due.push_back(it->second);
  }
  int ran = 0;
  for (const Id id : due) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) continue;  // stopped by an earlier callback
    Timer& timer = it->second;
    by_due_.erase({timer.due, id});
    Callback callback;
    if (timer.periodic) {
      timer.due = now + timer.interval;
      by_due_.emplace(timer.due, id);
      callback = timer.callback;
    } else {
      callback = std::move(timer.callback);
      timers_.erase(it);
    }
    callback();
    ++ran;
  }
  return ran;
}

}  // namespace platform
