// CCommSettingsModel: the communication settings of the administration
// sheet without the window -- the agent name under which the station
// registers with the agent name server, the server's host and port, the
// agent's own port, and the agents that the server knows. Register and
// UnRegister take effect on the name-server client at once; when the sheet
// closes, Apply turns the outcome into the document's phase and own name.
//
// The Qt page writes the operator's entries into the model before it calls
// OnRegister, shows the model's fields, list and control states after every
// call, and calls OnSetActive whenever the page becomes active. Messages go
// through the document's CStationUi.
//
// One model lives while the sheet is open; the document, its agent and the
// agent's communicator must outlive it.
#pragma once

#include <string>
#include <vector>

class CCommunicator;
class CTesselStationDoc;

class CCommSettingsModel {
 public:
  static constexpr const char* kDefaultAgentName = "Alpha";

  // Prepared from the document: its agent, the agent's port and whether it
  // is registered (a phase other than unregistered), once its communicator
  // exists; the name server that the agent was started with.
  explicit CCommSettingsModel(CTesselStationDoc& document);

  // Whether the name goes into the registration, the beliefs and every
  // message as the one word the operator sees: no blank, control byte,
  // parenthesis or quote in it.
  static bool IsPlainName(const std::string& name);
  CCommSettingsModel(const CCommSettingsModel&) = delete;
  CCommSettingsModel& operator=(const CCommSettingsModel&) = delete;

  // --- Fields; the texts are owned by the model.

  const char* GetAgentName() const { return agentName_.c_str(); }
  void SetAgentName(const char* name) { agentName_ = name != nullptr ? name : ""; }
  const char* GetServerHost() const { return serverHost_.c_str(); }
  void SetServerHost(const char* host) { serverHost_ = host != nullptr ? host : ""; }
  int GetServerPort() const { return serverPort_; }
  void SetServerPort(int port) { serverPort_ = port; }
  // Read from the agent; the page never changes it.
  int GetAgentPort() const { return agentPort_; }
  bool IsRegistered() const { return registered_; }
  // The other agents that the name server knows, sorted, while registered.
  const std::vector<std::string>& GetRegisteredAgents() const { return agents_; }

  // --- Control states

  bool CanRegister() const { return !registered_; }
  bool CanUnregister() const { return registered_; }
  // The server's host and port, and the agent name, are fixed while
  // registered.
  bool IsServerReadOnly() const { return registered_; }
  bool IsAgentNameEnabled() const { return !registered_; }

  // --- Page

  // The page became active: the list of registered agents is fetched while
  // registered, emptied otherwise.
  void OnSetActive();
  // Registers the station under the agent name (trimmed) with the server
  // of the fields. A name that is empty or holds a blank, a parenthesis or
  // a quote is refused with a message, and so is a registration that the
  // server does not take or confirm. Nothing without a communicator.
  void OnRegister();
  // Withdraws the station's registration. A withdrawal that the server
  // refuses is shown with its reason, and the station stays registered.
  // Nothing without a communicator.
  void OnUnRegister();
  // The sheet closed: a registration or withdrawal made here becomes the
  // document's phase and own name; the information pane shows the agent
  // anew and the views are redrawn.
  void Apply();

 private:
  CCommunicator* Communicator() const;

  CTesselStationDoc& document_;
  std::string agentName_ = kDefaultAgentName;
  std::string serverHost_;
  int serverPort_;
  int agentPort_ = 0;
  bool registered_ = false;
  std::vector<std::string> agents_;
};
