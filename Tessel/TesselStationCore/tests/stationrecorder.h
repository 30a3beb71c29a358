// Test doubles of the station's surroundings: a CStationUi that records each
// call and answers questions from a script, a frame that keeps the clock,
// and an agent that records what the document sends instead of sending it.
// They need no test framework (the station's fuzz targets use them too);
// stationtest.h wires them to a document in a GoogleTest fixture.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TesselStationCore/chatdoc.h"
#include "TesselStationCore/infopanemodel.h"
#include "TesselStationCore/stationagent.h"
#include "TesselStationCore/stationframe.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/tesselstationdoc.h"

namespace stationtest {

// Recorded calls, messages and texts, one a line.
using Lines = std::vector<std::string>;

// Every call as one line, e.g. "MessageBox(No Incursion to Intercept.)",
// "AskYesNo(...) -> yes", "RefreshInfoPane(5)". Yes/No answers and menu
// choices come from the script queues; an unscripted question or menu is
// noted in `unscripted` (which the fixture's tests expect empty) and
// answers No (0 for a menu). Like the program's UI, it keeps the
// information pane and the chat as they would be shown.
class RecordingStationUi : public CStationUi {
 public:
  void MessageBox(const char* text, unsigned type) override;
  bool AskYesNo(const char* text) override;
  void EnableMainFrame(bool enable) override;
  void EnableChatWindow(bool enable) override;
  void OpenChatWindow() override;
  void SetTitle(const char* title) override;
  void SetChatTitle(const char* title) override;
  void ShowWaitDialog() override;
  void CloseWaitDialog() override;
  void RedrawAllViews(bool erase) override;
  void RedrawMainWindow() override;
  void RefreshInfoPane(int code) override;
  void UpdateMemberCost(const char* name, const char* radar, const char* interceptor,
                        const char* balloon, const char* total) override;
  void ShowWeatherReport(const CWeatherBalloon* balloon,
                         const std::vector<std::string>& lines) override;
  void RemoveWeatherReport(const CWeatherBalloon* balloon) override;
  void AddChatLine(const CTeamMember* author, const char* text) override;
  void ClearChat() override;
  void LoadMap() override;
  unsigned TrackMenu(const std::vector<CStationMenuItem>& items, CPoint screen) override;
  platform::Progress* GetProgress() override { return &progress; }

  // The calls whose line starts with `prefix`, in order.
  std::vector<std::string> calls_starting(const std::string& prefix) const;

  std::vector<std::string> calls;
  std::vector<std::string> unscripted;
  // Runs once while the next box, question or menu is open, after its line
  // is recorded, as the event loop runs what arrives meanwhile. It may set
  // the hook of the one after.
  std::function<void()> meanwhile;
  std::deque<bool> answers;          // AskYesNo
  std::deque<unsigned> choices;      // TrackMenu
  std::vector<CStationMenuItem> last_menu;
  // The weather-report lines shown now, per balloon.
  std::map<const CWeatherBalloon*, std::vector<std::string>> reports;
  platform::Progress progress;
  CInfoPaneModel pane;
  CChatDoc chat;

 private:
  void run_meanwhile();
};

class RecordingFrame : public CStationFrame {
 public:
  int GetClock() const override { return clock; }
  void SetClock(int minutes) override;
  void SetGoNoGoDisplay(bool go) override;

  int clock = 0;
  std::vector<std::string> calls;
};

// One message the document asked the agent to send.
struct Sent {
  std::string performative;
  std::string receiver;
  std::string content;
};

// Records instead of sending; answers with `result`.
class RecordingAgent : public CStationAgent {
 public:
  RecordingAgent() : CStationAgent("TesselStation") {}
  int SendAgentMessage(const char* performative, const char* receiver,
                       const char* content) override;

  // "receiver: content" of each message, in order.
  std::vector<std::string> lines() const;

  std::vector<Sent> sent;
  int result = 1;
};

}  // namespace stationtest
