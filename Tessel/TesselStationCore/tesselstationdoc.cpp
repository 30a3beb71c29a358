#include "TesselStationCore/tesselstationdoc.h"

#include <cmath>

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/latlng.h"
#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/mapsource.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/stationagent.h"
#include "TesselStationCore/stationframe.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/weatherballoons.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

namespace {

template <typename Unit>
Unit* find_unit(const CTesselStationDoc::UnitMap<Unit>& store, const char* id) {
  if (id == nullptr) return nullptr;
  const auto found = store.find(id);
  return found != store.end() ? found->second.get() : nullptr;
}

}  // namespace

CTesselStationDoc::CTesselStationDoc(CStationUi& ui) : ui_(ui) {}

CTesselStationDoc::~CTesselStationDoc() {
  // A map still being read is given up: its callback would find no document.
  mapSource_.reset();
  // Units first: they point to the map, the team members and each other.
  balloonIds_.clear();
  balloons_.clear();
  DeleteUnits();
  DeleteTerrainTypes();
}

// --- Lifecycle

int CTesselStationDoc::OnNewDocument() {
  phase_ = PHASE_UNREGISTERED;
  InitDocument();
  ui_.OpenChatWindow();
  return 1;
}

void CTesselStationDoc::InitDocument() {
  simulationAgent_.clear();
  selectionRect_ = CRect();
  selectedInterceptor_.clear();
  commandMode_ = MODE_NONE;
  playback_ = false;
  // Only what is missing is made, so that no unit is left with a map that
  // went.
  if (stationLocation_ == nullptr) stationLocation_ = std::make_unique<CLatLng>(0.0, 0.0);
  if (worldMap_ == nullptr) worldMap_ = std::make_unique<CWorldMap>();
  if (ownMember_ == nullptr) ownMember_ = std::make_unique<CTeamMember>();
  if (impactLines_ == nullptr) impactLines_ = std::make_unique<CImpactLines>();
  if (trajectory_ == nullptr) trajectory_ = std::make_unique<CTrajectory>();
  title_ = str_format("Version %d.%02d", 3, 10);
  ui_.SetTitle(title_.c_str());
  goAlpha_ = goBravo_ = goCharlie_ = false;
}

void CTesselStationDoc::ResetSimulation() {
  DeleteBalloons();
  ui_.ClearChat();
  ownBalloonCost_ = ownRadarCost_ = ownInterceptorCost_ = 0.0;
  for (auto& [id, radar] : radars_) radar->Reset();
  for (auto& [id, interceptor] : interceptors_) interceptor->Reset();
  for (auto& [id, incursion] : incursions_) incursion->Reset();
  if (frame_ != nullptr) frame_->SetClock(0);
  RedrawAllViews(true);
}

void CTesselStationDoc::ClearDocument() {
  // The chat lines and the units point to team members: they go first.
  ui_.ClearChat();
  DeleteUnits();
  DeleteBalloons();
  RemoveAllTeamMembers();
  DeleteTerrainTypes();
  ownBalloonCost_ = ownRadarCost_ = ownInterceptorCost_ = 0.0;
  teamCosts_.clear();
  stationLocation_.reset();
  worldMap_.reset();
  ownMember_.reset();
  impactLines_.reset();
  trajectory_.reset();
  phase_ = PHASE_REGISTERED;
  ui_.RefreshInfoPane(CStationUi::kPaneTeamMembers);
  ui_.RefreshInfoPane(CStationUi::kPaneAgent);
  ui_.RefreshInfoPane(CStationUi::kPaneCosts);
  RedrawAllViews(true);
}

// --- State

void CTesselStationDoc::SetOwnName(const char* name) {
  ownName_ = name != nullptr ? name : "";
  title_ = ownName_ + " - " + title_;
  ui_.SetTitle(title_.c_str());
  ui_.SetChatTitle((ownName_ + " Chat Window").c_str());
}

void CTesselStationDoc::ApplyRegistration(bool registered, const char* name) {
  const bool unregistered = phase_ == PHASE_UNREGISTERED;
  if (registered && unregistered) {
    phase_ = PHASE_REGISTERED;
    SetOwnName(name);
  } else if (!registered && !unregistered) {
    phase_ = PHASE_UNREGISTERED;
    SetOwnName("");
  }
}

CInterceptor* CTesselStationDoc::GetSelectedInterceptor() const {
  if (selectedInterceptor_.empty()) return nullptr;
  return FindInterceptor(selectedInterceptor_.c_str());
}

void CTesselStationDoc::SetSelectedInterceptor(const CInterceptor* interceptor) {
  selectedInterceptor_ = interceptor != nullptr ? interceptor->GetId() : "";
}

void CTesselStationDoc::SetStationLocation(double lat, double lng) {
  if (stationLocation_ == nullptr) stationLocation_ = std::make_unique<CLatLng>();
  stationLocation_->SetLatLng(lat, lng);
}

HeapText CTesselStationDoc::StationLocationText() const {
  if (stationLocation_ == nullptr) return HeapText("");
  return HeapText(
      str_format("%0.0f,%0.0f", stationLocation_->latitude, stationLocation_->longitude));
}

// --- Units

CRadarStation* CTesselStationDoc::FindRadar(const char* id) const { return find_unit(radars_, id); }

CInterceptor* CTesselStationDoc::FindInterceptor(const char* id) const {
  return find_unit(interceptors_, id);
}

CIncursion* CTesselStationDoc::FindIncursion(const char* id) const {
  return find_unit(incursions_, id);
}

CWeatherBalloon* CTesselStationDoc::FindBalloon(const char* id) const {
  if (id == nullptr) return nullptr;
  const auto found = balloonIds_.find(id);
  return found != balloonIds_.end() ? found->second : nullptr;
}

bool CTesselStationDoc::IsUnitIdInUse(const char* id) const {
  return FindRadar(id) != nullptr || FindInterceptor(id) != nullptr ||
         FindIncursion(id) != nullptr || FindBalloon(id) != nullptr;
}

void CTesselStationDoc::Adopt(CResourceUnit* unit) {
  unit->SetMap(worldMap_.get());
  unit->SetDocument(this);
}

template <typename Unit>
Unit* CTesselStationDoc::AddUnit(UnitMap<Unit>* store, size_t limit, std::unique_ptr<Unit> unit) {
  if (unit == nullptr) return nullptr;
  if (store->size() >= limit) {
    debug("<CTesselStationDoc> %s [%s] ignored: the station holds %zu already", unit->TypeName(),
          unit->GetId(), limit);
    return nullptr;
  }
  // Units of every kind share one id space: a command names its unit by id
  // alone, and the id must not depend on which kind is looked at first.
  if (IsUnitIdInUse(unit->GetId())) {
    debug("<CTesselStationDoc> Duplicate %s id [%s] ignored, the first one stays",
          unit->TypeName(), unit->GetId());
    return nullptr;
  }
  Adopt(unit.get());
  Unit* added = unit.get();
  (*store)[added->GetId()] = std::move(unit);
  return added;
}

CRadarStation* CTesselStationDoc::AddRadar(std::unique_ptr<CRadarStation> radar) {
  return AddUnit(&radars_, kMaxRadars, std::move(radar));
}

CInterceptor* CTesselStationDoc::AddInterceptor(std::unique_ptr<CInterceptor> interceptor) {
  return AddUnit(&interceptors_, kMaxInterceptors, std::move(interceptor));
}

CIncursion* CTesselStationDoc::AddIncursion(std::unique_ptr<CIncursion> incursion) {
  return AddUnit(&incursions_, kMaxIncursions, std::move(incursion));
}

CWeatherBalloon* CTesselStationDoc::AddBalloon(std::unique_ptr<CWeatherBalloon> balloon) {
  if (balloon == nullptr) return nullptr;
  if (balloons_.size() >= kMaxBalloons) {
    debug("<CTesselStationDoc> Balloon not deployed: %zu fly already", kMaxBalloons);
    return nullptr;
  }
  if (IsUnitIdInUse(balloon->GetId())) {
    const std::string id = CResourceUnit::NewFreeUnitId(
        [this](const std::string& candidate) { return IsUnitIdInUse(candidate.c_str()); });
    balloon->SetId(id.c_str());
  }
  Adopt(balloon.get());
  CWeatherBalloon* added = balloon.get();
  balloonIds_[added->GetId()] = added;
  balloons_.push_back(std::move(balloon));
  return added;
}

CWeatherBalloon* CTesselStationDoc::DeployBalloon(double lat, double lng) {
  if (stationLocation_ == nullptr) return nullptr;
  CWeatherBalloon* balloon = AddBalloon(std::make_unique<CWeatherBalloon>());
  if (balloon == nullptr) return nullptr;
  balloon->Deploy(stationLocation_->latitude, stationLocation_->longitude, lat, lng, true);
  return balloon;
}

void CTesselStationDoc::DeleteBalloons() {
  // The newest first: each report is then the last of the pane's.
  for (auto balloon = balloons_.rbegin(); balloon != balloons_.rend(); ++balloon) {
    ui_.RemoveWeatherReport(balloon->get());
  }
  balloonIds_.clear();
  balloons_.clear();
}

void CTesselStationDoc::DeleteUnits() {
  radars_.clear();
  incursions_.clear();
  interceptors_.clear();
  selectedInterceptor_.clear();
}

void CTesselStationDoc::DeleteTerrainTypes() {
  for (auto& [code, terrain] : terrainTypes_) delete terrain;
  terrainTypes_.clear();
}

// --- Clock and screen

int CTesselStationDoc::MissionClock() const { return frame_ != nullptr ? frame_->GetClock() : 0; }

void CTesselStationDoc::RedrawAllViews(bool erase) { ui_.RedrawAllViews(erase); }

void CTesselStationDoc::OpenWaitDialog() {
  if (waitDialog_) return;
  waitDialog_ = true;
  ui_.ShowWaitDialog();
}

void CTesselStationDoc::CloseWaitDialog() {
  if (!waitDialog_) return;
  waitDialog_ = false;
  ui_.CloseWaitDialog();
}

// --- Team

CTeamMember* CTesselStationDoc::AddTeamMember(const char* name) {
  if (name == nullptr) return nullptr;
  CTeamMember* member = nullptr;
  if (ownName_ == name) {
    member = ownMember_.get();
  } else {
    // A name already in the team keeps its member: units hold it as their
    // controller.
    std::unique_ptr<CTeamMember>& slot = teamMembers_[name];
    if (slot == nullptr) slot = std::make_unique<CTeamMember>();
    member = slot.get();
  }
  if (member == nullptr) return nullptr;
  member->SetName(name);
  member->SetSideColour(name);
  return member;
}

CTeamMember* CTesselStationDoc::FindTeamMember(const char* name) const {
  if (name == nullptr) return nullptr;
  if (ownName_ == name) return ownMember_.get();
  const auto found = teamMembers_.find(name);
  return found != teamMembers_.end() ? found->second.get() : nullptr;
}

void CTesselStationDoc::RemoveAllTeamMembers() { teamMembers_.clear(); }

// --- Incursion course

void CTesselStationDoc::SetIncursionCourse(const char* id, const char* heading, const char* lat,
                                           const char* lng) {
  heading = Accepted(heading, Quantity::kHeading);
  lat = Accepted(lat, Quantity::kLatitude);
  lng = Accepted(lng, Quantity::kLongitude);
  if (heading == nullptr || lat == nullptr || lng == nullptr) return;
  CIncursion* incursion = FindIncursion(id);
  if (incursion == nullptr) return;
  incursion->SetHeading(read_real(heading));
  incursion->SetStart(read_real(lat), read_real(lng));
  incursion->SetStartTime(MissionClock());
}

void CTesselStationDoc::SendIncursionHeading(const char* id, double heading, double lat,
                                             double lng) {
  SendToTeam(station::message::IncursionHeading(text_or_empty(id).c_str(), heading, lat, lng).c_str());
}

// --- Senders

int CTesselStationDoc::SendToAgent(const char* receiver, const char* content) {
  if (agent_ == nullptr) {
    debug("<CTesselStationDoc> No agent, message to [%s] not sent", receiver ? receiver : "");
    return 0;
  }
  if (agent_->SendAgentMessage("tell", receiver, content) == 0) {
    debug("<CTesselStationDoc> Message to [%s] could not be sent", receiver ? receiver : "");
    return 0;
  }
  return 1;
}

int CTesselStationDoc::SendToSimulation(const char* content) {
  // No simulation agent yet: nobody to look up.
  if (simulationAgent_.empty()) return 0;
  return SendToAgent(simulationAgent_.c_str(), content);
}

void CTesselStationDoc::SendToTeam(const char* content) {
  for (const auto& [name, member] : teamMembers_) SendToAgent(name.c_str(), content);
  SendToSimulation(content);
}

// --- Radar coverage

bool CTesselStationDoc::CheckRadarCoverage(CIncursion* incursion) {
  if (incursion == nullptr || radars_.empty()) return false;
  bool seen = false;
  const std::unique_ptr<CLatLng> p = incursion->PositionAt(MissionClock());
  for (const auto& [id, radar] : radars_) {
    const double dx = std::fabs(radar->GetStart().latitude - p->latitude);
    const double dy = std::fabs(radar->GetStart().longitude - p->longitude);
    if (radar->GetRange() * radar->GetRange() > dx * dx + dy * dy) {
      if (radar->IsControlledBy(ownMember_.get())) seen = true;
      if (!incursion->IsInRadar(id.c_str())) {
        SendIncEnterRadar(id.c_str(), incursion->GetId());
        incursion->AddInRadar(id.c_str());
      }
    } else if (incursion->IsInRadar(id.c_str())) {
      SendIncExitRadar(id.c_str(), incursion->GetId());
      incursion->RemoveInRadar(id.c_str());
    }
  }
  return seen;
}

void CTesselStationDoc::SendIncEnterRadar(const char* radarId, const char* incursionId) {
  SendToSimulation(station::message::IncursionEntersRadar(incursionId, radarId).c_str());
}

void CTesselStationDoc::SendIncExitRadar(const char* radarId, const char* incursionId) {
  SendToSimulation(station::message::IncursionExitsRadar(incursionId, radarId).c_str());
}
