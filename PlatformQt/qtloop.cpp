#include "PlatformQt/qtloop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

// One queued call is due.
const QEvent::Type kTick = static_cast<QEvent::Type>(QEvent::registerEventType());
// Retired notifiers and timers can go.
const QEvent::Type kSweep = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

// Takes the loop's own events.
class QtLoop::Receiver : public QObject {
 public:
  explicit Receiver(QtLoop* loop) : loop_(loop) {}

  bool event(QEvent* event) override {
    if (event->type() == kTick) {
      loop_->on_tick();
    } else if (event->type() == kSweep) {
      loop_->sweep();
    } else {
      return QObject::event(event);
    }
    return true;
  }

 private:
  QtLoop* loop_;
};

QtLoop::QtLoop() : receiver_(std::make_unique<Receiver>(this)) {}

QtLoop::~QtLoop() {
  // Destroying a call may queue another (a deleted object posting); repeat
  // until nothing is left.
  while (!posted_.empty()) {
    std::deque<Task> dropped;
    dropped.swap(posted_);
  }
  watches_.clear();
  timers_.clear();
  retired_.clear();
  receiver_.reset();  // its tick events go with it
}

EventLoop::Id QtLoop::watch(int fd, unsigned events, IoHandler handler) {
  const Id id = next_id_++;
  const auto [holder, fresh] = by_fd_.try_emplace(fd, id);
  if (!fresh) {
    // The older watch's descriptor was closed and its number reused, or the
    // descriptor is watched twice: the older watch goes quiet first, so
    // that the number has one pair of notifiers.
    drop(holder->second);
    holder->second = id;
  }
  Watch& watch = watches_[id];
  watch.fd = fd;
  watch.events = events;
  watch.handler = std::move(handler);
  watch.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  watch.write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  QObject::connect(watch.read.get(), &QSocketNotifier::activated, receiver_.get(),
                   [this, id] { on_ready(id, kReadable); });
  QObject::connect(watch.write.get(), &QSocketNotifier::activated, receiver_.get(),
                   [this, id] { on_ready(id, kWritable); });
  update_notifiers(watch);
  return id;
}

void QtLoop::set_events(Id watch, unsigned events) {
  const auto it = watches_.find(watch);
  if (it == watches_.end()) return;
  it->second.events = events;
  update_notifiers(it->second);
}

void QtLoop::unwatch(Id watch) {
  const auto it = watches_.find(watch);
  if (it == watches_.end()) return;
  const auto holder = by_fd_.find(it->second.fd);
  if (holder != by_fd_.end() && holder->second == watch) by_fd_.erase(holder);
  drop(watch);
}

void QtLoop::drop(Id watch) {
  const auto it = watches_.find(watch);
  if (it == watches_.end()) return;
  // Disabled at once: the descriptor may be closed and its number reused
  // right after this call.
  it->second.read->setEnabled(false);
  it->second.write->setEnabled(false);
  retire(std::move(it->second.read));
  retire(std::move(it->second.write));
  watches_.erase(it);
}

EventLoop::Id QtLoop::start_timer(int milliseconds, bool periodic, Callback callback) {
  const Id id = next_id_++;
  Timer& timer = timers_[id];
  timer.periodic = periodic;
  timer.callback = std::move(callback);
  timer.timer = std::make_unique<QTimer>();
  timer.timer->setTimerType(Qt::PreciseTimer);
  timer.timer->setSingleShot(!periodic);
  QObject::connect(timer.timer.get(), &QTimer::timeout, receiver_.get(),
                   [this, id] { on_timeout(id); });
  timer.timer->start(std::max(milliseconds, 0));
  return id;
}

void QtLoop::stop_timer(Id timer) {
  const auto it = timers_.find(timer);
  if (it == timers_.end()) return;
  it->second.timer->stop();
  retire(std::move(it->second.timer));
  timers_.erase(it);
}

void QtLoop::post(Task task) {
  posted_.push_back(std::move(task));
  post_tick();
}

void QtLoop::run() {
  quit_ = false;
  QEventLoop loop;
  QEventLoop* outer = std::exchange(running_, &loop);
  loop.exec();
  running_ = outer;
}

void QtLoop::quit() {
  quit_ = true;
  if (running_ != nullptr) running_->exit();
}

int QtLoop::process_events(int timeout_ms) {
  const uint64_t before = ran_;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // A pass that ran callbacks does not wait: its caller may be waiting for
  // exactly what they did.
  if (ran_ == before && timeout_ms != 0 && !quit_ && posted_.empty()) {
    QTimer limit;
    if (timeout_ms > 0) {
      limit.setSingleShot(true);
      limit.start(timeout_ms);
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return static_cast<int>(ran_ - before);
}

template <typename Call>
void QtLoop::run_callback(Call& callback) {
  in_callback_ = true;
  ++ran_;
  callback();
  in_callback_ = false;
  if (holding_) release_held();
}

void QtLoop::on_ready(Id id, unsigned event) {
  const auto it = watches_.find(id);
  if (it == watches_.end()) return;
  Watch& watch = it->second;
  if (in_callback_) {
    watch.held = true;
    holding_ = true;
    update_notifiers(watch);
    return;
  }
  if ((watch.events & event) == 0) return;
  // A copy: the handler may unwatch itself and so destroy the stored one.
  const IoHandler handler = watch.handler;
  auto call = [&handler, event] { handler(event); };
  run_callback(call);
}

void QtLoop::on_timeout(Id id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  Timer& timer = it->second;
  // Once queued, the held run stands for every expiry until it ran: a
  // periodic timer does not catch up.
  if (timer.held) return;
  if (in_callback_) {
    // Queued behind what was posted before it came due.
    timer.held = true;
    post([this, id] { run_held_timer(id); });
    return;
  }
  Callback callback = take_expiry(it);
  run_callback(callback);
}

// Runs as a queued call, inside run_callback.
void QtLoop::run_held_timer(Id id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;  // stopped meanwhile
  it->second.held = false;
  const Callback callback = take_expiry(it);
  callback();
}

EventLoop::Callback QtLoop::take_expiry(std::map<Id, Timer>::iterator it) {
  Timer& timer = it->second;
  // A copy: the callback may stop its own timer.
  if (timer.periodic) return timer.callback;
  Callback callback = std::move(timer.callback);
  retire(std::move(timer.timer));
  timers_.erase(it);
  return callback;
}

void QtLoop::on_tick() {
  if (in_callback_) {
    ++owed_ticks_;
    holding_ = true;
    return;
  }
  if (posted_.empty()) return;
  Task call = std::move(posted_.front());
  posted_.pop_front();
  run_callback(call);
}

void QtLoop::release_held() {
  holding_ = false;
  for (auto& [id, watch] : watches_) {
    if (!watch.held) continue;
    watch.held = false;
    update_notifiers(watch);
  }
  for (; owed_ticks_ > 0; --owed_ticks_) post_tick();
  if (sweep_held_) {
    sweep_held_ = false;
    post_sweep();
  }
}

void QtLoop::update_notifiers(Watch& watch) {
  const bool on = !watch.held;
  watch.read->setEnabled(on && (watch.events & kReadable) != 0);
  watch.write->setEnabled(on && (watch.events & kWritable) != 0);
}

void QtLoop::post_tick() {
  QCoreApplication::postEvent(receiver_.get(), new QEvent(kTick));
}

void QtLoop::post_sweep() {
  QCoreApplication::postEvent(receiver_.get(), new QEvent(kSweep));
}

void QtLoop::retire(std::unique_ptr<QObject> object) {
  if (object == nullptr) return;
  object->disconnect();
  if (retired_.empty()) post_sweep();
  retired_.push_back(std::move(object));
}

// Outside the callbacks no signal of a retired object is being emitted:
// each one either ran a callback, which has returned, or ran nothing.
void QtLoop::sweep() {
  if (in_callback_) {
    sweep_held_ = true;
    holding_ = true;
    return;
  }
  retired_.clear();
}

}  // namespace platform
