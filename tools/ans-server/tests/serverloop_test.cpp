// The name server run as its own program, with peers that misbehave beside
// one that behaves.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Namewick/ansprotocol.h"
#include "nameserver.h"
#include "serverloop.h"
#include "testsupport/childprocess.h"
#include "testsupport/framedclient.h"
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
  return "(" + performative + " :sender T :receiver ANS :reply-with R1 :content " + content + ")";
}

std::string register_request(const std::string& name, int port) {
  return request("register", "(register :name " + name + " :host 127.0.0.1 :port " +
                                 std::to_string(port) + ")");
}

// One request over its own connection, as the agents' client asks; the reply
// without its 0x04, or "(no reply)".
std::string ask(unsigned port, const std::string& text) {
  return testsupport::ask_once(port, text, kPatienceMs);
}

std::string told(const std::string& content) {
  return "(tell :sender ANS :receiver T :in-reply-to R1 :content " + content + ")";
}

std::string sorry(const std::string& reason) {
  return "(sorry :sender ANS :receiver T :in-reply-to R1 :content (error :text \"" + reason +
         "\"))";
}

// The key that a registration's reply gives; "" for any other reply.
std::string key_in(const std::string& reply) {
  CANSReply read;
  if (read.read(reply.c_str(), "R1", "ok") != CANSReply::kTold) return "";
  const char* key = read.field("key");
  return key != nullptr ? key : "";
}

// Registers names as long as names may be until a listing of them is as
// long as the server makes one.
void fill_listing(unsigned port) {
  for (size_t i = 0; i * ansprotocol::kMaxWord < NameServer::kMaxListing + 1000; ++i) {
    const std::string name = "N" + std::to_string(i) + std::string(ansprotocol::kMaxWord - 4, 'x');
    ASSERT_NE(key_in(ask(port, register_request(name, 7000 + static_cast<int>(i)))), "") << i;
  }
}

// A connection to the server whose receive window is as small as the system
// lets it be, so that even a short reply does not fit in the sockets'
// buffers of a peer that does not read it; -1 when it was not made.
int connect_unread(unsigned port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int smallest = 1;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &smallest, sizeof smallest);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ADD_FAILURE() << "cannot connect to the name server";
    close(fd);
    return -1;
  }
  return fd;
}

// A well-behaved client that asks `text` over and over, each time over a
// connection of its own, until the object goes, and counts the requests
// that did not get `expected` within a few seconds.
class LiveClient {
 public:
  static constexpr int kPromptlyMs = 3000;

  LiveClient(unsigned port, std::string text, std::string expected)
      : thread_([this, port, text = std::move(text), expected = std::move(expected)] {
          while (!stop_) {
            const std::string reply = testsupport::ask_once(port, text, kPromptlyMs);
            std::lock_guard<std::mutex> hold(mutex_);
            ++asked_;
            if (reply != expected) {
              if (missed_++ == 0) first_miss_ = reply;
            }
          }
        }) {}
  ~LiveClient() { stop(); }
  LiveClient(const LiveClient&) = delete;
  LiveClient& operator=(const LiveClient&) = delete;

  // Waits until `count` more requests were asked.
  void wait_for(int count) {
    int until;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      until = asked_ + count;
    }
    for (;;) {
      {
        std::lock_guard<std::mutex> hold(mutex_);
        if (asked_ >= until) return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // After stop().
  int asked() const { return asked_; }
  int missed() const { return missed_; }
  const std::string& first_miss() const { return first_miss_; }

 private:
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  int asked_ = 0;
  int missed_ = 0;
  std::string first_miss_;
  std::thread thread_;  // last: it starts once the rest is made
};

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
      for (size_t i = 0; !stop_ && send_text(fd, text.substr(i % text.size(), 1)); ++i) {
        std::this_thread::sleep_for(interval);
      }
    });
  }

  // Asks for the listing and never reads it.
  void ask_without_reading(unsigned port) {
    const int fd = connect_unread(port);
    fds_.push_back(fd);
    send_text(fd, request("ask-all", "(listall)") + '\x04');
  }

  // Keeps `count` connections that each sent `text` and read nothing, a
  // new one for each that the server ends, until the object goes.
  void keep_asking(unsigned port, std::string text, size_t count) {
    sender_ = std::thread([this, port, text = std::move(text) + '\x04', count] {
      std::vector<pollfd> held;
      while (!stop_) {
        while (held.size() < count) {
          const int fd = connect_unread(port);
          if (fd < 0) break;
          send_text(fd, text);
          held.push_back({fd, POLLRDHUP, 0});
        }
        poll(held.data(), held.size(), 10);
        std::erase_if(held, [](const pollfd& p) {
          if ((p.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0) return false;
          close(p.fd);
          return true;
        });
      }
      for (const pollfd& p : held) close(p.fd);
    });
  }

  // A listener that leaves handshakes unanswered while the object lives;
  // its port.
  unsigned hold_unanswering() {
    unanswering_ = std::make_unique<testsupport::UnansweringListener>();
    return unanswering_->port();
  }

  // The connections in the order they were opened.
  int fd(size_t i) const { return fds_.at(i); }
  int last_fd() const { return fds_.back(); }

 private:
  std::vector<int> fds_;
  std::unique_ptr<testsupport::UnansweringListener> unanswering_;
  std::thread sender_;
  std::atomic<bool> stop_{false};
};

// A holder that listens on loopback while the test runs.
class LiveHolder {
 public:
  LiveHolder() : fd_(testsupport::listen_on_loopback(&port_)) {}
  ~LiveHolder() { close(); }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int port() const { return static_cast<int>(port_); }

 private:
  unsigned port_ = 0;
  int fd_;
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
  bool full_listing;  // register names until the listing is as long as it gets
  std::function<void(Nuisance*, unsigned port)> start;
};

// Names the case in test listings in place of a byte dump.
void PrintTo(const NuisanceCase& c, std::ostream* out) { *out << c.name; }

// The server runs with few descriptors, as a busy one may, so that peers can
// take more connections than it has.
class NameServerBeside : public NameServerProgram,
                         public testing::WithParamInterface<NuisanceCase> {
 protected:
  static constexpr rlim_t kDescriptors = 128;
  void SetUp() override {
    server_.set_descriptor_limit(kDescriptors);
    NameServerProgram::SetUp();
  }
};

TEST_P(NameServerBeside, AnswersAWellBehavedClientThroughout) {
  const NuisanceCase& c = GetParam();
  if (c.full_listing) fill_listing(port_);
  LiveHolder good;
  ASSERT_NE(key_in(ask(port_, register_request("Good", good.port()))), "");
  LiveClient client(port_, request("ask-one", "(lookup :name Good)"),
                    told("(agent :name Good :host 127.0.0.1 :port " +
                         std::to_string(good.port()) + ")"));
  client.wait_for(1);
  Nuisance nuisance;
  c.start(&nuisance, port_);
  // Answered at once, not once the nuisance's connections time out.
  client.wait_for(50);
  EXPECT_NE(key_in(testsupport::ask_once(port_, register_request("Late", 7999),
                                         LiveClient::kPromptlyMs)),
            "");
  client.stop();
  EXPECT_EQ(client.missed(), 0) << "of " << client.asked() << ", first: " << client.first_miss();
}

// A holder whose listener leaves handshakes unanswered, for a while.
constexpr const char* kSilentHolder = "Silent";

INSTANTIATE_TEST_SUITE_P(
    Table, NameServerBeside,
    testing::Values(
        NuisanceCase{"AClientSendingAByteASecond", false,
                     [](Nuisance* n, unsigned port) {
                       n->trickle(port, std::chrono::milliseconds(1000));
                     }},
        NuisanceCase{"TenIdleConnections", false,
                     [](Nuisance* n, unsigned port) { n->open_idle(port, 10); }},
        NuisanceCase{"MoreIdleConnectionsThanTheServerHasDescriptors", false,
                     [](Nuisance* n, unsigned port) { n->open_idle(port, 150); }},
        NuisanceCase{"TenListallClientsThatNeverRead", true,
                     [](Nuisance* n, unsigned port) {
                       for (int i = 0; i < 10; ++i) n->ask_without_reading(port);
                     }},
        NuisanceCase{"ThreeHundredListallClientsThatNeverRead", true,
                     [](Nuisance* n, unsigned port) {
                       n->keep_asking(port, request("ask-all", "(listall)"), 300);
                     }},
        NuisanceCase{"ThreeHundredProbesOfAHolderThatDoesNotAnswer", false,
                     [](Nuisance* n, unsigned port) {
                       const unsigned silent = n->hold_unanswering();
                       ASSERT_NE(key_in(ask(port, register_request(kSilentHolder,
                                                                   static_cast<int>(silent)))),
                                 "");
                       // Each one has the server probe the holder for a second.
                       n->keep_asking(port, register_request(kSilentHolder, 1), 300);
                     }}),
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
  fill_listing(port_);
  Nuisance nuisance;
  nuisance.ask_without_reading(port_);
  std::string sent;
  EXPECT_TRUE(ended_by_server(nuisance.last_fd(), &sent));
  EXPECT_EQ(sent.find('\x04'), std::string::npos) << "the whole listing arrived";
}

TEST_F(NameServerProgram, TheOldestIdleConnectionGivesWayToANewcomer) {
  Nuisance nuisance;
  nuisance.open_idle(port_, static_cast<int>(NameServerLoop::kMaxConnections));
  // A newcomer that waits for its request as well takes the oldest's place;
  // the one opened after the oldest stays.
  nuisance.open_idle(port_, 1);
  std::string sent;
  EXPECT_TRUE(ended_by_server(nuisance.fd(0), &sent));
  EXPECT_EQ(sent, "");
  pollfd next{nuisance.fd(1), POLLRDHUP, 0};
  EXPECT_EQ(poll(&next, 1, 0), 0) << "ended by its deadline, not for the newcomer";
  // One whose request came with it is answered at once.
  EXPECT_NE(key_in(ask(port_, register_request("Good", 7999))), "");
}

TEST_F(NameServerProgram, PeersThatAreAnsweredAndDoNotReadGiveWayBeforeARequestOnItsWay) {
  fill_listing(port_);
  // Connected first, its request still to come: the oldest of all.
  testsupport::FramedClient late(port_);
  ASSERT_TRUE(late.connected());
  Nuisance nuisance;
  for (size_t i = 0; i <= NameServerLoop::kMaxConnections; ++i) {
    nuisance.ask_without_reading(port_);
  }
  // The last non-reader took the place of one answered before it.
  std::string sent;
  EXPECT_TRUE(ended_by_server(nuisance.fd(0), &sent));
  ASSERT_TRUE(late.send(request("ask-all", "(listall)")));
  EXPECT_EQ(late.next(kPatienceMs).rfind("(tell :sender ANS", 0), 0u);
}

// A live agent's name, and a well-behaved client that looks it up all along.
class NameServerWithALiveAgent : public NameServerProgram {
 protected:
  void SetUp() override {
    NameServerProgram::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(key_in(ask(port_, register_request("Good", good_.port()))), "");
    client_ = std::make_unique<LiveClient>(
        port_, request("ask-one", "(lookup :name Good)"),
        told("(agent :name Good :host 127.0.0.1 :port " + std::to_string(good_.port()) + ")"));
  }
  void TearDown() override {
    if (client_ == nullptr) return;
    client_->stop();
    EXPECT_EQ(client_->missed(), 0)
        << "of " << client_->asked() << ", first: " << client_->first_miss();
  }

  LiveHolder good_;
  std::unique_ptr<LiveClient> client_;
};

TEST_F(NameServerWithALiveAgent, NamesAtHostsThatAreNoAddressesAreRefused) {
  // As many as would fill the table beside the live agent's name.
  const auto places = static_cast<size_t>(NameServer::kMaxNamesAtAPlace);
  int stored = 0;
  for (size_t i = 0; i + 1 < NameServer::kMaxNames; ++i) {
    const std::string reply =
        ask(port_, request("register", "(register :name Z" + std::to_string(i) + " :host z" +
                                           std::to_string(i % places) + " :port " +
                                           std::to_string(i / places + 1) + ")"));
    if (i == 0) {
      EXPECT_EQ(reply, sorry("host is not an address"));
    }
    if (!key_in(reply).empty()) ++stored;
  }
  EXPECT_EQ(stored, 0);
  LiveHolder late;
  EXPECT_NE(key_in(ask(port_, register_request("Late", late.port()))), "");
}

TEST_F(NameServerWithALiveAgent, HoldersThatDoNotAnswerMakeRoomForALiveNewcomer) {
  std::vector<std::unique_ptr<testsupport::UnansweringListener>> silent;
  for (size_t i = 0; i + 1 < NameServer::kMaxNames; ++i) {
    if (i % NameServer::kMaxNamesAtAPlace == 0) {
      silent.push_back(std::make_unique<testsupport::UnansweringListener>());
    }
    const int at = static_cast<int>(silent.back()->port());
    ASSERT_NE(key_in(ask(port_, register_request("S" + std::to_string(i), at))), "") << i;
  }
  // The table is full. The first newcomer has the live agent, registered
  // longest ago, probed, and is refused; the next one has the first silent
  // place probed, whose names make room.
  LiveHolder late;
  EXPECT_EQ(ask(port_, register_request("Late", late.port())), sorry("too many names"));
  EXPECT_NE(key_in(ask(port_, register_request("Late", late.port()))), "");
  EXPECT_EQ(ask(port_, request("ask-one", "(lookup :name S0)")), sorry("unknown agent"));
  EXPECT_EQ(ask(port_, request("ask-one", "(lookup :name S64)")),
            told("(agent :name S64 :host 127.0.0.1 :port " +
                 std::to_string(silent[1]->port()) + ")"));
}

TEST_F(NameServerProgram, MalformedRequestsAreAnsweredAndStoreNothing) {
  for (const char* content : {"(register :name A :host (1 2) :port 1)",
                              "(register :name A :host h :port abc)",
                              "(register :name A :host h :port 99999999999999999999)",
                              "(register :name \"a b\" :host h :port 1)"}) {
    const std::string reply = ask(port_, request("register", content));
    EXPECT_EQ(reply.rfind("(sorry ", 0), 0u) << content << ": " << reply;
  }
  EXPECT_EQ(ask(port_, request("ask-all", "(listall)")), told("(agents :names ())"));
}

TEST_F(NameServerProgram, ANameStaysWithItsLiveHolderAndGoesWhenItDies) {
  LiveHolder holder;
  const std::string key = key_in(ask(port_, register_request("Holder", holder.port())));
  ASSERT_NE(key, "");
  EXPECT_EQ(ask(port_, register_request("Holder", holder.port() + 1)), sorry("name taken"));
  EXPECT_EQ(ask(port_, request("unregister", "(unregister :name Holder)")),
            sorry("not the holder"));
  EXPECT_EQ(ask(port_, request("ask-one", "(lookup :name Holder)")),
            told("(agent :name Holder :host 127.0.0.1 :port " + std::to_string(holder.port()) +
                 ")"));
  // Its key proves the holder.
  EXPECT_EQ(ask(port_, request("unregister", "(unregister :name Holder :key " + key + ")")),
            told("(ok)"));

  // A holder that stopped listening has left its name to the next comer.
  LiveHolder second;
  ASSERT_NE(key_in(ask(port_, register_request("Second", second.port()))), "");
  second.close();
  EXPECT_NE(key_in(ask(port_, register_request("Second", holder.port()))), "");
  EXPECT_EQ(ask(port_, request("ask-one", "(lookup :name Second)")),
            told("(agent :name Second :host 127.0.0.1 :port " + std::to_string(holder.port()) +
                 ")"));
}

}  // namespace
