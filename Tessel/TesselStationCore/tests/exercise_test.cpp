// The whole exercise in separate processes on loopback: the name server
// (tools/ans-server), the station's core in its headless host
// (stationhost/) and the scripted simulation agent (tools/sim-agent)
// playing the demo exercise, in which BravoStation is a teammate that the
// simulation agent plays. The tests compare what the processes print and
// their exit statuses; nothing is timed.
#include <gtest/gtest.h>
#include <signal.h>

#include <sstream>
#include <string>
#include <vector>

#include "testsupport/childprocess.h"
#include "testsupport/tempdir.h"

namespace {

using Lines = std::vector<std::string>;

constexpr size_t kNone = static_cast<size_t>(-1);

bool starts_with(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

Lines lines_of(const std::string& output) {
  Lines lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The index of the first line from `from` on that starts with `start`.
size_t find_line(const Lines& lines, const std::string& start, size_t from = 0) {
  for (size_t i = from; i < lines.size(); ++i) {
    if (starts_with(lines[i], start)) return i;
  }
  return kNone;
}

bool has_line(const Lines& lines, const std::string& line) {
  for (const std::string& each : lines) {
    if (each == line) return true;
  }
  return false;
}

// The first line after the one that starts with `after` that starts with
// `start`; "" when either is missing.
std::string next_line(const Lines& lines, const std::string& after, const std::string& start) {
  const size_t at = find_line(lines, after);
  if (at == kNone) return "";
  const size_t found = find_line(lines, start, at + 1);
  return found == kNone ? "" : lines[found];
}

// The lines that contain `part`.
Lines lines_with(const Lines& lines, const std::string& part) {
  Lines found;
  for (const std::string& line : lines) {
    if (line.find(part) != std::string::npos) found.push_back(line);
  }
  return found;
}

const std::string kStationRecv = "recv: sim-agent -> TesselStation: tell :command ";
const std::string kTeammateRecv = "recv: BravoStation -> TesselStation: tell :command ";
const std::string kToSim = "send: TesselStation -> sim-agent: tell :command ";
const std::string kToTeammate = "send: TesselStation -> BravoStation: tell :command ";

struct Exercise {
  int sim_status = -3;
  int host_status = -3;
  unsigned ans_port = 0;
  Lines sim;
  Lines host;
};

// Runs the demo exercise against the station host started with the extra
// `host_options`, until the station has handled reset_sim; then stops the
// host.
Exercise run_exercise(const std::vector<std::string>& host_options) {
  testsupport::TempDir dir;  // working directory of all three (UUID state files)
  Exercise result;
  childtest::ChildProcess ans;
  result.ans_port = childtest::start_ans_server(&ans, TESSEL_ANS_SERVER);
  if (result.ans_port == 0) {
    ADD_FAILURE() << "the name server did not start";
    return result;
  }
  const std::string ans_port = std::to_string(result.ans_port);

  std::vector<std::string> host_args{"-name",     "TesselStation", "-ans",
                                     "127.0.0.1", "-ansport",      ans_port};
  host_args.insert(host_args.end(), host_options.begin(), host_options.end());
  childtest::ChildProcess host;
  std::string first;  // where the station runs: it has registered
  if (!host.start(TESSEL_STATION_HOST, host_args) || !host.read_line(&first, 30000)) {
    ADD_FAILURE() << "the station host did not start";
    return result;
  }

  childtest::ChildProcess sim;
  if (!sim.start(TESSEL_SIM_AGENT,
                 {"-script", std::string(TESSEL_SIM_SCENARIOS) + "/demo.script", "-station",
                  "TesselStation", "-ans", "127.0.0.1", "-ansport", ans_port, "-port", "0"})) {
    ADD_FAILURE() << "the simulation agent did not start";
    return result;
  }
  // Both outputs are drained meanwhile, so that neither child stalls on a
  // full pipe. The bounds are against a hung child, not a measure of speed.
  std::string host_output;
  for (int round = 0; round < 6000 && result.sim_status < -1; ++round) {
    sim.read_all(10);
    host_output = host.read_all(10);
    result.sim_status = sim.wait_exit(0);
  }
  result.sim = lines_of(sim.read_all(5000));

  const std::string reset = "\n" + kStationRecv + "reset_sim\n";
  const auto reset_handled = [&] {
    const size_t at = host_output.find(reset);
    return at != std::string::npos && host_output.find("\ndoc: ", at + 1) != std::string::npos;
  };
  for (int round = 0; round < 3000 && !reset_handled(); ++round) host_output = host.read_all(10);
  kill(host.pid(), SIGTERM);
  result.host_status = host.wait_exit(30000);
  result.host = lines_of(host.read_all(5000));
  return result;
}

std::string dump(const Exercise& run) {
  std::string text = "--- station host\n";
  for (const std::string& line : run.host) text += line + "\n";
  text += "--- simulation agent\n";
  for (const std::string& line : run.sim) text += line + "\n";
  return text;
}

TEST(ExerciseInProcesses, DemoRunsFromInitSimToAnEmptyDocument) {
  const Exercise run = run_exercise({});
  SCOPED_TRACE(dump(run));
  ASSERT_EQ(run.sim_status, 0);
  EXPECT_EQ(run.host_status, 0);
  ASSERT_FALSE(run.host.empty());
  EXPECT_TRUE(starts_with(run.host.front(), "TesselStation at 127.0.0.1:"));
  EXPECT_TRUE(ends_with(run.host.front(), ", registered with the name server at 127.0.0.1:" +
                                              std::to_string(run.ans_port)));
  EXPECT_TRUE(has_line(run.sim, "script complete"));
  EXPECT_EQ(run.host.back(), "station-host stopped");

  // init_sim: the map and the scenario lists load, the wait notice shows,
  // and the confirmation goes back to the simulation agent.
  const size_t init = find_line(run.host, kStationRecv + "init_sim :scenario (tell :map file://");
  ASSERT_NE(init, kNone);
  ASSERT_GT(run.host.size(), init + 6);
  EXPECT_EQ(Lines(run.host.begin() + init + 1, run.host.begin() + init + 6),
            (Lines{"map loaded", "wait dialog shown", kToSim + "init_sim :comfirm (TesselStation)",
                   "doc: phase 2, clock 0, map 240 x 240, team -, sim sim-agent, 2 radars, "
                   "3 interceptors, 2 incursions, 0 balloons, 7 terrain types",
                   "unit: I-101 interceptor idle, controller -"}));
  EXPECT_TRUE(has_line(run.sim,
                       "recv: TesselStation -> sim-agent: tell :command init_sim :comfirm "
                       "(TesselStation)"));

  // start_sim: the team and the station's place; the notice closes.
  EXPECT_EQ(next_line(run.host, kStationRecv + "start_sim ", "wait dialog closed"),
            "wait dialog closed");
  EXPECT_EQ(next_line(run.host, kStationRecv + "start_sim ", "doc: "),
            "doc: phase 2, clock 0, map 240 x 240, team BravoStation, sim sim-agent, 2 radars, "
            "3 interceptors, 2 incursions, 0 balloons, 7 terrain types");

  // Every clock pulse from 0 to 960 sets the station's clock and is
  // answered by mission_cost, to the teammate and to the simulation agent,
  // before the next pulse goes.
  size_t pulse = 0;
  for (int clock = 0; clock <= 960; clock += 60) {
    SCOPED_TRACE("clock " + std::to_string(clock));
    const std::string sync = "clock_sync :clock " + std::to_string(clock);
    pulse = find_line(run.sim, "send: sim-agent -> TesselStation: tell :command " + sync, pulse);
    ASSERT_NE(pulse, kNone);
    const size_t answer = find_line(
        run.sim, "recv: TesselStation -> sim-agent: tell :command mission_cost :totalCost ", pulse);
    const size_t next_pulse = find_line(
        run.sim, "send: sim-agent -> TesselStation: tell :command clock_sync ", pulse + 1);
    EXPECT_NE(answer, kNone);
    EXPECT_LT(answer, next_pulse);

    const std::string state = next_line(run.host, kStationRecv + sync, "doc: ");
    EXPECT_TRUE(starts_with(state, "doc: phase 4, clock " + std::to_string(clock) + ", ")) << state;
    EXPECT_TRUE(starts_with(next_line(run.host, kStationRecv + sync, "send: "),
                            kToTeammate + "mission_cost :totalCost "));
  }
  EXPECT_EQ(lines_with(run.sim, "recv: TesselStation -> BravoStation: tell :command mission_cost ")
                .size(),
            17u);

  // The teammate's commands to its interceptors are replayed on the
  // station's copies, and nothing about those units goes back.
  struct Replayed {
    const char* command;  // the teammate's, as it starts
    const char* unit;     // the unit line that follows it
    const char* state;
  };
  for (const Replayed& r : {
           Replayed{"activate :resource Interceptor :id I-102", "I-102",
                    "interceptor on station, controller BravoStation"},
           Replayed{"deploy :resource Interceptor :id I-102 ", "I-102",
                    "interceptor deploying, controller BravoStation"},
           Replayed{"intercept :resource Interceptor :id I-103 ", "I-103",
                    "interceptor intercepting, controller BravoStation"},
           Replayed{"intercept :resource Interceptor :id I-103 ", "X-1",
                    "incursion heading 160, intercepted"},
           Replayed{"activate :resource Radar :id R-2", "R-2",
                    "radar inactive, controllers BravoStation"},
       }) {
    const std::string unit = std::string("unit: ") + r.unit + " ";
    EXPECT_EQ(next_line(run.host, kTeammateRecv + r.command, unit), unit + r.state) << r.command;
  }
  const Lines unit_commands = lines_with(lines_with(run.host, "send: "), " :resource ");
  for (const char* id : {":id I-102", ":id I-103", ":id R-2"}) {
    EXPECT_EQ(lines_with(unit_commands, id), Lines{}) << id;
  }
  EXPECT_EQ(lines_with(run.sim, "recv: TesselStation -> BravoStation: tell :command deploy "),
            Lines{});

  // The balloon flies, asks for the weather and shows the report.
  const std::string ask = next_line(run.host, kStationRecv + "playback_deploy_balloon ",
                                    kToSim + "get_weather :lat 600.000000 :lng 300.000000 ");
  const size_t id_at = ask.find(":balloonID ");
  ASSERT_NE(id_at, std::string::npos) << ask;
  const std::string balloon = ask.substr(id_at + 11);
  EXPECT_TRUE(has_line(run.host, "unit: " + balloon + " balloon reported"));
  const std::string report = next_line(
      run.host, kStationRecv + "weather_data :balloonID " + balloon + " ", "weather: " + balloon);
  EXPECT_TRUE(starts_with(report, "weather: " + balloon + ": Location: 25,25 | Received at "))
      << report;
  EXPECT_TRUE(ends_with(report,
                        " | Temperature 71.50F / Humidity 62% | Wind Speed 14 knots, Direction 250 "
                        "deg"))
      << report;

  // Nobody runs Falcon One here: the teammate's request is refused unasked.
  EXPECT_EQ(lines_with(run.host, "question: "), Lines{});
  EXPECT_EQ(
      next_line(run.host, kTeammateRecv + "request :resource Interceptor :id I-101", "send: "),
      kToTeammate + "request-response :id I-101 :acknowledgement no");

  // The chat line and the course change of the teammate's raider.
  EXPECT_TRUE(has_line(run.host, "chat: BravoStation: Skylance is on Raider One."));
  EXPECT_EQ(next_line(run.host, kStationRecv + "update_inc_heading :id X-2 ", "unit: X-2 "),
            "unit: X-2 incursion heading 230");

  // mission_complete: the statistics of the station's units, then the box;
  // names with a blank go as strings.
  const std::string stats = next_line(run.host, kStationRecv + "mission_complete ", "send: ");
  EXPECT_TRUE(starts_with(stats, kToSim + "mission_stats :balloonCost ")) << stats;
  for (const char* part :
       {":intStats (tell  :int0 (tell :id I-101 :name \"Falcon One\" ",
        ":int1 (tell :id I-102 :name \"Sea Hawk\" ", ":int2 (tell :id I-103 :name Skylance ",
        ":count 3) :radarStats (tell  :radar0 (tell :id R-1 :name \"North Watch\" ",
        ":count 2) :balloonStats (tell  :balloon0 (tell :deployTime 0 ", ":count 1)"}) {
    EXPECT_NE(stats.find(part), std::string::npos) << part;
  }
  EXPECT_TRUE(
      has_line(run.sim, "recv: TesselStation -> sim-agent: " + stats.substr(stats.find("tell "))));
  EXPECT_EQ(next_line(run.host, kStationRecv + "mission_complete ", "box: "),
            "box: (Mission complete.)");

  // reset_sim: everything goes, the weather report with its balloon.
  const size_t reset = find_line(run.host, kStationRecv + "reset_sim");
  ASSERT_NE(reset, kNone);
  ASSERT_GT(run.host.size(), reset + 11);
  EXPECT_EQ(run.host[reset + 1], "weather removed: " + balloon);
  const std::string empty = run.host[reset + 2];
  EXPECT_TRUE(starts_with(empty, "doc: phase 1, ")) << empty;
  EXPECT_TRUE(ends_with(empty,
                        "map 0 x 0, team -, sim -, 0 radars, 0 interceptors, "
                        "0 incursions, 0 balloons, 0 terrain types"))
      << empty;
  Lines gone;
  for (const char* id : {"I-101", "I-102", "I-103", "R-1", "R-2", "X-1", "X-2"}) {
    gone.push_back(std::string("unit: ") + id + " gone");
  }
  gone.insert(gone.begin(), "unit: " + balloon + " gone");
  EXPECT_EQ(Lines(run.host.begin() + reset + 3, run.host.begin() + reset + 3 + gone.size()), gone);
}

// The operator has taken Falcon One over before the teammate asks for it.
struct RequestCase {
  const char* name;
  const char* answer;  // the operator's
  const char* reply;   // the acknowledgement
  Lines after;         // what the station sends and shows about I-101 next
};

void PrintTo(const RequestCase& c, std::ostream* out) { *out << c.name; }

class RequestAnswered : public testing::TestWithParam<RequestCase> {};

TEST_P(RequestAnswered, AsTheOperatorSays) {
  const RequestCase& c = GetParam();
  const Exercise run = run_exercise({"-activate", "I-101", "-answers", c.answer});
  SCOPED_TRACE(dump(run));
  ASSERT_EQ(run.sim_status, 0);
  EXPECT_EQ(run.host_status, 0);

  // The click after start_sim: Falcon One is the station's, told to all.
  const size_t click = find_line(run.host, "operator: click on I-101");
  ASSERT_NE(click, kNone);
  ASSERT_GT(run.host.size(), click + 3);
  EXPECT_LT(find_line(run.host, kStationRecv + "start_sim "), click);
  EXPECT_TRUE(
      starts_with(run.host[click + 1], kToTeammate + "activate :resource Interceptor :id I-101 "));
  EXPECT_TRUE(
      starts_with(run.host[click + 2], kToSim + "activate :resource Interceptor :id I-101 "));
  EXPECT_EQ(run.host[click + 3], "unit: I-101 interceptor on station, controller TesselStation");

  const size_t request =
      find_line(run.host, kTeammateRecv + "request :resource Interceptor :id I-101");
  ASSERT_NE(request, kNone);
  ASSERT_GT(run.host.size(), request + 3);
  EXPECT_EQ(Lines(run.host.begin() + request + 1, run.host.begin() + request + 3),
            (Lines{"question: BravoStation has requested access to the Interceptor Falcon One "
                   "(ID I-101).  Hand over control?",
                   std::string("answer: ") + c.answer}));
  Lines after;
  for (size_t i = request + 3; i < run.host.size() && !starts_with(run.host[i], "recv: "); ++i) {
    if (run.host[i].find("I-101") != std::string::npos) after.push_back(run.host[i]);
  }
  EXPECT_EQ(after, c.after);
  EXPECT_TRUE(has_line(run.sim, std::string("recv: TesselStation -> BravoStation: tell :command "
                                            "request-response :id I-101 :acknowledgement ") +
                                    c.reply));
}

const std::string kFalconAt = ":lat 300.000000 :lng 230.000000 :gridCol 12 :gridRow 30";

INSTANTIATE_TEST_SUITE_P(
    Answers, RequestAnswered,
    testing::Values(
        // Yes: the station stops the interceptor and gives it up, telling
        // all, then says yes.
        RequestCase{"YesHandsItOver",
                    "yes",
                    "yes",
                    {kToTeammate + "abort :resource Interceptor :id I-101 " + kFalconAt,
                     kToSim + "abort :resource Interceptor :id I-101 " + kFalconAt,
                     kToTeammate + "deactivate :resource Interceptor :id I-101 " + kFalconAt,
                     kToSim + "deactivate :resource Interceptor :id I-101 " + kFalconAt,
                     kToTeammate + "request-response :id I-101 :acknowledgement yes",
                     "unit: I-101 interceptor idle, controller -"}},
        RequestCase{"NoKeepsIt",
                    "no",
                    "no",
                    {kToTeammate + "request-response :id I-101 :acknowledgement no"}}),
    [](const testing::TestParamInfo<RequestCase>& info) { return std::string(info.param.name); });

}  // namespace
