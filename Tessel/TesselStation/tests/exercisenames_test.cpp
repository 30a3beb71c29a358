// The demo exercise played by the project's simulation agent against
// tesselstation on loopback, with unit names that are no KQML words: every
// frame the station sends reads with a strict KQML reader written apart
// from the framework's parser, and the mission statistics give back the
// names the scenario gave.
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <string>
#include <vector>

#include "stationprocess.h"
#include "testsupport/childprocess.h"
#include "testsupport/strictkqml.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::KQMLExpr;
using testsupport::TempDir;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Replaces the one `from` of `text` by `to`.
void ReplaceOnce(std::string* text, const std::string& from, const std::string& to) {
  const size_t at = text->find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text->replace(at, from.size(), to);
}

std::vector<std::string> Frames(const std::string& stream) {
  std::vector<std::string> frames;
  for (size_t at = 0, end; (end = stream.find('\x04', at)) != std::string::npos; at = end + 1) {
    frames.push_back(stream.substr(at, end - at));
  }
  return frames;
}

// The :name of every entry of a statistics list (":int0 (tell :id ...)
// ..."), by :id.
std::map<std::string, std::string> NamesById(const KQMLExpr& stats, const std::string& frame) {
  std::map<std::string, std::string> names;
  std::string error;
  for (size_t i = 1; i + 1 < stats.items.size(); i += 2) {
    const KQMLExpr& entry = stats.items[i + 1];
    if (entry.kind != KQMLExpr::kList) continue;  // the :count
    EXPECT_TRUE(testsupport::is_strict_message(entry, &error)) << error << "\n" << frame;
    const KQMLExpr* id = entry.field("id");
    const KQMLExpr* name = entry.field("name");
    if (id == nullptr || name == nullptr) {
      ADD_FAILURE() << "no :id or :name in " << stats.items[i].text << "\n" << frame;
      continue;
    }
    names[id->text] = name->text;
  }
  return names;
}

TEST(ExerciseNames, EveryFrameReadsStrictlyAndTheStatisticsGiveTheNamesBack) {
  TempDir dir;
  const std::string scenarios = TESSEL_SIM_SCENARIOS;
  // The demo's scenario with every unit renamed, the names written as KQML
  // strings (quote and backslash escaped).
  std::string scenario = TempDir::read(scenarios + "/demo.scenario");
  ReplaceOnce(&scenario, "${url:demo.map}", "${url:" + scenarios + "/demo.map}");
  ReplaceOnce(&scenario, R"("North Watch")", R"("z)w")");
  ReplaceOnce(&scenario, R"("East Watch")", R"("x\"y")");
  ReplaceOnce(&scenario, R"("Falcon One")", R"("x(y")");
  ReplaceOnce(&scenario, R"("Sea Hawk")", R"("")");
  ReplaceOnce(&scenario, R"("Skylance")", R"("say \"hi\" C:\\dir\\")");
  ReplaceOnce(&scenario, R"("Raider One")", R"("a)b")");
  ReplaceOnce(&scenario, R"("Raider Two")", R"(":activationCt")");
  TempDir::write(dir.file("demo.scenario"), scenario);
  TempDir::write(dir.file("demo.script"), TempDir::read(scenarios + "/demo.script"));
  const std::map<std::string, std::string> interceptors = {
      {"I-101", "x(y"}, {"I-102", ""}, {"I-103", R"(say "hi" C:\dir\)"}};
  const std::map<std::string, std::string> radars = {{"R-1", "z)w"}, {"R-2", "x\"y"}};

  stationtest::StationExercise run;
  ASSERT_TRUE(run.StartStation()) << run.first;
  ASSERT_TRUE(run.StartSim(dir.file("demo.script"), {"-frames", dir.file("frames")}));
  const std::string exchanged = run.sim.read_all(300000);
  EXPECT_EQ(run.sim.wait_exit(10000), 0) << exchanged;
  EXPECT_TRUE(Contains(exchanged, "script complete")) << exchanged;
  kill(run.station.pid(), SIGTERM);
  EXPECT_EQ(run.station.wait_exit(60000), 0) << run.station.read_all(5000);

  const std::vector<std::string> frames = Frames(TempDir::read(dir.file("frames")));
  ASSERT_FALSE(frames.empty());
  int stats_frames = 0;
  for (const std::string& frame : frames) {
    std::string error;
    const auto message = testsupport::read_strict_message(frame, &error);
    if (!message) {
      ADD_FAILURE() << error << "\n" << frame;
      continue;
    }
    const KQMLExpr* sender = message->field("sender");
    EXPECT_TRUE(sender != nullptr && sender->text == "AlphaStation") << frame;
    const KQMLExpr* content = message->field("content");
    ASSERT_NE(content, nullptr) << frame;
    ASSERT_TRUE(testsupport::is_strict_message(*content, &error)) << error << "\n" << frame;
    const KQMLExpr* command = content->field("command");
    ASSERT_NE(command, nullptr) << frame;
    if (command->text != "mission_stats") continue;
    ++stats_frames;
    const KQMLExpr* interceptor_stats = content->field("intStats");
    const KQMLExpr* radar_stats = content->field("radarStats");
    ASSERT_TRUE(interceptor_stats != nullptr && radar_stats != nullptr) << frame;
    ASSERT_TRUE(testsupport::is_strict_message(*interceptor_stats, &error)) << error;
    ASSERT_TRUE(testsupport::is_strict_message(*radar_stats, &error)) << error;
    EXPECT_EQ(NamesById(*interceptor_stats, frame), interceptors);
    EXPECT_EQ(NamesById(*radar_stats, frame), radars);
  }
  EXPECT_EQ(stats_frames, 1) << exchanged;
}

}  // namespace
