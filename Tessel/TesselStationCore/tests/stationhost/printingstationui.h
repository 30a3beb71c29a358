// PrintingStationUi: the screen of the headless station host. It shows
// nothing: every box, question, chat line and weather report becomes one
// line on standard output, and the questions take their answers from a
// list given on the command line, in order, then No -- as an unattended
// run of the station program does.
//
//   box: TEXT                 a message box (line ends in TEXT as blanks)
//   question: TEXT            a Yes/No question, followed by
//   answer: yes|no            the answer it took
//   chat: AUTHOR: TEXT        a chat line
//   weather: ID: L1 | L2 | L3 | L4
//                             a balloon's report lines, when they changed
//   weather removed: ID       its lines taken out of the pane
//   wait dialog shown|closed
//   map loaded                the map views render the new map
//
// The map view is attached when it exists (SetView) and detached before it
// goes; the document reaches the UI only while both live.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TesselStationCore/stationui.h"

class CMapViewModel;

class PrintingStationUi : public CStationUi {
 public:
  explicit PrintingStationUi(std::deque<bool> answers) : answers_(std::move(answers)) {}

  void SetView(CMapViewModel* view) { view_ = view; }

  void MessageBox(const char* text, unsigned type) override;
  bool AskYesNo(const char* text) override;
  void EnableMainFrame(bool /*enable*/) override {}
  void EnableChatWindow(bool /*enable*/) override {}
  void OpenChatWindow() override {}
  void SetTitle(const char* /*title*/) override {}
  void SetChatTitle(const char* /*title*/) override {}
  void ShowWaitDialog() override;
  void CloseWaitDialog() override;
  // The views are drawn on the host's timer, not on request.
  void RedrawAllViews(bool /*erase*/) override {}
  void RedrawMainWindow() override {}
  void RefreshInfoPane(int /*code*/) override {}
  void UpdateMemberCost(const char* /*name*/, const char* /*radar*/, const char* /*interceptor*/,
                        const char* /*balloon*/, const char* /*total*/) override {}
  void ShowWeatherReport(const CWeatherBalloon* balloon,
                         const std::vector<std::string>& lines) override;
  void RemoveWeatherReport(const CWeatherBalloon* balloon) override;
  void AddChatLine(const CTeamMember* author, const char* text) override;
  void ClearChat() override {}
  void LoadMap() override;
  // No operator at the host: every menu is dismissed.
  unsigned TrackMenu(const std::vector<CStationMenuItem>& /*items*/, CPoint /*screen*/) override {
    return 0;
  }
  platform::Progress* GetProgress() override { return &progress_; }

 private:
  std::deque<bool> answers_;
  CMapViewModel* view_ = nullptr;
  // The lines printed last for each balloon shown.
  std::map<const CWeatherBalloon*, std::vector<std::string>> reports_;
  platform::Progress progress_;
};

// One line on standard output; line ends inside `text` become blanks.
void PrintLine(const std::string& text);
