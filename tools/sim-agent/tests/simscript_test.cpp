// The script reader: the steps each form gives, the mistakes it refuses
// with their line, and the placeholders that read files.
#include "simscript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "testsupport/tempdir.h"

namespace {

const ScriptNames kNames{"AlphaStation", "sim"};

std::string shown(const AwaitStep& await) {
  const Expectation& e = await.expect;
  std::string text = "await " + e.command;
  for (const auto& [key, value] : e.fields) text += " " + key + "=" + value;
  if (!e.from.empty()) text += " from " + e.from;
  return text + " to " + e.to + " within " + std::to_string(await.within_ms);
}

// One step as a line of text, its line number first.
std::string shown(const SimStep& step) {
  const std::string line = std::to_string(step.line) + " ";
  if (const auto* send = std::get_if<SendStep>(&step.action)) {
    const std::string times = send->count == 1 ? "" : std::to_string(send->count) + " x ";
    return line + "send " + times + send->sender + ": " + send->content;
  }
  if (std::holds_alternative<MarkStep>(step.action)) return line + "mark";
  if (const auto* elapsed = std::get_if<ElapsedStep>(&step.action)) {
    return line + "elapsed " + elapsed->label;
  }
  if (const auto* await = std::get_if<AwaitStep>(&step.action)) return line + shown(*await);
  if (const auto* pause = std::get_if<PauseStep>(&step.action)) {
    return line + "pause " + std::to_string(pause->ms);
  }
  if (const auto* clock = std::get_if<ClockStep>(&step.action)) {
    return line + "clock " + std::to_string(clock->from) + ".." + std::to_string(clock->to) +
           " step " + std::to_string(clock->step) + " every " + std::to_string(clock->every_ms) +
           (clock->awaits ? ", " + shown(clock->await) : "");
  }
  if (const auto* teammate = std::get_if<TeammateStep>(&step.action)) {
    return line + "teammate " + teammate->name;
  }
  const auto& weather = std::get<WeatherStep>(step.action);
  std::string text = line + "weather";
  if (weather.error) text += " error";
  for (const auto& [key, value] : weather.values) text += " " + key + "=" + std::to_string(value);
  return text;
}

std::vector<std::string> shown(const SimScript& script) {
  std::vector<std::string> lines;
  for (const SimStep& step : script.steps()) lines.push_back(shown(step));
  return lines;
}

struct ReadCase {
  const char* name;
  std::string script;
  std::vector<std::string> steps;  // when it reads
  std::string error = "";          // when it does not
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class ScriptReading : public testing::TestWithParam<ReadCase> {};

TEST_P(ScriptReading, GivesTheStepsOrTheLineAtFault) {
  const ReadCase& c = GetParam();
  SimScript script;
  const bool read = script.read(c.script, ".", kNames);
  EXPECT_EQ(read, c.error.empty()) << script.error();
  EXPECT_EQ(script.error(), c.error);
  EXPECT_EQ(shown(script), c.steps);
}

// Accepted forms.
INSTANTIATE_TEST_SUITE_P(
    Forms, ScriptReading,
    testing::Values(
        ReadCase{"SendUnderTheOwnName", "send tell :command reset_sim",
                 {"1 send sim: tell :command reset_sim"}},
        ReadCase{"SendAsATeammate", "send-as BravoStation  tell :command deploy :id I-2",
                 {"1 send BravoStation: tell :command deploy :id I-2"}},
        ReadCase{"CommentsAndBlankLinesKeepTheLineNumbers",
                 "# a comment\n\n   # indented comment\npause 2s\n",
                 {"4 pause 2000"}},
        ReadCase{"WindowsLineEnds", "pause 1s\r\npause 250ms\r\n", {"1 pause 1000", "2 pause 250"}},
        ReadCase{"ContinuedLinesMakeOneStepAtTheFirstLine",
                 "pause 1s\nsend tell :command start_sim \\\n   :team (tell :number 0) \\\n"
                 "# a comment inside is skipped\n  :stationlocation (tell :lat 1 :lon 2)\n",
                 {"1 pause 1000",
                  "2 send sim: tell :command start_sim :team (tell :number 0) :stationlocation "
                  "(tell :lat 1 :lon 2)"}},
        ReadCase{"NamePlaceholders", "send tell :command x :a ${station} :b (${self})",
                 {"1 send sim: tell :command x :a AlphaStation :b (sim)"}},
        ReadCase{"AwaitWaitsForMessagesToItselfTenSecondsByDefault", "await init_sim",
                 {"1 await init_sim to sim within 10000"}},
        ReadCase{"AwaitWithFieldsSenderReceiverAndWait",
                 "await request-response id=I-1 :acknowledgement=* comfirm=(${station}) "
                 "from ${station} to BravoStation within 250ms",
                 {"1 await request-response id=I-1 acknowledgement=* comfirm=(AlphaStation) "
                  "from AlphaStation to BravoStation within 250"}},
        ReadCase{"TimeoutChangesTheAwaitsAfterIt",
                 "await a\ntimeout 3s\nawait b\nawait c within 1s\n",
                 {"1 await a to sim within 10000", "3 await b to sim within 3000",
                  "4 await c to sim within 1000"}},
        ReadCase{"ClockWithoutAwait", "clock 0 960 step 60 every 50ms",
                 {"1 clock 0..960 step 60 every 50"}},
        ReadCase{"ClockAwaitingAReplyAfterEachPulse",
                 "timeout 2s\nclock -60 900 step 15 every 0ms await mission_cost",
                 {"2 clock -60..900 step 15 every 0, await mission_cost to sim within 2000"}},
        ReadCase{"Teammate", "teammate BravoStation", {"1 teammate BravoStation"}},
        ReadCase{"WeatherValues", "weather humidity 80 winddir -12.5",
                 {"1 weather humidity=80.000000 winddir=-12.500000"}},
        ReadCase{"WeatherError", "weather error", {"1 weather error"}},
        ReadCase{"LongestDuration", "pause 3600s", {"1 pause 3600000"}},
        ReadCase{"RepeatKeepsTheIndexForEachMessage",
                 "repeat 3 send-as stranger${n} tell :command mission_cost :totalCost ${n}",
                 {"1 send 3 x stranger${n}: tell :command mission_cost :totalCost ${n}"}},
        ReadCase{"RepeatUnderTheOwnName", "repeat 2 send tell :command clock_sync :clock 1",
                 {"1 send 2 x sim: tell :command clock_sync :clock 1"}},
        ReadCase{"ParenthesesInStrings", R"(send tell :command x :name "a)b" :other "(")",
                 {R"(1 send sim: tell :command x :name "a)b" :other "(")"}},
        ReadCase{"LongWord", "send tell :command x :message (${long:5})",
                 {"1 send sim: tell :command x :message (xxxxx)"}},
        ReadCase{"MarkAndElapsed", "mark\nelapsed flood", {"1 mark", "2 elapsed flood"}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

// Mistakes, each with the line that holds it.
INSTANTIATE_TEST_SUITE_P(
    Errors, ScriptReading,
    testing::Values(
        ReadCase{"UnknownStep", "pause 1s\n\nsned tell :command x", {},
                 "3: unknown step 'sned'"},
        ReadCase{"SendWithoutContent", "send", {}, "1: send: no content"},
        ReadCase{"SendAsWithoutName", "send-as", {}, "1: send-as: whose name?"},
        ReadCase{"SendAsWithoutContent", "send-as BravoStation", {}, "1: send-as: no content"},
        ReadCase{"SendAsNameThatBreaksTheMessage", "send-as Bravo(1) tell :command x", {},
                 "1: send-as: whose name?"},
        ReadCase{"UnbalancedContent", "send tell :command x :team (tell :number 1", {},
                 "1: send: the content's parentheses do not balance"},
        ReadCase{"ClosingBeforeOpening", "send tell ) :command x (", {},
                 "1: send: the content's parentheses do not balance"},
        ReadCase{"ParenthesisInAString", R"-(send tell :command x :a (b :c "x)")-", {},
                 "1: send: the content's parentheses do not balance"},
        ReadCase{"AwaitWithoutCommand", "await", {}, "1: await: which command?"},
        ReadCase{"AwaitWordThatIsNoField", "await x id:I-1", {},
                 "1: await: 'id:I-1' is not KEY=VALUE, from, to or within"},
        ReadCase{"AwaitFieldWithoutValue", "await x id=", {},
                 "1: await: 'id=' is not KEY=VALUE, from, to or within"},
        ReadCase{"AwaitFieldWithoutKey", "await x =3", {},
                 "1: await: '=3' is not KEY=VALUE, from, to or within"},
        ReadCase{"AwaitWithinWithoutValue", "await x within", {},
                 "1: await: 'within' without a value"},
        ReadCase{"AwaitWithinWithoutUnit", "await x within 5", {},
                 "1: await: '5' is not a duration such as 250ms or 2s"},
        ReadCase{"AwaitWithinMinutes", "await x within 5m", {},
                 "1: await: '5m' is not a duration such as 250ms or 2s"},
        ReadCase{"PauseWithoutDuration", "pause", {},
                 "1: pause: expected one duration such as 250ms or 2s"},
        ReadCase{"PauseWithTwoDurations", "pause 1s 2s", {},
                 "1: pause: expected one duration such as 250ms or 2s"},
        ReadCase{"NegativePause", "pause -1s", {},
                 "1: pause: expected one duration such as 250ms or 2s"},
        ReadCase{"PauseLongerThanAnHour", "pause 3601s", {},
                 "1: pause: expected one duration such as 250ms or 2s"},
        ReadCase{"HugePause", "pause 99999999999999999999ms", {},
                 "1: pause: expected one duration such as 250ms or 2s"},
        ReadCase{"TimeoutWithoutUnit", "timeout 10", {},
                 "1: timeout: expected one duration such as 250ms or 2s"},
        ReadCase{"ClockWithoutStep", "clock 0 960 every 50ms", {},
                 "1: clock: expected 'clock FROM TO step MINUTES every DURATION [await "
                 "COMMAND]'"},
        ReadCase{"ClockWithAWordForANumber", "clock 0 end step 60 every 50ms", {},
                 "1: clock: expected 'clock FROM TO step MINUTES every DURATION [await "
                 "COMMAND]'"},
        ReadCase{"ClockAwaitWithoutCommand", "clock 0 960 step 60 every 50ms await", {},
                 "1: clock: expected 'clock FROM TO step MINUTES every DURATION [await "
                 "COMMAND]'"},
        ReadCase{"ClockStepZero", "clock 0 960 step 0 every 50ms", {},
                 "1: clock: the step must be positive"},
        ReadCase{"ClockBackwards", "clock 960 0 step 60 every 50ms", {},
                 "1: clock: FROM must not lie after TO"},
        ReadCase{"TeammateWithoutName", "teammate", {}, "1: teammate: expected one agent name"},
        ReadCase{"TwoTeammatesOnOneLine", "teammate A B", {},
                 "1: teammate: expected one agent name"},
        ReadCase{"WeatherUnknownKey", "weather rain 3", {},
                 "1: weather: 'rain' is none of temperature, pressure, humidity, windspeed, "
                 "winddir"},
        ReadCase{"WeatherValueNotANumber", "weather humidity high", {},
                 "1: weather: 'high' is not a number"},
        ReadCase{"WeatherKeyWithoutValue", "weather humidity 3 winddir", {},
                 "1: weather: expected 'error' or pairs of a name and a number"},
        ReadCase{"UnknownPlaceholder", "send tell :command x :y ${nope}", {},
                 "1: unknown placeholder ${nope}"},
        ReadCase{"UnterminatedPlaceholder", "send tell :command x :y ${station", {},
                 "1: a placeholder without its '}'"},
        ReadCase{"ContinuedPastTheEnd", "pause 1s\nsend tell :command x \\\n", {},
                 "2: the step continues past the end of the script"},
        ReadCase{"FirstMistakeWins", "pause 1s\nbogus\nalso bogus\n", {},
                 "2: unknown step 'bogus'"},
        ReadCase{"IndexOutsideARepeat", "send tell :command x :y ${n}", {},
                 "1: unknown placeholder ${n}"},
        ReadCase{"RepeatWithoutCount", "repeat send tell :command x", {},
                 "1: repeat: expected 'repeat COUNT send ...' or 'repeat COUNT send-as ...'"},
        ReadCase{"RepeatOfNoSend", "repeat 3 pause 1s", {},
                 "1: repeat: expected 'repeat COUNT send ...' or 'repeat COUNT send-as ...'"},
        ReadCase{"RepeatTooOften", "repeat 1000001 send tell :command x", {},
                 "1: repeat: expected 'repeat COUNT send ...' or 'repeat COUNT send-as ...'"},
        ReadCase{"RepeatedNameThatBreaksTheMessage", "repeat 2 send-as a(${n}) tell :command x",
                 {}, "1: send-as: whose name?"},
        ReadCase{"LongWordTooLong", "send tell :command x :m (${long:16777217})", {},
                 "1: ${long:16777217}: expected a count of letters up to 16777216"},
        ReadCase{"ElapsedWithoutLabel", "elapsed", {}, "1: elapsed: expected one label"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct UrlCase {
  const char* name;
  const char* path;
  const char* url;
};

void PrintTo(const UrlCase& c, std::ostream* out) { *out << c.name; }

class FileUrl : public testing::TestWithParam<UrlCase> {};

TEST_P(FileUrl, EscapesWhatCannotStandInAWord) {
  EXPECT_EQ(file_url(GetParam().path), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileUrl,
    testing::Values(UrlCase{"PlainPath", "/maps/demo-1_a.map", "file:///maps/demo-1_a.map"},
                    UrlCase{"Tilde", "/home/~op/x.map", "file:///home/~op/x.map"},
                    UrlCase{"BlankAndParentheses", "/my maps/x(1).map",
                            "file:///my%20maps/x%281%29.map"},
                    UrlCase{"PercentAndQuote", "/a%b\"c", "file:///a%25b%22c"},
                    UrlCase{"ColonAndHash", "/a:b#c", "file:///a%3Ab%23c"},
                    UrlCase{"NonAscii", "/k\xC3\xA4rtchen", "file:///k%C3%A4rtchen"}),
    [](const testing::TestParamInfo<UrlCase>& info) { return std::string(info.param.name); });

// Placeholders that read files, in a folder of their own (the working
// directory of the test).
class ScriptFiles : public testing::Test {
 protected:
  void put(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
    testsupport::TempDir::write(dir.file(name), text);
  }
  // The one send step's content, or the error.
  std::string content_of(const std::string& script_text) {
    SimScript script;
    if (!script.read(script_text, dir.path(), kNames)) return script.error();
    return std::get<SendStep>(script.steps().at(0).action).content;
  }

  testsupport::TempDir dir;
};

TEST_F(ScriptFiles, IncludedTextLosesCommentsIndentsAndLineEndsAndExpandsItsOwnPlaceholders) {
  put("scen/maps/my map.map", "#Druvik MapData(1.2) -\n");
  put("scen/list.kqml",
      "# the scenario\n(tell\r\n  :map ${url:maps/my map.map}\n\t:who ${station}\n  # done\n)\n");
  EXPECT_EQ(content_of("send tell :command init_sim :scenario ${file:scen/list.kqml}"),
            "tell :command init_sim :scenario (tell :map " +
                file_url(dir.path() + "/scen/maps/my map.map") + " :who AlphaStation )");
}

TEST_F(ScriptFiles, RelativePathsStartAtTheScriptsFolderAndBecomeAbsolute) {
  put("sub/m.map", "x");
  put("sub/x.script", "send tell :command init_sim :map ${url:./m.map} :again ${url:../sub/m.map}");
  SimScript script;
  ASSERT_TRUE(script.read_file("sub/x.script", kNames)) << script.error();
  const std::string url = file_url(dir.path() + "/sub/m.map");
  EXPECT_EQ(std::get<SendStep>(script.steps().at(0).action).content,
            "tell :command init_sim :map " + url + " :again " + url);
}

TEST_F(ScriptFiles, MissingAndNestedFilesAreRefusedWithTheirLine) {
  put("a.kqml", "(tell :b ${file:b.kqml})");
  put("b.kqml", "(tell)");
  put("folder/inside", "");
  const struct {
    const char* name;
    std::string script;
    std::string error;
  } cases[] = {
      {"missing include", "pause 1s\nsend tell :x ${file:nope.kqml}",
       "2: cannot read " + dir.path() + "/nope.kqml"},
      {"include inside an include", "send tell :x ${file:a.kqml}",
       "1: ${file:b.kqml} inside an included file"},
      {"folder for an include", "send tell :x ${file:folder}",
       "1: cannot read " + dir.path() + "/folder"},
      {"missing map", "send tell :x ${url:nope.map}", "1: no file " + dir.path() + "/nope.map"},
      {"folder for a map", "send tell :x ${url:folder}", "1: no file " + dir.path() + "/folder"},
  };
  for (const auto& c : cases) EXPECT_EQ(content_of(c.script), c.error) << c.name;

  SimScript script;
  EXPECT_FALSE(script.read_file(dir.file("none.script"), kNames));
  EXPECT_EQ(script.error(), "0: cannot read " + dir.file("none.script"));
}

}  // namespace
