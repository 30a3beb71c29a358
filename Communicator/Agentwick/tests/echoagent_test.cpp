// The echo agent and the name server as separate processes on loopback.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "testsupport/childprocess.h"
#include "testsupport/tempdir.h"

namespace {

class EchoAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ans_port = childtest::start_ans_server(&server, TESSEL_ANS_SERVER);
    ASSERT_NE(ans_port, 0u);
  }

  std::vector<std::string> agent_args(const char* name) const {
    return {"-name", name, "-port", "0", "-ans", "127.0.0.1", "-ansport", std::to_string(ans_port)};
  }

  // Starts a serving echo agent and waits until it is registered.
  void start_serving(childtest::ChildProcess* agent, const char* name) {
    ASSERT_TRUE(agent->start(TESSEL_ECHO_AGENT, agent_args(name)));
    std::string line;
    ASSERT_TRUE(agent->read_line(&line));
    EXPECT_EQ(line.rfind(std::string(name) + " listening on 127.0.0.1:", 0), 0u) << line;
    ASSERT_TRUE(agent->read_line(&line));
    EXPECT_EQ(line, "registered with the name server at 127.0.0.1:" + std::to_string(ans_port));
  }

  // Runs an echo agent that sends `text` to `target`; its exit status and
  // its whole output.
  int send_from(const char* name, const char* target, const char* text, std::string* output,
                const char* timeout = "10") {
    childtest::ChildProcess sender;
    std::vector<std::string> args = agent_args(name);
    args.insert(args.end(), {"-send", target, "-text", text, "-timeout", timeout});
    EXPECT_TRUE(sender.start(TESSEL_ECHO_AGENT, args));
    *output = sender.read_all(20000);
    return sender.wait_exit(5000);
  }

  static bool has_line(const std::string& output, const std::string& line) {
    return ("\n" + output).find("\n" + line + "\n") != std::string::npos;
  }

  testsupport::TempDir dir;  // the agents' working directory (UUID state files)
  childtest::ChildProcess server;
  unsigned ans_port = 0;
};

TEST_F(EchoAgentTest, AgentFindsItsPeerByNameAndGetsTheReply) {
  childtest::ChildProcess b;
  start_serving(&b, "B");

  std::string output;
  EXPECT_EQ(send_from("A", "B", "hello there", &output), 0) << output;
  EXPECT_TRUE(has_line(output, "registered with the name server at 127.0.0.1:" +
                                   std::to_string(ans_port)))
      << output;
  EXPECT_TRUE(has_line(output, "sending to B: hello there")) << output;
  EXPECT_TRUE(has_line(output, "reply from B: hello there")) << output;

  std::string line;
  ASSERT_TRUE(b.read_line(&line));
  EXPECT_EQ(line, "received from A: hello there");
  ASSERT_TRUE(b.read_line(&line));
  EXPECT_EQ(line, "replied to A");

  // B withdraws when it stops: nobody finds it any more.
  ASSERT_EQ(kill(b.pid(), SIGTERM), 0);
  EXPECT_TRUE(has_line(b.read_all(5000), "stopping"));
  EXPECT_EQ(b.wait_exit(5000), 0);
  EXPECT_EQ(send_from("C", "B", "anyone", &output), 1) << output;
  EXPECT_TRUE(has_line(output, "cannot locate B: The name server at [127.0.0.1][" +
                                   std::to_string(ans_port) + "] said sorry: unknown agent"))
      << output;
}

TEST_F(EchoAgentTest, NoReplyIsAFailure) {
  childtest::ChildProcess b;
  start_serving(&b, "B");
  // A stopped agent still takes the connection (the system's backlog) but
  // never answers.
  ASSERT_EQ(kill(b.pid(), SIGSTOP), 0);
  std::string output;
  const int status = send_from("A", "B", "hello", &output, "2");
  kill(b.pid(), SIGCONT);
  EXPECT_EQ(status, 1) << output;
  EXPECT_TRUE(has_line(output, "sending to B: hello")) << output;
  EXPECT_TRUE(has_line(output, "no reply from B within 2 s")) << output;
}

}  // namespace
