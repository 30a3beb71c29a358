#include "headlessstation.h"

#include <string>
#include <utility>
#include <vector>

#include "Lexwick/parser.h"
#include "Relaywick/communicator.h"
#include "TesselMapsLib/latlng.h"
#include "TesselStationCore/commsettingsmodel.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/stationagent.h"
#include "TesselStationCore/stationprotocol.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/weatherballoons.h"
#include "Toolwick/format.h"
#include "simagent.h"

namespace {

std::string text_of(const char* text) { return text != nullptr ? text : ""; }

const char* interceptor_state(int state) {
  switch (state) {
    case CInterceptor::STATE_ON_STATION:
      return "on station";
    case CInterceptor::STATE_DEPLOYING:
      return "deploying";
    case CInterceptor::STATE_ESCORTING:
      return "escorting";
    case CInterceptor::STATE_INTERCEPTING:
      return "intercepting";
    default:
      return "idle";
  }
}

const char* balloon_state(const CWeatherBalloon& balloon) {
  if (balloon.IsEnRoute()) return "en route";
  if (balloon.HasNoData()) return "no data";
  if (balloon.IsStale()) return "stale";
  if (balloon.HasReport()) return "reported";
  return "released";
}

// "unit: ..." of every unit, by id.
std::map<std::string, std::string> unit_lines(const CTesselStationDoc& doc) {
  std::map<std::string, std::string> lines;
  for (const auto& [id, radar] : doc.GetRadars()) {
    std::string controllers;
    for (const auto& [name, member] : radar->GetControllers()) controllers += " " + name;
    lines[id] = "unit: " + id + " radar " + (radar->IsActive() ? "active" : "inactive") +
                ", controllers" + (controllers.empty() ? " -" : controllers);
  }
  for (const auto& [id, interceptor] : doc.GetInterceptors()) {
    const CTeamMember* controller = interceptor->GetController();
    lines[id] = "unit: " + id + " interceptor " + interceptor_state(interceptor->GetState()) +
                ", controller " + (controller != nullptr ? controller->GetName() : "-");
  }
  for (const auto& [id, incursion] : doc.GetIncursions()) {
    lines[id] = "unit: " + id + " incursion heading " +
                str_format("%0.0f", incursion->GetHeading()) +
                (incursion->IsIntercepted() ? ", intercepted" : "");
  }
  for (const auto& balloon : doc.GetBalloons()) {
    lines[balloon->GetId()] =
        "unit: " + std::string(balloon->GetId()) + " balloon " + balloon_state(*balloon);
  }
  return lines;
}

}  // namespace

// The station agent, printing what it sends.
class HeadlessStation::Agent : public CStationAgent {
 public:
  explicit Agent(const char* name) : CStationAgent(name) {}

  int SendAgentMessage(const char* performative, const char* receiver,
                       const char* content) override {
    const int sent = CStationAgent::SendAgentMessage(performative, receiver, content);
    PrintLine("send: " + text_of(GetAgentName()) + " -> " + text_of(receiver) + ": " +
              unwrapped(content) + (sent == 1 ? "" : " (not sent)"));
    return sent;
  }
};

// The protocol, with each message printed as it arrives and the document
// after it is handled.
class HeadlessStation::Dispatcher : public CStationDispatcher {
 public:
  explicit Dispatcher(HeadlessStation& station) : station_(station), protocol_(station.doc_) {}

  void dispatch(CParser& message) override {
    CParser content;
    std::string command;
    PrintLine("recv: " + text_of(message.find_sender()) + " -> " +
              text_of(message.find_receiver()) + ": " + unwrapped(message.find_content()));
    if (message.find_content() != nullptr && content.parse_message(message.find_content()) == 1) {
      command = text_of(content.find_token("command"));
    }
    protocol_.dispatch(message);
    station_.AfterMessage(command);
  }

 private:
  HeadlessStation& station_;
  CStationProtocol protocol_;
};

HeadlessStation::HeadlessStation(HeadlessOptions options)
    : options_(std::move(options)), ui_(options_.answers) {
  commandLine_.parse_commandline(1, argv_);
}

HeadlessStation::~HeadlessStation() {
  if (timer_ != 0) platform::current_loop().stop_timer(timer_);
  host_.reset();
  doc_.SetAgent(nullptr);
  frame_.SetView(nullptr);
  doc_.SetMainFrame(nullptr);
  ui_.SetView(nullptr);
}

bool HeadlessStation::Start() {
  doc_.OnNewDocument();
  doc_.SetMainFrame(&frame_);
  frame_.SetView(&view_);
  ui_.SetView(&view_);
  view_.OnInitialUpdate();

  auto owned = std::make_unique<Agent>(options_.name.c_str());
  Agent* agent = owned.get();
  agent->SetNameServer(options_.ansHost.c_str(), options_.ansPort);
  agent->SetListeningPort(0);
  agent->SetDispatcher(std::make_unique<Dispatcher>(*this));
  host_ = std::make_unique<CAgentHost>();
  host_->AssignContainer(std::move(owned));
  if (host_->CreateContainer(&commandLine_, 1) == 0) {
    PrintLine("unable to start the station agent");
    return false;
  }
  doc_.SetAgent(agent);

  // The operator's administration sheet: register under the name, close.
  {
    CCommSettingsModel sheet(doc_);
    sheet.SetAgentName(options_.name.c_str());
    sheet.SetServerHost(options_.ansHost.c_str());
    sheet.SetServerPort(static_cast<int>(options_.ansPort));
    sheet.OnRegister();
    sheet.Apply();
  }
  CCommunicator* communicator = agent->get_communicator();
  std::string whereabouts = text_of(agent->GetAgentName()) + " at " +
                            text_of(communicator->comm_get_ip()) + ":" +
                            std::to_string(communicator->get_port());
  const bool registered = doc_.GetPhase() == CTesselStationDoc::PHASE_REGISTERED;
  if (registered) {
    whereabouts += ", registered with the name server at " + text_of(communicator->get_ansname()) +
                   ":" + std::to_string(communicator->get_ansport());
  } else {
    whereabouts += ", not registered";
  }
  PrintLine(whereabouts);
  if (!registered) return false;
  timer_ = platform::current_loop().start_timer(options_.drawMs, true, [this] { Draw(); });
  return true;
}

void HeadlessStation::AfterMessage(const std::string& command) {
  const CWorldMap* map = doc_.GetWorldMap();
  std::string team;
  for (const auto& [name, member] : doc_.GetTeamMembers()) team += " " + name;
  PrintLine(str_format("doc: phase %d, clock %d, map %d x %d, team%s, sim %s, %zu radars, "
                       "%zu interceptors, %zu incursions, %zu balloons, %zu terrain types",
                       doc_.GetPhase(), doc_.MissionClock(), map != nullptr ? map->getWidth() : 0,
                       map != nullptr ? map->getHeight() : 0, team.empty() ? " -" : team.c_str(),
                       doc_.GetSimulationAgent()[0] != '\0' ? doc_.GetSimulationAgent() : "-",
                       doc_.GetRadars().size(), doc_.GetInterceptors().size(),
                       doc_.GetIncursions().size(), doc_.GetBalloons().size(),
                       doc_.GetTerrainTypes().size()));
  ReportUnits();
  if (command == "start_sim" && !options_.activate.empty()) Click(options_.activate);
}

void HeadlessStation::Draw() {
  const CSize size = view_.GetTotalSize();
  view_.OnDraw(&screen_, CRect(0, 0, size.cx, size.cy));
  screen_.clear();
  window_.clear();
  ReportUnits();
}

void HeadlessStation::ReportUnits() {
  std::map<std::string, std::string> now = unit_lines(doc_);
  for (const auto& [id, line] : units_) {
    if (now.count(id) == 0) PrintLine("unit: " + id + " gone");
  }
  for (const auto& [id, line] : now) {
    const auto before = units_.find(id);
    if (before == units_.end() || before->second != line) PrintLine(line);
  }
  units_ = std::move(now);
}

void HeadlessStation::Click(const std::string& id) {
  const CInterceptor* interceptor = doc_.FindInterceptor(id.c_str());
  const CWorldMap* map = doc_.GetWorldMap();
  if (interceptor == nullptr || map == nullptr) {
    PrintLine("operator: no interceptor " + id + " to click on");
    return;
  }
  const std::unique_ptr<CLatLng> where = interceptor->PositionAt(doc_.MissionClock());
  int x = 0;
  int y = 0;
  map->LatLng2PixelLoc(&x, &y, where->latitude, where->longitude);
  PrintLine("operator: click on " + id);
  view_.OnLButtonDown(CPoint(x, y));
  ReportUnits();
}
