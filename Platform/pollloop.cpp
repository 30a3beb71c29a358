#include "Platform/pollloop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

namespace platform {

PollLoop::~PollLoop() {
  // Destroying a call may queue another (a deleted object posting); the
  // queue is emptied until nothing is left.
  while (posted_count_ > 0) pop_posted();
}

EventLoop::Id PollLoop::watch(int fd, unsigned events, IoHandler handler) {
  const Id id = next_id_++;
  watches_.emplace(id, Watch{fd, events, std::move(handler)});
  return id;
}

void PollLoop::set_events(Id watch, unsigned events) {
  const auto it = watches_.find(watch);
  if (it != watches_.end()) it->second.events = events;
}

void PollLoop::unwatch(Id watch) { watches_.erase(watch); }

EventLoop::Id PollLoop::start_timer(int milliseconds, bool periodic, Callback callback) {
  const std::chrono::milliseconds interval(std::max(milliseconds, 0));
  const Id id = next_id_++;
  timers_.emplace(id, Timer{Clock::now() + interval, interval, periodic, std::move(callback)});
  return id;
}

void PollLoop::stop_timer(Id timer) { timers_.erase(timer); }

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
  if (ran == 0) {
    ran += dispatch_ready(poll_timeout(timeout_ms));
  } else if (Clock::now() - last_poll_ >= kPollAtLeastEvery) {
    // A round that ran queued calls does not wait: its caller may be waiting
    // for exactly what those calls did. Nor does it poll when the last poll
    // was just now: a connection working through its queued messages posts
    // one call per message, and a poll for each would cost more than the
    // call itself.
    ran += dispatch_ready(0);
  }
  ran += fire_timers();
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

int PollLoop::poll_timeout(int timeout_ms) const {
  if (quit_ || posted_count_ > 0) return 0;
  int timeout = timeout_ms;
  const Clock::time_point now = Clock::now();
  for (const auto& [id, timer] : timers_) {
    // Rounded up, so that the poll does not wake just before the timer is due.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(timer.due - now).count();
    const int until_due = static_cast<int>(std::max<decltype(left)>(left, 0));
    if (timeout < 0 || until_due < timeout) timeout = until_due;
  }
  return timeout;
}

int PollLoop::dispatch_ready(int timeout_ms) {
  // A handler that runs a nested round polls with vectors of its own.
  std::vector<pollfd> nested_fds;
  std::vector<Id> nested_ids;
  const bool nested = dispatching_;
  std::vector<pollfd>& fds = nested ? nested_fds : poll_fds_;
  std::vector<Id>& ids = nested ? nested_ids : poll_ids_;
  fds.clear();
  ids.clear();
  for (const auto& [id, watch] : watches_) {
    if (watch.events == 0) continue;
    short wanted = 0;
    if (watch.events & kReadable) wanted |= POLLIN;
    if (watch.events & kWritable) wanted |= POLLOUT;
    fds.push_back(pollfd{watch.fd, wanted, 0});
    ids.push_back(id);
  }
  const int polled = ::poll(fds.data(), fds.size(), timeout_ms);
  last_poll_ = Clock::now();
  if (polled <= 0) return 0;  // EINTR: an empty round

  int ran = 0;
  dispatching_ = true;
  for (size_t i = 0; i < fds.size(); ++i) {
    const short revents = fds[i].revents;
    if (revents == 0) continue;
    // An earlier handler of this round may have removed or paused the watch.
    const auto it = watches_.find(ids[i]);
    if (it == watches_.end()) continue;
    if (revents & POLLNVAL) {
      // Closed without unwatching: pause it rather than report it every round.
      it->second.events = 0;
      continue;
    }
    unsigned ready = 0;
    if (revents & (POLLIN | POLLHUP | POLLERR)) ready |= kReadable;
    if (revents & (POLLOUT | POLLHUP | POLLERR)) ready |= kWritable;
    ready &= it->second.events;
    if (ready == 0) continue;
    // A copy: the handler may unwatch itself and so destroy the stored one.
    const IoHandler handler = it->second.handler;
    handler(ready);
    ++ran;
  }
  dispatching_ = nested;
  return ran;
}

int PollLoop::fire_timers() {
  const Clock::time_point now = Clock::now();
  std::vector<std::pair<Clock::time_point, Id>> due;
  for (const auto& [id, timer] : timers_) {
    if (timer.due <= now) due.emplace_back(timer.due, id);
  }
  std::sort(due.begin(), due.end());

  int ran = 0;
  for (const auto& entry : due) {
    const auto it = timers_.find(entry.second);
    if (it == timers_.end()) continue;  // stopped by an earlier callback
    Callback callback;
    if (it->second.periodic) {
      it->second.due = now + it->second.interval;
      callback = it->second.callback;
    } else {
      callback = std::move(it->second.callback);
      timers_.erase(it);
    }
    callback();
    ++ran;
  }
  return ran;
}

}  // namespace platform
