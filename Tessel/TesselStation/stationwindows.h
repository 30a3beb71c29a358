// CStationWindows: the station's screen -- CStationUi over the Qt windows of
// the program. It owns what the windows show of the station that the core
// leaves to the screen (the information pane's tree, the chat's lines), the
// chat window and the wait notice; the main frame is the program's and is
// attached once it exists.
//
// Boxes and questions go through the platform's show_box and ask_yes_no, so
// that an unattended run prints them, and so that a box opened by a message
// handler runs no other message handler while it is open (the Qt loop
// holds them).
//
// It must outlive the document and the main frame; both are attached when
// they exist and detached (null) before they go.
#pragma once

#include <QPointer>

#include <memory>
#include <string>

#include "PlatformQt/qtprogress.h"
#include "TesselStationCore/chatdoc.h"
#include "TesselStationCore/infopanemodel.h"
#include "TesselStation/waitdialog.h"
#include "TesselStationCore/stationui.h"

class CChatFrame;
class CMainFrame;
class CTesselStationDoc;
class QWidget;

class CStationWindows : public CStationUi {
 public:
  // The program's name, which ends the main window's title.
  static constexpr const char* kAppTitle = "TesselStation";

  CStationWindows();
  ~CStationWindows() override;
  CStationWindows(const CStationWindows&) = delete;
  CStationWindows& operator=(const CStationWindows&) = delete;

  void SetDocument(CTesselStationDoc* document);
  void SetMainFrame(CMainFrame* frame);

  CInfoPaneModel& GetInfoPane() { return pane_; }
  CChatDoc& GetChat() { return chat_; }
  // Null until OpenChatWindow.
  CChatFrame* GetChatFrame() const { return chatFrame_.get(); }
  // Null while none is shown.
  CWaitDialog* GetWaitDialog() const { return wait_; }

  // --- CStationUi
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
  platform::Progress* GetProgress() override;

 private:
  // The information pane shows the model as it is now: all of it, or the
  // branch of `item`.
  void SyncInfoPane();
  void SyncInfoPane(const CInfoPaneItem& item);
  // After a cost update: the section's own text and the member's line, so
  // that the cost of an update does not grow with the team.
  void SyncCosts();
  // The window that boxes are centred over; null when there is none to use.
  QWidget* BoxParent() const;

  CMainFrame* frame_ = nullptr;
  CInfoPaneModel pane_;
  CChatDoc chat_;
  std::unique_ptr<CChatFrame> chatFrame_;
  QPointer<CWaitDialog> wait_;
  std::unique_ptr<platform::QtProgress> progress_;
  platform::Progress noProgress_;
  std::string title_;
};
