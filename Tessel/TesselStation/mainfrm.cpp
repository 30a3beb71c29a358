#include "TesselStation/mainfrm.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <charconv>
#include <cstdio>
#include <cstring>

#include "Credwick/lookupmodule.h"
#include "Relaywick/communicator.h"
#include "TesselStation/aboutdlg.h"
#include "TesselStation/stationimages.h"
#include "TesselStation/stationwindows.h"
#include "TesselStation/stcbinfoview.h"
#include "TesselStation/tabbeddockbar.h"
#include "TesselStation/tesselstationview.h"
#include "TesselStationCore/commsettingsmodel.h"
#include "TesselStationCore/stationprotocol.h"
#include "TesselStationCore/tesselstationdoc.h"

namespace {

// How often the frame brings what it shows up to date when nothing asks.
constexpr int kIdleUpdateMs = 250;

// 0 to 65535, digits only.
bool ReadPort(const char* text, unsigned* port) {
  const char* end = text + std::strlen(text);
  unsigned value = 0;
  const auto [stop, error] = std::from_chars(text, end, value);
  if (text == end || stop != end || error != std::errc() || value > 65535) return false;
  *port = value;
  return true;
}

void SetText(QLabel* label, const char* text) {
  const QString shown = QString::fromUtf8(text);
  if (label->text() != shown) label->setText(shown);
}

}  // namespace

// --- The go/no-go bar

CCustomToolBar::CCustomToolBar(const QString& title, QWidget* parent) : QToolBar(title, parent) {}

void CCustomToolBar::AddCountdown(const char* text) {
  countdown_ = new QLabel(QString::fromUtf8(text));
  countdown_->setObjectName(QString::number(CMainFrame::ID_COUNTDOWN));
  countdown_->setFixedWidth(kCountdownWidth);
  QFont font("DejaVu Sans");
  font.setPointSize(11);
  font.setBold(true);
  countdown_->setFont(font);
  countdown_->setContentsMargins(8, 0, 0, 0);
  addWidget(countdown_);
}

// --- The frame

CMainFrame::CMainFrame(CTesselStationDoc& document, CStationWindows& windows)
    : document_(document), windows_(windows), model_(document) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    setGeometry(FrameGeometry(screen->geometry()));
  }
  setWindowIcon(QIcon(stationimages::StationIcon()));
}

CMainFrame::~CMainFrame() {
  // The agent stops while everything it reaches is still there.
  if (CAgentContainer* agent = get_container()) agent->stop_agent();
  if (document_.GetMainFrame() == &model_) {
    document_.SetAgent(nullptr);
    document_.SetMainFrame(nullptr);
  }
  model_.SetView(nullptr);
  delete takeCentralWidget();
}

QRect CMainFrame::FrameGeometry(QRect screen) {
  return QRect(screen.topLeft(), QSize(screen.width(), screen.height() * 5 / 7));
}

QAction* CMainFrame::AddCommand(unsigned id, const char* text, const char* prompt) {
  auto* action = new QAction(QString::fromUtf8(text), this);
  action->setObjectName(QString::number(id));
  if (prompt != nullptr) {
    action->setStatusTip(QString::fromUtf8(prompt));
    action->setToolTip(QString::fromUtf8(prompt));
  }
  commands_[id] = action;
  return action;
}

QAction* CMainFrame::GetCommand(unsigned id) const {
  const auto found = commands_.find(id);
  return found != commands_.end() ? found->second : nullptr;
}

QLabel* CMainFrame::GetPane(unsigned id) const {
  const auto found = panes_.find(id);
  return found != panes_.end() ? found->second : nullptr;
}

CSTCBInfoView* CMainFrame::GetInfoView() const {
  return dockBar_ != nullptr ? dockBar_->GetView<CSTCBInfoView>() : nullptr;
}

CStationAgent* CMainFrame::GetAgent() const {
  return dynamic_cast<CStationAgent*>(get_container());
}

int CMainFrame::OnCreate(CCommandLine* commandLine) {
  // The client: the map view.
  view_ = new CTesselStationView(document_, model_, log_, this);
  setCentralWidget(view_);
  model_.SetView(&view_->GetModel());

  CreateMenus();
  CreateMainBar();
  CreateGoNoGoBar();
  CreateStatusBar();

  dockBar_ = new CTabbedDockBar;
  dockBar_->Create(this, QSize(350, 250), kDockBarId);
  dockBar_->setWindowTitle("Information");
  addDockWidget(Qt::RightDockWidgetArea, dockBar_);
  dockBar_->AddView("Information", new CSTCBInfoView(windows_.GetInfoPane()));

  // The agent, which the frame's container runs from now on.
  auto agent = std::make_unique<CLoggingStationAgent>(kAgentName, log_);
  CStationAgent* started = agent.get();
  agent->SetDispatcher(
      std::make_unique<CLoggingDispatcher>(log_, std::make_unique<CStationProtocol>(document_)));
  const bool options = ReadAgentOptions(commandLine, started);
  AssignContainer(std::move(agent));
  if (!options || CreateContainer(commandLine, 1) == 0) {
    windows_.MessageBox("Unable to start agent", MB_OK);
    return -1;
  }
  document_.SetAgent(started);
  document_.SetMainFrame(&model_);
  TakeStartRegistration();
  shownRegistration_ = RegisteredNow();

  auto* idle = new QTimer(this);
  connect(idle, &QTimer::timeout, this, [this] { UpdateCommandUi(); });
  idle->start(kIdleUpdateMs);
  UpdateCommandUi();
  return 0;
}

bool CMainFrame::ReadAgentOptions(CCommandLine* commandLine, CStationAgent* agent) {
  if (commandLine == nullptr) return true;
  if (const char* name = commandLine->find_token("name")) {
    if (name[0] == '\0' || !CCommSettingsModel::IsPlainName(name)) {
      std::fprintf(stderr, "invalid -name: %s\n", name);
      return false;
    }
    agent->set_name(name);
  }
  if (const char* value = commandLine->find_token("port")) {
    unsigned port = 0;
    if (!ReadPort(value, &port)) {
      std::fprintf(stderr, "invalid -port: %s\n", value);
      return false;
    }
    agent->SetListeningPort(port);
  }
  std::string host = agent->GetNameServerHost();
  unsigned port = agent->GetNameServerPort();
  if (const char* value = commandLine->find_token("ans")) host = value;
  if (const char* value = commandLine->find_token("ansport")) {
    if (!ReadPort(value, &port)) {
      std::fprintf(stderr, "invalid -ansport: %s\n", value);
      return false;
    }
  }
  agent->SetNameServer(host.c_str(), port);
  return true;
}

void CMainFrame::TakeStartRegistration() {
  CStationAgent* agent = GetAgent();
  CCommunicator* communicator = agent->get_communicator();
  if (communicator == nullptr || communicator->is_registered() != 1) return;
  document_.ApplyRegistration(true, agent->GetAgentName());
  windows_.RefreshInfoPane(CStationUi::kPaneAgent);
}

void CMainFrame::CreateMenus() {
  QAction* settings =
      AddCommand(ID_EDIT_SETTINGS, "Edit Settings", "Edit the Administration Settings");
  settings->setIcon(stationimages::ToolButton(stationimages::Button::settings));
  connect(settings, &QAction::triggered, this, [this] { view_->OnEditSettings(); });
  QAction* exit = AddCommand(ID_APP_EXIT, "E&xit");
  connect(exit, &QAction::triggered, this, [this] { close(); });
  QMenu* system = menuBar()->addMenu("&System");
  system->addAction(settings);
  system->addAction(exit);

  QAction* toolbar = AddCommand(ID_VIEW_TOOLBAR, "&Toolbar");
  QAction* status = AddCommand(ID_VIEW_STATUS_BAR, "&Status Bar");
  for (QAction* shown : {toolbar, status}) {
    shown->setCheckable(true);
    shown->setChecked(true);
  }
  connect(toolbar, &QAction::toggled, this, [this](bool on) {
    mainBar_->setVisible(on);
    RecalcLayout();
  });
  connect(status, &QAction::toggled, this, [this](bool on) {
    statusBar()->setVisible(on);
    RecalcLayout();
  });
  QMenu* view = menuBar()->addMenu("&View");
  view->addAction(toolbar);
  view->addAction(status);

  QAction* about = AddCommand(ID_APP_ABOUT, "&About TesselStation...");
  about->setIcon(stationimages::ToolButton(stationimages::Button::about));
  connect(about, &QAction::triggered, this, [this] { OnAppAbout(); });
  menuBar()->addMenu("&Help")->addAction(about);
}

void CMainFrame::CreateMainBar() {
  using stationimages::Button;
  struct Command {
    unsigned id;
    const char* text;
    Button button;
    std::function<void()> run;
  };
  const Command commands[] = {
      {ID_ZOOM_IN, "Zoom In", Button::zoomIn, [this] { model_.OnZoomIn(); }},
      {ID_ZOOM_OUT, "Zoom Out", Button::zoomOut, [this] { model_.OnZoomOut(); }},
      {ID_WEATHER_REPORT, "Ger Weather Report", Button::weatherReport,
       [this] { view_->OnWeatherReport(); }},
      {ID_TRAJECTORY_REFRESH, "Refresh the Trajectory", Button::trajectoryRefresh,
       [this] { model_.OnTrajectoryRefresh(); }},
      {ID_STOP_INTERCEPTOR, "Stop the Selected Interceptor", Button::stopInterceptor,
       [this] { model_.OnStopInterceptor(); }},
  };
  mainBar_ = new QToolBar("Standard", this);
  mainBar_->setObjectName("128");
  mainBar_->setAllowedAreas(Qt::AllToolBarAreas);
  for (const Command& command : commands) {
    QAction* action = AddCommand(command.id, command.text, command.text);
    action->setIcon(stationimages::ToolButton(command.button));
    connect(action, &QAction::triggered, this, [this, run = command.run] {
      run();
      UpdateCommandUi();
    });
    mainBar_->addAction(action);
    if (command.id == ID_ZOOM_OUT) mainBar_->addSeparator();
  }
  GetCommand(ID_WEATHER_REPORT)->setCheckable(true);
  mainBar_->addSeparator();
  mainBar_->addAction(GetCommand(ID_EDIT_SETTINGS));
  mainBar_->addAction(GetCommand(ID_APP_ABOUT));
  addToolBar(Qt::LeftToolBarArea, mainBar_);
}

void CMainFrame::CreateGoNoGoBar() {
  goNoGoBar_ = new CCustomToolBar("Go/No-Go", this);
  goNoGoBar_->setObjectName("149");
  QAction* goNoGo = AddCommand(ID_GONOGO, "Go/No-Go", "Go/No-Go");
  goNoGo->setCheckable(true);
  connect(goNoGo, &QAction::triggered, this, [this](bool down) {
    model_.OnGoNoGo(down);
    UpdateCommandUi();
  });
  goNoGoBar_->addAction(goNoGo);
  goNoGoBar_->AddCountdown(CMainFrameModel::kInitialCountdown);
  goNoGoBar_->setEnabled(false);
  goNoGo->setIcon(QIcon(stationimages::GoNoGo(CMainFrameModel::IMAGE_DISABLED)));
  shownImage_ = CMainFrameModel::IMAGE_DISABLED;
  addToolBar(Qt::TopToolBarArea, goNoGoBar_);
}

void CMainFrame::CreateStatusBar() {
  auto* ready = new QLabel("Ready");
  statusBar()->addWidget(ready, 1);
  const QFontMetrics metrics(statusBar()->font());
  struct Pane {
    unsigned id;
    const char* idle;
    const char* sample;
  };
  for (const Pane& pane : {Pane{ID_INDICATOR_ALPHA, "Alpha No-Go", "Charlie No-Go "},
                           Pane{ID_INDICATOR_BRAVO, "Bravo No-Go", "Charlie No-Go "},
                           Pane{ID_INDICATOR_CHARLIE, "Charlie No-Go", "Charlie No-Go "},
                           Pane{ID_INDICATOR_PHASE, "Administrator Mode",
                                "ERROR! Contact Administrator! "},
                           Pane{ID_INDICATOR_POSITION, "99999,99999", "999,999 (999.00,999.00)"}}) {
    auto* label = new QLabel(pane.idle);
    label->setObjectName(QString::number(pane.id));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(metrics.horizontalAdvance(pane.sample));
    statusBar()->addPermanentWidget(label);
    panes_[pane.id] = label;
  }
}

int CMainFrame::RegisteredNow() const {
  CStationAgent* agent = GetAgent();
  CCommunicator* communicator = agent != nullptr ? agent->get_communicator() : nullptr;
  const CLookupModule* client =
      communicator != nullptr ? communicator->retrieve_ans_object() : nullptr;
  return client != nullptr ? client->is_registered() : 0;
}

void CMainFrame::UpdateCommandUi() {
  if (panes_.empty()) return;  // not created yet
  // A registration made or lost since (a later integrity round, the
  // settings sheet) reaches the pane here; the entry reads only what the
  // agent holds, so this costs no request to the name server.
  if (const int registered = RegisteredNow(); registered != shownRegistration_) {
    shownRegistration_ = registered;
    windows_.RefreshInfoPane(CStationUi::kPaneAgent);
  }
  model_.UpdatePhase();
  SetText(panes_[ID_INDICATOR_PHASE], model_.GetPhaseText());
  SetText(goNoGoBar_->GetCountdown(), model_.GetCountdownText());
  SetText(panes_[ID_INDICATOR_ALPHA], model_.SideText(CMainFrameModel::Side::alpha));
  SetText(panes_[ID_INDICATOR_BRAVO], model_.SideText(CMainFrameModel::Side::bravo));
  SetText(panes_[ID_INDICATOR_CHARLIE], model_.SideText(CMainFrameModel::Side::charlie));
  SetText(panes_[ID_INDICATOR_POSITION], model_.CursorPositionText().get());

  if (model_.IsGoNoGoEnabled() && !goNoGoBar_->isEnabled() && onLaunchWindow_) onLaunchWindow_();
  goNoGoBar_->setEnabled(model_.IsGoNoGoEnabled());
  QAction* goNoGo = GetCommand(ID_GONOGO);
  goNoGo->setChecked(model_.IsGoNoGoDown());
  if (shownImage_ != model_.GetGoNoGoImage()) {
    shownImage_ = model_.GetGoNoGoImage();
    goNoGo->setIcon(QIcon(stationimages::GoNoGo(shownImage_)));
  }
  GetCommand(ID_ZOOM_IN)->setEnabled(model_.CanZoomIn());
  GetCommand(ID_ZOOM_OUT)->setEnabled(model_.CanZoomOut());
  QAction* weather = GetCommand(ID_WEATHER_REPORT);
  weather->setEnabled(view_->GetModel().IsWeatherReportEnabled());
  weather->setChecked(view_->GetModel().IsWeatherReportChecked());
}

void CMainFrame::RecalcLayout() {
  for (int pass = 0; pass < 2; ++pass) {
    layout()->invalidate();
    layout()->activate();
  }
}

void CMainFrame::OnAppAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  CSDIContainer::closeEvent(event);
  if (event->isAccepted() && onClosed_) onClosed_();
}
