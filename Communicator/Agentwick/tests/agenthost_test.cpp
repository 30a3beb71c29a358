#include "Agentwick/agenthost.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Agentwick/basicagent.h"
#include "Namewick/ansclient.h"
#include "testsupport/agentpeer.h"
#include "testsupport/childprocess.h"
#include "Platform/tests/looptest.h"
#include "Talkwick/kqmlparser.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"

namespace {

using Calls = std::vector<std::string>;

// An event module that notes what the container tells it.
class NotingModule : public CLogFacility {
 public:
  NotingModule(CCommunicator* communicator, Calls* calls)
      : CLogFacility("noting", communicator->get_beliefdb(), communicator, 0), calls_(calls) {}
  void parse_args(int argc, char** /*argv*/) override {
    calls_->push_back("module args " + std::to_string(argc));
  }
  int change_state(unsigned state) override {
    calls_->push_back("module state " + std::to_string(state));
    return 1;
  }
  void process_timer() override { calls_->push_back("module timer"); }

 private:
  Calls* calls_;
};

// What the agent's hooks saw; it outlives the agent, which the host deletes.
struct Record {
  Calls calls;
  std::vector<std::string> messages;
  std::vector<std::string> reply_withs;  // of the peer's connection, per message
  int ticks = 0;
};

// An agent on port 0 that records its hooks, with a name server setting
// and hooks that can be made to refuse.
class ProbeAgent : public CBasicAgent {
 public:
  ProbeAgent(Record* record, const char* ans_host, unsigned ans_port)
      : CBasicAgent("Probe"), record_(record), ans_host_(ans_host), ans_port_(ans_port) {
    set_lookup_config(LOOKUP_CONFIG_ANS);
  }

  int handle_parse_args(CCommandLine* command_line) override {
    const char* x = command_line->find_token("x");
    record_->calls.push_back(std::string("parse_args ") + (x != nullptr ? x : "-"));
    return refuse == "parse_args" ? 0 : 1;
  }
  int process_create() override {
    CCommunicator* communicator = get_communicator();
    record_->calls.push_back(
        std::string("create") + (communicator != nullptr ? " communicator" : "") +
        (get_belief_db() == communicator->get_beliefdb() ? " db" : "") +
        (get_logger() != nullptr ? " logger" : "") + " argc " + std::to_string(argc_) +
        " name " + communicator->get_name());
    communicator->set_port(port);
    communicator->comm_setansinfo(ans_host_, ans_port_);
    communicator->add_display(new NotingModule(communicator, &record_->calls));
    return refuse == "create" ? 0 : 1;
  }
  int process_init() override {
    record_->calls.push_back("init");
    return refuse == "init" ? 0 : 1;
  }
  void process_timer() override { ++record_->ticks; }
  void process_shutdown() override { record_->calls.push_back("shutdown"); }
  void process_custom(CSocketBase* socket) override {
    record_->calls.push_back(socket == nullptr ? "custom null" : "custom");
  }
  int process_message(CParser* parser) override {
    if (!parser_handles) return 0;
    record_->messages.push_back(std::string("parsed ") + parser->find_performative());
    return 1;
  }
  int process_message(char* text) override {
    record_->messages.emplace_back(text);
    auto* peer =
        dynamic_cast<CClientSocket*>(get_communicator()->find_connection("Peer", nullptr, 0));
    const char* reply_with = peer != nullptr ? peer->get_reply_with() : nullptr;
    record_->reply_withs.emplace_back(reply_with != nullptr ? reply_with : "(null)");
    // Answers with the in-reply-to that the communicator takes from the
    // connection.
    get_communicator()->comm_sendmessage("tell", "Peer", "default-language", "default-ontology",
                                         "ack-id", nullptr, nullptr, "ack", nullptr);
    return 1;
  }

  std::string refuse;
  bool parser_handles = false;
  unsigned port = 0;

 private:
  Record* record_;
  const char* ans_host_;
  unsigned ans_port_;
};

// A second agent's view of the name server, to see what it knows.
struct Observer {
  explicit Observer(unsigned ans_port) {
    for (const auto& [name, value] : {std::pair{"name", "Observer"}, std::pair{"ans", "127.0.0.1"},
                                      std::pair{"hostname", "127.0.0.1"}}) {
      auto* belief = new CStringBelief(name);
      belief->set_value(value);
      db.add_element(belief);
    }
    auto* port = new CIntBelief("ansport");
    port->set_value(static_cast<int>(ans_port));
    db.add_element(port);
    auto* lookup = new CListBelief("lookup");
    lookup->set_value(new CLList);
    db.add_element(lookup);
    client = std::make_unique<CANSClient>(&db, nullptr);
  }
  CBeliefDB db;
  std::unique_ptr<CANSClient> client;
};

// A lookup module that counts, when the agent withdraws, how many of the
// peers' connections to the agent are closed by then.
class WithdrawalWitness : public CLookupModule {
 public:
  WithdrawalWitness(const std::vector<int>* peers, std::string* seen)
      : peers_(peers), seen_(seen) {}
  void process_disable() override {
    const auto closed = std::count_if(peers_->begin(), peers_->end(), [](int fd) {
      char byte = 0;
      return recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
    });
    *seen_ = std::to_string(closed) + " of " + std::to_string(peers_->size()) + " closed";
  }

 private:
  const std::vector<int>* peers_;
  std::string* seen_;
};

// Up to the next 0x04 (not included), or what came within three seconds.
std::string read_message(int fd, std::string* pending) {
  for (;;) {
    const size_t end = pending->find('\x04');
    if (end != std::string::npos) {
      std::string message = pending->substr(0, end);
      pending->erase(0, end + 1);
      return message;
    }
    pollfd ready{fd, POLLIN, 0};
    char buffer[2048];
    if (poll(&ready, 1, 3000) <= 0) return "";
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return "";
    pending->append(buffer, static_cast<size_t>(got));
  }
}

class AgentHostTest : public LoopTest {
 protected:
  // A host with a probe agent assigned; the agent stays reachable while the
  // host lives.
  ProbeAgent* assign(const char* ans_host, unsigned ans_port) {
    auto agent = std::make_unique<ProbeAgent>(&record, ans_host, ans_port);
    ProbeAgent* probe = agent.get();
    host = std::make_unique<CAgentHost>();
    host->AssignContainer(std::move(agent));
    return probe;
  }
  int start(const std::vector<const char*>& args = {"probe", "-x", "1"}) {
    argv.assign(args.begin(), args.end());
    command_line.parse_commandline(static_cast<int>(argv.size()), const_cast<char**>(argv.data()));
    return host->CreateContainer(&command_line, 1);
  }
  // Short rounds, so that the condition is seen as soon as it holds.
  bool wait_for(const std::function<bool()>& done) {
    for (int round = 0; round < 250 && !done(); ++round) loop.process_events(20);
    return done();
  }
  unsigned start_server(const std::vector<std::string>& switches = {}) {
    const unsigned port = childtest::start_ans_server(&server, TESSEL_ANS_SERVER, switches);
    EXPECT_NE(port, 0u);
    return port;
  }

  testsupport::TempDir dir;  // the composer keeps its UUID state here
  childtest::ChildProcess server;
  Record record;
  std::vector<const char*> argv;
  CCommandLine command_line;
  std::unique_ptr<CAgentHost> host;  // last: it goes first
};

TEST_F(AgentHostTest, StartsRegisteredInHookOrderAndWithdrawsWhenDestroyed) {
  const unsigned ans_port = start_server();
  ProbeAgent* agent = assign("127.0.0.1", ans_port);
  EXPECT_EQ(agent->get_communicator(), nullptr);
  EXPECT_STREQ(agent->get_type(), "CBasicAgent");

  ASSERT_EQ(start(), 1);
  EXPECT_EQ(record.calls,
            (Calls{"parse_args 1", "create communicator db logger argc 3 name Probe", "init",
                   "module args 3", "module state 3"}));
  CCommunicator* communicator = agent->get_communicator();
  ASSERT_NE(communicator, nullptr);
  EXPECT_EQ(communicator->get_handler(), host.get());
  EXPECT_NE(communicator->get_server(), nullptr);
  EXPECT_NE(communicator->get_port(), 0u);  // port 0: the system's choice, written back
  ASSERT_NE(communicator->retrieve_ans_object(), nullptr);
  EXPECT_EQ(communicator->retrieve_ans_object()->get_lookup_type(), LOOKUP_TYPE_ANS);

  // Registered, and the flag says so, though create_entry refuses the own name.
  EXPECT_EQ(communicator->is_registered(), 1) << communicator->comm_ans_error();
  char own_host[CCommunicator::kHostSize] = {};
  unsigned own_port = 0;
  EXPECT_EQ(communicator->comm_lookup("Probe", own_host, &own_port), nullptr);
  EXPECT_EQ(own_port, communicator->get_port());
  Observer observer(ans_port);
  ASSERT_EQ(observer.client->lookup_agent("Probe"), 1) << observer.client->get_last_error();
  EXPECT_NE(observer.client->get_entries()->find_element("Probe"), nullptr);
  EXPECT_EQ(communicator->comm_listall(), 1);
  EXPECT_STREQ(communicator->comm_listall_getfirst(), "Probe");

  // A second start of a running agent fails and changes nothing.
  EXPECT_EQ(start(), 0);
  EXPECT_EQ(agent->get_communicator(), communicator);

  host.reset();
  EXPECT_EQ(record.calls.end()[-2], "shutdown");
  EXPECT_EQ(record.calls.back(), "module state 4");
  EXPECT_EQ(observer.client->lookup_agent("Probe"), 0);
}

// Peers may hold every descriptor the agent has, and withdrawing needs one.
TEST_F(AgentHostTest, AStoppingAgentClosesItsConnectionsBeforeItWithdraws) {
  ProbeAgent* agent = assign("-unknown-", 6677);
  ASSERT_EQ(start(), 1);
  CCommunicator* communicator = agent->get_communicator();
  std::vector<int> peers;
  for (int i = 0; i < 3; ++i) {
    peers.push_back(testsupport::connect_to_loopback(communicator->get_port()));
  }
  ASSERT_TRUE(
      wait_for([&] { return communicator->get_server()->get_sockets()->get_nr_elements() == 3; }));
  std::string seen;
  auto* witness = new WithdrawalWitness(&peers, &seen);
  communicator->add_lookup_module(witness);
  witness->enable(1);

  agent->stop_agent();
  EXPECT_EQ(seen, "3 of 3 closed");
  for (int fd : peers) close(fd);
}

TEST_F(AgentHostTest, DiscoveryAnnouncesThePortTheSystemChose) {
  ProbeAgent* agent = assign("127.0.0.1", 1);
  agent->set_lookup_config(LOOKUP_CONFIG_DISCOVERY);
  ASSERT_EQ(start(), 1);
  CCommunicator* communicator = agent->get_communicator();
  ASSERT_NE(communicator->retrieve_dsc_object(), nullptr);
  EXPECT_EQ(communicator->retrieve_ans_object(), nullptr);
  EXPECT_NE(communicator->get_port(), 0u);
  EXPECT_EQ(communicator->retrieve_dsc_object()->get_port(), communicator->get_port());
}

TEST_F(AgentHostTest, RefusedRegistrationLeavesTheAgentRunningUnregistered) {
  struct Case {
    const char* host;
    std::vector<std::string> switches;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"-unknown-", {}, "Name server host is unknown"},
      {"127.0.0.1", {"--sorry"}, "said sorry: refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    childtest::ChildProcess child;
    unsigned ans_port = 6677;
    if (!c.switches.empty()) {
      ans_port = childtest::start_ans_server(&child, TESSEL_ANS_SERVER, c.switches);
    }
    ProbeAgent* agent = assign(c.host, ans_port);
    ASSERT_EQ(start(), 1);
    CCommunicator* communicator = agent->get_communicator();
    EXPECT_EQ(communicator->is_registered(), 0);
    ASSERT_NE(communicator->comm_ans_error(), nullptr);
    EXPECT_NE(std::string(communicator->comm_ans_error()).find(c.error), std::string::npos)
        << communicator->comm_ans_error();
    EXPECT_EQ(communicator->comm_listall(), 0);  // the communicator asks only when registered
    host.reset();
  }
}

TEST_F(AgentHostTest, AnAgentThatStartedBeforeItsNameServerRegistersLater) {
  unsigned ans_port = 0;
  close(testsupport::listen_on_loopback(&ans_port));  // nothing listens there now
  ProbeAgent* agent = assign("127.0.0.1", ans_port);
  ASSERT_EQ(start(), 1);
  CCommunicator* communicator = agent->get_communicator();
  ASSERT_EQ(communicator->is_registered(), 0);

  ASSERT_EQ(start_server({"--port", std::to_string(ans_port)}), ans_port);
  // The name-server client renews with the lookup modules' alive call.
  for (int tick = 0; tick <= CCommunicator::kAlivePeriod; ++tick) agent->handle_mfc_timer();
  EXPECT_EQ(communicator->is_registered(), 1) << communicator->comm_ans_error();
  Observer observer(ans_port);
  EXPECT_EQ(observer.client->lookup_agent("Probe"), 1) << observer.client->get_last_error();
  EXPECT_EQ(communicator->comm_listall(), 1);
}

TEST_F(AgentHostTest, FailedStartLeavesNoCommunicator) {
  // A port that is taken: the listening socket cannot be made.
  unsigned taken_port = 0;
  const int taken = testsupport::listen_on_loopback(&taken_port, 1);

  struct Case {
    std::string refuse;
    unsigned port;
    Calls calls;
  };
  const std::vector<Case> cases = {
      {"parse_args", 0, {"parse_args 1"}},
      {"create", 0, {"parse_args 1", "create communicator db logger argc 3 name Probe"}},
      {"init", 0, {"parse_args 1", "create communicator db logger argc 3 name Probe", "init"}},
      {"", taken_port,
       {"parse_args 1", "create communicator db logger argc 3 name Probe", "init"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refuse);
    record.calls.clear();
    ProbeAgent* agent = assign("-unknown-", 6677);
    agent->refuse = c.refuse;
    agent->port = c.port;
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(agent->get_communicator(), nullptr);
    EXPECT_EQ(agent->get_belief_db(), nullptr);
    EXPECT_EQ(agent->is_started(), false);
    EXPECT_EQ(record.calls, c.calls);
    host.reset();
    EXPECT_EQ(record.calls, c.calls);  // no shutdown for an agent that never ran
  }
  close(taken);

  CAgentHost empty;
  EXPECT_EQ(empty.CreateContainer(&command_line, 1), 0);
  assign("-unknown-", 6677);
  EXPECT_EQ(host->CreateContainer(nullptr, 1), 0);
}

TEST_F(AgentHostTest, TimerDrivesTheAgentModulesAndIntegrityCheck) {
  ProbeAgent* agent = assign("-unknown-", 6677);
  ASSERT_EQ(start(), 1);
  CCommunicator* communicator = agent->get_communicator();
  auto* lookup = dynamic_cast<CListBelief*>(communicator->get_beliefdb()->find_element("lookup"));
  auto* entry = new CServiceInfo;
  entry->set_name("Fleeting");
  entry->set_expiration(2);  // survives one check, goes with the second
  lookup->get_value()->add_element(entry);

  ASSERT_TRUE(loop.run_until([&] { return record.ticks == 1; }, 5000));
  EXPECT_NE(lookup->get_value()->find_element("Fleeting"), nullptr);
  ASSERT_TRUE(loop.run_until([&] { return record.ticks == 2; }, 5000));
  EXPECT_EQ(lookup->get_value()->find_element("Fleeting"), nullptr);
  EXPECT_EQ(std::count(record.calls.begin(), record.calls.end(), "module timer"), 2);
}

TEST_F(AgentHostTest, MessagesReachTheAgentWholeInOrderWithTheirReplyWith) {
  ProbeAgent* agent = assign("-unknown-", 6677);
  ASSERT_EQ(start(), 1);
  CCommunicator* communicator = agent->get_communicator();
  // Where "Peer" is: only needed to locate it, the reply takes its connection.
  testsupport::know_agent(communicator, "Peer", 9);

  const int peer = testsupport::connect_to_loopback(communicator->get_port());
  ASSERT_GE(peer, 0);
  const std::string first = "(tell :sender Peer :receiver Probe :reply-with r1 :content (one))";
  const std::string second = "(tell :sender Peer :receiver Probe :content (two))";
  const std::string both = first + '\x04' + second + '\x04';
  ASSERT_EQ(send(peer, both.data(), both.size(), 0), static_cast<ssize_t>(both.size()));
  ASSERT_TRUE(wait_for([&] { return record.messages.size() == 2; }));
  EXPECT_EQ(record.messages, (std::vector<std::string>{first, second}));
  // A message without reply-with leaves the connection's last one in place.
  EXPECT_EQ(record.reply_withs, (std::vector<std::string>{"r1", "r1"}));

  std::string pending;
  CKQMLParser reply;
  ASSERT_EQ(reply.parse_message(read_message(peer, &pending).c_str()), 1);
  EXPECT_STREQ(reply.find_in_reply_to(), "r1");
  EXPECT_STREQ(reply.find_sender(), "Probe");
  ASSERT_EQ(reply.parse_message(read_message(peer, &pending).c_str()), 1);
  EXPECT_STREQ(reply.find_in_reply_to(), "r1");

  auto* connection =
      dynamic_cast<CClientSocket*>(communicator->find_connection("Peer", nullptr, 0));
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(connection->get_queue_size(), 0);
  EXPECT_EQ(connection->is_waiting(), 0);

  // An agent that takes the parsed form is not given the text as well.
  agent->parser_handles = true;
  const std::string third = "(ask-one :sender Peer :receiver Probe :content (three))\x04";
  ASSERT_EQ(send(peer, third.data(), third.size(), 0), static_cast<ssize_t>(third.size()));
  ASSERT_TRUE(wait_for([&] { return record.messages.size() == 3; }));
  EXPECT_EQ(record.messages.back(), "parsed ask-one");
  close(peer);
}

// Answers to a run of messages may be held back to go together; by the end
// of every round the peer can read the answer to each message handled.
TEST_F(AgentHostTest, AnswersToARunReachThePeerAsTheRunEnds) {
  ProbeAgent* agent = assign("-unknown-", 6677);
  ASSERT_EQ(start(), 1);
  testsupport::know_agent(agent->get_communicator(), "Peer", 9);
  const int peer = testsupport::connect_to_loopback(agent->get_communicator()->get_port());
  ASSERT_GE(peer, 0);
  std::string burst;
  for (int i = 0; i < 20; ++i) {
    burst += "(tell :sender Peer :receiver Probe :content (m" + std::to_string(i) + "))\x04";
  }
  ASSERT_EQ(send(peer, burst.data(), burst.size(), 0), static_cast<ssize_t>(burst.size()));

  size_t answers = 0;
  const auto read_now = [&] {
    char buffer[65536];
    ssize_t got;
    while ((got = recv(peer, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
      answers += static_cast<size_t>(std::count(buffer, buffer + got, '\x04'));
    }
  };
  // The first run stops short of the burst's end, with messages still queued.
  ASSERT_TRUE(wait_for([&] { return !record.messages.empty(); }));
  EXPECT_LT(record.messages.size(), 20u);
  read_now();
  EXPECT_EQ(answers, record.messages.size());
  ASSERT_TRUE(wait_for([&] { return record.messages.size() == 20; }));
  read_now();
  EXPECT_EQ(answers, 20u);
  close(peer);
}

TEST_F(AgentHostTest, OtherNotificationsAreRouted) {
  ProbeAgent* agent = assign("-unknown-", 6677);
  agent->set_file(dir.file("agent.log").c_str());
  // Before the start nothing is there to route to.
  host->SendMessage(WM_SOCKET_NOTIFY, SOCKETTYPE_CLIENT, 0);
  ASSERT_EQ(start(), 1);

  host->SendMessage(WM_SOCKET_NOTIFY, SOCKETTYPE_CLIENT, 99);
  host->SendMessage(WM_SOCKET_NOTIFY, SOCKETTYPE_MULTICAST, 1);
  host->SendMessage(WM_SOCKET_NOTIFY, 5, 0);
  EXPECT_EQ(record.calls.back(), "custom null");
  EXPECT_TRUE(record.messages.empty());
  host.reset();

  const std::string log = testsupport::TempDir::read(dir.file("agent.log"));
  EXPECT_NE(log.find("<CAgentContainer> No connection with descriptor [99]"), std::string::npos);
  EXPECT_NE(log.find("<CCommunicator> Discovery module is NULL, unable to process message"),
            std::string::npos);
}

}  // namespace
