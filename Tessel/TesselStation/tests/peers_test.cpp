// tesselstation under floods and stalls from its peers, strangers that try
// to drive its exercise, exercises one after another and at the station's
// limits, as the project's simulation agent (tools/sim-agent) plays them on
// loopback, with the name server peer: each case sets the demo exercise up
// and running, makes its trouble, then sends a clock pulse whose
// mission_cost must come back within the case's bound, and plays the
// exercise on to its statistics; some cases also count what was exchanged
// or look at the station's memory. The bounds are generous, there to tell a
// station that stays responsive from one that is held for many seconds;
// nothing else is timed.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TesselStationCore/tesselstationdoc.h"
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
  // ${file:crowded.scenario} and ${file:over.scenario} the largest one the
  // station takes, its units crowded at one spot, and one radar more;
  // @DEMO_MAP@ is the demo's map.
  std::string trouble;
  int within_s;  // the bound of the pulse after the trouble
  bool stop_name_server = false;  // stopped (SIGSTOP) before the trouble
  // What the messages exchanged must show: so many lines that hold each
  // text, and a line that holds `shown`.
  std::vector<std::pair<const char*, size_t>> counts = {};
  const char* shown = nullptr;
  // The station's memory from the trouble's line "elapsed halfway" to its
  // end grows by at most this many MB (0: not looked at).
  long growth_mb = 0;
  // The first two lines that hold this are the same.
  const char* twice = nullptr;
};

// The first two lines of `text` that hold `part`; "" for those missing.
std::pair<std::string, std::string> FirstTwo(const std::string& text, const std::string& part) {
  std::istringstream in(text);
  std::pair<std::string, std::string> found;
  for (std::string line; std::getline(in, line) && found.second.empty();) {
    if (!Contains(line, part)) continue;
    (found.first.empty() ? found.first : found.second) = line;
  }
  return found;
}

// Of a process, in kB.
long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

size_t LinesWith(const std::string& text, const std::string& part) {
  std::istringstream in(text);
  size_t count = 0;
  for (std::string line; std::getline(in, line);) count += Contains(line, part) ? 1 : 0;
  return count;
}

// A list of `count` units "(tell :id <prefix><i>x... :name "<name>" <rest>)"
// whose ids and names have `bytes` bytes.
std::string UnitList(const char* prefix, size_t count, size_t bytes, const std::string& rest) {
  std::string list = "(tell :number " + std::to_string(count);
  for (size_t i = 0; i < count; ++i) {
    std::string id = prefix + std::to_string(i);
    id.resize(bytes, 'x');
    std::string name = "N " + id;
    name.resize(bytes, 'n');
    list += " :" + std::to_string(i) + " (tell :id " + id + " :name \"" + name + "\" " + rest + ")";
  }
  return list + ")";
}

// The start of the demo exercise, and the next exercise after it.
const std::string kStart =
    "send tell :command start_sim :team (tell :number 2 :client0 ${station} :client1 "
    "BravoStation) :stationlocation (tell :lat 480 :lon 180)\n";
const std::string kNextExercise =
    "send tell :command reset_sim\n"
    "send tell :command init_sim :scenario ${file:demo.scenario}\n"
    "await init_sim comfirm=(${station})\n" +
    kStart;

// `rounds` of four chat lines of a megabyte from BravoStation, each round
// followed by a pulse that must be answered; "elapsed halfway" after round
// `halfway`.
std::string ChatRounds(int rounds, int halfway) {
  std::string script;
  for (int i = 0; i < rounds; ++i) {
    script +=
        "repeat 4 send-as BravoStation tell :command subject_communication :from BravoStation "
        ":message (${long:1040000})\n"
        "send tell :command clock_sync :clock 0\n"
        "await mission_cost\n";
    if (i + 1 == halfway) script += "elapsed halfway\n";
  }
  return script;
}

// The demo's scenario with other units.
std::string WithUnits(const std::string& scenario, const std::string& units) {
  const size_t from = scenario.find("  :radar ");
  const size_t to = scenario.find("  :impactlines ");
  return scenario.substr(0, from) + units + "\n" + scenario.substr(to);
}

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
    // The largest scenario: every radar, incursion and interceptor at one
    // spot, each incursion inside every radar's range, the longest ids
    // and names.
    const auto crowded = [](size_t radars) {
      constexpr size_t kText = CTesselStationDoc::kMaxUnitText;
      return "  :radar " + UnitList("R-", radars, kText, ":lat 600 :lon 400 :range 160") +
             "\n  :interceptors " +
             UnitList("I-", CTesselStationDoc::kMaxInterceptors, kText,
                      ":lat 600 :lon 400 :maxspeed 120 :scope air") +
             "\n  :incursions " +
             UnitList("X-", CTesselStationDoc::kMaxIncursions, kText,
                      ":heading 160 :speed 40 :lat 600 :lon 400");
    };
    testsupport::TempDir::write(dir.file("crowded.scenario"),
                                WithUnits(Replaced(scenario, "${url:demo.map}", demo_map_), crowded(CTesselStationDoc::kMaxRadars)));
    testsupport::TempDir::write(dir.file("over.scenario"),
                                WithUnits(Replaced(scenario, "${url:demo.map}", demo_map_), crowded(CTesselStationDoc::kMaxRadars + 1)));
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
           "await init_sim comfirm=(${station}) within 120s\n" +
           kStart +
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
  long halfway_kb = 0;
  if (c.growth_mb > 0) {
    for (std::string line; !Contains(line, "elapsed: halfway");) {
      ASSERT_TRUE(sim.read_line(&line, 600000)) << exchanged;
      exchanged += line + "\n";
    }
    halfway_kb = ResidentKb(station.pid());
  }
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
  for (const auto& [part, count] : c.counts) EXPECT_EQ(LinesWith(exchanged, part), count) << part;
  if (c.shown != nullptr) {
    EXPECT_TRUE(Contains(exchanged, c.shown)) << c.shown;
  }
  if (c.growth_mb > 0) {
    EXPECT_LE(ResidentKb(station.pid()) - halfway_kb, c.growth_mb * 1024);
  }
  if (c.twice != nullptr) {
    const auto [first, second] = FirstTwo(exchanged, c.twice);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(second, first);
  }
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
                 // Arriving, every balloon asks the simulation agent for its
                 // weather: seconds under the sanitizer on a busy machine.
                 "repeat 3000 send tell :command playback_deploy_balloon :lat 600 :lng 300\n"
                 "timeout 30s\n"
                 "clock 300 840 step 60 every 0ms await mission_cost\n"
                 "timeout 120s",
                 30},
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
                 5},
        // The demo's order: a balloon before the first pulse; its weather
        // is never had, so that its cost counts to the last minute.
        PeerCase{"ASecondExerciseAfterResetSimReportsAsTheFirst",
                 "weather error\n"
                 "send tell :command playback_deploy_balloon :lat 600 :lng 300\n"
                 "clock 60 960 step 60 every 20ms await mission_cost\n"
                 "send tell :command mission_complete :msg (First.)\n"
                 "await mission_stats\n" +
                     kNextExercise +
                     "send tell :command playback_deploy_balloon :lat 600 :lng 300\n"
                     "clock 60 960 step 60 every 20ms await mission_cost\n"
                     "send tell :command mission_complete :msg (Second.)\n"
                     "await mission_stats\n" +
                     kNextExercise,
                 5, false, {{":balloon0 (tell :deployTime 0 :reportTime 0 ", 2}}, nullptr, 0,
                 "recv: AlphaStation -> sim-agent: tell :command mission_stats"},
        PeerCase{"StrangersAndATeammateTryToDriveTheExercise",
                 "repeat 100 send-as stranger${n} tell :command playback_deploy_balloon :lat 600 "
                 ":lng 300\n"
                 "send-as stranger tell :command reset_sim\n"
                 "send-as stranger tell :command init_sim :scenario ${file:demo.scenario}\n"
                 "send-as BravoStation tell :command clock_sync :clock 900\n"
                 "send-as stranger tell :command mission_complete :msg (Not yours.)\n"
                 "send tell :command clock_sync :clock 30\n"
                 "await mission_cost totalCost=0 balloonCost=0",
                 5, false, {{"tell :command mission_stats", 1}}, ":int2 (tell :id I-103 "},
        // One radar too many is refused; the largest scenario, reset_sim
        // first, is taken, and every pair of its incursions and radars
        // told once.
        PeerCase{"TheLargestScenarioCrowdedAtOneSpotAndOneRadarMore",
                 "send tell :command init_sim :scenario ${file:over.scenario}\n"
                 "send tell :command clock_sync :clock 30\n"
                 "await mission_cost\n"
                 "send tell :command reset_sim\n"
                 "send tell :command init_sim :scenario ${file:crowded.scenario}\n"
                 "await init_sim comfirm=(${station})\n" +
                     kStart +
                     "send tell :command clock_sync :clock 0\n"
                 "await mission_cost\n"
                 "send tell :command mission_complete :msg (Crowded.)\n"
                 "await mission_stats\n"
                 "send tell :command clock_sync :clock 1",
                 20, false,
                 {{"xxxxxxxx :radarID R-",
                   CTesselStationDoc::kMaxRadars * CTesselStationDoc::kMaxIncursions},
                  {"recv: AlphaStation -> sim-agent: tell :command init_sim :comfirm", 2}},
                 ":radar63 (tell :id R-"},
        PeerCase{"FiveThousandBalloonsAndAReset",
                 "repeat 5000 send tell :command playback_deploy_balloon :lat 600 :lng 300\n"
                 "timeout 60s\n"
                 "clock 300 840 step 60 every 0ms await mission_cost\n"
                 "send tell :command mission_complete :msg (Balloons.)\n"
                 "await mission_stats\n" +
                     kNextExercise + "timeout 120s",
                 20, false,
                 {{"recv: AlphaStation -> BravoStation: tell :command deploy_balloon",
                   CTesselStationDoc::kMaxBalloons}},
                 ":balloon4095 (tell :deployTime 0 "},
        // Four lines of a megabyte at a time, as many as the simulation
        // agent's connection holds, each round answered.
        PeerCase{"TwoHundredChatLinesOfAMegabyte", ChatRounds(50, 25), 10, false, {}, nullptr,
                 64}),
    [](const testing::TestParamInfo<PeerCase>& info) { return std::string(info.param.name); });

}  // namespace
