#include "TesselStationCore/infopanemodel.h"

#include <strings.h>

#include <algorithm>
#include <iterator>

#include "Bannerwick/serviceinfo.h"
#include "Credwick/belief.h"
#include "Credwick/beliefdb.h"
#include "Credwick/lookupmodule.h"
#include "Relaywick/communicator.h"
#include "TesselStationCore/stationagent.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "TesselStationCore/weatherballoons.h"
#include "Toolwick/format.h"

namespace {

// While the station counts itself registered with the name server: the
// server's host from the beliefs, and the host and port of the agent `name`
// as the service table holds them; each left as it is when unknown. Only
// what the agent holds already is read -- the name server is never asked
// here, so that a pane refreshed by a message handler cannot wait on it.
void AgentLocation(CStationAgent* agent, const char* name, std::string* host, std::string* port,
                   std::string* ans) {
  CCommunicator* communicator = agent->get_communicator();
  CBeliefDB* db = communicator != nullptr ? communicator->get_beliefdb() : nullptr;
  const CLookupModule* client =
      communicator != nullptr ? communicator->retrieve_ans_object() : nullptr;
  if (db == nullptr || client == nullptr || client->is_registered() != 1) return;
  const CServiceInfo* entry = agent->FindServiceEntry(name);
  const CURL* location = entry != nullptr ? entry->get_location() : nullptr;
  if (location == nullptr || entry->get_gone() != 0) return;
  if (const auto* server = dynamic_cast<CStringBelief*>(db->find_element("ans"))) {
    if (server->get_value() != nullptr) *ans = server->get_value();
  }
  *host = location->get_host() != nullptr ? location->get_host() : "";
  *port = str_format("%d", location->get_port());
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

CInfoPaneModel::CInfoPaneModel() {
  agent_ = InsertSorted("Agent: unknown");
  teamMembers_ = InsertSorted("Team Members:");
  Append(teamMembers_, "none");
  teamMembers_->expanded_ = true;
  missionCost_ = InsertSorted("Mission Cost: 0.0");
  weatherReports_ = InsertSorted("Weather Reports");
  root_.expanded_ = true;
}

CInfoPaneItem* CInfoPaneModel::InsertSorted(std::string text) {
  auto& siblings = root_.children_;
  const auto after = std::find_if(siblings.begin(), siblings.end(), [&text](const auto& item) {
    return strcasecmp(item->text_.c_str(), text.c_str()) > 0;
  });
  return siblings.insert(after, std::make_unique<CInfoPaneItem>(&root_, std::move(text)))->get();
}

CInfoPaneItem* CInfoPaneModel::Append(CInfoPaneItem* parent, std::string text) {
  parent->children_.push_back(std::make_unique<CInfoPaneItem>(parent, std::move(text)));
  return parent->children_.back().get();
}

void CInfoPaneModel::Delete(CInfoPaneItem* item) {
  // Searched from the end: the balloons' reports go newest first.
  auto& siblings = item->parent_->children_;
  const auto found = std::find_if(siblings.rbegin(), siblings.rend(),
                                  [item](const auto& sibling) { return sibling.get() == item; });
  siblings.erase(std::next(found).base());
}

void CInfoPaneModel::Refresh(int code) {
  switch (code) {
    case CStationUi::kPaneTeamMembers:
      UpdateTeamMembers();
      break;
    case CStationUi::kPaneAgent:
      UpdateAgent();
      break;
    case CStationUi::kPaneCosts:
      UpdateCosts();
      break;
    default:
      break;
  }
}

void CInfoPaneModel::UpdateTeamMembers() {
  if (document_ == nullptr) return;
  Delete(teamMembers_);
  teamMembers_ = InsertSorted("Team Members:");
  for (const auto& [name, member] : document_->GetTeamMembers()) Append(teamMembers_, name);
  if (teamMembers_->children_.empty()) Append(teamMembers_, "none");
}

void CInfoPaneModel::UpdateAgent() {
  if (document_ == nullptr) return;
  Delete(agent_);
  const std::string name = document_->GetOwnName();
  if (name.empty()) {
    agent_ = InsertSorted("Agent: unknown");
  } else {
    std::string host;
    std::string port;
    std::string ans;
    if (CStationAgent* agent = document_->GetAgent()) {
      AgentLocation(agent, name.c_str(), &host, &port, &ans);
    }
    agent_ = InsertSorted("Agent: " + name);
    Append(agent_, "Host: " + host);
    Append(agent_, "Port: " + port);
    Append(agent_, "ANS: " + ans);
  }
  const std::string location = document_->StationLocationText().get();
  Append(agent_, location.empty() ? "Location: unknown" : "Location: " + location);
}

void CInfoPaneModel::UpdateCosts() {
  if (document_ == nullptr) return;
  const double radar = document_->GetOwnRadarCost();
  const double interceptor = document_->GetOwnInterceptorCost();
  const double balloon = document_->GetOwnBalloonCost();
  const CTeamMember* own = document_->GetOwnMember();
  if (own == nullptr) return;
  UpdateMemberCost(own->GetName(), str_format("%0.0f", radar).c_str(),
                   str_format("%0.0f", interceptor).c_str(), str_format("%0.0f", balloon).c_str(),
                   str_format("%0.0f", radar + interceptor + balloon).c_str());
}

void CInfoPaneModel::UpdateMemberCost(const char* name, const char* radar, const char* interceptor,
                                      const char* balloon, const char* total) {
  if (document_ == nullptr || name == nullptr || name[0] == '\0') return;
  const auto text = [](const char* value) { return std::string(value != nullptr ? value : ""); };
  missionCost_->text_ = str_format("Mission Cost: %0.0f", document_->ComputeMissionCost());
  // The member's own line, found by its name (not one whose name merely
  // holds this one); the section only grows, so the line stays.
  const std::string head = std::string(name) + " Cost: ";
  CInfoPaneItem*& member = memberCosts_[name];
  if (member == nullptr) {
    member = Append(missionCost_, head + text(total));
  } else {
    member->text_ = head + text(total);
  }
  lastCostLine_ = member;
  if (member->children_.empty()) {
    Append(member, "Weather Balloon Costs: " + text(balloon));
    Append(member, "Radar Station Costs: " + text(radar));
    Append(member, "Interceptor Costs: " + text(interceptor));
    return;
  }
  for (const auto& child : member->children_) {
    if (Contains(child->text_, "Weather Balloon Costs:")) {
      child->text_ = "Weather Balloon Costs: " + text(balloon);
    } else if (Contains(child->text_, "Interceptor Costs:")) {
      child->text_ = "Interceptor Costs: " + text(interceptor);
    } else if (Contains(child->text_, "Radar Station Costs:")) {
      child->text_ = "Radar Station Costs: " + text(radar);
    }
  }
}

void CInfoPaneModel::ShowWeatherReport(const CWeatherBalloon* balloon,
                                       const std::vector<std::string>& lines) {
  if (balloon == nullptr) return;
  const auto line = [&lines](size_t i) { return i < lines.size() ? lines[i] : std::string(); };
  CInfoPaneItem*& first = reports_[balloon];
  if (first == nullptr) {
    first = Append(weatherReports_, line(0));
    first->balloon_ = balloon;
    for (size_t i = 1; i < 4; ++i) Append(first, line(i));
  } else {
    first->text_ = line(0);
    for (size_t i = 1; i < 4; ++i) first->children_[i - 1]->text_ = line(i);
  }
  weatherReports_->expanded_ = true;
}

const CInfoPaneItem* CInfoPaneModel::GetReport(const CWeatherBalloon* balloon) const {
  const auto found = reports_.find(balloon);
  return found != reports_.end() ? found->second : nullptr;
}

void CInfoPaneModel::RemoveWeatherReport(const CWeatherBalloon* balloon) {
  const auto found = reports_.find(balloon);
  if (found == reports_.end()) return;
  Delete(found->second);
  reports_.erase(found);
}

void CInfoPaneModel::OnLButtonDown(const CInfoPaneItem* item) {
  if (item == nullptr || document_ == nullptr || item->balloon_ == nullptr) return;
  const CWorldMap* map = document_->GetWorldMap();
  if (map == nullptr) return;
  document_->SetSelectionRect(item->balloon_->GetReportRect(map->getScalefactor()));
  document_->RedrawAllViews(false);
}

void CInfoPaneModel::ClearHighlight() {
  if (document_ == nullptr || document_->GetSelectionRect().IsRectEmpty()) return;
  document_->SetSelectionRect(CRect());
  document_->RedrawAllViews(false);
}
