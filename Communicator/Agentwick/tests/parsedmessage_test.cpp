// The parsed form of each received message, whether the container parsed it
// or took over the parse its connection had made.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

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

using ParsedMessageTest = LoopTest;

TEST_F(ParsedMessageTest, EachMessageReachesTheAgentParsed) {
  std::vector<std::string> seen;
  CAgentHost host;
  host.AssignContainer(std::make_unique<ReadingAgent>(&seen));
  char name[] = "reader";
  char* argv[] = {name, nullptr};
  CCommandLine command_line;
  command_line.parse_commandline(1, argv);
  ASSERT_EQ(host.CreateContainer(&command_line, 1), 1);
  const int peer =
      testsupport::connect_to_loopback(host.get_container()->get_communicator()->get_port());
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

}  // namespace
