// sim-agent as a child process against a small fake station on loopback,
// with the name server peer: the scripted exchange, the automatic weather
// answer, a teammate's messages both ways, and the runs that fail.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Agentwick/basicagent.h"
#include "Lexwick/parser.h"
#include "Platform/tests/looptest.h"
#include "testsupport/childprocess.h"
#include "testsupport/tempdir.h"

namespace {

// A station that records what it gets ("SENDER: CONTENT") and answers a
// few commands with canned messages; the receiver "$sender" stands for the
// sender of the message answered.
class FakeStation : public CBasicAgent {
 public:
  using Replies = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

  FakeStation(unsigned ans_port, Replies replies, std::vector<std::string>* received)
      : CBasicAgent("AlphaStation"),
        ans_port_(ans_port),
        replies_(std::move(replies)),
        received_(received) {
    set_lookup_config(LOOKUP_CONFIG_ANS);
  }

  int process_create() override {
    get_communicator()->set_port(0);
    get_communicator()->comm_setansinfo("127.0.0.1", ans_port_);
    return 1;
  }

  int process_message(char* text) override {
    CParser message;
    if (message.parse_message(text) != 1) return 1;
    const std::string sender = message.find_sender();
    std::string content = message.find_content();  // "(  ... )"
    content = content.substr(1, content.size() - 2);
    content = content.substr(content.find_first_not_of(' '));
    content.erase(content.find_last_not_of(' ') + 1);
    received_->push_back(sender + ": " + content);
    CParser parsed;
    parsed.parse_message(message.find_content());
    const auto replies = replies_.find(parsed.find_token("command"));
    if (replies == replies_.end()) return 1;
    for (const auto& [receiver, reply] : replies->second) {
      get_communicator()->comm_sendmessage(
          "tell", receiver == "$sender" ? sender.c_str() : receiver.c_str(), "default-language",
          "default-ontology", nullptr, nullptr, nullptr, reply.c_str(), nullptr);
    }
    return 1;
  }

 private:
  unsigned ans_port_;
  Replies replies_;
  std::vector<std::string>* received_;
};

const FakeStation::Replies kReplies = {
    {"init_sim",
     {{"$sender", "tell :command init_sim :comfirm (AlphaStation)"},
      {"$sender",
       "tell :command get_weather :lat 600.000000 :lng 300.000000 :gridCol 25 :gridRow 25 "
       ":balloonID 1234567"}}},
    {"clock_sync",
     {{"BravoStation", "tell :command mission_cost :totalCost 3 :radarCost 1 :intCost 1 "
                       ":balloonCost 1"},
      {"$sender", "tell :command mission_cost :totalCost 3 :radarCost 1 :intCost 1 "
                  ":balloonCost 1"}}},
    {"request", {{"$sender", "tell :command request-response :id I-101 :acknowledgement no"}}},
    {"mission_complete",
     {{"$sender", "tell :command mission_stats :balloonCost 0.000000 :radarCost 0.000000 "
                  ":intCost 0.000000 :totalCost 0.000000 :intStats (tell  :count 0) "
                  ":radarStats (tell  :count 0) :balloonStats (tell  :count 0)"}}},
};

bool has_line(const std::string& output, const std::string& line) {
  return ("\n" + output).find("\n" + line + "\n") != std::string::npos;
}

// The port in the first line of sim-agent's output.
std::string sim_port(const std::string& output) {
  const size_t colon = output.find(':');
  return colon != std::string::npos ? output.substr(colon + 1, output.find(',') - colon - 1) : "";
}

bool has_line_starting(const std::string& output, const std::string& start) {
  return ("\n" + output).find("\n" + start) != std::string::npos;
}

class SimRun : public LoopTest {
 protected:
  void SetUp() override {
    ans_port = childtest::start_ans_server(&ans_server, TESSEL_ANS_SERVER);
    ASSERT_NE(ans_port, 0u);
    auto station = std::make_unique<FakeStation>(ans_port, kReplies, &received);
    host.AssignContainer(std::move(station));
    command_line.parse_commandline(1, argv_);
    ASSERT_NE(host.CreateContainer(&command_line, 1), 0);
    station_port = host.get_container()->get_communicator()->get_port();
  }

  // Writes `script` and runs it.
  int run(const std::string& script, const std::vector<std::string>& args, std::string* output) {
    testsupport::TempDir::write(dir.file("run.script"), script);
    return run_file(dir.file("run.script"), args, output);
  }
  // Runs sim-agent on the script at `path` with `args` while this loop
  // serves the fake station; its exit status (-2: it did not end) and
  // output.
  int run_file(const std::string& path, std::vector<std::string> args, std::string* output) {
    args.insert(args.begin(), {"-script", path, "-port", "0"});
    childtest::ChildProcess sim;
    if (!sim.start(TESSEL_SIM_AGENT, args)) return -3;
    int status = -2;
    // A bound against a hung child, not a measure of speed.
    for (int round = 0; round < 6000 && status == -2; ++round) {
      loop.process_events(10);
      status = sim.wait_exit(0);
    }
    // What it sent before it ended waits here still: taken until a round
    // finds nothing to do.
    for (int round = 0; round < 500 && loop.process_events(20) > 0; ++round) {
    }
    *output = sim.read_all(5000);
    return status;
  }
  std::vector<std::string> via_name_server(const char* station = "AlphaStation") const {
    return {"-station", station, "-ans", "127.0.0.1", "-ansport", std::to_string(ans_port)};
  }

  testsupport::TempDir dir;  // working directory of both (UUID state files)
  childtest::ChildProcess ans_server;
  unsigned ans_port = 0;
  unsigned station_port = 0;
  std::vector<std::string> received;
  char* argv_[2] = {const_cast<char*>("fake-station"), nullptr};
  CCommandLine command_line;
  CAgentHost host;  // last: it goes first
};

TEST_F(SimRun, ScriptedExchangeWithWeatherAnswerAndTeammate) {
  testsupport::TempDir::write(dir.file("tiny.map"), "#Druvik MapData(1.1) -\nab\x01\n");
  const std::string script =
      "teammate BravoStation\n"
      "weather temperature 70 winddir 180\n"
      "send tell :command init_sim :scenario (tell :map ${url:tiny.map})\n"
      "await init_sim comfirm=(${station}) from ${station}\n"
      "send tell :command start_sim :team (tell :number 2 :client0 ${station} \\\n"
      "    :client1 BravoStation)\n"
      "clock 0 120 step 60 every 10ms await mission_cost\n"
      "send-as BravoStation tell :command deploy :resource Interceptor :id I-101 :destLat 10 "
      ":destLng 20\n"
      "send-as BravoStation tell :command request :resource Interceptor :id I-101\n"
      "await request-response id=I-101 acknowledgement=no to BravoStation\n"
      "await get_weather balloonID=1234567\n"
      "await mission_cost to BravoStation\n"
      "send tell :command reset_sim\n";
  std::string output;
  ASSERT_EQ(run(script, via_name_server(), &output), 0) << output;

  for (const std::string& line : {
           "sim-agent at 127.0.0.1:" + sim_port(output) +
               ", registered with the name server at 127.0.0.1:" + std::to_string(ans_port),
           std::string("teammate: BravoStation registered"),
           std::string("recv: AlphaStation -> sim-agent: tell :command init_sim :comfirm "
                       "(AlphaStation)"),
           std::string("recv: AlphaStation -> sim-agent: tell :command get_weather :lat "
                       "600.000000 :lng 300.000000 :gridCol 25 :gridRow 25 :balloonID 1234567"),
           std::string("send: sim-agent -> AlphaStation: tell :command weather_data :balloonID "
                       "1234567 :winddir 180 :windspeed 12 :humidity 45 :pressure 1013 "
                       ":temperature 70 :lng 300.000000 :lat 600.000000"),
           std::string("send: BravoStation -> AlphaStation: tell :command request :resource "
                       "Interceptor :id I-101"),
           std::string("recv: AlphaStation -> BravoStation: tell :command request-response :id "
                       "I-101 :acknowledgement no"),
           std::string("script complete")}) {
    EXPECT_TRUE(has_line(output, line)) << line << "\n---\n" << output;
  }

  // What the station got, in the order sent; the weather answer went
  // whenever the get_weather came in, once.
  std::vector<std::string> scripted;
  int weather_answers = 0;
  for (const std::string& message : received) {
    if (message.find(":command weather_data") != std::string::npos) {
      ++weather_answers;
      EXPECT_EQ(message.rfind("sim-agent: tell :command weather_data :balloonID 1234567 ", 0), 0u)
          << message;
    } else {
      scripted.push_back(message);
    }
  }
  EXPECT_EQ(weather_answers, 1);
  EXPECT_EQ(scripted,
            (std::vector<std::string>{
                "sim-agent: tell :command init_sim :scenario (tell :map file://" +
                    dir.file("tiny.map") + ")",
                "sim-agent: tell :command start_sim :team (tell :number 2 :client0 AlphaStation "
                ":client1 BravoStation)",
                "sim-agent: tell :command clock_sync :clock 0",
                "sim-agent: tell :command clock_sync :clock 60",
                "sim-agent: tell :command clock_sync :clock 120",
                "BravoStation: tell :command deploy :resource Interceptor :id I-101 :destLat 10 "
                ":destLng 20",
                "BravoStation: tell :command request :resource Interceptor :id I-101",
                "sim-agent: tell :command reset_sim"}));
}

TEST_F(SimRun, RepeatSendsEachMessageWithItsIndexAndElapsedTellsTheTime) {
  const std::string script =
      "mark\n"
      "repeat 3 send-as stranger${n} tell :command mission_cost :totalCost ${n}\n"
      "repeat 2 send tell :command clock_sync :clock 1\n"
      "await mission_cost\n"
      "elapsed flood\n";
  std::string output;
  ASSERT_EQ(run(script, via_name_server(), &output), 0) << output;
  EXPECT_TRUE(has_line(output, "send: 3 messages from stranger${n}: tell :command mission_cost "
                               ":totalCost ${n}"))
      << output;
  EXPECT_TRUE(has_line_starting(output, "elapsed: flood ")) << output;
  EXPECT_EQ(received, (std::vector<std::string>{
                          "stranger0: tell :command mission_cost :totalCost 0",
                          "stranger1: tell :command mission_cost :totalCost 1",
                          "stranger2: tell :command mission_cost :totalCost 2",
                          "sim-agent: tell :command clock_sync :clock 1",
                          "sim-agent: tell :command clock_sync :clock 1"}));
}

TEST_F(SimRun, DemoScriptRunsToItsEndAgainstAStationThatAnswers) {
  std::string output;
  ASSERT_EQ(run_file(std::string(TESSEL_SIM_SCENARIOS) + "/demo.script", via_name_server(),
                     &output),
            0)
      << output;
  EXPECT_TRUE(has_line(output, "script complete")) << output;
  int pulses = 0;
  for (const std::string& message : received) {
    pulses += message.find(":command clock_sync :clock ") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(pulses, 17);  // 0 to 960, an hour apart
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back(), "sim-agent: tell :command reset_sim");
}

struct FailCase {
  const char* name;
  std::string script;
  bool direct;         // the station's address given, no name server for sim-agent
  const char* station;
  int status;
  std::string line;    // a line of the output that begins so
  std::vector<std::string> received;
};

void PrintTo(const FailCase& c, std::ostream* out) { *out << c.name; }

class SimRunFails : public SimRun, public testing::WithParamInterface<FailCase> {};

TEST_P(SimRunFails, SaysWhichStepFailedAndStopsThere) {
  const FailCase& c = GetParam();
  std::vector<std::string> args = via_name_server(c.station);
  if (c.direct) {
    args = {"-station", c.station, "-stationhost", "127.0.0.1", "-stationport",
            std::to_string(station_port)};
  }
  std::string output;
  EXPECT_EQ(run(c.script, args, &output), c.status) << output;
  if (c.line.empty()) {
    EXPECT_EQ(output, "");
  } else {
    EXPECT_TRUE(has_line_starting(output, c.line)) << c.line << "\n---\n" << output;
  }
  EXPECT_FALSE(has_line(output, "script complete")) << output;
  EXPECT_EQ(received, c.received);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimRunFails,
    testing::Values(
        FailCase{"ReplyThatNeverComes",
                 "send tell :command clock_sync :clock 5\n"
                 "await mission_cost\n"
                 "await never_sent within 300ms\n"
                 "send tell :command reset_sim\n",
                 false, "AlphaStation", 1,
                 "FAILED: line 3: no never_sent to sim-agent within 300ms",
                 {"sim-agent: tell :command clock_sync :clock 5"}},
        // Given directly, the station is reached, but its answer cannot
        // find an agent that is not registered.
        FailCase{"StationGivenDirectlyCannotAnswer",
                 "send tell :command clock_sync :clock 5\nawait mission_cost within 300ms\n",
                 true, "AlphaStation", 1,
                 "FAILED: line 2: no mission_cost to sim-agent within 300ms",
                 {"sim-agent: tell :command clock_sync :clock 5"}},
        FailCase{"TeammateWithoutNameServer", "teammate BravoStation\n", true, "AlphaStation", 1,
                 "FAILED: line 1: cannot register BravoStation: Name server host is unknown", {}},
        FailCase{"UnknownStation", "pause 0ms\nsend tell :command clock_sync :clock 5\n", false,
                 "Nobody", 1, "FAILED: line 2: cannot locate Nobody: ", {}},
        // Refused before the agent starts: nothing on stdout, nothing sent.
        FailCase{"ScriptError", "send tell :command clock_sync :clock 5\nawait\n", false,
                 "AlphaStation", 2, "", {}}),
    [](const testing::TestParamInfo<FailCase>& info) { return std::string(info.param.name); });

}  // namespace
