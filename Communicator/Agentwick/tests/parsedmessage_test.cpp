// The parsed form of each received message, whether the container parsed it
// or took over the parse its connection had made, and the turns that
// connections take in handing their messages over.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Agentwick/basicagent.h"
#include "Platform/tests/looptest.h"
#include "testsupport/loopback.h"

namespace {

// Notes the fields of every parsed message it is given.
class ReadingAgent : public CBasicAgent {
 public:
  explicit ReadingAgent(std::vector<std::string>* seen) : CBasicAgent("Reader"), seen_(seen) {}

  int process_create() override {
    get_communicator()->set_port(0);
    return 1;
  }
  int process_message(CParser* parser) override {
    const char* reply_with = parser->find_reply_with();
    seen_->push_back(std::string(parser->find_performative()) + " " + parser->find_content() +
                     " " + (reply_with != nullptr ? reply_with : "-"));
    return 1;
  }

 private:
  std::vector<std::string>* seen_;
};

class ParsedMessageTest : public LoopTest {
 protected:
  // Starts a reading agent in `host`; its port.
  unsigned start(CAgentHost* host) {
    host->AssignContainer(std::make_unique<ReadingAgent>(&seen));
    char name[] = "reader";
    char* argv[] = {name, nullptr};
    CCommandLine command_line;
    command_line.parse_commandline(1, argv);
    if (host->CreateContainer(&command_line, 1) != 1) return 0;
    return host->get_container()->get_communicator()->get_port();
  }

  std::vector<std::string> seen;
};

// The messages "(tell :sender S :content (S<first>))" up to S<last>, each
// with its 0x04.
std::string numbered(const std::string& sender, int first, int last) {
  std::string wire;
  for (int i = first; i <= last; ++i) {
    wire += "(tell :sender " + sender + " :content (" + sender + std::to_string(i) + "))\x04";
  }
  return wire;
}

bool sent_whole(int fd, const std::string& wire) {
  return send(fd, wire.data(), wire.size(), 0) == static_cast<ssize_t>(wire.size());
}

TEST_F(ParsedMessageTest, EachMessageReachesTheAgentParsed) {
  CAgentHost host;
  const int peer = testsupport::connect_to_loopback(start(&host));
  ASSERT_GE(peer, 0);

  // Segments of one message, whose parse the connection already made, and
  // of two, where the container reads the first itself.
  const std::vector<std::vector<std::string>> segments = {
      {"(tell :sender p :reply-with r1 :content (one))"},
      {"(ask :sender p :content (two))"},
      {"(tell :sender p :reply-with r3 :content (three))", "(tell :sender p :content (four))"},
      {"(achieve :sender p :reply-with r5 :content (five))"},
  };
  size_t sent = 0;
  for (const auto& segment : segments) {
    std::string wire;
    for (const std::string& message : segment) wire += message + '\x04';
    ASSERT_EQ(send(peer, wire.data(), wire.size(), 0), static_cast<ssize_t>(wire.size()));
    sent += segment.size();
    ASSERT_TRUE(loop.run_until([&] { return seen.size() == sent; }, 3000));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"tell (one) r1", "ask (two) -", "tell (three) r3",
                                            "tell (four) -", "achieve (five) r5"}));
  close(peer);
}

// A connection hands its messages over in runs of bounded length: one whose
// peer floods it leaves the others their turns, and every message of each
// comes, in its order.
TEST_F(ParsedMessageTest, AFloodedConnectionLeavesOthersTheirTurn) {
  CAgentHost host;
  const unsigned port = start(&host);
  const int flooder = testsupport::connect_to_loopback(port);
  const int other = testsupport::connect_to_loopback(port);
  ASSERT_GE(flooder, 0);
  ASSERT_GE(other, 0);
  // Both connections named first; then both floods wait in the kernel before
  // the loop runs again, so that both are told of them in one round.
  ASSERT_TRUE(sent_whole(flooder, numbered("a", 0, 0)) && sent_whole(other, numbered("b", 0, 0)));
  ASSERT_TRUE(loop.run_until([&] { return seen.size() == 2; }, 3000));
  ASSERT_TRUE(sent_whole(flooder, numbered("a", 1, 100)) && sent_whole(other, numbered("b", 1, 3)));
  ASSERT_TRUE(loop.run_until([&] { return seen.size() == 105; }, 3000));

  std::vector<std::string> from_a;
  std::vector<std::string> from_b;
  for (const std::string& message : seen) {
    (message.find("(a") != std::string::npos ? from_a : from_b).push_back(message);
  }
  std::vector<std::string> expected_a;
  for (int i = 0; i <= 100; ++i) expected_a.push_back("tell (a" + std::to_string(i) + ") -");
  EXPECT_EQ(from_a, expected_a);
  EXPECT_EQ(from_b, (std::vector<std::string>{"tell (b0) -", "tell (b1) -", "tell (b2) -",
                                              "tell (b3) -"}));
  const auto last_of_b = std::find(seen.begin(), seen.end(), "tell (b3) -");
  const auto first_of_flood_end = std::find(seen.begin(), seen.end(), "tell (a50) -");
  EXPECT_LT(last_of_b, first_of_flood_end) << "the flood held the other connection back";
  close(flooder);
  close(other);
}

}  // namespace
