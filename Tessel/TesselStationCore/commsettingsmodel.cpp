#include "TesselStationCore/commsettingsmodel.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "Credwick/belief.h"
#include "Credwick/beliefdb.h"
#include "Credwick/lookupmodule.h"
#include "Platform/listbox.h"
#include "Platform/messagesink.h"
#include "Relaywick/communicator.h"
#include "TesselStationCore/stationagent.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/tesselstationdoc.h"

namespace {

// The name server's listing, one name an entry.
class NameList : public CListBox {
 public:
  int InsertString(int index, const char* text) override {
    const auto at = index < 0 || static_cast<size_t>(index) > names.size() ? names.end()
                                                                           : names.begin() + index;
    return static_cast<int>(names.insert(at, text != nullptr ? text : "") - names.begin());
  }

  std::vector<std::string> names;
};

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

template <typename Belief>
Belief* FindBelief(CCommunicator* communicator, const char* name) {
  CBeliefDB* db = communicator->get_beliefdb();
  return db != nullptr ? dynamic_cast<Belief*>(db->find_element(name)) : nullptr;
}

void SetBelief(CCommunicator* communicator, const char* name, const char* value) {
  if (auto* belief = FindBelief<CStringBelief>(communicator, name)) belief->set_value(value);
}

void SetBelief(CCommunicator* communicator, const char* name, int value) {
  if (auto* belief = FindBelief<CIntBelief>(communicator, name)) belief->set_value(value);
}

}  // namespace

bool CCommSettingsModel::IsPlainName(const std::string& name) {
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return IsBlank(c) || byte < 0x20 || byte == 0x7F || c == '(' || c == ')' || c == '"';
  });
}

CCommSettingsModel::CCommSettingsModel(CTesselStationDoc& document) : document_(document) {
  const CStationAgent* agent = document_.GetAgent();
  serverHost_ = agent != nullptr ? agent->GetNameServerHost() : CStationAgent::kDefaultAnsHost;
  serverPort_ = static_cast<int>(agent != nullptr ? agent->GetNameServerPort()
                                                  : CStationAgent::kDefaultAnsPort);
  // A station that is registered shows the name it is registered under.
  if (document_.GetOwnName()[0] != '\0') agentName_ = document_.GetOwnName();
  CCommunicator* communicator = Communicator();
  if (communicator == nullptr) return;
  if (const auto* port = FindBelief<CIntBelief>(communicator, "port")) {
    agentPort_ = port->get_value();
  }
  if (const auto* host = FindBelief<CStringBelief>(communicator, "ans")) {
    if (host->get_value() != nullptr) serverHost_ = host->get_value();
  }
  if (const auto* port = FindBelief<CIntBelief>(communicator, "ansport")) {
    serverPort_ = port->get_value();
  }
  registered_ = document_.GetPhase() != CTesselStationDoc::PHASE_UNREGISTERED;
}

CCommunicator* CCommSettingsModel::Communicator() const {
  CStationAgent* agent = document_.GetAgent();
  return agent != nullptr ? agent->get_communicator() : nullptr;
}

void CCommSettingsModel::OnSetActive() {
  agents_.clear();
  CCommunicator* communicator = Communicator();
  CLookupModule* ans = communicator != nullptr ? communicator->retrieve_ans_object() : nullptr;
  if (!registered_ || ans == nullptr) return;
  NameList listing;
  ans->listall_listbox(&listing);
  agents_ = std::move(listing.names);
  std::stable_sort(agents_.begin(), agents_.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  // The others: the station's own entry goes.
  const auto own = std::find(agents_.begin(), agents_.end(), agentName_);
  if (own != agents_.end()) agents_.erase(own);
}

void CCommSettingsModel::OnRegister() {
  CCommunicator* communicator = Communicator();
  if (communicator == nullptr) return;
  const auto first = std::find_if_not(agentName_.begin(), agentName_.end(), IsBlank);
  const auto last = std::find_if_not(agentName_.rbegin(), agentName_.rend(), IsBlank).base();
  agentName_ = first < last ? std::string(first, last) : std::string();
  CStationUi& ui = document_.GetUi();
  if (agentName_.empty()) {
    ui.MessageBox("Please select or type in an agent name", MB_OK);
    return;
  }
  if (!IsPlainName(agentName_)) {
    ui.MessageBox("An agent name may not hold blanks, parentheses or quotes", MB_OK);
    return;
  }
  CLookupModule* ans = communicator->retrieve_ans_object();
  if (ans != nullptr) {
    ans->enable(0);
    SetBelief(communicator, "ans", serverHost_.c_str());
    SetBelief(communicator, "ansport", serverPort_);
    SetBelief(communicator, "name", agentName_.c_str());
    SetBelief(communicator, "port", agentPort_);
    ans->enable(1);
  }
  // The server's answer decides: a name that another agent holds is known
  // as well, at that agent's place.
  if (ans == nullptr || ans->is_registered() != 1 ||
      document_.GetAgent()->IsKnownAgent(agentName_.c_str()) == 0) {
    ui.MessageBox("Unable to register with the ANS. Please check the ANS Name and try again",
                  MB_OK);
    return;
  }
  registered_ = true;
  OnSetActive();
}

void CCommSettingsModel::OnUnRegister() {
  CCommunicator* communicator = Communicator();
  if (communicator == nullptr) return;
  CLookupModule* ans = communicator->retrieve_ans_object();
  // The registration is withdrawn once the server says so; a refusal keeps
  // the station registered and says why.
  const auto* own = FindBelief<CStringBelief>(communicator, "name");
  if (ans != nullptr && ans->is_registered() == 1 && own != nullptr &&
      ans->unregister_agent(own->get_value()) == 0) {
    const char* why = ans->get_last_error();
    document_.GetUi().MessageBox(
        ("Unable to unregister from the ANS: " + std::string(why != nullptr ? why : "")).c_str(),
        MB_OK);
    OnSetActive();
    return;
  }
  if (ans != nullptr) ans->enable(0);
  registered_ = false;
  OnSetActive();
}

void CCommSettingsModel::Apply() {
  document_.ApplyRegistration(registered_, agentName_.c_str());
  document_.GetUi().RefreshInfoPane(CStationUi::kPaneAgent);
  document_.RedrawAllViews(true);
}
