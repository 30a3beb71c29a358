#include "Platform/wnd.h"

#include <algorithm>
#include <unordered_map>

namespace {

// The live windows by handle: what queued messages and timers look their
// window up in, so that none reaches a destroyed one.
std::unordered_map<CWnd::Handle, CWnd*>& live_windows() {
  static std::unordered_map<CWnd::Handle, CWnd*> windows;
  return windows;
}

CWnd::Handle g_next_handle = 1;

// The shortest timer period, as on the original platform: a 0 ms timer would
// keep the loop busy.
constexpr unsigned kMinimumTimerMs = 10;

}  // namespace

CWnd::CWnd() : loop_(platform::current_loop()), handle_(g_next_handle++) {
  live_windows().emplace(handle_, this);
}

CWnd::~CWnd() {
  for (const auto& [id, timer] : timers_) loop_.stop_timer(timer);
  live_windows().erase(handle_);
}

CWnd* CWnd::FromHandle(Handle handle) {
  const auto it = live_windows().find(handle);
  return it == live_windows().end() ? nullptr : it->second;
}

bool CWnd::PostMessage(unsigned message, WPARAM wParam, LPARAM lParam) {
  loop_.post([handle = handle_, message, wParam, lParam] {
    if (CWnd* window = FromHandle(handle)) window->WindowProc(message, wParam, lParam);
  });
  return true;
}

LRESULT CWnd::SendMessage(unsigned message, WPARAM wParam, LPARAM lParam) {
  return WindowProc(message, wParam, lParam);
}

uintptr_t CWnd::SetTimer(uintptr_t id, unsigned milliseconds) {
  if (id == 0) return 0;
  KillTimer(id);
  const int period = static_cast<int>(std::clamp(milliseconds, kMinimumTimerMs, 0x7fffffffu));
  timers_[id] = loop_.start_timer(period, true, [handle = handle_, id] {
    if (CWnd* window = FromHandle(handle)) window->WindowProc(WM_TIMER, id, 0);
  });
  return id;
}

bool CWnd::KillTimer(uintptr_t id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return false;
  loop_.stop_timer(it->second);
  timers_.erase(it);
  return true;
}

LRESULT CWnd::WindowProc(unsigned message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_TIMER) OnTimer(wParam);
  return 0;
}

void CWnd::OnTimer(uintptr_t /*id*/) {}
