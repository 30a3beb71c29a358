// CWnd: the message-window stand-in. A window has an identity (a handle that
// is never reused), takes posted and sent messages and runs timers, all on
// the event loop that was current when it was made (eventloop.h).
//
// Lifetime: a window may be destroyed at any time; Platform touches nothing
// of it after WindowProc returns, but a handler that drops its own window
// uses platform::delete_later so that its own remaining code stays safe.
// Messages still queued for a destroyed window and its timers are dropped,
// never delivered; holders that may outlive a window keep its handle and
// look it up with FromHandle. The window's loop must outlive it.
#pragma once

#include <cstdint>
#include <map>

#include "Platform/eventloop.h"

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_USER = 0x0400;

class CWnd {
 public:
  using Handle = uint64_t;  // 0 names no window

  CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd();

  Handle GetSafeHwnd() const { return handle_; }
  // The live window with that handle, null once it is destroyed.
  static CWnd* FromHandle(Handle handle);

  // Queues the message; the loop delivers it to WindowProc later, after the
  // messages and calls posted before it. Always true: a window that is gone
  // by then is skipped.
  bool PostMessage(unsigned message, WPARAM wParam, LPARAM lParam);
  // Delivers the message to WindowProc before it returns and gives its result.
  LRESULT SendMessage(unsigned message, WPARAM wParam, LPARAM lParam);

  // Delivers WM_TIMER with wParam `id` every `milliseconds` (at least 10)
  // until KillTimer; setting a running id again restarts it with the new
  // period. Returns `id`, or 0 (nothing started) for the id 0.
  uintptr_t SetTimer(uintptr_t id, unsigned milliseconds);
  // False when no timer with that id runs.
  bool KillTimer(uintptr_t id);

 protected:
  // Every message arrives here. The default turns WM_TIMER into OnTimer and
  // answers 0; subclasses handle theirs and pass the rest on to it.
  virtual LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam);
  virtual void OnTimer(uintptr_t id);

 private:
  platform::EventLoop& loop_;
  const Handle handle_;
  std::map<uintptr_t, platform::EventLoop::Id> timers_;
};
