#include "TesselStationCore/stationprotocol.h"

#include <cstring>

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
    {msg::kInitSim, &CStationProtocol::InitSim},
    {msg::kInitPlayback, &CStationProtocol::InitPlayback},
    {msg::kStopPlayback, &CStationProtocol::StopPlayback},
    {msg::kRequest, &CStationProtocol::Request},
    {msg::kStartPlayback, &CStationProtocol::Start},
    {msg::kStartSim, &CStationProtocol::Start},
    {msg::kClockSync, &CStationProtocol::ClockSync},
    {msg::kResetSim, &CStationProtocol::ResetSim},
    {msg::kActivate, &CStationProtocol::UnitAction<TEAMMATE_ACTIVATE>},
    {msg::kAbort, &CStationProtocol::UnitAction<TEAMMATE_ABORT>},
    {msg::kDeactivate, &CStationProtocol::UnitAction<TEAMMATE_DEACTIVATE>},
    {msg::kUpdate, &CStationProtocol::UnitAction<TEAMMATE_UPDATE>},
    {msg::kIntercept, &CStationProtocol::UnitAction<TEAMMATE_INTERCEPT>},
    {msg::kDeploy, &CStationProtocol::UnitAction<TEAMMATE_DEPLOY>},
    {msg::kMissionComplete, &CStationProtocol::MissionComplete},
    {msg::kSubjectCommunication, &CStationProtocol::SubjectCommunication},
    {msg::kGoNoGoStatus, &CStationProtocol::GoNoGoStatus},
    {msg::kIncursionHeading, &CStationProtocol::IncursionHeading},
    {msg::kPlumeRefresh, &CStationProtocol::PlumeRefresh},
    {msg::kWeatherData, &CStationProtocol::WeatherData},
    {msg::kRequestResponse, &CStationProtocol::RequestResponse},
    {msg::kMissionCost, &CStationProtocol::MissionCost},
    {msg::kPlaybackDeployBalloon, &CStationProtocol::PlaybackDeployBalloon},
};

CStationProtocol::CStationProtocol(CTesselStationDoc& doc) : doc_(doc) {}

CStationProtocol::~CStationProtocol() = default;

void CStationProtocol::dispatch(CParser& message) {
  const char* content = message.find_content();
  if (content == nullptr) return;
  queue_.push_back({or_empty(message.find_sender()), content});
  if (running_) {
    // Delivered by the event loop of a box that a handler opened.
    debug("<CStationProtocol> Message queued until the open handler returns");
    return;
  }
  running_ = true;
  while (!queue_.empty()) {
    const Received next = std::move(queue_.front());
    queue_.pop_front();
    Run(next);
  }
  running_ = false;
}

void CStationProtocol::Run(const Received& received) {
  Message message;
  message.sender = received.sender;
  if (message.content.parse_message(received.content.c_str()) != 1) return;
  const char* command = message.Field("command");
  if (command == nullptr) return;
  for (const Command& entry : kCommands) {
    if (std::strcmp(entry.name, command) == 0) {
      (this->*entry.run)(message);
      return;
    }
  }
}

// --- Scenario

std::string CStationProtocol::LoadScenario(Message& message) {
  const char* value = message.Field("scenario");
  CParser scenario;
  if (value == nullptr || scenario.parse_message(value) != 1) return "";
  const char* map = scenario.find_token("map");
  const char* terrain = scenario.find_token("terrain");
  const char* radars = scenario.find_token("radar");
  const char* interceptors = scenario.find_token("interceptors");
  const char* impactLines = scenario.find_token("impactlines");
  const char* trajectory = scenario.find_token("trajectory");
  const char* incursions = scenario.find_token("incursions");

  if (terrain == nullptr || doc_.ParseTerrain(terrain) == 0) return "";
  if (map == nullptr || interceptors == nullptr) return "";
  if (!doc_.OpenMapURL(map)) return "";
  doc_.ParseImpactLines(impactLines);
  doc_.ParseTrajectory(trajectory);
  doc_.ParseRadars(radars);
  doc_.ParseInterceptors(interceptors);
  doc_.ParseIncursions(incursions);

  doc_.SetSimulationAgent(message.sender.c_str());
  doc_.SetPhase(CTesselStationDoc::PHASE_INITIALIZED);
  const CStationAgent* agent = doc_.GetAgent();
  std::string reply = msg::InitSimConfirmation(agent != nullptr ? agent->GetAgentName() : "");
  CStationUi& ui = doc_.GetUi();
  ui.EnableMainFrame(false);
  ui.EnableChatWindow(false);
  // A second scenario before the start keeps the notice already shown.
  doc_.OpenWaitDialog();
  return reply;
}

void CStationProtocol::InitSim(Message& message) {
  const std::string reply = LoadScenario(message);
  doc_.SetPlayback(false);
  if (!reply.empty()) doc_.SendToAgent(message.sender.c_str(), reply.c_str());
}

void CStationProtocol::InitPlayback(Message& message) {
  if (LoadScenario(message).empty()) return;
  doc_.SetPlayback(true);
  doc_.SendToAgent(message.sender.c_str(), msg::InitPlaybackConfirmation().c_str());
}

void CStationProtocol::StopPlayback(Message& /*message*/) { doc_.ResetSimulation(); }

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
      lat = point.find_token("lat");
      lon = point.find_token("lon");
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
  const char* total = message.Field("totalCost");
  doc_.SetTeamCost(message.sender.c_str(), read_real(total));
  doc_.GetUi().UpdateMemberCost(message.sender.c_str(), or_empty(message.Field("radarCost")),
                                or_empty(message.Field("intCost")),
                                or_empty(message.Field("balloonCost")), or_empty(total));
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
        interceptor->Deploy(read_real(message.Field("destLat")),
                            read_real(message.Field("destLng")), false);
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
  balloon->SetWeatherReport(message.Field("lat"), message.Field("lng"),
                            message.Field("temperature"), message.Field("pressure"),
                            message.Field("humidity"), message.Field("windspeed"),
                            message.Field("winddir"));
}

void CStationProtocol::PlaybackDeployBalloon(Message& message) {
  const char* lat = message.Field("lat");
  const char* lng = message.Field("lng");
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
