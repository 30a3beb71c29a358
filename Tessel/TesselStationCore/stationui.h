// CStationUi: everything the station's core asks of the screen. The core
// (document, units, agent, protocol) never touches a window; it calls this
// interface, which the Qt program implements with real windows and the tests
// with a recorder that answers questions from a script.
//
// Calls come from the thread of the event loop only. Pointers handed to the
// interface stay the core's: a balloon passed to ShowWeatherReport lives
// until RemoveWeatherReport is called for it, a team member passed to
// AddChatLine until the next ClearChat -- or either until the document goes.
// The interface must outlive the document.
#pragma once

#include <string>
#include <vector>

#include "Platform/messagesink.h"
#include "Platform/progress.h"
#include "Platform/rect.h"

class CTeamMember;
class CWeatherBalloon;

// One item of a popup menu, in the order shown. Identifier 0 is never
// chosen; a title item is the menu's disabled heading.
struct CStationMenuItem {
  unsigned id = 0;
  std::string text;
  bool separator = false;
  bool title = false;
};

class CStationUi {
 public:
  // Information-pane sections that RefreshInfoPane rebuilds.
  static constexpr int kPaneTeamMembers = 0;
  static constexpr int kPaneAgent = 1;
  static constexpr int kPaneCosts = 5;

  virtual ~CStationUi() = default;

  // --- Boxes: each returns once the operator has answered.

  // `type` is MB_OK or MB_ICONSTOP (Platform/messagesink.h).
  virtual void MessageBox(const char* text, unsigned type) = 0;
  // A question with the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(const char* text) = 0;

  // --- Windows

  // Whether the main frame and the chat window take input.
  virtual void EnableMainFrame(bool enable) = 0;
  virtual void EnableChatWindow(bool enable) = 0;
  // Opens and shows the chat window, titled "Chat Window".
  virtual void OpenChatWindow() = 0;
  virtual void SetTitle(const char* title) = 0;
  virtual void SetChatTitle(const char* title) = 0;
  // The modeless notice "Please wait while the simulation starts". The
  // document calls Show only while none is shown and Close only while one is.
  virtual void ShowWaitDialog() = 0;
  virtual void CloseWaitDialog() = 0;

  // --- Redraws: the map views (erasing their background first or not), and
  // the main window with everything in it.
  virtual void RedrawAllViews(bool erase) = 0;
  virtual void RedrawMainWindow() = 0;

  // --- Information pane

  // Rebuilds one section: kPaneTeamMembers, kPaneAgent or kPaneCosts; other
  // codes do nothing.
  virtual void RefreshInfoPane(int code) = 0;
  // The costs that a team member reported (texts as they came) under the
  // pane's mission-cost section.
  virtual void UpdateMemberCost(const char* name, const char* radar, const char* interceptor,
                                const char* balloon, const char* total) = 0;
  // The four lines of a balloon's weather report: inserted the first time,
  // replaced afterwards.
  virtual void ShowWeatherReport(const CWeatherBalloon* balloon,
                                 const std::vector<std::string>& lines) = 0;
  // The balloon is about to be deleted: its lines go.
  virtual void RemoveWeatherReport(const CWeatherBalloon* balloon) = 0;

  // --- Chat window

  virtual void AddChatLine(const CTeamMember* author, const char* text) = 0;
  virtual void ClearChat() = 0;

  // --- Map, menus, progress

  // The document has read a new map into its world map (OpenMapURL): every
  // map view renders its picture of it anew. The map stays the document's;
  // views read it while they draw and keep no pointer into it.
  virtual void LoadMap() = 0;
  // Shows a popup menu at a screen point; the chosen identifier, or 0 when
  // the menu was dismissed.
  virtual unsigned TrackMenu(const std::vector<CStationMenuItem>& items, CPoint screen) = 0;
  // The progress shown while a map renders; owned by the interface, never
  // null.
  virtual platform::Progress* GetProgress() = 0;
};
