// CMainFrame: the station's main window, and the window in which the
// station's agent runs (a CSDIContainer). Creating it (OnCreate) builds the
// menus, the main tool bar, the go/no-go bar with the mission countdown,
// the status bar, the map view and the information pane in a tabbed bar,
// then starts the station agent with the program's command line.
//
// What the frame shows comes from CMainFrameModel: the phase, the
// countdown, the go/no-go status of the three sides, the map position under
// the mouse and which commands are enabled (UpdateCommandUi, run after each
// change the model reports and periodically). Its commands go to the model:
// zoom, go/no-go, trajectory refresh, stop interceptor; the map view's
// commands (the administration settings, the weather-report mode) go to the
// view.
//
// The agent takes the container's options from the command line:
//   -name N     the agent name it runs and registers under (TesselStation)
//   -port P     the port it listens on (0: one the system chooses)
//   -ans HOST   the agent name server ("-unknown-": none)
//   -ansport P  the name server's port (6677)
// An agent that the name server registered at its start counts as the
// station's registration: the document takes its name, as when the
// operator registers in the administration settings.
//
// The document and the station windows are not owned and must outlive the
// frame; the frame attaches itself and its agent to the document and
// detaches both when it goes.
#pragma once

#include <QToolBar>

#include <functional>
#include <map>
#include <string>

#include "AgentwickUi/sdicontainer.h"
#include "TesselStation/conversationlog.h"
#include "TesselStationCore/mainframemodel.h"

class CSTCBInfoView;
class CStationAgent;
class CStationWindows;
class CTabbedDockBar;
class CTesselStationDoc;
class CTesselStationView;
class QLabel;

// The go/no-go bar: a tool bar with the countdown text in it.
class CCustomToolBar : public QToolBar {
 public:
  // The countdown text's width, in pixels.
  static constexpr int kCountdownWidth = 700;

  explicit CCustomToolBar(const QString& title, QWidget* parent = nullptr);
  QLabel* GetCountdown() const { return countdown_; }

  // Puts the countdown text, initially `text`, at the end of the bar.
  void AddCountdown(const char* text);

 private:
  QLabel* countdown_ = nullptr;
};

class CMainFrame : public CSDIContainer {
 public:
  // Commands.
  enum : unsigned {
    ID_ZOOM_IN = 32774,
    ID_ZOOM_OUT = 32775,
    ID_GONOGO = 32785,
    ID_EDIT_SETTINGS = 32787,
    ID_WEATHER_REPORT = 32791,
    ID_COUNTDOWN = 32792,
    ID_TRAJECTORY_REFRESH = 32806,
    ID_STOP_INTERCEPTOR = 32824,
    ID_APP_ABOUT = 0xE140,
    ID_APP_EXIT = 0xE141,
    ID_VIEW_TOOLBAR = 0xE800,
    ID_VIEW_STATUS_BAR = 0xE801,
  };
  // Status bar panes.
  enum : unsigned {
    ID_INDICATOR_ALPHA = 129,
    ID_INDICATOR_BRAVO = 130,
    ID_INDICATOR_CHARLIE = 131,
    ID_INDICATOR_PHASE = 11001,
    ID_INDICATOR_POSITION = 10112,
  };
  static constexpr int kDockBarId = 103;
  static constexpr const char* kAgentName = "TesselStation";

  CMainFrame(CTesselStationDoc& document, CStationWindows& windows);
  // Stops the agent and detaches it and the frame from the document.
  ~CMainFrame() override;

  // Five sevenths of the screen's height, its whole width, at its top left.
  static QRect FrameGeometry(QRect screen);

  // The frame's creation, after the window exists: bars, panes, the view,
  // then the agent started with `commandLine` (which must outlive the
  // agent). 0; -1 when the agent cannot start ("Unable to start agent" is
  // shown) or its options are wrong.
  int OnCreate(CCommandLine* commandLine);

  // The idle update of every text and command state the frame shows; the
  // information pane's agent entry is shown anew once the name-server
  // client's registration has changed.
  void UpdateCommandUi();
  // The frame's layout, recalculated twice over.
  void RecalcLayout();
  // The about box, modal.
  void OnAppAbout();
  // Runs once the window has closed (the agent has stopped by then).
  void SetOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }
  // Runs when the frame first shows the launch window open (from within
  // the handler of the clock pulse that opened it).
  void SetOnLaunchWindow(std::function<void()> onOpen) { onLaunchWindow_ = std::move(onOpen); }

  CMainFrameModel& GetModel() { return model_; }
  CConversationLog& GetConversationLog() { return log_; }
  // Null before OnCreate.
  CTesselStationView* GetView() const { return view_; }
  CSTCBInfoView* GetInfoView() const;
  CStationAgent* GetAgent() const;
  // A command of the menus and tool bars; null for an unknown identifier.
  QAction* GetCommand(unsigned id) const;
  // A status bar pane; null for an unknown identifier.
  QLabel* GetPane(unsigned id) const;
  CCustomToolBar* GetGoNoGoBar() const { return goNoGoBar_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* AddCommand(unsigned id, const char* text, const char* prompt = nullptr);
  void CreateMenus();
  void CreateMainBar();
  void CreateGoNoGoBar();
  void CreateStatusBar();
  // Takes the container's options over into the agent; false (said on
  // stderr) when one is wrong.
  static bool ReadAgentOptions(CCommandLine* commandLine, CStationAgent* agent);
  void TakeStartRegistration();
  // 1 while the name-server client counts the agent registered.
  int RegisteredNow() const;

  CTesselStationDoc& document_;
  CStationWindows& windows_;
  CMainFrameModel model_;
  CConversationLog log_;
  CTesselStationView* view_ = nullptr;
  QToolBar* mainBar_ = nullptr;
  CCustomToolBar* goNoGoBar_ = nullptr;
  CTabbedDockBar* dockBar_ = nullptr;
  std::map<unsigned, QAction*> commands_;
  std::map<unsigned, QLabel*> panes_;
  int shownImage_ = -1;
  int shownRegistration_ = 0;  // what the pane's agent entry shows
  std::function<void()> onClosed_;
  std::function<void()> onLaunchWindow_;
};
