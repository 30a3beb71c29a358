#include "Platform/wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "looptest.h"

namespace {

// Writes every message it gets into a shared journal, tagged with its name.
class Recorder : public CWnd {
 public:
  Recorder(const char* name, std::vector<std::string>* journal) : name_(name), journal_(journal) {}

  std::function<void(Recorder*)> on_message;  // runs inside WindowProc

 protected:
  LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TIMER) return CWnd::WindowProc(message, wParam, lParam);
    journal_->push_back(name_ + ":" + std::to_string(message - WM_USER) + "," +
                        std::to_string(wParam) + "," + std::to_string(lParam));
    if (on_message) on_message(this);
    return static_cast<LRESULT>(wParam * 2);
  }
  void OnTimer(uintptr_t id) override { journal_->push_back(name_ + ":timer" + std::to_string(id)); }

 private:
  std::string name_;
  std::vector<std::string>* journal_;
};

using WndTest = LoopTest;

TEST_F(WndTest, PostedMessagesArriveLaterInPostingOrder) {
  std::vector<std::string> journal;
  Recorder a("a", &journal);
  Recorder b("b", &journal);
  EXPECT_TRUE(a.PostMessage(WM_USER + 5, 1, 7));
  b.PostMessage(WM_USER + 5, 9, 2);
  loop.post([&] { journal.push_back("call"); });
  a.PostMessage(WM_USER + 6, 1, -1);
  EXPECT_TRUE(journal.empty());

  loop.process_events(0);
  EXPECT_EQ(journal, (std::vector<std::string>{"a:5,1,7", "b:5,9,2", "call", "a:6,1,-1"}));
}

TEST_F(WndTest, MessagesForADestroyedWindowAreDropped) {
  std::vector<std::string> journal;
  auto* gone = new Recorder("gone", &journal);
  Recorder kept("kept", &journal);
  const CWnd::Handle handle = gone->GetSafeHwnd();
  EXPECT_EQ(CWnd::FromHandle(handle), gone);
  gone->PostMessage(WM_USER + 5, 1, 1);
  kept.PostMessage(WM_USER + 5, 2, 2);
  delete gone;

  loop.process_events(0);
  EXPECT_EQ(journal, std::vector<std::string>{"kept:5,2,2"});
  EXPECT_EQ(CWnd::FromHandle(handle), nullptr);
  // A new window never takes the old identity.
  Recorder later("later", &journal);
  EXPECT_NE(later.GetSafeHwnd(), handle);
}

TEST_F(WndTest, SendMessageIsDeliveredBeforeItReturns) {
  std::vector<std::string> journal;
  Recorder a("a", &journal);
  a.PostMessage(WM_USER + 1, 0, 0);
  EXPECT_EQ(a.SendMessage(WM_USER + 5, 21, 3), 42);
  EXPECT_EQ(journal, std::vector<std::string>{"a:5,21,3"});  // ahead of the posted one
}

TEST_F(WndTest, TimersTickUntilKilledOrTheWindowGoes) {
  std::vector<std::string> journal;
  Recorder a("a", &journal);
  auto* b = new Recorder("b", &journal);
  EXPECT_EQ(a.SetTimer(7, 10), 7u);
  EXPECT_EQ(b->SetTimer(3, 10), 3u);
  EXPECT_EQ(a.SetTimer(0, 10), 0u);

  auto ticks = [&](const std::string& entry) {
    return std::count(journal.begin(), journal.end(), entry);
  };
  EXPECT_TRUE(loop.run_until([&] { return ticks("a:timer7") >= 2 && ticks("b:timer3") >= 2; }, 5000));

  delete b;
  EXPECT_TRUE(a.KillTimer(7));
  EXPECT_FALSE(a.KillTimer(7));
  journal.clear();
  EXPECT_TRUE(stays_idle());
  EXPECT_TRUE(journal.empty());
}

TEST_F(WndTest, SettingARunningTimerAgainLeavesOneTimer) {
  std::vector<std::string> journal;
  Recorder a("a", &journal);
  a.SetTimer(1, 10);
  a.SetTimer(1, 10);
  EXPECT_TRUE(a.KillTimer(1));
  EXPECT_FALSE(a.KillTimer(1));
  EXPECT_TRUE(stays_idle());
  EXPECT_TRUE(journal.empty());
}

TEST_F(WndTest, WindowDeletedLaterFromItsOwnHandler) {
  std::vector<std::string> journal;
  auto* window = new Recorder("w", &journal);
  const CWnd::Handle handle = window->GetSafeHwnd();
  window->on_message = [](Recorder* self) {
    platform::delete_later(self);
    self->PostMessage(WM_USER + 9, 0, 0);  // queued behind the deletion: dropped
  };
  window->PostMessage(WM_USER + 5, 0, 0);

  loop.process_events(0);
  EXPECT_NE(CWnd::FromHandle(handle), nullptr);
  loop.process_events(0);
  EXPECT_EQ(CWnd::FromHandle(handle), nullptr);
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(journal, std::vector<std::string>{"w:5,0,0"});
}

}  // namespace
