// The chat document: lines with their authors, and the operator's line sent
// to the team as one well-formed message whatever was typed.
#include "TesselStationCore/chatdoc.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "Lexwick/parser.h"
#include "TesselStationCore/teammember.h"
#include "viewfixture.h"

namespace stationtest {
namespace {

using namespace std::string_literals;

struct LineCase {
  const char* name;
  std::string typed;
  std::string sent;
};

// By name: a byte dump would read the padding and the strings' spare room.
void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

const LineCase kLines[] = {
    {"Plain", "Radar R1 is up", "Radar R1 is up"},
    {"Empty", "", ""},
    {"BalancedParentheses", "go (now) or (later (maybe))", "go (now) or (later (maybe))"},
    {"UnclosedParenthesis", "wait (a minute", "wait a minute"},
    {"ParenthesisClosingNothing", "done) next", "done next"},
    {"BothTheWrongWayRound", ")(", ""},
    {"OneOfTwoOpenedIsClosed", "a(b(c)d", "ab(c)d"},
    {"EndOfMessageByte", "over\x04 (tell :command reset_sim)", "over (tell :command reset_sim)"},
    {"Nul", "abc\0def"s, "abcdef"},
    {"TabNewlineAndDelete", "one\ttwo\r\nthree\x7F", "onetwothree"},
    {"QuotesAndUtf8StayAsTyped", "it's \"ok\" \xC3\xA9t\xC3\xA9", "it's \"ok\" \xC3\xA9t\xC3\xA9"},
};

class ChatLine : public ViewTest, public testing::WithParamInterface<LineCase> {};

TEST_P(ChatLine, GoesToTheTeamAsOneMessageAndStaysInTheHistoryAsTyped) {
  const LineCase& c = GetParam();
  EXPECT_EQ(CChatDoc::MessageText(c.typed), c.sent);

  ui.chat.SendLine(c.typed.data(), c.typed.size());
  ASSERT_EQ(ui.chat.GetRecords().size(), 1u);
  EXPECT_EQ(ui.chat.GetRecords()[0].text, c.typed);
  EXPECT_EQ(ui.chat.GetRecords()[0].author, doc.GetOwnMember());

  const std::string content =
      "tell :command subject_communication :from Alpha-1 :message (" + c.sent + ")";
  ASSERT_EQ(agent.sent.size(), 2u);
  EXPECT_EQ(agent.sent[0].receiver, "Bravo-2");
  EXPECT_EQ(agent.sent[1].receiver, "Sim");
  EXPECT_EQ(agent.sent[1].content, content);

  // A teammate reads the line back from the message as it arrives.
  CParser envelope;
  ASSERT_EQ(envelope.parse_message(
                ("(tell :sender Alpha-1 :receiver Bravo-2 :content ( " + content + " ))").c_str()),
            1);
  CParser inner;
  ASSERT_EQ(inner.parse_message(envelope.find_content()), 1);
  ASSERT_NE(inner.find_token("message"), nullptr);
  EXPECT_EQ(std::string(inner.find_token("message")), "(" + c.sent + ")");
  EXPECT_STREQ(inner.find_token("from"), "Alpha-1");
}

INSTANTIATE_TEST_SUITE_P(Typed, ChatLine, testing::ValuesIn(kLines),
                         [](const testing::TestParamInfo<LineCase>& info) {
                           return info.param.name;
                         });

TEST_F(ViewTest, ChatLinesKeepTheirAuthorsUntilTheChatIsCleared) {
  ui.AddChatLine(bravo(), "hello");
  ui.chat.SendLine("hi", 2);
  ASSERT_EQ(ui.chat.GetRecords().size(), 2u);
  EXPECT_EQ(ui.chat.GetRecords()[0].author, bravo());
  EXPECT_EQ(ui.chat.GetRecords()[0].text, "hello");
  EXPECT_EQ(ui.chat.GetRecords()[1].author->GetColour(), CTeamMember::kAlphaColour);
  doc.ResetSimulation();
  EXPECT_TRUE(ui.chat.GetRecords().empty());
}

// The chat keeps its newest lines within its bound, each with its text
// whole (one longer than the bound cut to it), the oldest going first.
struct BoundCase {
  const char* name;
  size_t lines;   // added, line i starting with the letter 'a' + i % 26
  size_t bytes;   // of each line
  size_t kept;    // the newest this many stay
  size_t length;  // each kept line's length
};

void PrintTo(const BoundCase& c, std::ostream* out) { *out << c.name; }

class ChatBound : public testing::TestWithParam<BoundCase> {};

TEST_P(ChatBound, KeepsTheNewestLinesWithinItsBytes) {
  const BoundCase& c = GetParam();
  CChatDoc chat;
  for (size_t i = 0; i < c.lines; ++i) {
    std::string line(c.bytes, 'x');
    if (!line.empty()) line[0] = static_cast<char>('a' + i % 26);
    chat.AddChatRecord(line.c_str(), nullptr);
  }
  ASSERT_EQ(chat.GetRecords().size(), c.kept);
  for (size_t k = 0; k < c.kept; ++k) {
    const std::string& text = chat.GetRecords()[k].text;
    ASSERT_EQ(text.size(), c.length);
    if (c.bytes > 0) {
      EXPECT_EQ(text[0], static_cast<char>('a' + (c.lines - c.kept + k) % 26));
    }
  }
  EXPECT_LE(chat.GetBytes(), CChatDoc::kMaxBytes);
}

constexpr size_t kLine = 1'040'000;  // a chat line as long as a message may be

INSTANTIATE_TEST_SUITE_P(
    Lines, ChatBound,
    testing::Values(
        BoundCase{"FewLinesAllStay", 3, 100, 3, 100},
        BoundCase{"LinesOfAMegabyte", 12, kLine, CChatDoc::kMaxBytes / (kLine + CChatDoc::kLineBytes),
                  kLine},
        BoundCase{"EmptyLinesCountToo", 70'000, 0, CChatDoc::kMaxBytes / CChatDoc::kLineBytes, 0},
        BoundCase{"ALineLongerThanTheBoundIsCut", 2, 5u << 20, 1,
                  CChatDoc::kMaxBytes - CChatDoc::kLineBytes}),
    [](const testing::TestParamInfo<BoundCase>& info) { return info.param.name; });

TEST(ChatDoc, WithoutADocumentNothingIsSent) {
  CChatDoc chat;
  chat.SendLine("hi", 2);
  EXPECT_TRUE(chat.GetRecords().empty());
  chat.AddChatRecord(nullptr, nullptr);
  ASSERT_EQ(chat.GetRecords().size(), 1u);
  EXPECT_EQ(chat.GetRecords()[0].text, "");
}

}  // namespace
}  // namespace stationtest
