// The station's agent running in its host on the test's loop, started with
// a name server (tools/ans-server, a child process) on a free loopback port.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Credwick/belief.h"
#include "Platform/tests/looptest.h"
#include "TesselStationCore/stationagent.h"
#include "Toolwick/commandline.h"
#include "testsupport/childprocess.h"
#include "testsupport/tempdir.h"

namespace stationtest {

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
