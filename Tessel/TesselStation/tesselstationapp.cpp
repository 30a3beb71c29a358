#include "TesselStation/tesselstationapp.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "PlatformQt/crashreport.h"
#include "PlatformQt/screenshot.h"
#include "Relaywick/communicator.h"
#include "TesselStation/stationimages.h"
#include "TesselStationCore/stationagent.h"

CCommandLine theCommandLine;

CTesselStationApp::CTesselStationApp(int argc, char** argv) : argc_(argc), argv_(argv) {}

CTesselStationApp::~CTesselStationApp() {
  commWindows_.reset();
  if (boxes_ != nullptr) platform::set_message_sink(previousBoxes_);
  windows_.SetMainFrame(nullptr);
  frame_.reset();
  windows_.SetDocument(nullptr);
  document_.reset();
  if (loop_ != nullptr) platform::set_current_loop(nullptr);
}

bool CTesselStationApp::InitInstance() {
  Install(nullptr);
  // The framework's sockets and timers run in the Qt application.
  loop_ = std::make_unique<platform::QtLoop>();
  platform::set_current_loop(loop_.get());
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  QCoreApplication::setOrganizationName(platform::QtProfile::kOrganisation);
  QCoreApplication::setApplicationName(kAppName);
  QGuiApplication::setApplicationDisplayName(kAppName);
  QApplication::setWindowIcon(QIcon(stationimages::StationIcon()));
  profile_ = std::make_unique<platform::QtProfile>(kAppName);
  profile_->LoadStdProfileSettings(kRecentFiles);
  theCommandLine.parse_commandline(argc_, argv_);

  // The document first: it opens the chat window; then the frame, whose
  // agent the document keeps.
  document_ = std::make_unique<CTesselStationDoc>(windows_);
  windows_.SetDocument(document_.get());
  document_->OnNewDocument();
  frame_ = std::make_unique<CMainFrame>(*document_, windows_);
  windows_.SetMainFrame(frame_.get());
  boxes_ = std::make_unique<platform::QtMessageBox>(frame_.get());
  previousBoxes_ = platform::set_message_sink(boxes_.get());
  commWindows_ = std::make_unique<CCommWindows>(frame_.get());
  if (frame_->OnCreate(&theCommandLine) != 0) return false;
  frame_->SetOnClosed([] { QCoreApplication::exit(0); });
  if (const char* path = theCommandLine.find_token("screenshot")) {
    frame_->SetOnLaunchWindow([this, shot = std::string(path)] {
      // Once the pulse's handler has returned.
      QTimer::singleShot(0, frame_.get(), [this, shot] { WriteScreenshot(shot); });
    });
  }
  frame_->show();
  return true;
}

std::string CTesselStationApp::Whereabouts() const {
  const CStationAgent* agent = frame_ != nullptr ? frame_->GetAgent() : nullptr;
  CCommunicator* communicator = agent != nullptr ? agent->get_communicator() : nullptr;
  if (communicator == nullptr) return "no agent";
  std::string line = std::string(communicator->get_name()) + " listening on " +
                     communicator->comm_get_ip() + ":" +
                     std::to_string(communicator->get_port()) + ", ";
  if (communicator->is_registered() == 1) {
    return line + "registered with the name server at " + communicator->get_ansname() + ":" +
           std::to_string(communicator->get_ansport());
  }
  const char* why = communicator->comm_ans_error();
  return line + "not registered: " + (why != nullptr ? why : "no name server");
}

void CTesselStationApp::WriteScreenshot(const std::string& path) {
  if (platform::save_png(frame_.get(), path.c_str())) {
    std::printf("screenshot: %s\n", path.c_str());
  } else {
    std::printf("screenshot not written: %s\n", path.c_str());
  }
  std::fflush(stdout);
}
