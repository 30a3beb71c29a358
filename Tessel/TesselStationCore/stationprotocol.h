// CStationProtocol: what the station does with each message that the
// simulation agent and the teammates' stations send it. The station agent's
// message hook hands it every message as the container parsed it; it reads
// the content's :command, runs that command's handler on the document, and
// answers through the document's senders. Commands it does not know, and
// messages without content or command, change nothing. The names of the
// commands and the texts of the answers are the station's vocabulary
// (stationmessages.h).
//
// A handler may open a modal box (a Yes/No question, a message), while the
// event loop goes on and may deliver further messages. Those wait in a
// queue and run, in the order they came, once the open handler has
// returned: no handler runs on a document that another is still using.
//
// A scenario (init_sim, init_playback) is taken in two steps, as its map may
// come from a web server: the handler reads the terrain and starts reading
// the map; once the map is read (CTesselStationDoc::OpenMapURL, within
// CMapSource::kFetchTimeoutMs) the rest of the scenario is taken and
// answered. Meanwhile the messages of the scenario's sender wait for it, in
// their order, while those of others run; one scenario is read at a time,
// and another sender's scenario meanwhile is dropped (and logged).
//
// An exercise is set up by the scenario accepted last and driven by its
// sender, the simulation agent: while it is set up, the commands that drive
// it (init_sim, init_playback, start_sim, start_playback, clock_sync,
// reset_sim, stop_playback, mission_complete, playback_deploy_balloon) are
// taken from the simulation agent alone, and dropped (logged) from anyone
// else. reset_sim ends the exercise; after mission_complete a new scenario
// is taken from anyone. With no exercise set up only a scenario is taken.
// Teammates' unit commands, costs and the rest are not commands that
// drive it.
//
// At most kMaxWaiting messages of one sender wait at a time; beyond that
// the sender's messages are dropped (and logged), so that no peer can fill
// the station while it waits.
//
// The document is not owned and must outlive the protocol (and so the
// agent that holds it). Units are found by their id each time they are
// needed, again after every modal box.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "TesselStationCore/stationagent.h"
#include "Toolwick/debug.h"

class CTesselStationDoc;

class CStationProtocol : public CStationDispatcher, public CDebug {
 public:
  static constexpr size_t kMaxWaiting = 1024;

  explicit CStationProtocol(CTesselStationDoc& doc);
  ~CStationProtocol() override;
  CStationProtocol(const CStationProtocol&) = delete;
  CStationProtocol& operator=(const CStationProtocol&) = delete;

  // Runs the message's handler, or queues the message while a handler is
  // open.
  void dispatch(CParser& message) override;

 private:
  // The codes of a teammate's commands to its units.
  enum TeammateAction : int {
    TEAMMATE_ACTIVATE = 0,
    TEAMMATE_DEACTIVATE = 1,
    TEAMMATE_UPDATE = 2,
    TEAMMATE_ABORT = 3,
    TEAMMATE_DEPLOY = 4,
    TEAMMATE_INTERCEPT = 6,
  };
  // A message waiting for its turn: its sender and its content text; or,
  // with `mapRead` set, the turn of the scenario whose map was read (true)
  // or could not be (false).
  struct Received {
    std::string sender;
    std::string content;
    std::optional<bool> mapRead;
  };
  // A scenario whose map is being read: what the rest of it needs.
  struct Scenario;
  struct Message;
  using Handler = void (CStationProtocol::*)(Message& message);
  // Whether a command drives the exercise, and whether it sets one up.
  enum Drives { DRIVES_NOT, DRIVES, DRIVES_SETUP };
  struct Command {
    const char* name;
    Handler run;
    Drives drives = DRIVES_NOT;
  };
  // The commands in the order they are tested.
  static const Command kCommands[];

  void Run(const Received& received);
  // Whether `sender` may run the command now.
  bool MayRun(const Command& command, const std::string& sender) const;
  // Runs what waits, unless a handler is open.
  void Drain();
  // Queues a message of `sender`, within its limit; false (logged) when
  // dropped.
  bool Admit(std::deque<Received>* queue, Received received);
  void TakeOut(const Received& received);

  // init_sim and init_playback: the terrain read and the map's reading
  // started; the rest when the map has been read.
  void LoadScenario(Message& message, bool playback);
  void FinishScenario(bool mapRead);
  // A scenario that failed at any step: init_sim still ends playback.
  void ScenarioFailed(bool playback);
  void InitSim(Message& message);
  void InitPlayback(Message& message);
  void StopPlayback(Message& message);
  void Request(Message& message);
  void Start(Message& message);
  void ClockSync(Message& message);
  void ResetSim(Message& message);
  // A teammate's command to one of its units, replayed here without
  // sending.
  template <int Action>
  void UnitAction(Message& message);
  void MissionComplete(Message& message);
  void SubjectCommunication(Message& message);
  void GoNoGoStatus(Message& message);
  void IncursionHeading(Message& message);
  void PlumeRefresh(Message& message);
  void WeatherData(Message& message);
  void RequestResponse(Message& message);
  void MissionCost(Message& message);
  void PlaybackDeployBalloon(Message& message);

  CTesselStationDoc& doc_;
  bool running_ = false;
  // The exercise's mission_complete came: a new scenario may set another
  // one up.
  bool missionComplete_ = false;
  std::deque<Received> queue_;
  std::unique_ptr<Scenario> scenario_;  // while its map is read
  std::deque<Received> held_;           // its sender's messages meanwhile
  // How many messages of each sender wait in queue_ and held_.
  std::map<std::string, size_t> waiting_;
};
