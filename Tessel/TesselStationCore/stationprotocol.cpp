#include "TesselStationCore/stationprotocol.h"

#include <cstring>
#include <optional>

#include "Lexwick/parser.h"
#include "Platform/messagesink.h"
#include "TesselStationCore/countedentries.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/stationframe.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "TesselStationCore/weatherballoons.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

namespace msg = station::message;
using Quantity = CTesselStationDoc::Quantity;

namespace {

bool equals(const char* text, const char* word) {
  return text != nullptr && std::strcmp(text, word) == 0;
}

const char* or_empty(const char* text) { return text != nullptr ? text : ""; }

// A chat line as it travels: "(text)".
std::string without_parentheses(const char* text) {
  std::string line = or_empty(text);
  if (line.size() >= 2 && line.front() == '(' && line.back() == ')') {
    line = line.substr(1, line.size() - 2);
  }
  return line;
}

}  // namespace

// One message being handled: its sender and its parsed content.
struct CStationProtocol::Message {
  std::string sender;  // "" when the message names none
  CParser content;

  // A keyword's value, owned by the content parser; null when absent.
  const char* Field(const char* key) { return content.find_token(key); }
};

const CStationProtocol::Command CStationProtocol::kCommands[] = {
    {msg::kInitSim, &CStationProtocol::InitSim, DRIVES_SETUP},
    {msg::kInitPlayback, &CStationProtocol::InitPlayback, DRIVES_SETUP},
    {msg::kStopPlayback, &CStationProtocol::StopPlayback, DRIVES},
    {msg::kRequest, &CStationProtocol::Request},
    {msg::kStartPlayback, &CStationProtocol::Start, DRIVES},
    {msg::kStartSim, &CStationProtocol::Start, DRIVES},
    {msg::kClockSync, &CStationProtocol::ClockSync, DRIVES},
    {msg::kResetSim, &CStationProtocol::ResetSim, DRIVES},
    {msg::kActivate, &CStationProtocol::UnitAction<TEAMMATE_ACTIVATE>},
    {msg::kAbort, &CStationProtocol::UnitAction<TEAMMATE_ABORT>},
    {msg::kDeactivate, &CStationProtocol::UnitAction<TEAMMATE_DEACTIVATE>},
    {msg::kUpdate, &CStationProtocol::UnitAction<TEAMMATE_UPDATE>},
    {msg::kIntercept, &CStationProtocol::UnitAction<TEAMMATE_INTERCEPT>},
    {msg::kDeploy, &CStationProtocol::UnitAction<TEAMMATE_DEPLOY>},
    {msg::kMissionComplete, &CStationProtocol::MissionComplete, DRIVES},
    {msg::kSubjectCommunication, &CStationProtocol::SubjectCommunication},
    {msg::kGoNoGoStatus, &CStationProtocol::GoNoGoStatus},
    {msg::kIncursionHeading, &CStationProtocol::IncursionHeading},
    {msg::kPlumeRefresh, &CStationProtocol::PlumeRefresh},
    {msg::kWeatherData, &CStationProtocol::WeatherData},
    {msg::kRequestResponse, &CStationProtocol::RequestResponse},
    {msg::kMissionCost, &CStationProtocol::MissionCost},
    {msg::kPlaybackDeployBalloon, &CStationProtocol::PlaybackDeployBalloon, DRIVES},
};

// A scenario's lists, kept while its map is read; a list the message did
// not hold stays unset.
struct CStationProtocol::Scenario {
  std::string sender;
  bool playback = false;
  std::optional<std::string> impactLines;
  std::optional<std::string> trajectory;
  std::optional<std::string> radars;
  std::optional<std::string> interceptors;
  std::optional<std::string> incursions;
};

namespace {

std::optional<std::string> kept(const char* value) {
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

const char* given(const std::optional<std::string>& value) {
  return value ? value->c_str() : nullptr;
}

}  // namespace

CStationProtocol::CStationProtocol(CTesselStationDoc& doc) : doc_(doc) {}

CStationProtocol::~CStationProtocol() {
  // The map being read would tell a protocol that is gone.
  if (scenario_ != nullptr) doc_.CancelMapRead();
}

void CStationProtocol::dispatch(CParser& message) {
  const char* content = message.find_content();
  if (content == nullptr) return;
  Received received{or_empty(message.find_sender()), content, std::nullopt};
  // The sender of the scenario being read waits for it, in order.
  if (scenario_ != nullptr && received.sender == scenario_->sender) {
    if (Admit(&held_, std::move(received))) {
      debug("<CStationProtocol> Message held until the scenario's map is read");
    }
    return;
  }
  if (!Admit(&queue_, std::move(received))) return;
  if (running_) {
    // Delivered by the event loop of a box that a handler opened.
    debug("<CStationProtocol> Message queued until the open handler returns");
    return;
  }
  Drain();
}

bool CStationProtocol::Admit(std::deque<Received>* queue, Received received) {
  size_t& count = waiting_[received.sender];
  if (count >= kMaxWaiting) {
    debug("<CStationProtocol> Message from [%s] dropped: %zu of its messages wait already",
          received.sender.c_str(), count);
    return false;
  }
  ++count;
  queue->push_back(std::move(received));
  return true;
}

void CStationProtocol::TakeOut(const Received& received) {
  if (received.mapRead.has_value()) return;
  const auto found = waiting_.find(received.sender);
  if (found != waiting_.end() && --found->second == 0) waiting_.erase(found);
}

void CStationProtocol::Drain() {
  if (running_) return;
  running_ = true;
  while (!queue_.empty()) {
    const Received next = std::move(queue_.front());
    queue_.pop_front();
    TakeOut(next);
    Run(next);
  }
  running_ = false;
}

void CStationProtocol::Run(const Received& received) {
  if (received.mapRead.has_value()) return FinishScenario(*received.mapRead);
  Message message;
  message.sender = received.sender;
  if (message.content.parse_message(received.content.c_str()) != 1) return;
  const char* command = message.Field("command");
  if (command == nullptr) return;
  for (const Command& entry : kCommands) {
    if (std::strcmp(entry.name, command) != 0) continue;
    if (!MayRun(entry, message.sender)) {
      const char* simulation = doc_.GetSimulationAgent();
      if (simulation[0] == '\0') {
        debug("<CStationProtocol> %s from [%s] dropped: no exercise is set up", command,
              message.sender.c_str());
      } else {
        debug("<CStationProtocol> %s from [%s] dropped: the exercise is driven by [%s]", command,
              message.sender.c_str(), simulation);
      }
      return;
    }
    (this->*entry.run)(message);
    return;
  }
}

bool CStationProtocol::MayRun(const Command& command, const std::string& sender) const {
  if (command.drives == DRIVES_NOT) return true;
  const std::string simulation = doc_.GetSimulationAgent();
  if (!simulation.empty() && sender == simulation) return true;
  // A scenario sets a new exercise up while none is, or once the one
  // before has ended.
  return command.drives == DRIVES_SETUP && (simulation.empty() || missionComplete_);
}

// --- Scenario

void CStationProtocol::LoadScenario(Message& message, bool playback) {
  if (scenario_ != nullptr) {
    debug("<CStationProtocol> Scenario from [%s] dropped: the map of [%s] is being read",
          message.sender.c_str(), scenario_->sender.c_str());
    return;
  }
  const char* value = message.Field("scenario");
  CParser list;
  if (value == nullptr || list.parse_message(value) != 1) return ScenarioFailed(playback);
  const char* map = list.find_token("map");
  const char* terrain = list.find_token("terrain");
  // A scenario beyond the station's limits changes nothing.
  if (!doc_.ScenarioUnitsFit(list.find_token("radar"), list.find_token("interceptors"),
                             list.find_token("incursions"))) {
    return ScenarioFailed(playback);
  }
  if (terrain == nullptr || doc_.ParseTerrain(terrain) == 0) return ScenarioFailed(playback);
  if (map == nullptr || list.find_token("interceptors") == nullptr) {
    return ScenarioFailed(playback);
  }
  scenario_ = std::make_unique<Scenario>(Scenario{
      message.sender, playback, kept(list.find_token("impactlines")),
      kept(list.find_token("trajectory")), kept(list.find_token("radar")),
      kept(list.find_token("interceptors")), kept(list.find_token("incursions"))});
  // The rest takes its turn among the messages, first of those waiting: at
  // once for a file, from the event loop for a web server.
  doc_.OpenMapURL(map, [this](bool read) {
    queue_.push_front({"", "", read});
    Drain();
  });
}

void CStationProtocol::FinishScenario(bool mapRead) {
  const std::unique_ptr<Scenario> scenario = std::move(scenario_);
  // The sender's messages that waited go first, in their order.
  while (!held_.empty()) {
    queue_.push_front(std::move(held_.back()));
    held_.pop_back();
  }
  if (scenario == nullptr) return;
  if (!mapRead) return ScenarioFailed(scenario->playback);
  doc_.ParseImpactLines(given(scenario->impactLines));
  doc_.ParseTrajectory(given(scenario->trajectory));
  doc_.ParseRadars(given(scenario->radars));
  doc_.ParseInterceptors(given(scenario->interceptors));
  doc_.ParseIncursions(given(scenario->incursions));

  doc_.SetSimulationAgent(scenario->sender.c_str());
  missionComplete_ = false;
  doc_.SetPhase(CTesselStationDoc::PHASE_INITIALIZED);
  const CStationAgent* agent = doc_.GetAgent();
  const std::string reply = scenario->playback
                                ? msg::InitPlaybackConfirmation()
                                : msg::InitSimConfirmation(agent != nullptr ? agent->GetAgentName()
                                                                            : "");
  CStationUi& ui = doc_.GetUi();
  ui.EnableMainFrame(false);
  ui.EnableChatWindow(false);
  // A second scenario before the start keeps the notice already shown.
  doc_.OpenWaitDialog();
  doc_.SetPlayback(scenario->playback);
  doc_.SendToAgent(scenario->sender.c_str(), reply.c_str());
}

void CStationProtocol::ScenarioFailed(bool playback) {
  if (!playback) doc_.SetPlayback(false);
}

void CStationProtocol::InitSim(Message& message) { LoadScenario(message, false); }

void CStationProtocol::InitPlayback(Message& message) { LoadScenario(message, true); }

void CStationProtocol::StopPlayback(Message& /*message*/) {
  // Back to the scenario's start: the exercise runs again.
  missionComplete_ = false;
  doc_.ResetSimulation();
}

void CStationProtocol::Start(Message& message) {
  CStationUi& ui = doc_.GetUi();
  if (const char* team = message.Field("team")) {
    CParser list;
    if (list.parse_message(team) == 1) {
      const int32_t count = read_int(list.find_token("number"));
      for (const int32_t index : station::CountedEntries(list, "client", count)) {
        doc_.AddTeamMember(list.find_token(str_format("client%d", index).c_str()));
      }
    }
    ui.RefreshInfoPane(CStationUi::kPaneTeamMembers);
  }
  if (const char* location = message.Field("stationlocation")) {
    CParser point;
    const char* lat = nullptr;
    const char* lon = nullptr;
    if (point.parse_message(location) == 1) {
      lat = doc_.Accepted(point.find_token("lat"), Quantity::kLatitude);
      lon = doc_.Accepted(point.find_token("lon"), Quantity::kLongitude);
    }
    if (lat != nullptr && lon != nullptr) {
      doc_.SetStationLocation(read_real(lat), read_real(lon));
      ui.RefreshInfoPane(CStationUi::kPaneAgent);
      doc_.RedrawAllViews(false);
    }
  }
  doc_.CloseWaitDialog();
  ui.EnableMainFrame(true);
  ui.EnableChatWindow(true);
}

void CStationProtocol::ResetSim(Message& /*message*/) {
  doc_.CloseWaitDialog();
  doc_.GetUi().EnableMainFrame(true);
  doc_.GetUi().EnableChatWindow(true);
  // The next exercise starts its clock at minute 0, as after stop_playback;
  // the clock is set before the document is cleared, which sets the phase.
  if (CStationFrame* frame = doc_.GetMainFrame()) frame->SetClock(0);
  doc_.ClearDocument();
  doc_.InitDocument();
}

// --- Clock and costs

void CStationProtocol::ClockSync(Message& message) {
  if (const char* clock = message.Field("clock")) {
    if (CStationFrame* frame = doc_.GetMainFrame()) frame->SetClock(read_int(clock));
  }
  double balloons = 0.0;
  double radars = 0.0;
  double interceptors = 0.0;
  doc_.ComputeOwnCosts(&balloons, &radars, &interceptors);
  doc_.SendToTeam(
      msg::MissionCost(balloons + radars + interceptors, radars, interceptors, balloons).c_str());
}

void CStationProtocol::MissionCost(Message& message) {
  // Costs count for the mission only from the team and from the simulation
  // agent, as unit actions come only from the team.
  const bool fromSimulation =
      !message.sender.empty() && message.sender == doc_.GetSimulationAgent();
  if (!fromSimulation && doc_.FindTeamMember(message.sender.c_str()) == nullptr) {
    debug("<CStationProtocol> mission_cost from [%s] dropped: not of the team",
          message.sender.c_str());
    return;
  }
  // The texts as they came, each only when it is a cost the station takes.
  const auto cost = [&](const char* key) {
    return doc_.Accepted(message.Field(key), Quantity::kCost);
  };
  const char* total = cost("totalCost");
  doc_.SetTeamCost(message.sender.c_str(), read_real(total));
  doc_.GetUi().UpdateMemberCost(message.sender.c_str(), or_empty(cost("radarCost")),
                                or_empty(cost("intCost")), or_empty(cost("balloonCost")),
                                or_empty(total));
}

void CStationProtocol::MissionComplete(Message& message) {
  double balloons = 0.0;
  double radars = 0.0;
  double interceptors = 0.0;
  doc_.ComputeOwnCosts(&balloons, &radars, &interceptors);
  doc_.SendToSimulation(msg::MissionStats(balloons, radars, interceptors,
                                          balloons + radars + interceptors,
                                          doc_.InterceptorStats().get(), doc_.RadarStats().get(),
                                          doc_.BalloonStats().get())
                            .c_str());
  // Before the box, which lets the event loop run.
  missionComplete_ = true;
  if (const char* text = message.Field("msg")) doc_.GetUi().MessageBox(text, MB_OK);
}

// --- Units

template <int Action>
void CStationProtocol::UnitAction(Message& message) {
  const char* resource = message.Field("resource");
  const char* id = message.Field("id");
  if (resource == nullptr || message.sender.empty()) return;
  CTeamMember* member = doc_.FindTeamMember(message.sender.c_str());
  if (member == nullptr) return;
  if (equals(resource, "Radar")) {
    CRadarStation* radar = doc_.FindRadar(id);
    if (radar == nullptr) return;
    if (Action == TEAMMATE_ACTIVATE) radar->AddController(member);
    if (Action == TEAMMATE_DEACTIVATE) radar->RemoveController(member);
  } else if (equals(resource, "Interceptor")) {
    CInterceptor* interceptor = doc_.FindInterceptor(id);
    if (interceptor == nullptr) return;
    switch (Action) {
      case TEAMMATE_ACTIVATE:
        interceptor->SetState(CInterceptor::STATE_ON_STATION);
        interceptor->SetController(member);
        break;
      case TEAMMATE_DEACTIVATE:
        interceptor->SetState(CInterceptor::STATE_IDLE);
        interceptor->ClearController();
        break;
      case TEAMMATE_ABORT:
        interceptor->Abort(false);
        break;
      case TEAMMATE_DEPLOY:
        interceptor->Deploy(read_real(doc_.Accepted(message.Field("destLat"), Quantity::kLatitude)),
                            read_real(doc_.Accepted(message.Field("destLng"), Quantity::kLongitude)),
                            false);
        break;
      case TEAMMATE_INTERCEPT:
        if (CIncursion* incursion = doc_.FindIncursion(message.Field("incID"))) {
          interceptor->Intercept(incursion, false);
        }
        break;
      default:
        break;
    }
  }
}

void CStationProtocol::Request(Message& message) {
  const char* resource = message.Field("resource");
  const char* idText = message.Field("id");
  if (resource == nullptr || idText == nullptr || !equals(resource, "Interceptor")) return;
  const std::string id = idText;
  const CInterceptor* asked = doc_.FindInterceptor(id.c_str());
  if (asked == nullptr) return;
  std::string question;
  const int state = asked->GetState();
  if (state == CInterceptor::STATE_ON_STATION || state == CInterceptor::STATE_DEPLOYING) {
    question =
        str_format("%s has requested access to the Interceptor %s (ID %s).\r\nHand over control?",
                   message.sender.c_str(), asked->GetName(), id.c_str());
  }
  // The question lets the event loop run: the interceptor is looked up
  // again after it, and one that went meanwhile is not handed over.
  bool handedOver = false;
  if (!question.empty() && doc_.GetUi().AskYesNo(question.c_str())) {
    if (CInterceptor* interceptor = doc_.FindInterceptor(id.c_str())) {
      interceptor->Deactivate();
      handedOver = true;
    }
  }
  doc_.SendToAgent(message.sender.c_str(), msg::RequestResponse(id.c_str(), handedOver).c_str());
}

void CStationProtocol::RequestResponse(Message& message) {
  CInterceptor* interceptor = doc_.FindInterceptor(message.Field("id"));
  if (interceptor == nullptr) return;
  if (equals(message.Field("acknowledgement"), "yes")) {
    interceptor->Activate();
  } else {
    doc_.GetUi().MessageBox(str_format("%s has denied your request for the Interceptor %s",
                                       message.sender.c_str(), interceptor->GetName())
                                .c_str(),
                            MB_OK);
  }
}

void CStationProtocol::IncursionHeading(Message& message) {
  doc_.SetIncursionCourse(message.Field("id"), message.Field("heading"), message.Field("lat"),
                          message.Field("lng"));
}

void CStationProtocol::WeatherData(Message& message) {
  CWeatherBalloon* balloon = doc_.FindBalloon(message.Field("balloonID"));
  if (balloon == nullptr) return;
  if (message.Field("error") != nullptr) {
    balloon->ReportFailed();
    return;
  }
  const auto reading = [&](const char* key) {
    return doc_.Accepted(message.Field(key), Quantity::kReading);
  };
  balloon->SetWeatherReport(doc_.Accepted(message.Field("lat"), Quantity::kLatitude),
                            doc_.Accepted(message.Field("lng"), Quantity::kLongitude),
                            reading("temperature"), reading("pressure"), reading("humidity"),
                            reading("windspeed"), reading("winddir"));
}

void CStationProtocol::PlaybackDeployBalloon(Message& message) {
  const char* lat = doc_.Accepted(message.Field("lat"), Quantity::kLatitude);
  const char* lng = doc_.Accepted(message.Field("lng"), Quantity::kLongitude);
  if (lat == nullptr || lng == nullptr) return;
  // Whole numbers, as the recording has them.
  doc_.DeployBalloon(read_int(lat), read_int(lng));
}

// --- Team

void CStationProtocol::SubjectCommunication(Message& message) {
  const char* from = message.Field("from");
  const CTeamMember* author =
      from != nullptr && from[0] != '\0' ? doc_.FindTeamMember(from) : nullptr;
  if (author != nullptr) {
    doc_.GetUi().AddChatLine(author, without_parentheses(message.Field("message")).c_str());
    return;
  }
  if (CStationAgent* agent = doc_.GetAgent()) agent->debug("Teammember is NULL");
  doc_.GetUi().MessageBox("Error: Teammember cannot be determined for this Chat Message", MB_OK);
}

void CStationProtocol::GoNoGoStatus(Message& message) {
  if (message.sender.empty()) return;
  doc_.SetSideStatus(message.sender.c_str(), equals(message.Field("status"), "go"));
}

void CStationProtocol::PlumeRefresh(Message& message) {
  doc_.ParseTrajectory(message.Field("trajectory"));
}
