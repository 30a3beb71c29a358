// The echo agent and the name server as separate processes on loopback.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <netinet/in.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/childprocess.h"
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

  // More idle connections than B has descriptors.
  std::vector<int> idle;
  for (int i = 0; i < 70; ++i) {
    idle.push_back(testsupport::connect_to_loopback(port));
    ASSERT_GE(idle.back(), 0) << i;
  }
  std::string output;
  EXPECT_EQ(send_from("A", "B", "still there", &output), 0) << output;
  EXPECT_TRUE(has_line(output, "reply from B: still there")) << output;

  // B kept 48 accepted connections (64 descriptors less the 16 it keeps for
  // itself): to take the newer ones, A's among them, it closed the oldest
  // that had sent nothing.
  size_t closed = 0;
  for (int fd : idle) closed += closed_by_peer(fd) ? 1 : 0;
  EXPECT_EQ(closed, idle.size() + 1 - 48);
  EXPECT_TRUE(closed_by_peer(idle.front()));
  EXPECT_FALSE(closed_by_peer(idle.back()));

  ASSERT_EQ(kill(b.pid(), SIGTERM), 0);
  EXPECT_TRUE(has_line(b.read_all(5000), "stopping"));
  EXPECT_EQ(b.wait_exit(5000), 0);
  for (int fd : idle) ::close(fd);
}

// --- Peers that do not play along, and a client that must still be answered

constexpr char kEnd = 0x04;

std::string request(const std::string& sender, const std::string& content,
                    const std::string& reply_with) {
  return "(tell :sender " + sender + " :receiver B :reply-with " + reply_with + " :content (" +
         content + "))" + kEnd;
}

bool send_all(int fd, const std::string& bytes) {
  return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// What comes on `fd` up to the first 0x04 (without it); "" when none came
// within timeout_ms.
std::string read_framed(int fd, int timeout_ms) {
  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    pollfd ready{fd, POLLIN, 0};
    if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) != 1) return "";
    char byte;
    if (::recv(fd, &byte, 1, 0) != 1) return "";
    if (byte == kEnd) return text;
    text += byte;
  }
}

// Enters `name` at the name server for 127.0.0.1:`port`; true when it said ok.
bool register_name(unsigned ans_port, const std::string& name, unsigned port) {
  const int fd = testsupport::connect_to_loopback(ans_port);
  if (fd < 0) return false;
  const bool ok = send_all(fd, "(register :sender " + name + " :receiver ANS :reply-with r :content " +
                                   "(register :name " + name + " :host 127.0.0.1 :port " +
                                   std::to_string(port) + "))" + kEnd) &&
                  read_framed(fd, 3000).find("(ok)") != std::string::npos;
  ::close(fd);
  return ok;
}

// A well-behaved client of the agent B: asks on a connection of its own and
// reads every answer.
class Client {
 public:
  explicit Client(unsigned port) : fd_(testsupport::connect_to_loopback(port)) {}
  ~Client() {
    if (fd_ >= 0) ::close(fd_);
  }
  // True when B answered the next question within timeout_ms.
  bool answered(int timeout_ms) {
    const std::string id = "q" + std::to_string(++asked_);
    if (!send_all(fd_, request("C", "ping " + id, id))) return false;
    return read_framed(fd_, timeout_ms).find(":in-reply-to " + id) != std::string::npos;
  }
  // Asks one question after another for `milliseconds`; false at the first
  // one that B did not answer within timeout_ms.
  bool answered_for(int milliseconds, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      if (!answered(timeout_ms)) return false;
    }
    return true;
  }
  int asked() const { return asked_; }

 private:
  int fd_;
  int asked_ = 0;
};

// The echo agent B serving under a name server, with its output read on a
// thread of its own (a flood of messages makes more than a pipe holds), and
// the client C registered.
class HostilePeerTest : public EchoAgentTest {
 protected:
  void SetUp() override {
    EchoAgentTest::SetUp();
    if (HasFatalFailure()) return;
    c_listener = testsupport::listen_on_loopback(&c_port);
    ASSERT_TRUE(register_name(ans_port, "C", c_port));
  }
  void start_b(rlim_t descriptors = 0) {
    if (descriptors > 0) b.set_descriptor_limit(descriptors);
    start_serving(&b, "B", &b_port);
    reader = std::thread([this] { b_output = b.read_all(120000); });
  }
  void TearDown() override {
    if (reader.joinable()) {
      kill(b.pid(), SIGTERM);
      reader.join();
    }
    if (c_listener >= 0) ::close(c_listener);
  }

  childtest::ChildProcess b;
  unsigned b_port = 0;
  std::thread reader;
  std::string b_output;
  int c_listener = -1;
  unsigned c_port = 0;
};

// Answers come well within this; a loop held for 3 s shows past it.
constexpr int kAnswerBoundMs = 2000;

TEST_F(HostilePeerTest, APeerThatHalfClosesAfterItsRequestsGetsTheReplies) {
  start_b();
  const int fd = testsupport::connect_to_loopback(b_port);
  // Several, so that B learns of the end while it still has replies to send.
  for (const char* id : {"h1", "h2", "h3"}) ASSERT_TRUE(send_all(fd, request("C", id, id)));
  ASSERT_EQ(::shutdown(fd, SHUT_WR), 0);
  for (const char* id : {"h1", "h2", "h3"}) {
    const std::string reply = read_framed(fd, 5000);
    EXPECT_NE(reply.find(std::string(":in-reply-to ") + id), std::string::npos) << reply;
  }
  ::close(fd);
}

TEST_F(HostilePeerTest, APeerThatNeverReadsItsRepliesHoldsNobodyElse) {
  start_b();
  unsigned p_port = 0;
  const int p_listener = testsupport::listen_on_loopback(&p_port);
  ASSERT_TRUE(register_name(ans_port, "P", p_port));
  // P asks for more than the system holds for it and reads nothing.
  const int p = testsupport::connect_to_loopback(b_port);
  std::thread flood([p] {
    const std::string large(500000, 'p');
    for (int i = 0; i < 12; ++i) {
      if (!send_all(p, request("P", large, "p" + std::to_string(i)))) return;
    }
  });

  Client client(b_port);
  EXPECT_TRUE(client.answered_for(3500, kAnswerBoundMs)) << "question " << client.asked();
  ::shutdown(p, SHUT_RDWR);
  flood.join();
  ::close(p);
  ::close(p_listener);
}

TEST_F(HostilePeerTest, AReplyToAListenerThatDoesNotAnswerHoldsNobodyElse) {
  start_b();
  testsupport::UnansweringListener unanswering;
  ASSERT_TRUE(register_name(ans_port, "P", unanswering.port()));
  ASSERT_TRUE(register_name(ans_port, "Q", unanswering.port()));
  // The connection is named after Q: the reply to P needs a connection of
  // B's own, to a listener that never answers.
  const int p = testsupport::connect_to_loopback(b_port);
  ASSERT_TRUE(send_all(p, request("Q", "first", "q1")));
  ASSERT_TRUE(send_all(p, request("P", "call me back", "p1")));

  Client client(b_port);
  EXPECT_TRUE(client.answered_for(3500, kAnswerBoundMs)) << "question " << client.asked();
  ::close(p);
}

TEST_F(HostilePeerTest, ManyPeersToReplyToOverNewConnectionsLeaveTheAgentItsDescriptors) {
  start_b(64);
  // One connection speaks for many senders: it is named after the first,
  // so that every other reply takes a new connection of B's own, to a
  // listener that takes them all.
  unsigned callback_port = 0;
  const int callback = testsupport::listen_on_loopback(&callback_port, 512);
  constexpr int kSenders = 70;
  const int p = testsupport::connect_to_loopback(b_port);
  for (int i = 0; i < kSenders; ++i) {
    const std::string name = "P" + std::to_string(i);
    ASSERT_TRUE(register_name(ans_port, name, callback_port)) << name;
    ASSERT_TRUE(send_all(p, request(name, "x", "r")));
  }
  // B called every other one back.
  std::vector<int> called;
  pollfd ready{callback, POLLIN, 0};
  while (called.size() < kSenders - 1 && ::poll(&ready, 1, 5000) == 1) {
    called.push_back(::accept(callback, nullptr, nullptr));
  }
  EXPECT_EQ(called.size(), static_cast<size_t>(kSenders - 1));
  Client client(b_port);
  EXPECT_TRUE(client.answered(5000));
  for (const int fd : called) ::close(fd);
  ::close(p);
  ::close(callback);
}

}  // namespace
