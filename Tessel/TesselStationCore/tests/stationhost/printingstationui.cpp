#include "printingstationui.h"

#include <cstdio>

#include "TesselStationCore/mapviewmodel.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/weatherballoons.h"

void PrintLine(const std::string& text) {
  std::string line = text;
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

namespace {

std::string shown(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

void PrintingStationUi::MessageBox(const char* text, unsigned /*type*/) {
  PrintLine("box: " + shown(text));
}

bool PrintingStationUi::AskYesNo(const char* text) {
  PrintLine("question: " + shown(text));
  bool yes = false;
  if (!answers_.empty()) {
    yes = answers_.front();
    answers_.pop_front();
  }
  PrintLine(yes ? "answer: yes" : "answer: no");
  return yes;
}

void PrintingStationUi::ShowWaitDialog() { PrintLine("wait dialog shown"); }

void PrintingStationUi::CloseWaitDialog() { PrintLine("wait dialog closed"); }

void PrintingStationUi::ShowWeatherReport(const CWeatherBalloon* balloon,
                                          const std::vector<std::string>& lines) {
  std::vector<std::string>& shownLines = reports_[balloon];
  if (shownLines == lines) return;  // every drawing shows them again
  shownLines = lines;
  std::string text = "weather: " + shown(balloon->GetId()) + ":";
  for (size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? " " : " | ") + lines[i];
  PrintLine(text);
}

void PrintingStationUi::RemoveWeatherReport(const CWeatherBalloon* balloon) {
  if (reports_.erase(balloon) == 0) return;
  PrintLine("weather removed: " + shown(balloon->GetId()));
}

void PrintingStationUi::AddChatLine(const CTeamMember* author, const char* text) {
  PrintLine("chat: " + shown(author->GetName()) + ": " + shown(text));
}

void PrintingStationUi::LoadMap() {
  if (view_ == nullptr) return;
  view_->UpdateMapImage();
  PrintLine("map loaded");
}
