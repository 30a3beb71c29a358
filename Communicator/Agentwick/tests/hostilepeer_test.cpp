// The echo agent, a real program, under peers that send what they should
// not, while a well-behaved client keeps asking it: the client must still be
// answered, each time within a generous bound.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
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
  // How often the agent closed the client's connection.
  int lost() const { return lost_; }

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
            ++lost_;
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
  int lost_ = 0;
};

// The client at work while the test attacks: it asks on a thread of its own,
// one question after another, each to be answered within the bound of
// answered_for, until stop().
class ClientAtWork {
 public:
  explicit ClientAtWork(WellBehavedClient* client)
      : client_(client), thread_([this] { work(); }) {}
  ~ClientAtWork() { stop(); }
  ClientAtWork(const ClientAtWork&) = delete;
  ClientAtWork& operator=(const ClientAtWork&) = delete;

  // Ends the work once the question under way is answered; true when every
  // question was answered in time.
  bool stop() {
    working_ = false;
    if (thread_.joinable()) {
      thread_.join();
      std::printf("answered %d of %d during the attack\n", answered_, asked_);
    }
    return answered_ == asked_;
  }

 private:
  void work() {
    while (working_) {
      ++asked_;
      answered_ += client_->ask("at work", "", 2000) ? 1 : 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  WellBehavedClient* client_;
  std::atomic<bool> working_{true};
  int asked_ = 0;
  int answered_ = 0;
  std::thread thread_;
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
  // A client at work while they come, and a newcomer once they are all in.
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  ClientAtWork work(&client);
  for (int i = 0; i < 60; ++i) attack(GetParam().sent);
  // Let the agent take them all before the newcomer comes.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(work.stop());
  WellBehavedClient newcomer("N", agent_port, ans_port);
  EXPECT_EQ(answered_of(newcomer, 5), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Connections, Shelter,
    ::testing::Values(ShelterCase{"Nothing", ""}, ShelterCase{"OnlyATerminator", std::string(1, kEnd)},
                      ShelterCase{"OneMessageEach",
                                  std::string("(tell :sender H :content (x))") + kEnd}),
    [](const ::testing::TestParamInfo<ShelterCase>& info) { return std::string(info.param.name); });

TEST_F(HostilePeerTest, IdleConnectionsAreClosedWhileTheClientIsServed) {
  start_agent({"-idle", "2"});
  WellBehavedClient client("C", agent_port, ans_port);
  const int first = (client.ask("start"), client.connection());
  const std::vector<int> idle = {
      attack(""),
      attack(std::string(1, kEnd)),
      attack(std::string("(tell :sender H :content (x))") + kEnd),
      attack("(tell :sender H :content (never ended"),
  };
  // The client keeps asking, more often than the idle bound: it stays.
  const auto until = Clock::now() + std::chrono::seconds(4);
  int asked = 0;
  int answered = 0;
  while (Clock::now() < until) {
    ++asked;
    answered += client.ask("still here") ? 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_EQ(answered, asked);
  EXPECT_EQ(client.connection(), first);
  for (int fd : idle) EXPECT_TRUE(closed_by_peer(fd, 3000)) << fd;
}

TEST_F(HostilePeerTest, APeerWhoseMessagesAreLongerThanItsSegmentsIsNotTakenForAStaller) {
  start_agent({"-idle", "2"});
  unsigned s_port = 0;
  const int s_listener = testsupport::listen_on_loopback(&s_port);
  ASSERT_TRUE(register_peer("S", s_port));
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  ClientAtWork work(&client);
  // S streams 1,500-byte messages in pieces of 997 bytes, about 33 pieces a
  // second, and reads every answer: every piece but the first ends inside a
  // message, yet none of them waits long for its end.
  testsupport::FramedClient s(agent_port);
  std::string stream;
  constexpr int kMessages = 110;  // over two idle bounds' worth
  for (int i = 0; i < kMessages; ++i) {
    std::string text = tell("S", "s", "s" + std::to_string(i));
    text.insert(text.size() - 2, 1499 - text.size(), 'x');  // content (sxxx...)
    stream += text + kEnd;
  }
  int answered = 0;
  for (size_t at = 0; at < stream.size(); at += 997) {
    ASSERT_TRUE(send_all(s.fd(), stream.substr(at, 997))) << "closed after " << at << " bytes";
    const auto next_piece = Clock::now() + std::chrono::milliseconds(30);
    while (Clock::now() < next_piece) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next_piece -
                                                                              Clock::now());
      if (!s.next(static_cast<int>(std::max<long long>(left.count(), 1))).empty()) ++answered;
    }
  }
  while (answered < kMessages && !s.next(kAnswerWithinMs).empty()) ++answered;
  EXPECT_EQ(answered, kMessages);
  EXPECT_FALSE(closed_by_peer(s.fd(), 0));
  EXPECT_TRUE(work.stop());
  ::close(s_listener);
}

// Connections opened as fast as a peer can, at the agent's limit, while the
// client works: the client, which delivers, is never the one that goes.
struct FloodCase {
  const char* name;
  bool close_at_once;  // each connection is closed as soon as it is made
};

void PrintTo(const FloodCase& c, std::ostream* out) { *out << c.name; }

class Flood : public HostilePeerTest, public ::testing::WithParamInterface<FloodCase> {};

TEST_P(Flood, AtTheLimitTheClientThatDeliversKeepsItsConnection) {
  // 48 accepted at once, which the flood turns over many times a second.
  agent.set_descriptor_limit(64);
  start_agent();
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  const int first = client.connection();
  ClientAtWork work(&client);
  std::atomic<bool> flooding{true};
  std::atomic<long> made{0};
  std::vector<std::thread> flooders;
  for (int t = 0; t < 2; ++t) {
    flooders.emplace_back([&] {
      std::deque<int> open;
      while (flooding) {
        const int fd = testsupport::connect_to_loopback(agent_port, 1000);
        if (fd < 0) continue;
        ++made;
        open.push_back(fd);
        // The agent has closed the older ones long since.
        while (open.size() > (GetParam().close_at_once ? 0u : 200u)) {
          ::close(open.front());
          open.pop_front();
        }
      }
      for (const int fd : open) ::close(fd);
    });
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
  flooding = false;
  for (std::thread& flooder : flooders) flooder.join();
  std::printf("%ld connections made\n", made.load());
  EXPECT_TRUE(work.stop());
  EXPECT_EQ(client.lost(), 0);
  EXPECT_EQ(client.connection(), first);
}

INSTANTIATE_TEST_SUITE_P(
    Connections, Flood,
    ::testing::Values(FloodCase{"IdleConnections", false}, FloodCase{"ConnectAndClose", true}),
    [](const ::testing::TestParamInfo<FloodCase>& info) { return std::string(info.param.name); });

TEST_F(HostilePeerTest, AFullByteBudgetDropsTheHoggersNotTheNewcomer) {
  start_agent();
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  // 64 connections each holding a partial message just short of the
  // largest one: together just short of what the agent holds at most.
  const std::string hog(CMessageFramer::kMaxMessage - 1, 'x');
  for (int i = 0; i < 64; ++i) attack(hog);
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

// The resident memory of process `pid` in bytes, from /proc; 0 when it
// cannot be read.
size_t resident_bytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
  }
  return 0;
}

TEST_F(HostilePeerTest, WhatTheAgentTakesFollowsItsBudgetAndGoesBackOnceThePeersLeave) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine: its resident "
                  "memory does not follow what the agent holds";
#endif
  constexpr size_t kBudget = size_t{64} << 20;  // the agent's default
  constexpr int kPeers = 500;
  start_agent();
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  const size_t base = resident_bytes(agent.pid());
  ASSERT_GT(base, 0u);

  // 500 peers, each known to the name server, send messages of 1 MB one
  // after another and read nothing: their partial messages, their queued
  // ones and the answers they leave unread fill the budget over and over.
  // (The megabyte is the reply-with, which the answer carries back, so that
  // the agent's lines stay short.)
  std::vector<int> listeners;
  for (int i = 0; i < kPeers; i += 64) {
    unsigned port = 0;
    listeners.push_back(testsupport::listen_on_loopback(&port));
    for (int j = i; j < std::min(i + 64, kPeers); ++j) {
      ASSERT_TRUE(register_peer("P" + std::to_string(j), port)) << j;
    }
  }
  const std::string large(1000000, 'r');
  const std::string tail = std::string(" :content (x))") + kEnd;
  struct Peer {
    int fd;
    std::string head;
    size_t at;  // in head, large and tail, one after another
  };
  std::vector<Peer> peers;
  for (int i = 0; i < kPeers; ++i) {
    peers.push_back({-1, "(tell :sender P" + std::to_string(i) + " :receiver B :reply-with ", 0});
  }
  const auto next_bytes = [&](const Peer& peer) {
    size_t at = peer.at;
    for (const std::string* part : {&peer.head, &large, &tail}) {
      if (at < part->size()) return std::string_view(*part).substr(at);
      at -= part->size();
    }
    return std::string_view();
  };
  ClientAtWork work(&client);
  size_t most = 0;
  const auto until = Clock::now() + std::chrono::seconds(6);
  while (Clock::now() < until) {
    std::vector<pollfd> ready;
    for (Peer& peer : peers) {
      if (peer.fd < 0) {
        peer.fd = testsupport::connect_to_loopback(agent_port, 1000);
        peer.at = 0;
      }
      ready.push_back({peer.fd, POLLOUT, 0});
    }
    ::poll(ready.data(), ready.size(), 100);
    for (size_t i = 0; i < peers.size(); ++i) {
      Peer& peer = peers[i];
      if (ready[i].revents == 0) continue;
      const std::string_view bytes = next_bytes(peer);
      const ssize_t sent = ::send(peer.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent > 0) {
        peer.at += static_cast<size_t>(sent);
        if (next_bytes(peer).empty()) peer.at = 0;  // the next message
      } else if (sent < 0 && errno != EAGAIN) {
        ::close(peer.fd);  // closed by the agent: a new connection
        peer.fd = -1;
      }
    }
    most = std::max(most, resident_bytes(agent.pid()));
  }
  for (Peer& peer : peers) ::close(peer.fd);
  for (const int fd : listeners) ::close(fd);
  std::printf("resident: %zu MB before, %zu MB at most during the attack\n", base >> 20,
              most >> 20);
  // Beside what the budget counts, the agent's connections and buffers
  // take their share; twice the budget leaves room enough for them.
  EXPECT_LE(most, base + 2 * kBudget);

  // Once the peers are gone, what they held goes back, but for the buffers
  // that the agent keeps for messages as long as theirs.
  size_t after = resident_bytes(agent.pid());
  for (int i = 0; i < 30 && after > base + (size_t{32} << 20); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    after = resident_bytes(agent.pid());
  }
  std::printf("resident: %zu MB after the peers left\n", after >> 20);
  EXPECT_LE(after, base + (size_t{32} << 20));
  EXPECT_TRUE(work.stop());
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
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  // P asks for more than the system holds for it and reads nothing.
  const int p = attack("");
  std::thread flood([p] {
    const std::string large(500000, 'p');
    for (int i = 0; i < 12; ++i) {
      if (!send_all(p, tell("P", large, "p" + std::to_string(i)) + kEnd)) return;
    }
  });
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
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  // The connection is named after Q: the reply to P needs a connection of
  // B's own, to a listener that never answers.
  const int p = attack(tell("Q", "first", "q1") + kEnd);
  ASSERT_TRUE(send_all(p, tell("P", "call me back", "p1") + kEnd));
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
  WellBehavedClient client("C", agent_port, ans_port);
  ASSERT_TRUE(client.ask("before"));
  ClientAtWork work(&client);
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
  EXPECT_TRUE(work.stop());
  EXPECT_TRUE(client.ask("still there"));
  for (const int fd : called) ::close(fd);
  for (const int fd : callbacks) ::close(fd);
}

}  // namespace
