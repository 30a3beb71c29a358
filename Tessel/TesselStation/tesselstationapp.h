// CTesselStationApp: the station program. Its start-up (InitInstance)
// installs the crash reporter, makes the Qt event loop the framework's,
// seeds the random generator, opens the profile, reads the command line
// into the global theCommandLine, then makes the document (which opens the
// chat window) and the main frame with its agent, and shows the frame.
//
// The program's own option, beside the agent's (see CMainFrame):
//   -screenshot FILE   writes a PNG picture of the main window to FILE when
//                      the launch window opens, and says so on stdout
//
// The application object is made after the QApplication and goes before
// it; it owns the windows, the document and the loop, and takes them down
// in that order.
#pragma once

#include <memory>
#include <string>

#include "PlatformQt/qtloop.h"
#include "PlatformQt/qtmessagebox.h"
#include "PlatformQt/qtprofile.h"
#include "RelaywickUi/commwindows.h"
#include "TesselStation/mainfrm.h"
#include "TesselStation/stationwindows.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/commandline.h"

// The program's command line, parsed once at start-up; the agent's
// container reads it for as long as the agent runs.
extern CCommandLine theCommandLine;

class CTesselStationApp {
 public:
  static constexpr const char* kAppName = "TesselStation";
  static constexpr unsigned kRecentFiles = 4;

  // `argv` holds the process's arguments as it got them (Qt takes out the
  // ones it knows from its own copy); it must outlive the application.
  CTesselStationApp(int argc, char** argv);
  ~CTesselStationApp();
  CTesselStationApp(const CTesselStationApp&) = delete;
  CTesselStationApp& operator=(const CTesselStationApp&) = delete;

  // The start-up; false ends the program (the frame's agent did not start).
  bool InitInstance();
  // One line on where the agent runs and whether the name server has it.
  std::string Whereabouts() const;

 private:
  void WriteScreenshot(const std::string& path);

  int argc_;
  char** argv_;
  std::unique_ptr<platform::QtLoop> loop_;
  std::unique_ptr<platform::QtProfile> profile_;
  std::unique_ptr<platform::QtMessageBox> boxes_;
  platform::MessageSink* previousBoxes_ = nullptr;
  CStationWindows windows_;
  std::unique_ptr<CTesselStationDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<CCommWindows> commWindows_;
};
