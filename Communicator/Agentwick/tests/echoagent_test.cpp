// The echo agent and the name server as separate processes on loopback.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Talkwick/kqmlparser.h"
#include "testsupport/childprocess.h"
#include "testsupport/framedclient.h"
#include "testsupport/loopback.h"
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

  // Starts a serving echo agent and waits until it is registered; its port
  // goes to `port` when given.
  void start_serving(childtest::ChildProcess* agent, const char* name, unsigned* port = nullptr) {
    ASSERT_TRUE(agent->start(TESSEL_ECHO_AGENT, agent_args(name)));
    std::string line;
    ASSERT_TRUE(agent->read_line(&line));
    const std::string listening = std::string(name) + " listening on 127.0.0.1:";
    ASSERT_EQ(line.rfind(listening, 0), 0u) << line;
    if (port != nullptr) *port = static_cast<unsigned>(std::stoul(line.substr(listening.size())));
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

  bool register_peer(const std::string& name, unsigned port) const {
    return testsupport::register_with_name_server(ans_port, name, port);
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

// A serving echo agent B, and P, a peer of plain sockets that the name
// server knows (at a port where nothing listens: B answers over P's own
// connection).
class EchoAgentAndPeer : public EchoAgentTest {
 protected:
  void SetUp() override {
    EchoAgentTest::SetUp();
    start_serving(&b, "B", &b_port);
    ASSERT_TRUE(register_peer("P", 1));
    p = std::make_unique<testsupport::FramedClient>(b_port);
  }

  // Sends B a tell from P with `reply_with`; true when it went.
  bool tell_from_p(const std::string& reply_with) {
    return p->send("(tell :sender P :receiver B :reply-with " + reply_with + " :content (hi))");
  }

  childtest::ChildProcess b;
  unsigned b_port = 0;
  std::unique_ptr<testsupport::FramedClient> p;
};

TEST_F(EchoAgentAndPeer, RepliesWithOntologyAndLanguageInTheirPlaces) {
  ASSERT_TRUE(tell_from_p("r1"));
  const std::string reply = p->next();
  CKQMLParser parsed;
  ASSERT_EQ(parsed.parse_message(reply.c_str()), 1) << reply;
  EXPECT_STREQ(parsed.find_ontology(), "default-ontology") << reply;
  EXPECT_STREQ(parsed.find_language(), "default-language") << reply;
  EXPECT_STREQ(parsed.find_in_reply_to(), "r1") << reply;
}

// Reads the agent's lines until one starts with `prefix`; that line, or ""
// when none came within the patience.
std::string line_starting(childtest::ChildProcess* agent, const std::string& prefix) {
  std::string line;
  while (agent->read_line(&line, 10000)) {
    if (line.rfind(prefix, 0) == 0) return line;
  }
  return "";
}

TEST_F(EchoAgentAndPeer, ASenderNobodyRegisteredIsLookedUpOnceForAWhile) {
  testsupport::FramedClient ghost(b_port);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(ghost.send("(tell :sender Ghost :receiver B :reply-with g :content (boo))"));
  }
  const std::string refused = "cannot locate Ghost: The name server at [127.0.0.1][" +
                              std::to_string(ans_port) + "] said sorry: unknown agent";
  EXPECT_EQ(line_starting(&b, "cannot locate"), refused);
  EXPECT_EQ(line_starting(&b, "cannot locate"), refused + " (not asked again yet)");
  EXPECT_EQ(line_starting(&b, "cannot locate"), refused + " (not asked again yet)");
}

TEST_F(EchoAgentAndPeer, WithTheNameServerStoppedUnknownSendersCostOneWaitAndAKnownOneIsAnswered) {
  ASSERT_TRUE(tell_from_p("r1"));
  ASSERT_NE(p->next(), "");  // B knows where P is from now on

  // Stopped, the name server's system still takes connections; senders
  // nobody registered each write to B.
  ASSERT_EQ(kill(server.pid(), SIGSTOP), 0);
  constexpr int kStrangers = 20;
  std::vector<std::unique_ptr<testsupport::FramedClient>> strangers;
  for (int i = 0; i < kStrangers; ++i) {
    strangers.push_back(std::make_unique<testsupport::FramedClient>(b_port));
    ASSERT_TRUE(strangers.back()->send("(tell :sender U" + std::to_string(i) +
                                       " :receiver B :reply-with u :content (who))"));
  }
  ASSERT_TRUE(tell_from_p("r2"));

  // B waits for the name server once, not once for each (that would take
  // a minute), and answers P meanwhile.
  int handled = 0;
  std::string line;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        give_up - std::chrono::steady_clock::now());
    if (handled == kStrangers || left.count() <= 0 ||
        !b.read_line(&line, static_cast<int>(left.count()))) {
      break;
    }
    if (line.rfind("cannot locate U", 0) == 0) ++handled;
  }
  const std::string reply = p->next(3000);
  ASSERT_EQ(kill(server.pid(), SIGCONT), 0);
  EXPECT_EQ(handled, kStrangers);
  EXPECT_NE(reply.find(":in-reply-to r2 "), std::string::npos) << reply;
}

TEST_F(EchoAgentTest, AKilledAgentsNameGoesToTheAgentThatTakesItsPlace) {
  childtest::ChildProcess first;
  start_serving(&first, "B");
  ASSERT_EQ(kill(first.pid(), SIGKILL), 0);
  EXPECT_EQ(first.wait_exit(5000), -1);

  childtest::ChildProcess second;
  unsigned port = 0;
  start_serving(&second, "B", &port);  // registered, not refused
  const std::string lookup = testsupport::ask_once(
      ans_port, "(ask-one :sender T :receiver ANS :reply-with r :content (lookup :name B))");
  EXPECT_NE(lookup.find(":port " + std::to_string(port) + ")"), std::string::npos) << lookup;
}

TEST_F(EchoAgentAndPeer, ALocalPeerCanNeitherTakeNorWithdrawALiveAgentsName) {
  const auto ask = [&](const std::string& content) {
    return testsupport::ask_once(
        ans_port, "(register :sender X :receiver ANS :reply-with x :content " + content + ")");
  };
  EXPECT_NE(ask("(register :name B :host 127.0.0.1 :port 1)").find("name taken"),
            std::string::npos);
  EXPECT_NE(ask("(unregister :name B)").find("not the holder"), std::string::npos);

  std::string output;
  EXPECT_EQ(send_from("A", "B", "still yours", &output), 0) << output;
  EXPECT_TRUE(has_line(output, "reply from B: still yours")) << output;
}

// True when the peer has closed `fd` (nothing else waits on these).
bool closed_by_peer(int fd) {
  pollfd ready{fd, POLLIN, 0};
  char byte;
  return ::poll(&ready, 1, 0) == 1 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

TEST_F(EchoAgentTest, WithFewDescriptorsTheAgentStillAnswersWhileIdleConnectionsAreHeld) {
  childtest::ChildProcess b;
  b.set_descriptor_limit(64);
  unsigned port = 0;
  start_serving(&b, "B", &port);
  // C talks to B over one connection (B answers over it) while the idle
  // ones come.
  ASSERT_TRUE(register_peer("C", 1));
  testsupport::FramedClient c(port);
  const auto c_asks = [&](const std::string& id) {
    return c.send("(tell :sender C :receiver B :reply-with " + id + " :content (hi))") &&
           c.next().find(":in-reply-to " + id + " ") != std::string::npos;
  };
  ASSERT_TRUE(c_asks("c1"));

  // More idle connections than B has descriptors.
  std::vector<int> idle;
  for (int i = 0; i < 70; ++i) {
    idle.push_back(testsupport::connect_to_loopback(port));
    ASSERT_GE(idle.back(), 0) << i;
    if (i % 10 == 9) {
      EXPECT_TRUE(c_asks("c" + std::to_string(i))) << i;
    }
  }
  std::string output;
  EXPECT_EQ(send_from("A", "B", "still there", &output), 0) << output;
  EXPECT_TRUE(has_line(output, "reply from B: still there")) << output;
  EXPECT_TRUE(c_asks("c-last"));

  // B kept 48 accepted connections (64 descriptors less the 16 it keeps for
  // itself): to take the newer ones, A's among them, it closed the oldest
  // that had sent nothing, never C's, which had.
  size_t closed = 0;
  for (int fd : idle) closed += closed_by_peer(fd) ? 1 : 0;
  EXPECT_EQ(closed, idle.size() + 2 - 48);
  EXPECT_TRUE(closed_by_peer(idle.front()));
  EXPECT_FALSE(closed_by_peer(idle.back()));
  EXPECT_FALSE(closed_by_peer(c.fd()));

  ASSERT_EQ(kill(b.pid(), SIGTERM), 0);
  EXPECT_TRUE(has_line(b.read_all(5000), "stopping"));
  EXPECT_EQ(b.wait_exit(5000), 0);
  for (int fd : idle) ::close(fd);
}

}  // namespace
