// The echo agent, a real program, under peers that send what they should
// not, while a well-behaved client keeps asking it: the client must still be
// answered, each time within a generous bound.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Talkwick/messageframer.h"
#include "testsupport/childprocess.h"
#include "testsupport/framedclient.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kEnd = 0x04;
constexpr int kAnswerWithinMs = 5000;

// Writes all of `bytes`; false when the peer is gone.
bool send_all(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// True when the peer closed `fd` (end of stream or reset) within timeout_ms.
bool closed_by_peer(int fd, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(std::max<long long>(left, 0))) <= 0) return false;
    char buffer[4096];
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got <= 0) return true;
  }
}

// A tell from `sender` to the echo agent B, without its 0x04.
std::string tell(const std::string& sender, const std::string& content,
                 const std::string& reply_with) {
  return "(tell :sender " + sender + " :receiver B :reply-with " + reply_with + " :content (" +
         content + "))";
}

// A client that talks as agents do: it is registered with the name server
// (at a listener of its own, where the agent may also answer), keeps one
// connection to the agent, opens a new one when the agent closed it, and
// waits for the answer to each text it sends.
class WellBehavedClient {
 public:
  WellBehavedClient(const std::string& name, unsigned agent_port, unsigned ans_port)
      : name_(name), agent_port_(agent_port) {
    listener_ = testsupport::listen_on_loopback(&listen_port_);
    EXPECT_TRUE(testsupport::register_with_name_server(ans_port, name, listen_port_)) << name;
  }
  ~WellBehavedClient() {
    for (const auto& [fd, framer] : readers_) ::close(fd);
    ::close(listener_);
  }
  WellBehavedClient(const WellBehavedClient&) = delete;
  WellBehavedClient& operator=(const WellBehavedClient&) = delete;

  // Sends `words` and waits for the echo; true when it came within
  // `within_ms`. `extra` follows the message in the same send.
  bool ask(const std::string& words, const std::string& extra = "",
           int within_ms = kAnswerWithinMs) {
    const std::string id = "r" + std::to_string(++asked_);
    const std::string text = tell(name_, words, id) + kEnd + extra;
    const auto deadline = Clock::now() + std::chrono::milliseconds(within_ms);
    bool sent = false;
    while (Clock::now() < deadline) {
      if (connection_ < 0) {
        connection_ = testsupport::connect_to_loopback(agent_port_, 1000);
        if (connection_ >= 0) readers_[connection_];
        sent = false;
      }
      if (connection_ >= 0 && !sent) sent = send_all(connection_, text);
      if (wait_for(":in-reply-to " + id + " ", deadline)) return true;
    }
    return false;
  }

  // Sends `bytes` over the connection, alone in their segment, as a peer
  // that does not behave would.
  void send_alone(const std::string& bytes) {
    if (connection_ < 0) {
      connection_ = testsupport::connect_to_loopback(agent_port_, 1000);
      readers_[connection_];
    }
    EXPECT_TRUE(send_all(connection_, bytes));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }

  // Asks one question after another for `milliseconds`, each to be
  // answered well within the 3 s that a send or connect held by the agent
  // would show; false at the first that was not.
  bool answered_for(int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < end) {
      if (!ask("ping", "", 2000)) {
        std::printf("question %d not answered in time\n", asked_);
        return false;
      }
    }
    return true;
  }

  int connection() const { return connection_; }

 private:
  // Reads the connection and those the agent opened to the listener until
  // a message holding `mark` came (true), the connection closed, or the
  // deadline passed.
  bool wait_for(const std::string& mark, Clock::time_point deadline) {
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      std::vector<pollfd> ready{{listener_, POLLIN, 0}};
      for (const auto& [fd, framer] : readers_) ready.push_back({fd, POLLIN, 0});
      if (::poll(ready.data(), ready.size(), static_cast<int>(left)) <= 0) return false;
      if ((ready[0].revents & POLLIN) != 0) readers_[::accept(listener_, nullptr, nullptr)];
      for (size_t i = 1; i < ready.size(); ++i) {
        if (ready[i].revents == 0) continue;
        const int fd = ready[i].fd;
        char buffer[4096];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
          ::close(fd);
          readers_.erase(fd);
          if (fd == connection_) {
            connection_ = -1;
            return false;
          }
          continue;
        }
        for (const auto& message : readers_[fd].feed({buffer, static_cast<size_t>(got)}).messages) {
          if (message.text.find(mark) != std::string_view::npos) return true;
        }
      }
    }
  }

  std::string name_;
  unsigned agent_port_;
  int listener_ = -1;
  unsigned listen_port_ = 0;
  int connection_ = -1;
  std::map<int, CMessageFramer> readers_;  // every connection read, the agent's own included
  int asked_ = 0;
};

class HostilePeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ans_port = childtest::start_ans_server(&ans, TESSEL_ANS_SERVER);
    ASSERT_NE(ans_port, 0u);
  }
  void TearDown() override {
    for (int fd : hostile) ::close(fd);
    if (output_reader.joinable()) {
      kill(agent.pid(), SIGTERM);
      output_reader.join();
    }
  }

  // Starts the echo agent "B" with `extra` arguments; false when it did not
  // come up registered.
  void start_agent(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"-name", "B", "-port", "0", "-ans", "127.0.0.1", "-ansport",
                                  std::to_string(ans_port)};
    args.insert(args.end(), extra.begin(), extra.end());
    ASSERT_TRUE(agent.start(TESSEL_ECHO_AGENT, args));
    std::string line;
    ASSERT_TRUE(agent.read_line(&line));
    const std::string listening = "B listening on 127.0.0.1:";
    ASSERT_EQ(line.rfind(listening, 0), 0u) << line;
    agent_port = static_cast<unsigned>(std::stoul(line.substr(listening.size())));
    ASSERT_TRUE(agent.read_line(&line));
    ASSERT_EQ(line.rfind("registered", 0), 0u) << line;
    // The agent prints a line a message: read on, so that a flood does not
    // fill the pipe and hold it.
    output_reader = std::thread([this] { output = agent.read_all(120000); });
  }

  bool register_peer(const std::string& name, unsigned port) const {
    return testsupport::register_with_name_server(ans_port, name, port);
  }

  // A hostile connection that sends `bytes` (maybe nothing) and stays.
  int attack(const std::string& bytes) {
    const int fd = testsupport::connect_to_loopback(agent_port);
    EXPECT_GE(fd, 0);
    if (!bytes.empty()) send_all(fd, bytes);
    hostile.push_back(fd);
    return fd;
  }

  // Asks `count` times; how many were answered in time.
  int answered_of(WellBehavedClient& client, int count) {
    int answered = 0;
    for (int i = 0; i < count; ++i) answered += client.ask("hello " + std::to_string(i)) ? 1 : 0;
    std::printf("answered %d of %d\n", answered, count);
    return answered;
  }

  testsupport::TempDir dir;  // the agent's working directory (UUID state files)
  childtest::ChildProcess ans;
  childtest::ChildProcess agent;
  unsigned ans_port = 0;
  unsigned agent_port = 0;
  std::vector<int> hostile;
  std::thread output_reader;
  std::string output;
};

TEST_F(HostilePeerTest, AGoodMessageIsAnsweredWhateverFollowsIt) {
  start_agent();
  WellBehavedClient client("C", agent_port, ans_port);
  EXPECT_TRUE(client.ask("first", std::string("(((") + kEnd));
  EXPECT_TRUE(client.ask("second", std::string(1, kEnd)));
  EXPECT_TRUE(client.ask("third"));
}

TEST_F(HostilePeerTest, AnHttpRequestDoesNotSpoilTheMessageAfterIt) {
  start_agent();
  WellBehavedClient client("C", agent_port, ans_port);
  // The client began a message and broke off, then sent a request.
  client.send_alone("(tell :sender C :content (never ended");
  client.send_alone("GET /status HTTP/1.0\r\n\r\n");
  // Named by the request, the connection is not the one B answers C on:
  // the answer comes over a connection of B's own, which the client reads.
  EXPECT_TRUE(client.ask("after the request"));
}

// Connections up to the agent's limit, each of which has sent what it
// shows: the newcomer is served all the same.
struct ShelterCase {
  const char* name;
  std::string sent;  // by each hostile connection
};

void PrintTo(const ShelterCase& c, std::ostream* out) { *out << c.name; }

class Shelter : public HostilePeerTest, public ::testing::WithParamInterface<ShelterCase> {};

TEST_P(Shelter, AtTheLimitANewcomerIsStillServed) {
  // 64 descriptors: the agent accepts 48 connections at once.
  agent.set_descriptor_limit(64);
  start_agent();
  for (int i = 0; i < 60; ++i) attack(GetParam().sent);
  // Let the agent take them all before the client comes.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  WellBehavedClient client("C", agent_port, ans_port);
  EXPECT_EQ(answered_of(client, 5), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Connections, Shelter,
    ::testing::Values(ShelterCase{"Nothing", ""}, ShelterCase{"OnlyATerminator", std::string(1, kEnd)},
                      ShelterCase{"OneMessageEach",
                                  std::string("(tell :sender H :content (x))") + kEnd}),
    [](const ::testing::TestParamInfo<ShelterCase>& info) { return std::string(info.param.name); });

TEST_F(HostilePeerTest, IdleConnectionsAreClosedWhileTheClientIsServed) {
  start_agent({"-idle", "2"});
  const std::vector<int> idle = {
      attack(""),
      attack(std::string(1, kEnd)),
      attack(std::string("(tell :sender H :content (x))") + kEnd),
      attack("(tell :sender H :content (never ended"),
  };
  WellBehavedClient client("C", agent_port, ans_port);
  // The client keeps asking, more often than the idle bound: it stays.
  const auto until = Clock::now() + std::chrono::seconds(4);
  int asked = 0;
  int answered = 0;
  const int first = (client.ask("start"), client.connection());
  while (Clock::now() < until) {
    ++asked;
    answered += client.ask("still here") ? 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_EQ(answered, asked);
  EXPECT_EQ(client.connection(), first);
  for (int fd : idle) EXPECT_TRUE(closed_by_peer(fd, 3000)) << fd;
}

TEST_F(HostilePeerTest, AFullByteBudgetDropsTheHoggersNotTheNewcomer) {
  start_agent();
  // 64 connections each holding a partial message just short of the
  // largest one: together just short of what the agent holds at most.
  const std::string hog(CMessageFramer::kMaxMessage - 1, 'x');
  for (int i = 0; i < 64; ++i) attack(hog);
  WellBehavedClient client("C", agent_port, ans_port);
  // The client asks while the agent takes in the hoggers' bytes, until the
  // budget was full and a hogger had to go.
  const auto until = Clock::now() + std::chrono::seconds(20);
  const auto hogger_gone = [&] {
    return std::any_of(hostile.begin(), hostile.end(), [](int fd) { return closed_by_peer(fd, 0); });
  };
  int asked = 0;
  int answered = 0;
  while (!hogger_gone() && Clock::now() < until) {
    ++asked;
    answered += client.ask("while they fill it") ? 1 : 0;
  }
  std::printf("answered %d of %d while the budget filled\n", answered, asked);
  EXPECT_EQ(answered, asked);
  EXPECT_TRUE(hogger_gone());
  EXPECT_EQ(answered_of(client, 20), 20);
}

TEST_F(HostilePeerTest, APeerThatHalfClosesAfterItsRequestsGetsTheReplies) {
  start_agent();
  unsigned c_port = 0;
  const int c_listener = testsupport::listen_on_loopback(&c_port);
  ASSERT_TRUE(register_peer("C", c_port));
  testsupport::FramedClient peer(agent_port);
  // Several, so that B learns of the end while it still has replies to send.
  for (const char* id : {"h1", "h2", "h3"}) ASSERT_TRUE(peer.send(tell("C", id, id)));
  ASSERT_EQ(::shutdown(peer.fd(), SHUT_WR), 0);
  for (const char* id : {"h1", "h2", "h3"}) {
    const std::string reply = peer.next(kAnswerWithinMs);
    EXPECT_NE(reply.find(std::string(":in-reply-to ") + id), std::string::npos) << reply;
  }
  ::close(c_listener);
}

TEST_F(HostilePeerTest, APeerThatNeverReadsItsRepliesHoldsNobodyElse) {
  start_agent();
  unsigned p_port = 0;
  const int p_listener = testsupport::listen_on_loopback(&p_port);
  ASSERT_TRUE(register_peer("P", p_port));
  // P asks for more than the system holds for it and reads nothing.
  const int p = attack("");
  std::thread flood([p] {
    const std::string large(500000, 'p');
    for (int i = 0; i < 12; ++i) {
      if (!send_all(p, tell("P", large, "p" + std::to_string(i)) + kEnd)) return;
    }
  });
  WellBehavedClient client("C", agent_port, ans_port);
  EXPECT_TRUE(client.answered_for(3500));
  ::shutdown(p, SHUT_RDWR);
  flood.join();
  ::close(p_listener);
}

TEST_F(HostilePeerTest, AReplyToAListenerThatDoesNotAnswerHoldsNobodyElse) {
  start_agent();
  testsupport::UnansweringListener unanswering;
  ASSERT_TRUE(register_peer("P", unanswering.port()));
  ASSERT_TRUE(register_peer("Q", unanswering.port()));
  // The connection is named after Q: the reply to P needs a connection of
  // B's own, to a listener that never answers.
  const int p = attack(tell("Q", "first", "q1") + kEnd);
  ASSERT_TRUE(send_all(p, tell("P", "call me back", "p1") + kEnd));
  WellBehavedClient client("C", agent_port, ans_port);
  EXPECT_TRUE(client.answered_for(3500));
}

TEST_F(HostilePeerTest, ManyPeersToReplyToOverNewConnectionsLeaveTheAgentItsDescriptors) {
  agent.set_descriptor_limit(64);
  start_agent();
  // One connection speaks for many senders: it is named after the first,
  // so that every other reply takes a new connection of B's own, to
  // listeners that take them all (two: the name server keeps a bounded
  // number of names at one place).
  unsigned callback_ports[2] = {};
  const int callbacks[2] = {testsupport::listen_on_loopback(&callback_ports[0], 512),
                            testsupport::listen_on_loopback(&callback_ports[1], 512)};
  constexpr int kSenders = 70;
  const int p = attack("");
  for (int i = 0; i < kSenders; ++i) {
    const std::string name = "P" + std::to_string(i);
    ASSERT_TRUE(register_peer(name, callback_ports[i % 2])) << name;
    ASSERT_TRUE(send_all(p, tell(name, "x", "r") + kEnd));
  }
  // B called every other one back.
  std::vector<int> called;
  pollfd ready[2] = {{callbacks[0], POLLIN, 0}, {callbacks[1], POLLIN, 0}};
  while (called.size() < kSenders - 1 && ::poll(ready, 2, 5000) > 0) {
    for (const pollfd& listener : ready) {
      if ((listener.revents & POLLIN) != 0) {
        called.push_back(::accept(listener.fd, nullptr, nullptr));
      }
    }
  }
  EXPECT_EQ(called.size(), static_cast<size_t>(kSenders - 1));
  WellBehavedClient client("C", agent_port, ans_port);
  EXPECT_TRUE(client.ask("still there"));
  for (const int fd : called) ::close(fd);
  for (const int fd : callbacks) ::close(fd);
}

}  // namespace
