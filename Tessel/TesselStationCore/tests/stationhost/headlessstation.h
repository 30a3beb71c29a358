// HeadlessStation: the station's core run as a program without windows, for
// the end-to-end tests. It wires what the station program wires -- the
// document, the main frame and map view models, the station agent in its
// host with the command protocol as its dispatcher -- to a printing UI, and
// draws the map view on a timer onto a recording device context, as the
// program's window repaints (units move only when drawn). Registration
// goes through the communication settings, as the operator's sheet does.
//
// Besides the lines of PrintingStationUi it prints, one a line:
//
//   NAME at HOST:PORT, registered with the name server at HOST:PORT
//                             (or ", not registered: why") once started
//   recv: SENDER -> RECEIVER: CONTENT    each message as it arrives
//   send: NAME -> RECEIVER: CONTENT      each message sent (" (not sent)"
//                                        appended when it did not go)
//   doc: phase P, clock C, map W x H, team A B, sim S, R radars,
//        I interceptors, N incursions, B balloons, T terrain types
//                             (one line) after each message is handled
//   unit: ID ...              a unit's state when it changed, after a
//                             message or a drawing; "unit: ID gone"
//   operator: click on ID     the operator's click (see `activate`)
//
// Everything lives on the thread of the current event loop.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "Agentwick/agenthost.h"
#include "Platform/eventloop.h"
#include "Platform/recordingdc.h"
#include "TesselStationCore/mainframemodel.h"
#include "TesselStationCore/mapviewmodel.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/commandline.h"
#include "printingstationui.h"

struct HeadlessOptions {
  std::string name = "TesselStation";
  std::string ansHost = "127.0.0.1";
  unsigned ansPort = 6677;
  std::deque<bool> answers;  // for the Yes/No questions, in order
  // An interceptor that the operator clicks once start_sim has been
  // handled (taking it over while nobody controls it); empty for none.
  std::string activate;
  int drawMs = 100;
};

class HeadlessStation {
 public:
  explicit HeadlessStation(HeadlessOptions options);
  ~HeadlessStation();
  HeadlessStation(const HeadlessStation&) = delete;
  HeadlessStation& operator=(const HeadlessStation&) = delete;

  // Starts the agent, registers it under the name and starts drawing;
  // prints where it runs. False when the agent did not start or is not
  // registered.
  bool Start();

 private:
  class Agent;
  class Dispatcher;

  // After a message: the document and the units that changed.
  void AfterMessage(const std::string& command);
  void Draw();
  void ReportUnits();
  void Click(const std::string& id);

  HeadlessOptions options_;
  PrintingStationUi ui_;
  CTesselStationDoc doc_{ui_};
  CMainFrameModel frame_{doc_};
  platform::RecordingDC window_;  // the view's window: the map renders against it
  platform::RecordingDC screen_;  // what each drawing paints on
  CMapViewModel view_{doc_, frame_, window_};
  std::map<std::string, std::string> units_;  // the line printed last, by unit id
  platform::EventLoop::Id timer_ = 0;
  char program_[13] = "station-host";
  char* argv_[2] = {program_, nullptr};
  CCommandLine commandLine_;
  std::unique_ptr<CAgentHost> host_;  // goes first: it stops the agent
};
