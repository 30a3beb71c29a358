// The name server run as its own program, with peers that misbehave beside
// one that behaves.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/childprocess.h"
#include "testsupport/loopback.h"

namespace {

// How long a test waits for what it expects before it counts it as missing;
// well past the server's own five-second deadlines, so that it only keeps a
// broken server from hanging the test.
constexpr int kPatienceMs = 30000;

int connect_to(unsigned port) {
  const int fd = testsupport::connect_to_loopback(port);
  if (fd < 0) ADD_FAILURE() << "cannot connect to the name server";
  return fd;
}

bool send_text(int fd, const std::string& text) {
  return send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

std::string request(const std::string& performative, const std::string& content) {
  return "(" + performative + " :sender T :receiver ANS :reply-with R1 :content " + content +
         ")\x04";
}

std::string register_request(const std::string& name, int port) {
  return request("register", "(register :name " + name + " :host 127.0.0.1 :port " +
                                 std::to_string(port) + ")");
}

// One request over its own connection, as the agents' client asks; the reply
// without its 0x04, or "(no reply)".
std::string ask(unsigned port, const std::string& text) {
  const int fd = connect_to(port);
  if (fd < 0 || !send_text(fd, text)) {
    if (fd >= 0) close(fd);
    return "(no reply)";
  }
  std::string reply;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        give_up - std::chrono::steady_clock::now());
    pollfd ready{fd, POLLIN, 0};
    char buffer[65536];
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    reply.append(buffer, static_cast<size_t>(got));
    const size_t end = reply.find('\x04');
    if (end != std::string::npos) {
      close(fd);
      return reply.substr(0, end);
    }
  }
  close(fd);
  return "(no reply)";
}

std::string told(const std::string& content) {
  return "(tell :sender ANS :receiver T :in-reply-to R1 :content " + content + ")";
}

// Names long enough that a listing of them (12 MB) outgrows what the
// sockets of a connection can buffer.
void register_long_names(unsigned port) {
  for (int i = 0; i < 200; ++i) {
    const std::string name = "N" + std::to_string(i) + std::string(60000, 'x');
    ASSERT_EQ(ask(port, register_request(name, 7000 + i)), told("(ok)"));
  }
}

// Peers that hold connections to the server in a way of their own until the
// object goes.
class Nuisance {
 public:
  Nuisance() = default;
  Nuisance(const Nuisance&) = delete;
  Nuisance& operator=(const Nuisance&) = delete;
  ~Nuisance() {
    stop_ = true;
    if (sender_.joinable()) sender_.join();
    for (int fd : fds_) close(fd);
  }

  // Opens `count` connections that send nothing.
  void open_idle(unsigned port, int count) {
    for (int i = 0; i < count; ++i) fds_.push_back(connect_to(port));
  }

  // Sends a request that never ends, a byte every `interval`, until the
  // server ends the connection or the object goes.
  void trickle(unsigned port, std::chrono::milliseconds interval) {
    const int fd = connect_to(port);
    fds_.push_back(fd);
    sender_ = std::thread([this, fd, interval] {
      const std::string text = request("ask-all", "(listall)");
      for (size_t i = 0; !stop_ && send_text(fd, text.substr(i % (text.size() - 1), 1)); ++i) {
        std::this_thread::sleep_for(interval);
      }
    });
  }

  // Asks for the listing and never reads it.
  void ask_without_reading(unsigned port) {
    fds_.push_back(connect_to(port));
    send_text(fds_.back(), request("ask-all", "(listall)"));
  }

  int last_fd() const { return fds_.back(); }

 private:
  std::vector<int> fds_;
  std::thread sender_;
  std::atomic<bool> stop_{false};
};

class NameServerProgram : public testing::Test {
 protected:
  void SetUp() override {
    port_ = childtest::start_ans_server(&server_, TESSEL_ANS_SERVER);
    ASSERT_NE(port_, 0u) << "ans-server did not start";
  }

  childtest::ChildProcess server_;
  unsigned port_ = 0;
};

struct NuisanceCase {
  const char* name;
  bool long_names;  // register names whose listing fills the sockets first
  std::function<void(Nuisance*, unsigned port)> start;
};

// Names the case in test listings in place of a byte dump.
void PrintTo(const NuisanceCase& c, std::ostream* out) { *out << c.name; }

class NameServerBeside : public NameServerProgram,
                         public testing::WithParamInterface<NuisanceCase> {};

TEST_P(NameServerBeside, AnswersAWellBehavedClient) {
  const NuisanceCase& c = GetParam();
  if (c.long_names) register_long_names(port_);
  Nuisance nuisance;
  c.start(&nuisance, port_);

  EXPECT_EQ(ask(port_, register_request("Good", 7999)), told("(ok)"));
  EXPECT_EQ(ask(port_, request("ask-one", "(lookup :name Good)")),
            told("(agent :name Good :host 127.0.0.1 :port 7999)"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, NameServerBeside,
    testing::Values(
        NuisanceCase{"AClientSendingAByteASecond", false,
                     [](Nuisance* n, unsigned port) {
                       n->trickle(port, std::chrono::milliseconds(1000));
                     }},
        NuisanceCase{"TenIdleConnections", false,
                     [](Nuisance* n, unsigned port) { n->open_idle(port, 10); }},
        NuisanceCase{"AListallClientThatNeverReads", true,
                     [](Nuisance* n, unsigned port) { n->ask_without_reading(port); }}),
    [](const testing::TestParamInfo<NuisanceCase>& info) { return info.param.name; });

// Whether the server ends the connection `fd` within the patience, looking
// without reading what it sent; `sent` gets what could be read afterwards.
bool ended_by_server(int fd, std::string* sent) {
  pollfd ready{fd, POLLRDHUP, 0};
  if (poll(&ready, 1, kPatienceMs) <= 0) return false;
  char buffer[65536];
  ssize_t got;
  while ((got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
    sent->append(buffer, static_cast<size_t>(got));
  }
  return true;
}

TEST_F(NameServerProgram, EndsARequestThatKeepsTricklingPastItsDeadline) {
  Nuisance nuisance;
  nuisance.trickle(port_, std::chrono::milliseconds(100));
  std::string sent;
  EXPECT_TRUE(ended_by_server(nuisance.last_fd(), &sent));
  EXPECT_EQ(sent, "");
}

TEST_F(NameServerProgram, DropsAReplyThatIsNotTaken) {
  register_long_names(port_);
  Nuisance nuisance;
  nuisance.ask_without_reading(port_);
  std::string sent;
  EXPECT_TRUE(ended_by_server(nuisance.last_fd(), &sent));
  EXPECT_EQ(sent.find('\x04'), std::string::npos) << "the whole listing arrived";
}

TEST_F(NameServerProgram, KeepsANameForItsHolderUntilItUnregisters) {
  EXPECT_EQ(ask(port_, register_request("Holder", 7001)), told("(ok)"));
  EXPECT_EQ(ask(port_, register_request("Holder", 7002)),
            "(sorry :sender ANS :receiver T :in-reply-to R1 :content "
            "(error :text \"name taken\"))");
  EXPECT_EQ(ask(port_, request("ask-one", "(lookup :name Holder)")),
            told("(agent :name Holder :host 127.0.0.1 :port 7001)"));
  // The agents' client unregisters over a new connection from the same host.
  EXPECT_EQ(ask(port_, request("unregister", "(unregister :name Holder)")), told("(ok)"));
  EXPECT_EQ(ask(port_, register_request("Holder", 7002)), told("(ok)"));
}

}  // namespace
