// The station's window models on one document: a frame model attached as
// the document's main frame and a map view over a recording window context.
#pragma once

#include "Platform/recordingdc.h"
#include "TesselStationCore/mainframemodel.h"
#include "TesselStationCore/mapviewmodel.h"
#include "unitfixture.h"

namespace stationtest {

// The unit fixture's station ("Alpha-1" with "Bravo-2" and "Sim") with the
// frame model as its main frame and the map view attached to it.
class ViewTest : public UnitTest {
 protected:
  ViewTest() {
    doc.SetMainFrame(&frame_model);
    frame_model.SetView(&view);
    view.OnInitialUpdate();
  }
  ~ViewTest() override {
    frame_model.SetView(nullptr);
    doc.SetMainFrame(nullptr);
  }

  // The mission minute, without the phase and redraw of a clock pulse.
  void set_clock(int minutes) {
    frame_model.SetClock(minutes);
    ui.calls.clear();
  }

  CMainFrameModel frame_model{doc};
  platform::RecordingDC window;
  CMapViewModel view{doc, frame_model, window};
};

}  // namespace stationtest
