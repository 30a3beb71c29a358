#include "PlatformQt/qtmessagebox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "testsupport/childprocess.h"
#include "testsupport/modal.h"

namespace {

using testsupport::close_next_box;
using Seen = testsupport::SeenBox;

TEST(QtMessageBox, ShowsTheTextModallyWithTheIconOfItsType) {
  QApplication::setApplicationDisplayName("TesselStation");
  QWidget window;
  platform::QtMessageBox boxes(&window);
  const struct {
    unsigned type;
    QMessageBox::Icon icon;
  } cases[] = {{MB_OK, QMessageBox::NoIcon}, {MB_ICONSTOP, QMessageBox::Critical}};
  for (const auto& c : cases) {
    Seen seen;
    close_next_box(&seen);
    boxes.show("Invalid File Format file:/tmp/x.map", c.type);
    EXPECT_EQ(seen.text, "Invalid File Format file:/tmp/x.map");
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.parent, &window);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_TRUE(seen.title.startsWith("TesselStation")) << seen.title.toStdString();
  }
}

TEST(QtMessageBox, InstalledAsTheSinkItTakesTheLibrariesMessages) {
  platform::QtMessageBox boxes;
  platform::MessageSink* previous = platform::set_message_sink(&boxes);
  Seen seen;
  close_next_box(&seen);
  platform::message_box("Error Loading NLine Coordinates");
  platform::set_message_sink(previous);
  EXPECT_EQ(seen.text, "Error Loading NLine Coordinates");
  EXPECT_EQ(seen.parent, nullptr);
}

TEST(QtMessageBox, QuestionAnswersWithTheButtonPressed) {
  QWidget window;
  for (const auto button : {QMessageBox::Yes, QMessageBox::No}) {
    Seen seen;
    close_next_box(&seen, button);
    EXPECT_EQ(platform::ask_yes_no(&window, "Stop the interceptor?"), button == QMessageBox::Yes);
    EXPECT_EQ(seen.text, "Stop the interceptor?");
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.parent, &window);
  }
}

// Unattended runs in a process of their own: the answers are consumed from
// the start of the process.
struct UnattendedCase {
  const char* name;
  const char* answers;  // null: not set
  std::vector<std::string> items;
  std::vector<std::string> lines;
};

void PrintTo(const UnattendedCase& c, std::ostream* out) { *out << c.name; }

class Unattended : public ::testing::TestWithParam<UnattendedCase> {};

TEST_P(Unattended, BoxesAndQuestionsPrintOneLineEachAndAreAnsweredByTheScript) {
  const UnattendedCase& c = GetParam();
  setenv("TESSEL_UNATTENDED", "1", 1);
  if (c.answers != nullptr) {
    setenv("TESSEL_ANSWERS", c.answers, 1);
  } else {
    unsetenv("TESSEL_ANSWERS");
  }
  childtest::ChildProcess probe;
  std::vector<std::string> args{"ask"};
  args.insert(args.end(), c.items.begin(), c.items.end());
  const bool started = probe.start(TESSEL_PLATFORMQT_PROBE, args);
  unsetenv("TESSEL_UNATTENDED");
  unsetenv("TESSEL_ANSWERS");
  ASSERT_TRUE(started);
  // Nobody closes anything: a box that were shown would keep the probe
  // from ending.
  const std::string output = probe.read_all(10000);
  EXPECT_EQ(probe.wait_exit(5000), 0) << output;
  std::string expected;
  for (const std::string& line : c.lines) expected += line + "\n";
  EXPECT_EQ(output, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Script, Unattended,
    ::testing::Values(
        UnattendedCase{"AnswersInOrder",
                       "yes,no, YES ",
                       {"question:Deploy?", "box:Unit deployed", "question:Again?",
                        "question:Third?"},
                       {"question: Deploy?", "answer: yes", "box: Unit deployed",
                        "question: Again?", "answer: no", "question: Third?", "answer: yes"}},
        UnattendedCase{"NoWhenTheAnswersRunOut",
                       "yes",
                       {"question:One?", "question:Two?"},
                       {"question: One?", "answer: yes", "question: Two?", "answer: no"}},
        UnattendedCase{"NoWithoutAnswers",
                       nullptr,
                       {"question:Quit?"},
                       {"question: Quit?", "answer: no"}},
        UnattendedCase{"UnknownWordIsNo", "maybe,yes", {"question:A?", "question:B?"},
                       {"question: A?", "answer: no", "question: B?", "answer: yes"}},
        UnattendedCase{"LineBreaksPrintAsBlanks",
                       nullptr,
                       {"box:This method is temporarily disabled\n to allow testing"},
                       {"box: This method is temporarily disabled  to allow testing"}}),
    [](const ::testing::TestParamInfo<UnattendedCase>& info) { return info.param.name; });

}  // namespace
