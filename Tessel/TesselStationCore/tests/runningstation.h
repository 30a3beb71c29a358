// The station's agent running in its host on the test's loop, started with
// a name server (tools/ans-server, a child process) on a free loopback port,
// and other agents entered with that name server.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Credwick/belief.h"
#include "Namewick/ansclient.h"
#include "Platform/tests/looptest.h"
#include "TesselStationCore/stationagent.h"
#include "Toolwick/commandline.h"
#include "testsupport/childprocess.h"
#include "testsupport/tempdir.h"

namespace stationtest {

// Another agent, entered with a name server through a client of its own.
class OtherAgent {
 public:
  // Enters `name` at 127.0.0.1:`port` with the name server on loopback
  // `ans_port`; 1 when the server took it.
  int Register(const char* name, unsigned ans_port, unsigned port) {
    add_string("name", name);
    add_string("ans", "127.0.0.1");
    add_string("hostname", "127.0.0.1");
    add_int("ansport", static_cast<int>(ans_port));
    add_int("port", static_cast<int>(port));
    client_ = std::make_unique<CANSClient>(&db_, nullptr);
    return client_->register_agent(name);
  }

 private:
  void add_string(const char* name, const char* value) {
    auto* belief = new CStringBelief(name);
    belief->set_value(value);
    db_.add_element(belief);
  }
  void add_int(const char* name, int value) {
    auto* belief = new CIntBelief(name);
    belief->set_value(value);
    db_.add_element(belief);
  }

  CBeliefDB db_;  // before the client, which must go first
  std::unique_ptr<CANSClient> client_;
};

class RunningStation : public LoopTest {
 protected:
  void SetUp() override {
    ans_port = childtest::start_ans_server(&server, TESSEL_ANS_SERVER);
    ASSERT_NE(ans_port, 0u);
    auto owned = std::make_unique<CStationAgent>("TesselStation");
    agent = owned.get();
    agent->SetNameServer("127.0.0.1", ans_port);
    agent->SetListeningPort(0);
    host = std::make_unique<CAgentHost>();
    host->AssignContainer(std::move(owned));
    command_line.parse_commandline(static_cast<int>(argv.size()), const_cast<char**>(argv.data()));
    ASSERT_NE(host->CreateContainer(&command_line, 1), 0);
  }

  int belief(const char* name) {
    return dynamic_cast<CIntBelief*>(agent->get_belief_db()->find_element(name))->get_value();
  }

  testsupport::TempDir dir;  // the composer keeps its UUID state here
  childtest::ChildProcess server;
  unsigned ans_port = 0;
  std::vector<const char*> argv{"station"};
  CCommandLine command_line;
  CStationAgent* agent = nullptr;    // owned by the host
  std::unique_ptr<CAgentHost> host;  // last: it goes first
};

}  // namespace stationtest
