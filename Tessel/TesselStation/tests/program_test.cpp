// The program as run.sh runs it: tesselstation off-screen and unattended,
// with the name server and the scripted simulation agent of the demo
// exercise, each in a process of its own on loopback.
#include <gtest/gtest.h>

#include <signal.h>

#include <QImage>

#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/childprocess.h"
#include "testsupport/tempdir.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class Program : public ::testing::Test {
 protected:
  // The station, unattended; its first line says where it runs.
  void StartStation(const std::vector<std::string>& args) {
    setenv("TESSEL_UNATTENDED", "1", 1);
    ASSERT_TRUE(station.start(TESSEL_STATION, args));
    unsetenv("TESSEL_UNATTENDED");
    ASSERT_TRUE(station.read_line(&first, 60000));
  }
  // SIGTERM, as run.sh stops it; its exit status.
  int StopStation() {
    kill(station.pid(), SIGTERM);
    return station.wait_exit(60000);
  }

  testsupport::TempDir dir;  // the programs' working directory
  childtest::ChildProcess server;
  childtest::ChildProcess station;
  childtest::ChildProcess sim;
  std::string first;
};

TEST_F(Program, RunsTheDemoExerciseAndWritesItsScreenshot) {
  const unsigned ans = childtest::start_ans_server(&server, TESSEL_ANS_SERVER);
  ASSERT_NE(ans, 0u);
  const std::string shot = dir.file("station.png");
  StartStation({"-name", "AlphaStation", "-port", "0", "-ans", "127.0.0.1", "-ansport",
                std::to_string(ans), "-screenshot", shot});
  EXPECT_TRUE(Contains(first, "AlphaStation listening on 127.0.0.1:")) << first;
  EXPECT_TRUE(Contains(first, "registered with the name server at 127.0.0.1:" +
                                  std::to_string(ans)))
      << first;

  ASSERT_TRUE(sim.start(TESSEL_SIM_AGENT,
                        {"-script", std::string(TESSEL_SIM_SCENARIOS) + "/demo.script",
                         "-station", "AlphaStation", "-ans", "127.0.0.1", "-ansport",
                         std::to_string(ans), "-port", "0"}));
  const std::string exchanged = sim.read_all(300000);
  EXPECT_EQ(sim.wait_exit(10000), 0) << exchanged;
  for (const char* line :
       {"recv: AlphaStation -> sim-agent: tell :command init_sim :comfirm (AlphaStation)",
        "send: sim-agent -> AlphaStation: tell :command clock_sync :clock 960",
        "recv: AlphaStation -> BravoStation: tell :command mission_cost",
        "recv: AlphaStation -> sim-agent: tell :command get_weather",
        "recv: AlphaStation -> BravoStation: tell :command request-response :id I-101",
        "send: sim-agent -> AlphaStation: tell :command mission_complete",
        "recv: AlphaStation -> sim-agent: tell :command mission_stats", "script complete"}) {
    EXPECT_TRUE(Contains(exchanged, line)) << line << "\n" << exchanged;
  }

  EXPECT_EQ(StopStation(), 0);
  const std::string shown = station.read_all(10000);
  EXPECT_TRUE(Contains(shown, "screenshot: " + shot + "\n")) << shown;
  EXPECT_TRUE(Contains(shown, "box: (Mission complete.)\n")) << shown;
  const QImage picture(QString::fromStdString(shot));
  EXPECT_FALSE(picture.isNull());
  EXPECT_GT(picture.width(), 400);
}

TEST_F(Program, WithoutANameServerRunsUnregisteredAndStopsOnSignal) {
  StartStation({"-port", "0", "-ans", "-unknown-"});
  EXPECT_TRUE(Contains(first, "TesselStation listening on 127.0.0.1:")) << first;
  EXPECT_TRUE(Contains(first, "not registered")) << first;
  EXPECT_EQ(StopStation(), 0);
}

TEST_F(Program, AnAgentThatCannotStartEndsTheProgram) {
  setenv("TESSEL_UNATTENDED", "1", 1);
  ASSERT_TRUE(station.start(TESSEL_STATION, {"-port", "none", "-ans", "-unknown-"}));
  unsetenv("TESSEL_UNATTENDED");
  EXPECT_EQ(station.wait_exit(60000), 1);
  EXPECT_EQ(station.read_all(10000), "box: Unable to start agent\n");
}

}  // namespace
