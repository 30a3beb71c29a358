#include "Namewick/ansclient.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Namewick/ansprotocol.h"
#include "testsupport/childprocess.h"
#include "Platform/combobox.h"
#include "Platform/listbox.h"
#include "Platform/tests/looptest.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"

namespace {

// An agent's beliefs as the communicator makes them, and its client.
struct Agent {
  Agent(const char* name, int port, unsigned ans_port, const char* ans_host = "127.0.0.1") {
    add_string("name", name);
    add_int("port", port);
    add_string("ans", ans_host);
    add_int("ansport", static_cast<int>(ans_port));
    add_string("hostname", "127.0.0.1");
    auto* lookup = new CListBelief("lookup");
    lookup->set_value(new CLList);
    db.add_element(lookup);
    client = std::make_unique<CANSClient>(&db, nullptr);
  }

  void add_string(const char* name, const char* value) {
    auto* belief = new CStringBelief(name);
    belief->set_value(value);
    db.add_element(belief);
  }
  void add_int(const char* name, int value) {
    auto* belief = new CIntBelief(name);
    belief->set_value(value);
    db.add_element(belief);
  }

  // "host:port" of the entry, "gone" for a withdrawn one, "no location",
  // or "" when there is no entry.
  std::string location(const char* name) const {
    const CServiceInfo* found = entry(name);
    if (found == nullptr) return "";
    if (found->get_gone() != 0) return "gone";
    if (found->get_location() == nullptr) return "no location";
    return std::string(found->get_location()->get_host()) + ":" +
           std::to_string(found->get_location()->get_port());
  }

  CServiceInfo* entry(const char* name) const {
    return dynamic_cast<CServiceInfo*>(client->get_entries()->find_element(name));
  }

  std::string error() const {
    const char* text = client->get_last_error();
    return text != nullptr ? text : "";
  }

  CBeliefDB db;  // before the client, which must go first
  std::unique_ptr<CANSClient> client;
};

struct VectorListBox : CListBox {
  int InsertString(int /*index*/, const char* text) override {
    items.emplace_back(text);
    return static_cast<int>(items.size()) - 1;
  }
  std::vector<std::string> items;
};

struct VectorComboBox : CComboBox {
  int AddString(const char* text) override {
    items.emplace_back(text);
    return static_cast<int>(items.size()) - 1;
  }
  std::vector<std::string> items;
};

class ANSClientTest : public LoopTest {
 protected:
  testsupport::TempDir dir;  // where the clients keep their keys
  unsigned start_server(const std::vector<std::string>& switches = {}) {
    const unsigned port = childtest::start_ans_server(&server, TESSEL_ANS_SERVER, switches);
    EXPECT_NE(port, 0u) << "ans-server did not start";
    return port;
  }

  childtest::ChildProcess server;
};

TEST_F(ANSClientTest, RegistrationEntersTheOwnEntryThatCreateEntryRefuses) {
  const unsigned port = start_server();
  Agent a("A", 7001, port);
  ASSERT_EQ(a.client->get_lookup_type(), LOOKUP_TYPE_ANS);
  EXPECT_EQ(a.client->create_entry("A"), nullptr);  // why the client enters it itself

  EXPECT_EQ(a.client->register_agent("A"), 1) << a.error();
  EXPECT_EQ(a.client->is_registered(), 1);
  EXPECT_EQ(a.client->get_last_error(), nullptr);
  EXPECT_EQ(a.location("A"), "127.0.0.1:7001");
  EXPECT_NE(a.client->get_aliases()->find_element("A"), nullptr);
  EXPECT_EQ(a.db.get_modified(), 1);

  // The server's answer for the own name lands in the same entry.
  EXPECT_EQ(a.client->lookup_agent("A"), 1) << a.error();
  EXPECT_EQ(a.client->get_entries()->get_nr_elements(), 1);
  EXPECT_EQ(a.location("A"), "127.0.0.1:7001");
}

TEST_F(ANSClientTest, LooksUpListsAndUnregisters) {
  const unsigned port = start_server();
  Agent a("A", 7001, port);
  Agent b("B", 7002, port);
  ASSERT_EQ(a.client->register_agent("A"), 1) << a.error();
  ASSERT_EQ(b.client->register_agent("B"), 1) << b.error();

  // A stale entry is updated within the call.
  a.client->create_entry("B")->set_location("tcp://10.9.9.9:1");
  EXPECT_EQ(a.client->lookup_agent("B"), 1) << a.error();
  EXPECT_EQ(a.location("B"), "127.0.0.1:7002");
  EXPECT_EQ(a.entry("B")->get_type(), SERVICETYPE_AGENT);
  EXPECT_EQ(a.entry("B")->get_expiration(), -1);  // it was entered to stay
  EXPECT_EQ(a.entry("A")->get_expiration(), -1);

  EXPECT_EQ(a.client->ans_list_all(), 1);
  EXPECT_STREQ(a.client->listall_getfirst(), "A");
  EXPECT_STREQ(a.client->listall_getnext(), "B");
  EXPECT_EQ(a.client->listall_getnext(), nullptr);
  VectorListBox listbox;
  VectorComboBox combo;
  EXPECT_EQ(a.client->listall_listbox(&listbox), 1);
  EXPECT_EQ(a.client->listall_combo(&combo), 1);
  EXPECT_EQ(listbox.items, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(combo.items, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(a.client->listall_listbox(nullptr), 0);

  // Listing enters the names it learns, without locations.
  EXPECT_EQ(b.client->listall_agents(), 1);
  EXPECT_EQ(b.location("A"), "no location");
  // What the server tells of others is learnt and expires.
  EXPECT_EQ(b.entry("A")->get_expiration(), CLookupModule::kLearntExpiry);
  b.entry("A")->set_expiration(5);
  EXPECT_EQ(b.client->lookup_agent("A"), 1) << b.error();
  EXPECT_EQ(b.entry("A")->get_expiration(), CLookupModule::kLearntExpiry);

  EXPECT_EQ(b.client->unregister_agent("B"), 1) << b.error();
  EXPECT_EQ(b.client->is_registered(), 0);
  EXPECT_EQ(b.location("B"), "gone");
  EXPECT_EQ(b.client->get_aliases()->find_element("B"), nullptr);
  EXPECT_EQ(a.client->lookup_agent("B"), 0);
  EXPECT_EQ(a.error(), "The name server at [127.0.0.1][" + std::to_string(port) +
                           "] said sorry: unknown agent");
  EXPECT_EQ(a.client->unregister_agent("B"), 0);
}

TEST_F(ANSClientTest, EnableAliveAndDisable) {
  const unsigned port = start_server();
  Agent a("A", 7001, port);
  Agent b("B", 7002, port);

  a.client->enable(1);
  EXPECT_EQ(a.client->is_registered(), 1) << a.error();
  EXPECT_EQ(b.client->lookup_agent("A"), 1);

  // alive announces again what the server forgot when it restarted.
  server.stop();
  ASSERT_EQ(start_server({"--port", std::to_string(port)}), port);
  b.client->set_failure_memory(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
  EXPECT_EQ(b.client->lookup_agent("A"), 0);
  a.client->alive();
  EXPECT_EQ(b.client->lookup_agent("A"), 1) << b.error();

  a.client->enable(0);
  EXPECT_EQ(a.client->is_registered(), 0);
  EXPECT_EQ(b.client->lookup_agent("A"), 0);

  // A registration that fails on renewal counts as unregistered.
  a.client->enable(1);
  ASSERT_EQ(a.client->is_registered(), 1);
  server.stop();
  a.client->alive();
  EXPECT_EQ(a.client->is_registered(), 0);
  EXPECT_NE(a.error().find("WSAECONNREFUSED (10061)"), std::string::npos) << a.error();
}

TEST_F(ANSClientTest, AliveRetriesAFailedRegistrationWhileEnabled) {
  const unsigned port = testsupport::unused_loopback_port();
  Agent enabled("A", 7001, port);
  Agent disabled("C", 7003, port);
  enabled.client->enable(1);
  disabled.client->enable(1);
  disabled.client->enable(0);
  ASSERT_EQ(enabled.client->is_registered(), 0);  // nothing listens yet
  EXPECT_EQ(enabled.client->get_aliases()->get_nr_elements(), 0);

  ASSERT_EQ(start_server({"--port", std::to_string(port)}), port);
  enabled.client->alive();
  disabled.client->alive();
  EXPECT_EQ(enabled.client->is_registered(), 1) << enabled.error();
  EXPECT_EQ(enabled.location("A"), "127.0.0.1:7001");
  EXPECT_NE(enabled.client->get_aliases()->find_element("A"), nullptr);
  EXPECT_EQ(disabled.client->is_registered(), 0);

  Agent observer("B", 7002, port);
  EXPECT_EQ(observer.client->lookup_agent("A"), 1) << observer.error();
  EXPECT_EQ(observer.client->lookup_agent("C"), 0);
}

TEST_F(ANSClientTest, ARefusedNameIsNotAskedForAgainForAWhile) {
  const unsigned port = start_server();
  Agent a("A", 7001, port);
  Agent b("B", 7002, port);
  const std::string refused =
      "The name server at [127.0.0.1][" + std::to_string(port) + "] said sorry: unknown agent";
  EXPECT_EQ(a.client->lookup_agent("B"), 0);
  EXPECT_EQ(a.error(), refused);
  ASSERT_EQ(b.client->register_agent("B"), 1) << b.error();
  EXPECT_EQ(a.client->lookup_agent("B"), 0);
  EXPECT_EQ(a.error(), refused + " (not asked again yet)");
  EXPECT_EQ(a.location("B"), "");

  // A name the client registers itself is known from then on.
  EXPECT_EQ(a.client->lookup_agent("Alias"), 0);
  ASSERT_EQ(a.client->register_agent("Alias"), 1) << a.error();
  EXPECT_EQ(a.client->lookup_agent("Alias"), 1) << a.error();

  // Once its time has passed, the name is asked for again.
  a.client->set_failure_memory(std::chrono::milliseconds(1), CANSClient::kServerRestTime);
  EXPECT_EQ(a.client->lookup_agent("C"), 0);
  Agent c("C", 7003, port);
  ASSERT_EQ(c.client->register_agent("C"), 1) << c.error();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(a.client->lookup_agent("C"), 1) << a.error();
}

TEST_F(ANSClientTest, TheNamesRefusedLongestAgoAreForgottenFirst) {
  const unsigned port = start_server();
  Agent a("A", 7001, port);
  Agent b("B", 7002, port);
  const auto name = [](size_t i) { return "N" + std::to_string(i); };
  for (size_t i = 0; i <= CANSClient::kMaxUnknownNames; ++i) {
    ASSERT_EQ(a.client->lookup_agent(name(i).c_str()), 0) << i;
  }
  const std::string last = name(CANSClient::kMaxUnknownNames);
  ASSERT_EQ(b.client->register_agent(name(0).c_str()), 1) << b.error();
  ASSERT_EQ(b.client->register_agent(last.c_str()), 1) << b.error();
  EXPECT_EQ(a.client->lookup_agent(name(0).c_str()), 1) << a.error();
  EXPECT_EQ(a.client->lookup_agent(last.c_str()), 0);
}

TEST_F(ANSClientTest, AServerThatDidNotAnswerRestsFromLookupsButNotFromRegistrations) {
  const unsigned port = start_server();
  Agent a("A", 7001, port);
  Agent b("B", 7002, port);
  ASSERT_EQ(b.client->register_agent("B"), 1) << b.error();
  // Stopped, the server's system still takes the connections.
  ASSERT_EQ(kill(server.pid(), SIGSTOP), 0);
  const std::string silent = "No reply from name server at [127.0.0.1][" +
                             std::to_string(port) + "]: WSAETIMEDOUT (10060)";
  EXPECT_EQ(a.client->lookup_agent("B"), 0);
  EXPECT_EQ(a.error(), silent);
  EXPECT_EQ(a.client->lookup_agent("C"), 0);
  EXPECT_EQ(a.error(), silent + " (not asked again yet)");
  ASSERT_EQ(kill(server.pid(), SIGCONT), 0);

  // An answer to any request ends the rest.
  EXPECT_EQ(a.client->register_agent("A"), 1) << a.error();
  EXPECT_EQ(a.client->lookup_agent("B"), 1) << a.error();
  EXPECT_EQ(a.location("B"), "127.0.0.1:7002");
}

TEST_F(ANSClientTest, TheKeyOfItsRegistrationProvesTheHolder) {
  const unsigned port = start_server();
  unsigned listening = 0;
  const int listener = testsupport::listen_on_loopback(&listening);  // A is alive
  Agent a("A", static_cast<int>(listening), port);
  Agent other("X", 7009, port);
  ASSERT_EQ(a.client->register_agent("A"), 1) << a.error();
  EXPECT_EQ(other.client->unregister_agent("A"), 0);
  EXPECT_EQ(other.error(), "The name server at [127.0.0.1][" + std::to_string(port) +
                               "] said sorry: not the holder");
  // Registering again keeps the key; the holder may always withdraw.
  ASSERT_EQ(a.client->register_agent("A"), 1) << a.error();
  EXPECT_EQ(a.client->unregister_agent("A"), 1) << a.error();
  EXPECT_EQ(other.client->lookup_agent("A"), 0);
  close(listener);
}

TEST_F(ANSClientTest, AnAgentStartedAgainAtItsPlaceStillHoldsItsName) {
  const unsigned port = start_server();
  unsigned listening = 0;
  const int listener = testsupport::listen_on_loopback(&listening);  // its place stays alive
  const int place = static_cast<int>(listening);
  {
    Agent before("A", place, port);
    ASSERT_EQ(before.client->register_agent("A"), 1) << before.error();
  }  // ended without withdrawing the name, as a killed agent does
  // The same name started in the same directory at another port is no holder.
  Agent elsewhere("A", 7009, port);
  EXPECT_EQ(elsewhere.client->register_agent("A"), 0);
  EXPECT_EQ(elsewhere.error(), "The name server at [127.0.0.1][" + std::to_string(port) +
                                   "] said sorry: name taken");
  Agent again("A", place, port);
  ASSERT_EQ(again.client->register_agent("A"), 1) << again.error();
  EXPECT_EQ(again.client->unregister_agent("A"), 1) << again.error();
  Agent observer("B", 7002, port);
  EXPECT_EQ(observer.client->lookup_agent("A"), 0);
  close(listener);
}

TEST_F(ANSClientTest, FailuresAreResultsWithAReadableError) {
  struct Case {
    std::vector<std::string> switches;
    const char* host;  // the "ans" belief
    bool server;       // false: nothing listens on the port
    std::string error;  // "%P" stands for the server's port
  };
  const std::vector<Case> cases = {
      {{"--sorry"}, "127.0.0.1", true, "The name server at [127.0.0.1][%P] said sorry: refused"},
      {{"--close"}, "127.0.0.1", true,
       "The name server at [127.0.0.1][%P] closed the connection without a reply"},
      {{"--delay", "4000"}, "127.0.0.1", true,
       "No reply from name server at [127.0.0.1][%P]: WSAETIMEDOUT (10060)"},
      {{}, "127.0.0.1", false,
       "Unable to connect to name server at [127.0.0.1][%P]: WSAECONNREFUSED (10061)"},
      {{}, "-unknown-", false, "Name server host is unknown"},
  };
  for (const Case& c : cases) {
    const std::string label = c.switches.empty() ? c.host : c.switches[0];
    SCOPED_TRACE(label);
    childtest::ChildProcess child;
    const unsigned port = c.server ? childtest::start_ans_server(&child, TESSEL_ANS_SERVER,
                                                                 c.switches)
                                   : testsupport::unused_loopback_port();
    ASSERT_NE(port, 0u);
    std::string error = c.error;
    if (const size_t at = error.find("%P"); at != std::string::npos) {
      error.replace(at, 2, std::to_string(port));
    }

    Agent a("A", 7001, port, c.host);
    EXPECT_EQ(a.client->register_agent("A"), 0);
    EXPECT_EQ(a.client->is_registered(), 0);
    EXPECT_EQ(a.error(), error);
    EXPECT_EQ(a.location("A"), "");
    if (c.switches.empty() || c.switches[0] != "--delay") {  // each costs the timeout
      EXPECT_EQ(a.client->lookup_agent("B"), 0);
      EXPECT_EQ(a.location("B"), "");
      EXPECT_EQ(a.client->ans_list_all(), 0);
      EXPECT_EQ(a.client->listall_getfirst(), nullptr);
      EXPECT_EQ(a.client->unregister_agent("A"), 0);
      EXPECT_EQ(a.error(), error);
    }
  }
}

TEST_F(ANSClientTest, NamesThatAreNotOneWordAreNeverSent) {
  const unsigned port = start_server();
  Agent a("A", 7001, port);
  for (const char* name : {"two words", "a(b", "x)", "\"q\"", ":key", "", "tab\there"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(a.client->register_agent(name), 0);
    EXPECT_EQ(a.error(), "Invalid agent name");
    EXPECT_EQ(a.client->lookup_agent(name), 0);
    EXPECT_EQ(a.client->unregister_agent(name), 0);
  }
  EXPECT_EQ(a.client->register_agent(nullptr), 0);
  EXPECT_EQ(a.client->lookup_agent(nullptr), 0);

  // An own name that is not a word stops every request.
  Agent bad("bad name", 7003, port);
  EXPECT_EQ(bad.client->lookup_agent("A"), 0);
  EXPECT_EQ(bad.error(), "Invalid agent name of this agent");

  ASSERT_EQ(a.client->ans_list_all(), 1) << a.error();
  EXPECT_EQ(a.client->listall_getfirst(), nullptr);
}

// A server on loopback that takes one request and answers it with a canned
// text (sent as it stands: the caller adds the 0x04 or leaves it out).
class CannedServer {
 public:
  explicit CannedServer(std::string reply) : reply_(std::move(reply)) {
    listener_ = testsupport::listen_on_loopback(&port_, 1);
    thread_ = std::thread([this] { serve(); });
  }
  ~CannedServer() {
    if (thread_.joinable()) thread_.join();
    close(listener_);
  }

  unsigned port() const { return port_; }
  // The request as it came, after the thread is done.
  const std::string& request() {
    if (thread_.joinable()) thread_.join();
    return request_;
  }

 private:
  void serve() {
    pollfd ready{listener_, POLLIN, 0};
    if (poll(&ready, 1, 5000) <= 0) return;
    const int peer = accept(listener_, nullptr, nullptr);
    char buffer[2048];
    while (request_.find('\x04') == std::string::npos) {
      pollfd data{peer, POLLIN, 0};
      if (poll(&data, 1, 5000) <= 0) break;
      const ssize_t got = recv(peer, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request_.append(buffer, static_cast<size_t>(got));
    }
    send(peer, reply_.data(), reply_.size(), MSG_NOSIGNAL);
    close(peer);
  }

  std::string reply_;
  int listener_ = -1;
  unsigned port_ = 0;
  std::string request_;
  std::thread thread_;
};

// A reason goes as a KQML string, quotes and backslashes escaped.
TEST(ANSProtocol, SorryWritesItsReasonAsAString) {
  EXPECT_EQ(ansprotocol::compose_sorry("A", "ans1", R"(not "C:\dir\")"),
            R"((sorry :sender ANS :receiver A :in-reply-to ans1 :content (error :text )"
            R"("not \"C:\\dir\\\"")))");
}

TEST_F(ANSClientTest, RequestTextAndOddReplies) {
  struct Case {
    const char* operation;  // "register" or "lookup"
    std::string reply;
    int result;
    std::string error;  // "%S" stands for "name server at [127.0.0.1][port]"
  };
  const std::string ok = "(tell :sender ANS :receiver A :in-reply-to ans1 :content (ok))";
  const std::vector<Case> cases = {
      {"register", ok + '\x04', 1, ""},
      {"register", ok, 1, ""},  // closed after the text without 0x04
      {"register", "no kqml\x04", 0, "Unreadable reply from %S"},
      {"register", "(tell :sender ANS :in-reply-to ans7 :content (ok))\x04", 0,
       "Unexpected reply from %S"},
      {"register", "(tell :sender ANS :in-reply-to ans1 :content (agents :names ()))\x04", 0,
       "Unexpected reply from %S"},
      {"register", "(sorry :sender ANS :in-reply-to ans1)\x04", 0,
       "The %S said sorry: no reason given"},
      {"register", "(sorry :in-reply-to ans1 :content (error :text \"\"))\x04", 0,
       "The %S said sorry: no reason given"},
      {"register", R"((sorry :in-reply-to ans1 :content (error :text "not \"C:\\dir\\\"")))" "\x04",
       0, R"(The %S said sorry: not "C:\dir\")"},
      {"lookup", "(tell :in-reply-to ans1 :content (agent :name B :host h :port 99999))\x04", 0,
       "Unexpected location of [B] in the name server's reply"},
      {"lookup", "(tell :in-reply-to ans1 :content (agent :name C :host h :port 9))\x04", 0,
       "Unexpected location of [B] in the name server's reply"},
      {"lookup", "(tell :in-reply-to ans1 :content (agent :name B :host h :port 9))\x04", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    CannedServer canned(c.reply);
    Agent a("A", 7001, canned.port());
    const bool registering = std::string(c.operation) == "register";
    const int result = registering ? a.client->register_agent("A") : a.client->lookup_agent("B");
    EXPECT_EQ(result, c.result);
    std::string error = c.error;
    if (const size_t at = error.find("%S"); at != std::string::npos) {
      error.replace(at, 2, "name server at [127.0.0.1][" + std::to_string(canned.port()) + "]");
    }
    EXPECT_EQ(a.error(), error);
    EXPECT_EQ(a.client->is_registered(), registering ? c.result : 0);
    if (registering) {
      EXPECT_EQ(canned.request(),
                "(register :sender A :receiver ANS :reply-with ans1 :content "
                "(register :name A :host 127.0.0.1 :port 7001))\x04");
    } else {
      EXPECT_EQ(canned.request(),
                "(ask-one :sender A :receiver ANS :reply-with ans1 :content (lookup :name B))\x04");
      EXPECT_EQ(a.location("B"), c.result == 1 ? "h:9" : "");
    }
  }
}

}  // namespace
