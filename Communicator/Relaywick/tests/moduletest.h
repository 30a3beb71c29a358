// Fixtures of the event-module tests: a communicator named "station" on a
// test loop, and plain listeners entered in its service table as the agents
// that the modules talk to, which record the KQML they get.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Bannerwick/serviceinfo.h"
#include "Relaywick/communicator.h"
#include "relaytest.h"
#include "testsupport/tempdir.h"

namespace moduletest {

using relaytest::kLoopback;

// The fields of one message the communicator composed.
struct Kqml {
  std::string performative;
  std::string sender;
  std::string receiver;
  std::string ontology;
  std::string language;
  std::string reply_with;
  std::string content;  // the content tokens, without the parentheses
};
// Splits a composed message (ending in 0x04); empty fields when it is none.
Kqml split_message(const std::string& message);

// A port on loopback where nobody listens.
unsigned dead_port();

// A listener on loopback as agent `name` in the communicator's service
// table. The communicator keeps one connection per agent, so the messages
// come in order over the one connection it accepts.
class AgentPeer {
 public:
  AgentPeer(CCommunicator& comm, const char* name);
  ~AgentPeer();
  AgentPeer(const AgentPeer&) = delete;
  AgentPeer& operator=(const AgentPeer&) = delete;

  // The messages that came within timeout_ms after the last one.
  std::vector<std::string> take(int timeout_ms = 300);
  // take() split into fields.
  std::vector<Kqml> take_kqml(int timeout_ms = 300);
  // The content tokens of take().
  std::vector<std::string> take_contents(int timeout_ms = 300);
  // Drops the accepted connection with a reset, so the next send over it fails.
  void reset_connection();
  // The entry now names a port where nobody listens (or this listener again).
  void go_away();
  void come_back();
  unsigned port() const { return port_; }

 private:
  CServiceInfo* entry_;
  int listener_ = -1;
  unsigned port_ = 0;
  int connection_ = -1;
};

class ModuleTest : public LoopTest {
 protected:
  ModuleTest();
  ~ModuleTest() override;

  // Module lines go to `log`.
  template <typename Module>
  Module* logged(Module* module) {
    module->set_file(log.stream());
    return module;
  }

  testsupport::TempDir dir;  // reply-with identifiers keep state files here
  relaytest::EnvSetting host_ip{"VERANTA_HOST_IP", kLoopback};
  relaytest::LogCapture log;
  relaytest::RecordingWindow window;
  std::unique_ptr<CCommunicator> comm;
};

}  // namespace moduletest
