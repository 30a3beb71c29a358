#include "Sidewick/nlp.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Toolwick/filebuffer.h"
#include "recordinglogger.h"
#include "testsupport/tempdir.h"

namespace {

using Lines = std::vector<std::string>;
using testsupport::TempDir;

const std::string kData = SIDEWICK_TEST_DATA;

// The framework home for the life of the object.
class HomeSetting {
 public:
  explicit HomeSetting(const std::string& home) {
    if (const char* old = getenv("VERANTA")) old_ = old;
    setenv("VERANTA", home.c_str(), 1);
  }
  ~HomeSetting() {
    if (old_) {
      setenv("VERANTA", old_->c_str(), 1);
    } else {
      unsetenv("VERANTA");
    }
  }

 private:
  std::optional<std::string> old_;
};

Lines lines_of(const std::string& text) {
  Lines out;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

bool has_line(const Lines& lines, const std::string& line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

// The engine over the example rule files, in a scratch working directory
// (where it writes its state files).
class ExampleRules : public testing::Test {
 protected:
  ExampleRules() {
    nlp.set_logger(&logger);
    EXPECT_EQ(nlp.Create((kData + "/rules.txt").c_str()), 1);
  }
  Lines core() const { return lines_of(TempDir::read(dir.file("core.txt"))); }

  TempDir dir;
  HomeSetting home{kData + "/home"};
  RecordingLogger logger;
  CNLP nlp;
};

TEST_F(ExampleRules, StartUpStateListsWhatWasLoaded) {
  EXPECT_EQ(TempDir::read(dir.file("core-startup.txt")),
            "\n"
            "Engine insight:------------------------------------------------------\n"
            " Thresholds calulated, upper: [0], lower: [0]\n"
            " No rule found\n"
            " No matching sentence found\n"
            " Unable to form query\n"
            " Sentence [WHERE] matches: [0] <- Highest score\n"
            " Sentence [SHOW] matches: [0] <- Highest score\n"
            " Sentence [COSTS] matches: [0] <- Highest score\n"
            " Sentence [NEAR] matches: [0] <- Highest score\n"
            "Concepts:------------------------------------------------------------\n"
            " Concept: [UNIT]\n"
            "  Concept: INTERCEPTOR\n"
            "  Concept: RADAR\n"
            "  Concept: BALLOON\n"
            "  Concept: INCURSION\n"
            " Concept: [PLACE]\n"
            "  Concept: GATE\n"
            "  Concept: DEPOT\n"
            "  Concept: NORTH GATE\n"
            "  Concept: HANGAR\n"
            " Concept: [COST]\n"
            "  Concept: COST\n"
            "  Concept: PRICE\n"
            "  Concept: BUDGET\n"
            " Concept: [ACTION]\n"
            "  Concept: SHOW\n"
            "  Concept: LIST\n"
            "  Concept: DISPLAY\n"
            "Sentences:-----------------------------------------------------------\n"
            "Name :[WHERE], weight: [0]\n"
            " Sentence :[WHERE]\n"
            " Sentence :[IS]\n"
            " Sentence :<UNIT>,nr elements: [4]\n"
            "Name :[SHOW], weight: [0]\n"
            " Sentence :<ACTION>,nr elements: [3]\n"
            " Sentence :<UNIT>,nr elements: [4]\n"
            "Name :[COSTS], weight: [0]\n"
            " Sentence :[WHAT]\n"
            " Sentence :<COST>,nr elements: [3]\n"
            " Sentence :<UNIT>,nr elements: [4]\n"
            "Name :[NEAR], weight: [0]\n"
            " Sentence :<UNIT>,nr elements: [4]\n"
            " Sentence :[NEAR]\n"
            " Sentence :<PLACE>,nr elements: [4]\n"
            "Rules:---------------------------------------------------------------\n"
            "Name :[locate]\n"
            " Sentence :[(null)]\n"
            "  Name :[WHERE]\n"
            " query template:[select position from units where type = <UNIT>]\n"
            "Name :[display]\n"
            " Sentence :[(null)]\n"
            "  Name :[SHOW]\n"
            " query template:[select * from units where type = <UNIT>]\n"
            "Name :[price]\n"
            " Sentence :[(null)]\n"
            "  Name :[COSTS]\n"
            " query template:[select <COST> from costs where type = <UNIT>]\n"
            "Name :[nearby]\n"
            " Sentence :[(null)]\n"
            "  Name :[NEAR]\n"
            " query template:[select * from units where type = <UNIT> and place = <PLACE>]\n");
}

struct InputCase {
  std::string name;
  const char* input;
  const char* sentence;  // the matching sentence; null: none
  const char* rule;      // the rule picked
  const char* query;     // null: none formed
  int best;
};

void PrintTo(const InputCase& c, std::ostream* out) { *out << c.name; }

class ExampleInputs : public ExampleRules, public testing::WithParamInterface<InputCase> {};

TEST_P(ExampleInputs, PickSentenceRuleAndQuery) {
  const InputCase& c = GetParam();
  const HeapText query = nlp.parse_data(c.input);
  EXPECT_EQ(query.is_set(), c.query != nullptr);
  if (c.query != nullptr && query.is_set()) {
    EXPECT_STREQ(query.get(), c.query);
  }
  EXPECT_STREQ(nlp.get_target(), c.rule);
  const Lines state = core();
  EXPECT_TRUE(has_line(state, " Thresholds calulated, upper: [" + std::to_string(c.best) +
                                  "], lower: [0]"));
  EXPECT_TRUE(has_line(state, c.sentence != nullptr
                                  ? " Matching sentence: [" + std::string(c.sentence) + "]"
                                  : " No matching sentence found"));
  EXPECT_TRUE(has_line(state, " Firing rule: [" + std::string(c.rule) + "]"));
}

INSTANTIATE_TEST_SUITE_P(
    Questions, ExampleInputs,
    testing::Values(
        InputCase{"where_is", "Where is the interceptor?", "WHERE", "locate",
                  "select position from units where type = INTERCEPTOR", 6},
        // RADAR is found inside RADARS; the rule's template came first on its line.
        InputCase{"show_plural", "Show the radars", "SHOW", "display",
                  "select * from units where type = RADAR", 4},
        InputCase{"what_price", "(\"What is the price of a balloon?\")", "COSTS", "price",
                  "select PRICE from costs where type = BALLOON", 6},
        // NORTH GATE and GATE both occur: the longer word fills the place.
        InputCase{"longest_place", "interceptors near the north gate", "NEAR", "nearby",
                  "select * from units where type = INTERCEPTOR and place = NORTH GATE", 6},
        // Every sentence scores 2: the first is the matching sentence, the last
        // rule that refers to any of them answers, and its PLACE, a concept the
        // matching sentence does not refer to, stays unfilled.
        InputCase{"tie", "radar", "WHERE", "nearby",
                  "select * from units where type = RADAR and place = <PLACE>", 2},
        // Nothing occurs: no query, yet the last rule is named.
        InputCase{"nothing_known", "hello there", nullptr, "nearby", nullptr, 0}),
    [](const testing::TestParamInfo<InputCase>& info) { return info.param.name; });

TEST_F(ExampleRules, NothingKnownMarksEverySentenceHighest) {
  EXPECT_FALSE(nlp.parse_data("hello there").is_set());
  const Lines state = core();
  ASSERT_GE(state.size(), 11u);
  EXPECT_EQ(Lines(state.begin(), state.begin() + 11),
            (Lines{"Sentence to be processed:--------------------------------------------",
                   " HELLO THERE", "",
                   "Engine insight:------------------------------------------------------",
                   " Thresholds calulated, upper: [0], lower: [0]", " Firing rule: [nearby]",
                   " No matching sentence found", " Unable to form query",
                   " Sentence [WHERE] matches: [0] <- Highest score",
                   " Sentence [SHOW] matches: [0] <- Highest score",
                   " Sentence [COSTS] matches: [0] <- Highest score"}));
}

TEST_F(ExampleRules, ScoresAreMarkedAgainstTheBest) {
  ASSERT_TRUE(nlp.parse_data("What is the price of a balloon?").is_set());
  const Lines state = core();
  EXPECT_TRUE(has_line(state, " Sentence [WHERE] matches: [4]"));
  EXPECT_TRUE(has_line(state, " Sentence [COSTS] matches: [6] <- Highest score"));
  EXPECT_TRUE(has_line(state, "Name :[COSTS], weight: [6]"));
  EXPECT_STREQ(nlp.get_query_template(), "select <COST> from costs where type = <UNIT>");
  // The weights start again from 0 with every input.
  ASSERT_TRUE(nlp.parse_data("Where is the balloon").is_set());
  EXPECT_TRUE(has_line(core(), " Sentence [COSTS] matches: [2]"));
}

TEST_F(ExampleRules, LogsEachStep) {
  nlp.parse_data("Where is the interceptor?");
  EXPECT_EQ(logger.from("<CNLP> applying presence filter..."),
            (Lines{"<CNLP> applying presence filter...", "<CNLP> applying sequence filter ...",
                   "<CNLP> sorting results ...", "<CNLP> - found a match",
                   "<CNLP> matching results ...", "<CNLP> assigning target match and rule",
                   "<CNLP> creating query ...", "WHERE", "<CRule> find_content ()",
                   "<CRule> Found keyword, searching ...", "<CRule> returning_query ...",
                   "select position from units where type = INTERCEPTOR",
                   "<CNLP> recording results in core.txt ...", "<CNLP> done !"}));
  for (int direction : logger.directions) EXPECT_EQ(direction, DIRECTION_INTERNAL);
}

TEST_F(ExampleRules, EmptyInputsFormNothingAndWriteNothing) {
  for (const char* input : {"", "   ", "?!.", "(\"\")"}) {
    SCOPED_TRACE(input);
    logger.lines.clear();
    EXPECT_FALSE(nlp.parse_data(input).is_set());
    EXPECT_EQ(logger.lines, Lines{"<CNLP> String to be examined is empty, aborting process"});
  }
  EXPECT_FALSE(nlp.parse_data(nullptr).is_set());
  EXPECT_FALSE(TempDir::exists(dir.file("core.txt")));
  EXPECT_EQ(nlp.get_target(), nullptr);
  EXPECT_EQ(nlp.get_query_template(), nullptr);
}

TEST(NLPPreparation, BracketsQuotesPunctuationAndCase) {
  struct Case {
    const char* input;
    const char* prepared;
  };
  for (const Case& c : {Case{"Where's the car?", "WHERE S THE CAR "},
                        Case{"(\"quoted (inner) text\")", "QUOTED  INNER  TEXT"},
                        Case{"a/b=c|d", "A/B=C|D"},
                        Case{"!\"#$%&'*+,-.:;<>?@[\\]^_`{}~", "                           "},
                        Case{"tab\there\x7f\xc3\xa9", "TAB\tHERE\x7f\xc3\xa9"}}) {
    SCOPED_TRACE(c.input);
    CNLPBase engine;
    std::string text = c.input;
    EXPECT_STREQ(engine.pre_parse_data(text.data()), c.prepared);
  }
  CNLPBase engine;
  EXPECT_EQ(engine.pre_parse_data(nullptr), nullptr);
}

// Rule files written for one case each, in a scratch working directory that
// is also the framework home.
class SmallRules : public testing::Test {
 protected:
  SmallRules() {
    std::filesystem::create_directories(dir.file("system/nlp"));
    nlp.set_logger(&logger);
  }
  int load(const std::string& rules) {
    TempDir::write(dir.file("rules.txt"), rules);
    return nlp.Create(dir.file("rules.txt").c_str());
  }
  void include(const std::string& name, const std::string& text) {
    TempDir::write(dir.file("system/nlp/" + name), text);
  }
  Lines startup() const { return lines_of(TempDir::read(dir.file("core-startup.txt"))); }
  std::string query(const char* input) {
    const HeapText q = nlp.parse_data(input);
    return q.is_set() ? q.get() : "(none)";
  }

  TempDir dir;
  HomeSetting home{dir.path()};
  RecordingLogger logger;
  CNLP nlp;
};

TEST_F(SmallRules, EmptyWordOccursInEveryInput) {
  ASSERT_EQ(load("concept::ANY:x,,y\nsentence::S:<ANY>\nrule::r:<S>,[got <ANY>]\n"), 1);
  EXPECT_TRUE(has_line(startup(), "  Concept: "));
  // The empty word is listed first: it is the candidate until a longer one occurs.
  EXPECT_EQ(query("zzz"), "got ");
  EXPECT_EQ(query("y"), "got Y");
}

TEST_F(SmallRules, RulesReadFromMemoryAsFromTheirFile) {
  const std::string rules = "concept::ANY:x,y\nsentence::S:<ANY>\nrule::r:<S>,[got <ANY>]\n";
  CFileBuffer text;
  ASSERT_NE(text.load_text(rules.data(), rules.size()), nullptr);
  EXPECT_EQ(nlp.read_rules(text), 1);
  EXPECT_TRUE(has_line(startup(), "  Concept: Y"));
  EXPECT_EQ(query("y"), "got Y");
}

TEST_F(SmallRules, EqualLengthsKeepTheFirstListed) {
  ASSERT_EQ(load("concept::C:abc,xyz,ab\nsentence::S:<C>\nrule::r:<S>,[<C>]\n"), 1);
  EXPECT_EQ(query("xyz abc ab"), "ABC");
  EXPECT_EQ(query("xyz ab"), "XYZ");
}

TEST_F(SmallRules, SentencesTiedOnTopPickTheLastRuleReferringToEither) {
  ASSERT_EQ(load("sentence::A:red\nsentence::B:blue\nsentence::C:green+red+blue\n"
                 "rule::first:<A>,[a]\nrule::second:<B>,[b]\nrule::third:<C>,[c]\n"),
            1);
  // A and C score 2: A, first in the file, is the matching sentence; third,
  // the last rule that refers to a sentence of 2, answers.
  EXPECT_EQ(query("red"), "c");
  EXPECT_STREQ(nlp.get_target(), "third");
  EXPECT_TRUE(has_line(lines_of(TempDir::read(dir.file("core.txt"))), " Matching sentence: [A]"));
  EXPECT_EQ(query("blue"), "c");
  EXPECT_EQ(query("red blue green"), "c");
}

TEST_F(SmallRules, ReferencesThatDoNotResolveStayNamed) {
  ASSERT_EQ(load("sentence::S:<NOPE>+word\nrule::r:<S>,<MISSING>,plain,[q]\n"), 1);
  const Lines state = startup();
  EXPECT_TRUE(has_line(state, " Sentence :[<NOPE>]"));
  EXPECT_TRUE(has_line(state, " Sentence :[<MISSING>]"));
  EXPECT_TRUE(has_line(state, " Sentence :[plain]"));
  EXPECT_EQ(query("word"), "q");
}

TEST_F(SmallRules, DirectiveLinesInEitherCaseAndLinesWithoutColon) {
  include("extra.txt", "#define::concept::EXTRA\nx::y::zed\n");
  ASSERT_EQ(load("INCLUDE::extra.txt\nCONCEPT::C:a\nSENTENCE::S:<C>+<EXTRA>\n"
                 "RULE::R:<S>,[<EXTRA>]\nconcept::nocolon\nsentence::nocolon\nrule::nocolon\n"),
            1);
  const Lines state = startup();
  EXPECT_TRUE(has_line(state, " Concept: [EXTRA]"));
  EXPECT_TRUE(has_line(state, " Concept: [C]"));
  EXPECT_FALSE(has_line(state, " Concept: [NOCOLON]"));
  EXPECT_FALSE(has_line(state, "Name :[NOCOLON], weight: [0]"));
  EXPECT_EQ(query("a zed"), "ZED");
}

TEST_F(SmallRules, IncludeLinesShorterThanTheirOffsetsAddNothing) {
  include("short.txt",
          "word::before::definition\n"
          "#define::\n"
          "x::orphan::word\n"
          "#define::concept::\n"
          "x::also::orphan\n"
          "#define::concept::OK\n"
          "::\n"
          "one::two::three\n");
  ASSERT_EQ(load("include::short.txt\n"), 1);
  const Lines state = startup();
  const Lines concepts(std::find(state.begin(), state.end(),
                                 "Concepts:------------------------------------------------------------"),
                       std::find(state.begin(), state.end(),
                                 "Sentences:-----------------------------------------------------------"));
  EXPECT_EQ(concepts, (Lines{"Concepts:------------------------------------------------------------",
                             " Concept: [OK]", "  Concept: THREE"}));
  EXPECT_TRUE(logger.has("<CNLP> Concept definition without a name, its words are passed over"));
  EXPECT_TRUE(logger.has("#define::"));
  EXPECT_TRUE(logger.has("#define::concept::"));
}

TEST_F(SmallRules, FilesThatCannotBeReadAreLogged) {
  EXPECT_EQ(nlp.Create(dir.file("missing.txt").c_str()), 0);
  EXPECT_EQ(logger.lines, (Lines{"<CNLP> Unable to open rule file", dir.file("missing.txt")}));
  EXPECT_FALSE(TempDir::exists(dir.file("core-startup.txt")));
  EXPECT_EQ(nlp.Create(nullptr), 0);

  // A missing include (or a name that is a folder) does not stop the loading.
  logger.lines.clear();
  ASSERT_EQ(load("include::absent.txt\ninclude::\nconcept::C:a\n"), 1);
  EXPECT_EQ(logger.lines,
            (Lines{"<CNLP> Unable to open primary database!", dir.path() + "/system/nlp/absent.txt",
                   "<CNLP> Unable to open primary database!", dir.path() + "/system/nlp/"}));
  EXPECT_TRUE(has_line(startup(), " Concept: [C]"));
}

TEST_F(SmallRules, IncludeWithoutHomeIsLogged) {
  unsetenv("VERANTA");
  ASSERT_EQ(load("include::units.txt\n"), 1);
  EXPECT_EQ(logger.lines,
            (Lines{"<CNLP> Unable to open primary database!", "(null)/system/nlp/units.txt"}));
}

TEST_F(SmallRules, CommentsAndLoadingTwice) {
  ASSERT_EQ(load("# concept::HIDDEN:a\nconcept::C:a # not a comment here?\nconcept::D:b\n"), 1);
  EXPECT_FALSE(has_line(startup(), " Concept: [HIDDEN]"));
  EXPECT_FALSE(has_line(startup(), " Concept: [C]"));  // the line holds "# "
  ASSERT_EQ(load("concept::E:c\n"), 1);
  const Lines state = startup();
  EXPECT_TRUE(has_line(state, " Concept: [D]"));
  EXPECT_TRUE(has_line(state, " Concept: [E]"));
}

TEST_F(SmallRules, TemplatePlaceholdersThatCannotBeFilled) {
  ASSERT_EQ(load("concept::C:a\nconcept::D:d\nsentence::S:<C>\n"
                 "rule::r:<S>,[<c> <D> <C> <open]\n"),
            1);
  // The second <C> replaces the first placeholder still there.
  EXPECT_EQ(query("a"), "A <D> A <open");
  EXPECT_TRUE(logger.has("<CRule> No concept found during query assembling"));
  EXPECT_TRUE(logger.has("<CRule> No concept boundaries found <> during query assembling"));
}

TEST(Rule, FillingNeedsTextAndSentence) {
  RecordingLogger logger;
  CRule rule("r");
  rule.set_logger(&logger);
  CSentence sentence("S");
  EXPECT_FALSE(rule.fire_rule(nullptr, &sentence).is_set());
  EXPECT_FALSE(rule.fire_rule("x", nullptr).is_set());
  EXPECT_FALSE(rule.fire_rule("x", &sentence).is_set());  // no template
  EXPECT_EQ(logger.lines, (Lines{"<CRule> string is NULL", "<CRule> Sentence is NULL",
                                 "<CRule> query is null !"}));
  EXPECT_EQ(rule.find_content("C", nullptr), nullptr);
  EXPECT_EQ(rule.find_content(nullptr, &sentence), nullptr);
  rule.set_query_template("a <b> <c d> e<f");
  EXPECT_STREQ(rule.get_query_template(), "a <B> <C D> e<f");
  rule.set_query_template(nullptr);
  EXPECT_STREQ(rule.get_query_template(), "a <B> <C D> e<f");
  EXPECT_EQ(rule.fire_rule(), nullptr);
}

TEST(Keyword, TranslationFallsBackToTheName) {
  CKeyword keyword("COLOUR");
  EXPECT_STREQ(keyword.get_translation(), "COLOUR");
  keyword.set_translation("colour");
  keyword.set_translation(nullptr);
  EXPECT_STREQ(keyword.get_translation(), "colour");
  CSentence sentence("S");
  sentence.set_weight(3);
  sentence.add_weight(2);
  EXPECT_EQ(sentence.get_weight(), 5);
}

// The word-rule engine: a rule fires when all its words occur.
class WordRules : public testing::Test {
 protected:
  WordRules() {
    engine.set_logger(&logger);
    TempDir::write(dir.file("words.txt"),
                   "red+car+fast=fast-red-car\n"
                   "no equals sign here\n"
                   "truck=Truck\n"
                   "=always\n");
    EXPECT_EQ(engine.Create(dir.file("words.txt").c_str()), 1);
  }
  std::string answer(const char* text) {
    const HeapText name = engine.parse_data(text);
    return name.is_set() ? name.get() : "(none)";
  }

  TempDir dir;
  RecordingLogger logger;
  CNLPBase engine;
};

TEST_F(WordRules, FirstRuleWhoseWordsAllOccur) {
  struct Case {
    const char* text;
    const char* answer;
  };
  for (const Case& c : {Case{"A FAST RED CAR", "fast-red-car"}, Case{"CAR RED FAST", "fast-red-car"},
                        Case{"RED CAR", "always"}, Case{"A TRUCK", "Truck"},
                        Case{"FAST RED CAR AND TRUCK", "fast-red-car"},
                        Case{"a fast red car", "always"}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(answer(c.text), c.answer);
  }
  EXPECT_EQ(answer(nullptr), "(none)");
}

TEST_F(WordRules, RulesReadFromMemoryAsFromTheirFile) {
  CNLPBase other;
  const std::string rules = "blue+boat=blue-boat\n";
  CFileBuffer text;
  ASSERT_NE(text.load_text(rules.data(), rules.size()), nullptr);
  EXPECT_EQ(other.read_word_rules(text), 1);
  EXPECT_STREQ(other.parse_data("A BOAT, BLUE").get(), "blue-boat");
}

TEST_F(WordRules, MissingFileAndEmptyDump) {
  CNLPBase other;
  other.set_logger(&logger);
  EXPECT_EQ(other.load_rules(dir.file("none.txt").c_str()), 0);
  EXPECT_EQ(logger.lines, (Lines{"<CNLPBase> Unable to open rule file", dir.file("none.txt")}));
  EXPECT_EQ(other.find_rule("ANY").is_set(), false);
  TempDir::write(dir.file("dump.txt"), "old");
  other.dump_core(dir.file("dump.txt").c_str(), nullptr);
  EXPECT_EQ(TempDir::read(dir.file("dump.txt")), "");
  EXPECT_EQ(other.get_version(), 1);
}

}  // namespace
