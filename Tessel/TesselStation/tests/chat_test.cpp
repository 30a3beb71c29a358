// The chat window: Enter sends the typed line to the team and shows it
// under the station's own name; lines that would break the message go out
// mended while the history keeps them as typed; the format bar's face and
// size reach both panes, bold and italic show every line anew.
#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <ostream>
#include <string>
#include <vector>

#include "TesselStation/chatframe.h"
#include "TesselStationCore/teammember.h"
#include "stationwindowstest.h"

namespace stationui {
namespace {

using Lines = std::vector<std::string>;

class ChatTest : public StationWindowsTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Create(), 0);
    doc.SetOwnName("AlphaStation");
    doc.AddTeamMember("AlphaStation");  // the own member, named
    doc.AddTeamMember("BravoStation");
    doc.SetSimulationAgent("Sim");
    chat = windows.GetChatFrame();
    ASSERT_NE(chat, nullptr);
  }

  // What the station sent, "receiver: content".
  Lines Sent() {
    Lines lines;
    for (const auto& sent : frame->GetConversationLog().GetOutgoing()) {
      lines.push_back(sent.receiver + ": " + sent.content);
    }
    return lines;
  }
  std::string History() { return chat->GetHistory()->toPlainText().toStdString(); }
  void Type(const QString& text) {
    chat->GetInput()->insertPlainText(text);
    QTest::keyClick(chat->GetInput(), Qt::Key_Return);
  }

  CChatFrame* chat = nullptr;
};

TEST_F(ChatTest, EnterShowsTheLineUnderTheOwnNameAndSendsItToTheTeamAndTheSimulation) {
  QTest::keyClicks(chat->GetInput(), "Raider One is near");
  QTest::keyClick(chat->GetInput(), Qt::Key_Return);
  EXPECT_EQ(History(), "AlphaStation: Raider One is near\n");
  EXPECT_EQ(chat->GetInput()->toPlainText(), "");
  const std::string content =
      "tell :command subject_communication :from AlphaStation :message (Raider One is near)";
  EXPECT_EQ(Sent(), (Lines{"BravoStation: " + content, "Sim: " + content}));
}

struct LineCase {
  const char* name;
  std::string typed;    // as the operator typed it (UTF-8)
  std::string message;  // what goes into :message (...)
};

// By name: a byte dump would read the padding and the strings' spare room.
void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class ChatLines : public ChatTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ChatLines, GoOutAsOneWellFormedMessageAndShowAsTyped) {
  Type(QString::fromUtf8(GetParam().typed.data(), static_cast<qsizetype>(GetParam().typed.size())));
  ASSERT_EQ(windows.GetChat().GetRecords().size(), 1u);
  EXPECT_EQ(windows.GetChat().GetRecords()[0].text, GetParam().typed);
  EXPECT_EQ(windows.GetChat().GetRecords()[0].author, doc.GetOwnMember());
  ASSERT_EQ(Sent().size(), 2u);
  EXPECT_EQ(Sent()[1], "Sim: tell :command subject_communication :from AlphaStation :message (" +
                           GetParam().message + ")");
}

INSTANTIATE_TEST_SUITE_P(
    Typed, ChatLines,
    ::testing::Values(LineCase{"Balanced", "go (now) please", "go (now) please"},
                      LineCase{"UnclosedParenthesis", "a (b c", "a b c"},
                      LineCase{"UnopenedParenthesis", "a) b", "a b"},
                      LineCase{"EndOfTransmission", "a\x04" "b", "ab"},
                      LineCase{"Nul", std::string("a\0b", 3), "ab"},
                      LineCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChatTest, TeammatesLinesShowUnderTheirNamesInTheirColours) {
  const CTeamMember* bravo = doc.FindTeamMember("BravoStation");
  windows.AddChatLine(bravo, "Skylance is on Raider One.");
  EXPECT_EQ(History(), "BravoStation: Skylance is on Raider One.\n");
  QTextCursor at(chat->GetHistory()->document());
  at.movePosition(QTextCursor::NextCharacter);
  EXPECT_EQ(at.charFormat().foreground().color(), QColor(0xCC, 0x63, 0x63));
  windows.ClearChat();
  EXPECT_EQ(History(), "");
}

// A line shows at most kMaxShownText characters and an ellipsis, whatever
// its length (a megabyte-long word would hold the window for a minute);
// the record keeps the whole text.
TEST_F(ChatTest, AVeryLongLineShowsItsBeginningAndKeepsItsWholeText) {
  const CTeamMember* bravo = doc.FindTeamMember("BravoStation");
  const std::string word(1 << 20, 'x');
  windows.AddChatLine(bravo, word.c_str());
  windows.AddChatLine(bravo, "short");
  EXPECT_EQ(History(), "BravoStation: " + std::string(CChatView::kMaxShownText, 'x') +
                           "\u2026\nBravoStation: short\n");
  EXPECT_EQ(windows.GetChat().GetRecords().front().text, word);
}

// The history shows the lines the chat keeps, and no more: lines of a
// megabyte push the oldest out of both, a typed line of several text
// blocks among them.
TEST_F(ChatTest, TheHistoryLetsTheOldestLinesGoWithTheChat) {
  const CTeamMember* bravo = doc.FindTeamMember("BravoStation");
  Type("one\ntwo");
  for (char c = 'a'; c < 'a' + 8; ++c) {
    windows.AddChatLine(bravo, (std::string(1, c) + std::string(1 << 20, 'x')).c_str());
  }
  const auto& records = windows.GetChat().GetRecords();
  ASSERT_LT(records.size(), 9u);
  std::string shown;
  for (const CChatRecord& record : records) {
    shown += record.author->GetName() + std::string(": ") +
             record.text.substr(0, CChatView::kMaxShownText) + "\u2026\n";
  }
  EXPECT_EQ(records.back().text[0], 'h');
  EXPECT_EQ(History(), shown);
  chat->GetFormatBar()->GetBold()->trigger();  // shown anew from the records
  EXPECT_EQ(History(), shown);
}

TEST_F(ChatTest, BoldAndItalicShowEveryLineAnew) {
  windows.AddChatLine(doc.FindTeamMember("BravoStation"), "one");
  windows.AddChatLine(doc.GetOwnMember(), "two");
  const auto first = [this] {
    QTextCursor at(chat->GetHistory()->document());
    at.movePosition(QTextCursor::NextCharacter);
    return at.charFormat();
  };
  EXPECT_NE(first().fontWeight(), QFont::Bold);
  chat->GetFormatBar()->GetBold()->trigger();
  EXPECT_EQ(first().fontWeight(), QFont::Bold);
  EXPECT_FALSE(first().fontItalic());
  chat->GetFormatBar()->GetItalic()->trigger();
  EXPECT_TRUE(first().fontItalic());
  EXPECT_EQ(History(), "BravoStation: one\nAlphaStation: two\n");
  chat->GetFormatBar()->GetBold()->trigger();
  EXPECT_NE(first().fontWeight(), QFont::Bold);
}

struct SizeCase {
  const char* name;
  const char* typed;
  double points;  // 0: the size stays
};

void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.name; }

class FormatBarSize : public ChatTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(FormatBarSize, TypedSizeReachesBothPanes) {
  const double before = chat->GetInput()->font().pointSizeF();
  QComboBox* sizes = chat->GetFormatBar()->GetSizeBox();
  sizes->lineEdit()->clear();
  QTest::keyClicks(sizes->lineEdit(), GetParam().typed);
  QTest::keyClick(sizes->lineEdit(), Qt::Key_Return);
  const double want = GetParam().points != 0 ? GetParam().points : before;
  EXPECT_EQ(chat->GetInput()->font().pointSizeF(), want);
  EXPECT_EQ(chat->GetHistory()->font().pointSizeF(), want);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FormatBarSize,
                         ::testing::Values(SizeCase{"Fourteen", "14", 14},
                                           SizeCase{"OffTheList", "15", 15},
                                           SizeCase{"Zero", "0", 0},
                                           SizeCase{"Letters", "ab", 0},
                                           // The box takes four characters.
                                           SizeCase{"TooLong", "12345", 1234}),
                         [](const auto& info) { return std::string(info.param.name); });

// Enter and Escape in a box of the format bar tell the window (the bar's
// notification -4), which hands the keyboard back to the input pane.
class FormatBarKey : public ChatTest, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(FormatBarKey, InABoxGivesTheFocusBackToTheInput) {
  chat->activateWindow();
  QComboBox* sizes = chat->GetFormatBar()->GetSizeBox();
  sizes->lineEdit()->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return sizes->lineEdit()->hasFocus(); }, 5000));
  QTest::keyClick(sizes->lineEdit(), GetParam());
  EXPECT_TRUE(QTest::qWaitFor([&] { return chat->GetInput()->hasFocus(); }, 5000));
}

INSTANTIATE_TEST_SUITE_P(Keys, FormatBarKey, ::testing::Values(Qt::Key_Return, Qt::Key_Escape),
                         [](const auto& info) {
                           return std::string(info.param == Qt::Key_Return ? "Enter" : "Escape");
                         });

TEST_F(ChatTest, ChosenFaceReachesBothPanesAndTheBarShowsTheInputsFont) {
  QComboBox* names = chat->GetFormatBar()->GetNameBox();
  ASSERT_GT(names->count(), 1);
  const QString face = names->itemText(names->count() - 1);
  names->setCurrentIndex(names->count() - 1);
  chat->GetFormatBar()->OnFontNameChosen();
  EXPECT_EQ(chat->GetInput()->font().family(), face);
  EXPECT_EQ(chat->GetHistory()->font().family(), face);

  chat->OnSetFormat([] {
    CCharFormat size;
    size.mask = CCharFormat::CFM_SIZE;
    size.height = 18 * 20;
    return size;
  }());
  names->setCurrentIndex(-1);
  chat->GetFormatBar()->GetSizeBox()->setEditText("");
  chat->GetFormatBar()->OnUpdateCmdUI();
  EXPECT_EQ(names->currentText(), face);
  EXPECT_EQ(chat->GetFormatBar()->GetSizeBox()->currentText(), "18");
}

TEST_F(ChatTest, SizeBoxOffersTheSixteenSizesAndTakesFourCharacters) {
  QComboBox* sizes = chat->GetFormatBar()->GetSizeBox();
  QStringList offered;
  for (int i = 0; i < sizes->count(); ++i) offered << sizes->itemText(i);
  EXPECT_EQ(offered.join(","), "8,9,10,11,12,14,16,18,20,22,24,26,28,36,48,72");
  EXPECT_EQ(sizes->lineEdit()->maxLength(), 4);
}

TEST_F(ChatTest, OperatorCannotCloseTheWindow) {
  QCloseEvent close;
  QApplication::sendEvent(chat, &close);
  EXPECT_FALSE(close.isAccepted());
  EXPECT_TRUE(chat->isVisible());
}

TEST_F(ChatTest, WindowTakesTheLowerQuarterOfTheScreen) {
  EXPECT_EQ(CChatFrame::FrameGeometry(QRect(0, 0, 1000, 800)), QRect(0, 575, 1000, 200));
}

}  // namespace
}  // namespace stationui
