// tesselstation under floods and stalls from its peers, as the project's
// simulation agent (tools/sim-agent) plays them on loopback, with the name
// server peer: each case sets the demo exercise up and running, makes its
// trouble, then sends a clock pulse whose mission_cost must come back within
// the case's bound, and plays the exercise on to its statistics. The bounds
// are generous, there to tell a station that stays responsive from one that
// is held for many seconds; nothing else is timed.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "stationprocess.h"
#include "testsupport/childprocess.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct PeerCase {
  const char* name;
  // Script lines once the exercise runs. ${file:http.scenario} and
  // ${file:large.scenario} are the demo's scenario with a map on a web
  // server that never answers, and with a map of 4,000 x 4,000 cells;
  // @DEMO_MAP@ is the demo's map.
  std::string trouble;
  int within_s;  // the bound of the pulse after the trouble
  bool stop_name_server = false;  // stopped (SIGSTOP) before the trouble
};

void PrintTo(const PeerCase& c, std::ostream* out) { *out << c.name; }

class UnderPeers : public testing::TestWithParam<PeerCase> {
 protected:
  void SetUp() override {
    // Never accepts: a fetch connects and waits, unanswered.
    web_ = testsupport::listen_on_loopback(&web_port_);
    const std::string scenario = Read(std::string(TESSEL_SIM_SCENARIOS) + "/demo.scenario");
    const std::string demo_map = std::string(TESSEL_SIM_SCENARIOS) + "/demo.map";
    testsupport::TempDir::write(
        dir.file("http.scenario"),
        Replaced(scenario, "${url:demo.map}",
                 "http://127.0.0.1:" + std::to_string(web_port_) + "/demo.map"));
    testsupport::TempDir::write(dir.file("large.scenario"),
                                Replaced(scenario, "${url:demo.map}", "${url:large.map}"));
    testsupport::TempDir::write(dir.file("large.map"),
                                "#Druvik MapData(1.2) - large\n4000\n0:950\n4000\n95:655\nv\n" +
                                    std::string(4000, '.') + "\x01\n");
    demo_map_ = "${url:" + demo_map + "}";
    testsupport::TempDir::write(dir.file("demo.scenario"),
                                Replaced(scenario, "${url:demo.map}", demo_map_));
  }
  void TearDown() override { close(web_); }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    return whole.str();
  }

  std::string Script(const PeerCase& c) const {
    const std::string pulse_bound = std::to_string(c.within_s) + "s";
    return "timeout 120s\n"
           "teammate BravoStation\n"
           "send tell :command init_sim :scenario ${file:demo.scenario}\n"
           "await init_sim comfirm=(${station}) within 120s\n"
           "send tell :command start_sim :team (tell :number 2 :client0 ${station} "
           ":client1 BravoStation) :stationlocation (tell :lat 480 :lon 180)\n"
           "clock 0 0 step 60 every 0ms await mission_cost\n"
           "elapsed running\n" +
           std::string(c.stop_name_server ? "pause 2s\n" : "") +
           Replaced(c.trouble, "@DEMO_MAP@", demo_map_) +
           "\nsend tell :command clock_sync :clock 60\n"
           "await mission_cost within " +
           pulse_bound +
           "\n"
           "clock 120 240 step 60 every 0ms await mission_cost\n"
           "send tell :command mission_complete :msg (Done.)\n"
           "await mission_stats\n";
  }

  testsupport::TempDir dir;  // the programs' working directory and files
  std::string demo_map_;  // the ${url:...} of the demo's map
  unsigned web_port_ = 0;
  int web_ = -1;
};

TEST_P(UnderPeers, AnswersThePulseAfterTheTroubleAndPlaysOn) {
  const PeerCase& c = GetParam();
  stationtest::StationExercise run;
  ASSERT_TRUE(run.StartStation()) << run.first;
  childtest::ChildProcess& server = run.server;
  childtest::ChildProcess& station = run.station;
  childtest::ChildProcess& sim = run.sim;

  testsupport::TempDir::write(dir.file("trouble.script"), Script(c));
  ASSERT_TRUE(run.StartSim(dir.file("trouble.script")));
  std::string exchanged;
  if (c.stop_name_server) {
    // The exercise runs: from here on the name server takes connections
    // and never answers.
    for (std::string line; !Contains(line, "elapsed: running");) {
      ASSERT_TRUE(sim.read_line(&line, 120000)) << exchanged;
      exchanged += line + "\n";
    }
    kill(server.pid(), SIGSTOP);
  }
  exchanged += sim.read_all(600000);
  EXPECT_EQ(sim.wait_exit(10000), 0) << exchanged;
  EXPECT_TRUE(Contains(exchanged, "recv: AlphaStation -> sim-agent: tell :command mission_stats"))
      << exchanged;
  EXPECT_TRUE(Contains(exchanged, "script complete")) << exchanged;
  if (c.stop_name_server) kill(server.pid(), SIGCONT);
  kill(station.pid(), SIGTERM);
  EXPECT_EQ(station.wait_exit(60000), 0) << station.read_all(5000);
}

INSTANTIATE_TEST_SUITE_P(
    Troubles, UnderPeers,
    testing::Values(
        PeerCase{"SixThousandStrangersTellTheirCosts",
                 "repeat 6000 send-as stranger${n} tell :command mission_cost "
                 ":totalCost 1000000 :radarCost 1 :intCost 1 :balloonCost 1",
                 10},
        PeerCase{"ThreeThousandBalloonsOverTenPulses",
                 "repeat 3000 send tell :command playback_deploy_balloon :lat 600 :lng 300\n"
                 "timeout 5s\n"
                 "clock 300 840 step 60 every 0ms await mission_cost\n"
                 "timeout 120s",
                 5},
        PeerCase{"ThreeStartsWhileTheNameServerIsStopped",
                 "repeat 3 send tell :command start_sim :team (tell :number 2 :client0 ${station} "
                 ":client1 BravoStation) :stationlocation (tell :lat 480 :lon 180)",
                 5, true},
        PeerCase{"AMapOnAWebServerThatNeverAnswers",
                 "send tell :command init_sim :scenario ${file:http.scenario}", 20},
        // As long as a message may be, with its envelope.
        PeerCase{"TwoChatLinesOfAMegabyte",
                 "repeat 2 send-as BravoStation tell :command subject_communication "
                 ":from BravoStation :message (${long:1040000})",
                 5},
        PeerCase{"AMapOfSixteenMillionCells",
                 "send tell :command init_sim :scenario ${file:large.scenario}", 5},
        PeerCase{"NumbersNoUnitCanWorkWith",
                 "send tell :command start_sim :stationlocation (tell :lat nan :lon 1e308)\n"
                 "send-as BravoStation tell :command activate :resource Interceptor :id I-102\n"
                 "send-as BravoStation tell :command deploy :resource Interceptor :id I-102 "
                 ":destLat inf :destLng -inf\n"
                 "send tell :command update_inc_heading :id X-1 :heading nan :lat 1e308 "
                 ":lng 1e999\n"
                 "send tell :command playback_deploy_balloon :lat 1e308 :lng -1e308\n"
                 "send-as BravoStation tell :command mission_cost :totalCost inf :radarCost nan "
                 ":intCost 1e308 :balloonCost -inf\n"
                 "send tell :command init_sim :scenario (tell :map @DEMO_MAP@ :terrain "
                 "(tell :number 1 :0 (tell :code 46 :style Solid :r 1 :g 2 :b 3)) :radar (tell "
                 ":number 1 :0 (tell :id R-9 :lat nan :lon inf :range 1e308)) :interceptors "
                 "(tell :number 1 :0 (tell :id I-9 :lat 1e308 :lon 1 :maxspeed inf)) :incursions "
                 "(tell :number 1 :0 (tell :id X-9 :heading inf :speed 1e308 :lat 300 :lon "
                 "300)))\n"
                 "await init_sim",
                 5}),
    [](const testing::TestParamInfo<PeerCase>& info) { return std::string(info.param.name); });

}  // namespace
