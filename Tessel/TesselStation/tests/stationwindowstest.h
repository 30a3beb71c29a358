// The station's windows as the program makes them -- its screen, the
// document, the main frame with its agent started on loopback -- on a Qt
// loop of the test's own, and a map data file to load.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PlatformQt/qtloop.h"
#include "TesselStation/mainfrm.h"
#include "TesselStation/stationwindows.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/commandline.h"
#include "testsupport/tempdir.h"

namespace stationui {

// Two terrain types: code 's' solid red (0xFF0000), code 'w' solid blue
// (0x0000FF), as a scenario's terrain list.
inline constexpr const char* kTerrain =
    "(tell :number 2 :0 (tell :code 115 :style Solid :name Red :r 255 :g 0 :b 0) "
    ":1 (tell :code 119 :style Solid :name Blue :r 0 :g 0 :b 255))";

class StationWindowsTest : public ::testing::Test {
 protected:
  StationWindowsTest();
  ~StationWindowsTest() override;

  // Makes the frame and starts its agent with `options` on the command
  // line; the result of OnCreate. The frame is shown.
  int Create(std::vector<std::string> options = {"-port", "0", "-ans", "-unknown-"});
  // Writes a version 1.2 map data file of `rows` (the top row first) over
  // latitudes and longitudes 1000 to 2000, so that the exercise's grid
  // lines stay off it; its file:// URL.
  std::string WriteMap(const std::vector<std::string>& rows);
  // kTerrain and the map of `rows` read into the document and rendered.
  void LoadMap(const std::vector<std::string>& rows);
  // One scenario message handled as the agent hands it on.
  void Receive(const std::string& sender, const std::string& content);

  testsupport::TempDir dir;  // the composer keeps its UUID state here
  platform::QtLoop loop;
  CStationWindows windows;
  CTesselStationDoc doc{windows};
  std::vector<std::string> args;
  std::vector<char*> argv;
  CCommandLine commandLine;
  std::unique_ptr<CMainFrame> frame;
};

}  // namespace stationui
