#include "stationrecorder.h"

#include "TesselStationCore/teammember.h"
#include "TesselStationCore/weatherballoons.h"

namespace stationtest {

namespace {

std::string shown(const char* text) { return text != nullptr ? text : "(null)"; }

}  // namespace

void RecordingStationUi::MessageBox(const char* text, unsigned type) {
  calls.push_back("MessageBox(" + shown(text) + (type == MB_ICONSTOP ? ", stop)" : ")"));
  run_meanwhile();
}

bool RecordingStationUi::AskYesNo(const char* text) {
  bool yes = false;
  if (answers.empty()) {
    unscripted.push_back("question: " + shown(text));
  } else {
    yes = answers.front();
    answers.pop_front();
  }
  calls.push_back("AskYesNo(" + shown(text) + ") -> " + (yes ? "yes" : "no"));
  run_meanwhile();
  return yes;
}

void RecordingStationUi::EnableMainFrame(bool enable) {
  calls.push_back("EnableMainFrame(" + std::to_string(enable) + ")");
}

void RecordingStationUi::EnableChatWindow(bool enable) {
  calls.push_back("EnableChatWindow(" + std::to_string(enable) + ")");
}

void RecordingStationUi::OpenChatWindow() { calls.push_back("OpenChatWindow"); }

void RecordingStationUi::SetTitle(const char* title) {
  calls.push_back("SetTitle(" + shown(title) + ")");
}

void RecordingStationUi::SetChatTitle(const char* title) {
  calls.push_back("SetChatTitle(" + shown(title) + ")");
}

void RecordingStationUi::ShowWaitDialog() { calls.push_back("ShowWaitDialog"); }

void RecordingStationUi::CloseWaitDialog() { calls.push_back("CloseWaitDialog"); }

void RecordingStationUi::RedrawAllViews(bool erase) {
  calls.push_back("RedrawAllViews(" + std::to_string(erase) + ")");
}

void RecordingStationUi::RedrawMainWindow() { calls.push_back("RedrawMainWindow"); }

void RecordingStationUi::RefreshInfoPane(int code) {
  calls.push_back("RefreshInfoPane(" + std::to_string(code) + ")");
  pane.Refresh(code);
}

void RecordingStationUi::UpdateMemberCost(const char* name, const char* radar,
                                          const char* interceptor, const char* balloon,
                                          const char* total) {
  calls.push_back("UpdateMemberCost(" + shown(name) + ", " + shown(radar) + ", " +
                  shown(interceptor) + ", " + shown(balloon) + ", " + shown(total) + ")");
  pane.UpdateMemberCost(name, radar, interceptor, balloon, total);
}

void RecordingStationUi::ShowWeatherReport(const CWeatherBalloon* balloon,
                                           const std::vector<std::string>& lines) {
  calls.push_back("ShowWeatherReport(" + std::string(balloon->GetId()) + ")");
  reports[balloon] = lines;
  pane.ShowWeatherReport(balloon, lines);
}

void RecordingStationUi::RemoveWeatherReport(const CWeatherBalloon* balloon) {
  calls.push_back("RemoveWeatherReport(" + std::string(balloon->GetId()) + ")");
  reports.erase(balloon);
  pane.RemoveWeatherReport(balloon);
}

void RecordingStationUi::AddChatLine(const CTeamMember* author, const char* text) {
  calls.push_back("AddChatLine(" + shown(author != nullptr ? author->GetName() : nullptr) + ": " +
                  shown(text) + ")");
  chat.AddChatRecord(text, author);
}

void RecordingStationUi::ClearChat() {
  calls.push_back("ClearChat");
  chat.ClearChat();
}

void RecordingStationUi::LoadMap() { calls.push_back("LoadMap"); }

unsigned RecordingStationUi::TrackMenu(const std::vector<CStationMenuItem>& items, CPoint screen) {
  last_menu = items;
  unsigned choice = 0;
  if (choices.empty()) {
    unscripted.push_back("menu");
  } else {
    choice = choices.front();
    choices.pop_front();
  }
  calls.push_back("TrackMenu(" + std::to_string(screen.x) + "," + std::to_string(screen.y) +
                  ") -> " + std::to_string(choice));
  run_meanwhile();
  return choice;
}

void RecordingStationUi::run_meanwhile() {
  // Taken out first: the hook may set the next one.
  const std::function<void()> hook = std::move(meanwhile);
  meanwhile = nullptr;
  if (hook) hook();
}

std::vector<std::string> RecordingStationUi::calls_starting(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) found.push_back(call);
  }
  return found;
}

void RecordingFrame::SetClock(int minutes) {
  clock = minutes;
  calls.push_back("SetClock(" + std::to_string(minutes) + ")");
}

void RecordingFrame::SetGoNoGoDisplay(bool go) {
  calls.push_back(std::string("SetGoNoGoDisplay(") + (go ? "go" : "nogo") + ")");
}

int RecordingAgent::SendAgentMessage(const char* performative, const char* receiver,
                                     const char* content) {
  sent.push_back({shown(performative), shown(receiver), shown(content)});
  return result;
}

std::vector<std::string> RecordingAgent::lines() const {
  std::vector<std::string> out;
  for (const Sent& s : sent) out.push_back(s.receiver + ": " + s.content);
  return out;
}

}  // namespace stationtest
