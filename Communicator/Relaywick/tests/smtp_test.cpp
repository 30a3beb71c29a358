#include "Relaywick/smtp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "moduletest.h"
#include "stubserver.h"

namespace {

using stubserver::SmtpStub;
using Lines = std::vector<std::string>;

// The replies of a server that accepts the whole transfer.
const Lines kAccepting = {"220 mail.test ready\r\n", "250 hello\r\n", "250 sender ok\r\n",
                          "250 recipient ok\r\n",    "354 go ahead\r\n", "250 queued\r\n",
                          "221 bye\r\n"};

class SmtpTest : public LoopTest {
 protected:
  // A client pointed at `server`.
  static void point(CSMTP& smtp, const SmtpStub& server) {
    smtp.SetPort(server.port());
    smtp.SetHost(moduletest::kLoopback);
    smtp.SetFrom("station@test");
  }
};

TEST_F(SmtpTest, SendsOneMail) {
  SmtpStub server(kAccepting);
  {
    CSMTP smtp;
    point(smtp, server);
    EXPECT_STREQ(smtp.GetHost(), "127.0.0.1");
    EXPECT_STREQ(smtp.GetFrom(), "station@test");
    ASSERT_EQ(smtp.Connect(), 1);
    ASSERT_EQ(smtp.Mail(), 1);
    ASSERT_EQ(smtp.SetTo("ops@test"), 1);
    ASSERT_EQ(smtp.Data("Status", "all quiet\r\nover"), 1);
    // Data took the reply to the end of data, so this reply is QUIT's own.
    EXPECT_EQ(smtp.Disconnect(), 1);
  }
  server.finish();
  EXPECT_EQ(server.commands(), (Lines{"HELO station@test\r\n", "MAIL FROM:<station@test>\r\n",
                                      "RCPT TO:<ops@test>\r\n", "DATA\r\n", "QUIT \r\n"}));
  // A body without lines that begin with '.' goes out byte for byte.
  EXPECT_EQ(server.mail(), "SUBJECT:Status\r\nall quiet\r\nover\r\n.\r\n");
}

TEST_F(SmtpTest, BodyLinesThatBeginWithADotAreStuffed) {
  SmtpStub server(kAccepting);
  {
    CSMTP smtp;
    point(smtp, server);
    ASSERT_EQ(smtp.Connect(), 1);
    ASSERT_EQ(smtp.Mail(), 1);
    ASSERT_EQ(smtp.SetTo("ops@test"), 1);
    ASSERT_EQ(smtp.Data("dots", ".first\r\nmiddle.\r\n.\r\n..two\nlf.\n.end"), 1);
    EXPECT_EQ(smtp.Disconnect(), 1);
  }
  server.finish();
  EXPECT_EQ(server.mail(),
            "SUBJECT:dots\r\n..first\r\nmiddle.\r\n..\r\n...two\nlf.\n..end\r\n.\r\n");
}

TEST_F(SmtpTest, MultiLineAndSplitRepliesAreReadWhole) {
  SmtpStub server({"220-mail.test\r\n220-second line\r\n220 ready\r\n", "2|50 hel|lo\r\n",
                   "250-first\r\n250 sender ok\r\n", "250 recipient ok\r\n"});
  CSMTP smtp;
  point(smtp, server);
  EXPECT_EQ(smtp.Connect(), 1);
  EXPECT_EQ(smtp.Mail(), 1);
  EXPECT_EQ(smtp.SetTo("ops@test"), 1);
}

TEST_F(SmtpTest, AWrongReplyFailsTheStepWithItsText) {
  const struct {
    Lines replies;
    int steps_passed;  // Connect, Mail, SetTo, Data, Disconnect
    const char* error;
  } cases[] = {
      {{"554 no service here\r\n"}, 0, "No Error Number is matched with 554 no service here\r\n"},
      {{"220 ready\r\n", "221 going\r\n"}, 0, "Service closing transmission channel"},
      {{"220 ready\r\n", "250 hello\r\n", "220 again\r\n"}, 1, "Service is ready"},
      {{"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "550 no such user\r\n"}, 2,
       "No Error Number is matched with 550 no such user\r\n"},
      {{"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "251 forwarding\r\n"}, 2,
       "user not local: will forward to forward path"},
      {{"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "250 no data\r\n"}, 3,
       "Requested mail action okay, completed"},
      // The server refuses the mail after taking it in.
      {{"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "550 no\r\n"},
       3, "No Error Number is matched with 550 no\r\n"},
      {{"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
        "250 queued\r\n", "214 help\r\n"},
       4, "Help Message"},
      // Fewer than three characters is no reply code.
      {{"22\r\n"}, 0, "No Error Number is matched with 22\r\n"},
      {{std::string("2") + stubserver::kClose}, 0, "No Error Number is matched with 2"},
      {{std::string("") + stubserver::kClose}, 0, "No Error Number is matched with "},
  };
  for (const auto& c : cases) {
    SmtpStub server(c.replies);
    CSMTP smtp;
    point(smtp, server);
    int passed = 0;
    if (smtp.Connect() == 1 && ++passed && smtp.Mail() == 1 && ++passed &&
        smtp.SetTo("ops@test") == 1 && ++passed && smtp.Data("s", "b") == 1 && ++passed &&
        smtp.Disconnect() == 1) {
      ++passed;
    }
    EXPECT_EQ(passed, c.steps_passed) << c.error;
    EXPECT_STREQ(smtp.GetErrorMessage(), c.error);
  }
}

// The rest of a reply beyond the limit is not taken for the next reply.
TEST_F(SmtpTest, AnOverlongReplyIsCutAndItsRestDropped) {
  std::string long_helo;
  while (long_helo.size() <= CSMTPReplyReader::kMaxReply) long_helo += "250-extension\r\n";
  SmtpStub server({"220 ready\r\n", long_helo + "250 hello\r\n", "550 sender refused\r\n"});
  CSMTP smtp;
  point(smtp, server);
  ASSERT_EQ(smtp.Connect(), 1);
  EXPECT_EQ(smtp.Mail(), 0);
  EXPECT_STREQ(smtp.GetErrorMessage(), "No Error Number is matched with 550 sender refused\r\n");
}

TEST_F(SmtpTest, ASilentServerTimesOut) {
  SmtpStub server({});
  CSMTP smtp;
  point(smtp, server);
  smtp.SetTimeout(200);
  EXPECT_EQ(smtp.Connect(), 0);
  EXPECT_STREQ(smtp.GetErrorMessage(), "No Error Number is matched with ");
}

TEST_F(SmtpTest, NobodyListening) {
  CSMTP smtp;
  smtp.SetPort(moduletest::dead_port());
  EXPECT_EQ(smtp.Connect("127.0.0.1", "station"), 0);
  EXPECT_STREQ(smtp.GetErrorMessage(), "Server cannot be connected");
}

TEST_F(SmtpTest, RecipientsComeBackInOrder) {
  SmtpStub server({"220 ready\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n"});
  CSMTP smtp;
  point(smtp, server);
  ASSERT_EQ(smtp.Connect(), 1);
  ASSERT_EQ(smtp.Mail(), 1);
  EXPECT_EQ(smtp.SetTo("a@test"), 1);
  EXPECT_EQ(smtp.SetTo("b@test"), 1);
  EXPECT_STREQ(smtp.GetTo(), "a@test");
  EXPECT_STREQ(smtp.GetTo(), "b@test");
  EXPECT_STREQ(smtp.GetTo(), "No more To available");
  EXPECT_STREQ(smtp.GetTo(), "No more To available");
}

struct ReplyStream {
  std::string name;
  std::string bytes;
  Lines replies;
  std::string rest;
};

void PrintTo(const ReplyStream& c, std::ostream* out) { *out << c.name; }

class SmtpReplies : public testing::TestWithParam<ReplyStream> {};

// The same replies whether the bytes come at once or one by one.
TEST_P(SmtpReplies, AreCutTheSameWhateverPiecesCome) {
  const ReplyStream& c = GetParam();
  for (const size_t piece : {c.bytes.size(), size_t{1}}) {
    CSMTPReplyReader reader;
    for (size_t at = 0; at < c.bytes.size(); at += piece) {
      reader.append(c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
    }
    Lines replies;
    for (std::string reply; reader.next(&reply);) replies.push_back(reply);
    EXPECT_EQ(replies, c.replies) << "pieces of " << piece;
    EXPECT_EQ(reader.rest(), c.rest) << "pieces of " << piece;
    EXPECT_EQ(reader.rest(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SmtpReplies,
    testing::Values(
        ReplyStream{"one_line", "220 ready\r\n", {"220 ready\r\n"}, ""},
        ReplyStream{"lines_of_one_reply",
                    "250-first\r\n250-second\r\n250 last\r\n354 go\n",
                    {"250-first\r\n250-second\r\n250 last\r\n", "354 go\n"},
                    ""},
        ReplyStream{"short_lines_end_a_reply", "22\n-\n250-\n\n", {"22\n", "-\n", "250-\n\n"}, ""},
        ReplyStream{"reply_cut_short", "250 ok\r\n221-going\r\n221 bu", {"250 ok\r\n"},
                    "221-going\r\n221 bu"},
        ReplyStream{"nothing_whole", "220", {}, "220"}),
    [](const testing::TestParamInfo<ReplyStream>& info) { return info.param.name; });

TEST(SmtpReplyReader, KeepsTheHeadOfAnOverlongReply) {
  const std::string line = "250-" + std::string(1000, 'x') + "\r\n";
  std::string flood;
  while (flood.size() < 3 * CSMTPReplyReader::kMaxReply) flood += line;
  CSMTPReplyReader reader;
  reader.append(flood.data(), flood.size());
  std::string reply;
  EXPECT_FALSE(reader.next(&reply));
  reader.append("250 end\r\n221 bye\r\n", 18);
  ASSERT_TRUE(reader.next(&reply));
  EXPECT_EQ(reply, flood.substr(0, CSMTPReplyReader::kMaxReply));
  ASSERT_TRUE(reader.next(&reply));
  EXPECT_EQ(reply, "221 bye\r\n");
}

TEST(SmtpError, TextsOfTheReplyCodes) {
  const struct {
    const char* response;
    std::string text;
  } cases[] = {
      {"211 status", "System status or system help reply"},
      {"214", "Help Message"},
      {"220 x", "Service is ready"},
      {"221 x", "Service closing transmission channel"},
      {"250 x", "Requested mail action okay, completed"},
      {"251 x", "user not local: will forward to forward path"},
      {"354 x", "Start mail input; end with <CRLF>.<CRLF>"},
      {"421 busy", "No Error Number is matched with 421 busy"},
      {"", "No Error Number is matched with "},
      {nullptr, "No Error Number is matched with "},
  };
  for (const auto& c : cases) EXPECT_EQ(CSMTP::GetError(c.response), c.text);
}

}  // namespace
