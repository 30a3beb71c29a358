// The station's GoogleTest fixture: a new document wired to the recorders
// of stationrecorder.h over a 40 x 40 map, and the reading of map data files
// as a test needs it.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "stationrecorder.h"

namespace stationtest {

// The map at `url` read into the document with OpenMapURL, the current
// event loop turned until that has ended (an http location); whether a map
// was read. False also when it has not ended within 30 s.
bool OpenMap(CTesselStationDoc& doc, const std::string& url);
// The text at the document's map URL read as a load reads it after its
// check, and handed to GetMapFromURL; its result.
bool ReadMap(CTesselStationDoc& doc);

// A new document (OnNewDocument run) with the recorders attached and a
// 40 x 40 map over latitudes 0 to 950 and longitudes 95 to 655, zoom 2. A
// test fails when the UI met a question or menu it had no answer for.
class StationTest : public ::testing::Test {
 protected:
  StationTest();
  ~StationTest() override;

  // A teammate or the station itself as a team member; "Sim" is the
  // simulation agent.
  void join_team(const char* own, std::initializer_list<const char*> teammates);

  RecordingStationUi ui;
  RecordingFrame frame;
  RecordingAgent agent;
  CTesselStationDoc doc{ui};
};
}  // namespace stationtest
