#include "TesselStation/stationwindows.h"

#include <QAction>

#include "PlatformQt/qtmessagebox.h"
#include "TesselStation/chatframe.h"
#include "TesselStation/mainfrm.h"
#include "TesselStation/stcbinfoview.h"
#include "TesselStation/tesselstationview.h"
#include "TesselStation/titlemenu.h"
#include "TesselStation/waitdialog.h"

CStationWindows::CStationWindows() = default;

CStationWindows::~CStationWindows() { delete wait_; }

void CStationWindows::SetDocument(CTesselStationDoc* document) {
  pane_.SetDocument(document);
  chat_.SetDocument(document);
}

void CStationWindows::SetMainFrame(CMainFrame* frame) {
  frame_ = frame;
  progress_.reset();
  if (frame_ == nullptr) return;
  progress_ = std::make_unique<platform::QtProgress>(frame_);
  SetTitle(title_.c_str());
}

QWidget* CStationWindows::BoxParent() const {
  // A disabled frame would disable its boxes too.
  return frame_ != nullptr && frame_->isEnabled() ? frame_ : nullptr;
}

void CStationWindows::MessageBox(const char* text, unsigned type) {
  platform::show_box(BoxParent(), text, type);
}

bool CStationWindows::AskYesNo(const char* text) {
  return platform::ask_yes_no(BoxParent(), text);
}

void CStationWindows::EnableMainFrame(bool enable) {
  if (frame_ != nullptr) frame_->setEnabled(enable);
}

void CStationWindows::EnableChatWindow(bool enable) {
  if (chatFrame_ != nullptr) chatFrame_->setEnabled(enable);
}

void CStationWindows::OpenChatWindow() {
  if (chatFrame_ == nullptr) chatFrame_ = std::make_unique<CChatFrame>(chat_);
  chatFrame_->setWindowTitle(CChatFrame::kTitle);
  chatFrame_->show();
}

void CStationWindows::SetTitle(const char* title) {
  title_ = title != nullptr ? title : "";
  if (frame_ != nullptr) {
    frame_->setWindowTitle(QString::fromStdString(title_) + " - " + kAppTitle);
  }
}

void CStationWindows::SetChatTitle(const char* title) {
  if (chatFrame_ != nullptr) chatFrame_->setWindowTitle(QString::fromUtf8(title));
}

void CStationWindows::ShowWaitDialog() {
  delete wait_;
  wait_ = new CWaitDialog(frame_);
  wait_->show();
}

void CStationWindows::CloseWaitDialog() { delete wait_; }

void CStationWindows::RedrawAllViews(bool /*erase*/) {
  if (frame_ != nullptr && frame_->GetView() != nullptr) frame_->GetView()->viewport()->update();
}

void CStationWindows::RedrawMainWindow() {
  if (frame_ == nullptr) return;
  frame_->UpdateCommandUi();
  RedrawAllViews(true);
}

void CStationWindows::SyncInfoPane() {
  if (frame_ == nullptr) return;
  if (CSTCBInfoView* view = frame_->GetInfoView()) view->Sync();
}

void CStationWindows::SyncInfoPane(const CInfoPaneItem& item) {
  if (frame_ == nullptr) return;
  if (CSTCBInfoView* view = frame_->GetInfoView()) view->SyncItem(item);
}

void CStationWindows::SyncCosts() {
  if (frame_ == nullptr) return;
  CSTCBInfoView* view = frame_->GetInfoView();
  if (view == nullptr) return;
  view->SyncText(pane_.GetMissionCost());
  if (const CInfoPaneItem* line = pane_.GetLastCostLine()) view->SyncItem(*line);
}

void CStationWindows::RefreshInfoPane(int code) {
  pane_.Refresh(code);
  // The costs change in place, at every paint of the map; the other
  // sections are made anew among the root's.
  if (code == kPaneCosts) {
    SyncCosts();
  } else {
    SyncInfoPane();
  }
}

void CStationWindows::UpdateMemberCost(const char* name, const char* radar,
                                       const char* interceptor, const char* balloon,
                                       const char* total) {
  pane_.UpdateMemberCost(name, radar, interceptor, balloon, total);
  SyncCosts();
}

void CStationWindows::ShowWeatherReport(const CWeatherBalloon* balloon,
                                        const std::vector<std::string>& lines) {
  // Every balloon's lines are shown again at every paint: only its own
  // branch is brought up to date, a new one joining the section.
  pane_.ShowWeatherReport(balloon, lines);
  if (const CInfoPaneItem* report = pane_.GetReport(balloon)) SyncInfoPane(*report);
}

void CStationWindows::RemoveWeatherReport(const CWeatherBalloon* balloon) {
  // Only the report's own branch goes: a reset takes every balloon's.
  const CInfoPaneItem* report = pane_.GetReport(balloon);
  if (report == nullptr) return;
  if (frame_ != nullptr) {
    if (CSTCBInfoView* view = frame_->GetInfoView()) view->Remove(*report);
  }
  pane_.RemoveWeatherReport(balloon);
}

void CStationWindows::AddChatLine(const CTeamMember* author, const char* text) {
  chat_.AddChatRecord(text, author);
  if (chatFrame_ != nullptr) chatFrame_->ShowLastRecord();
}

void CStationWindows::ClearChat() {
  chat_.ClearChat();
  if (chatFrame_ != nullptr) chatFrame_->ClearChat();
}

void CStationWindows::LoadMap() {
  if (frame_ != nullptr && frame_->GetView() != nullptr) frame_->GetView()->UpdateMapImage();
}

unsigned CStationWindows::TrackMenu(const std::vector<CStationMenuItem>& items, CPoint screen) {
  CTitleMenu menu(frame_);
  for (const CStationMenuItem& item : items) {
    if (item.title) {
      menu.AddTitle(item.text.c_str());
    } else if (item.separator) {
      menu.addSeparator();
    } else {
      menu.addAction(QString::fromStdString(item.text))->setData(item.id);
    }
  }
  const QAction* chosen = menu.exec(QPoint(screen.x, screen.y));
  return chosen != nullptr ? chosen->data().toUInt() : 0;
}

platform::Progress* CStationWindows::GetProgress() {
  return progress_ != nullptr ? static_cast<platform::Progress*>(progress_.get()) : &noProgress_;
}
