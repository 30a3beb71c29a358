// Task: a call queued on the event loop -- any callable without arguments,
// moved in. A callable of up to kInlineSize bytes that moves without
// throwing (a window message, an object left for deletion) lives inside the
// task, so queueing it allocates nothing; a larger one lives on the heap.
//
// A task runs at most as often as its owner calls it; it owns its callable
// and destroys it with itself.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace platform {

class Task {
 public:
  static constexpr size_t kInlineSize = 48;

  Task() = default;
  // Implicit, so that a lambda is posted as it is.
  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Task>>>
  Task(F&& callable) {  // NOLINT(google-explicit-constructor)
    using Callable = std::decay_t<F>;
    if constexpr (fits_inline<Callable>()) {
      ::new (static_cast<void*>(storage_)) Callable(std::forward<F>(callable));
      ops_ = &kInlineOps<Callable>;
    } else {
      ::new (static_cast<void*>(storage_)) Callable*(new Callable(std::forward<F>(callable)));
      ops_ = &kHeapOps<Callable>;
    }
  }
  Task(Task&& other) noexcept { take(other); }
  Task& operator=(Task&& other) noexcept {
    if (this != &other) {
      reset();
      take(other);
    }
    return *this;
  }
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;
  ~Task() { reset(); }

  explicit operator bool() const { return ops_ != nullptr; }
  // Calls the callable; an empty task does nothing.
  void operator()() {
    if (ops_ != nullptr) ops_->call(storage_);
  }

 private:
  struct Ops {
    void (*call)(void* storage);
    // Moves the callable from one storage into the other, raw one and
    // leaves the first destroyed.
    void (*relocate)(void* from, void* to);
    void (*destroy)(void* storage);
  };

  template <typename Callable>
  static constexpr bool fits_inline() {
    return sizeof(Callable) <= kInlineSize && alignof(Callable) <= alignof(std::max_align_t) &&
           std::is_nothrow_move_constructible_v<Callable>;
  }

  template <typename Callable>
  static constexpr Ops kInlineOps = {
      [](void* storage) { (*std::launder(static_cast<Callable*>(storage)))(); },
      [](void* from, void* to) {
        Callable* source = std::launder(static_cast<Callable*>(from));
        ::new (to) Callable(std::move(*source));
        source->~Callable();
      },
      [](void* storage) { std::launder(static_cast<Callable*>(storage))->~Callable(); },
  };

  template <typename Callable>
  static constexpr Ops kHeapOps = {
      [](void* storage) { (**static_cast<Callable**>(storage))(); },
      [](void* from, void* to) { ::new (to) Callable*(*static_cast<Callable**>(from)); },
      [](void* storage) { delete *static_cast<Callable**>(storage); },
  };

  void take(Task& other) noexcept {
    if (other.ops_ == nullptr) return;
    other.ops_->relocate(other.storage_, storage_);
    ops_ = std::exchange(other.ops_, nullptr);
  }
  void reset() noexcept {
    if (ops_ != nullptr) std::exchange(ops_, nullptr)->destroy(storage_);
  }

  alignas(std::max_align_t) unsigned char storage_[kInlineSize];
  const Ops* ops_ = nullptr;
};

}  // namespace platform
