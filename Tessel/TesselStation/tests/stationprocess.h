// The programs of an exercise as the process tests run them, each a child
// process on loopback: the name server peer, the station (unattended, named
// AlphaStation, on a free port, registered with the name server) and the
// project's simulation agent.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/childprocess.h"

namespace stationtest {

struct StationExercise {
  // Starts the name server and the station; true once the station's first
  // line (in `first`) says that it registered.
  bool StartStation() {
    ans = childtest::start_ans_server(&server, TESSEL_ANS_SERVER);
    if (ans == 0) return false;
    setenv("TESSEL_UNATTENDED", "1", 1);
    const bool started = station.start(TESSEL_STATION, {"-name", "AlphaStation", "-port", "0",
                                                       "-ans", "127.0.0.1", "-ansport",
                                                       std::to_string(ans)});
    unsetenv("TESSEL_UNATTENDED");
    return started && station.read_line(&first, 60000) &&
           first.find("registered with the name server") != std::string::npos;
  }
  // Starts the simulation agent on `script` against the station, with the
  // further options `extra`.
  bool StartSim(const std::string& script, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"-script", script, "-station", "AlphaStation", "-ans",
                                  "127.0.0.1", "-ansport", std::to_string(ans), "-port", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    return sim.start(TESSEL_SIM_AGENT, args);
  }

  childtest::ChildProcess server;
  childtest::ChildProcess station;
  childtest::ChildProcess sim;
  unsigned ans = 0;   // the name server's port
  std::string first;  // the station's first line
};

}  // namespace stationtest
