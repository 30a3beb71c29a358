#include "Relaywick/communicator.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "Platform/hostaddress.h"
#include "Platform/messagesink.h"
#include "Platform/socketerror.h"
#include "Talkwick/kqmlparser.h"
#include "Toolwick/url.h"
#include "relaytest.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"

namespace {

using namespace relaytest;

constexpr char kEnd = 0x04;

// A lookup module that records its calls; on_lookup runs inside lookup_agent.
class FakeLookup : public CLookupModule {
 public:
  FakeLookup(const char* name, CBeliefDB* db, int type, std::vector<std::string>* calls)
      : CLookupModule(db, nullptr), calls_(calls) {
    set_name(name);
    set_lookup_type(type);
  }
  ~FakeLookup() override { record("destroyed"); }

  int register_agent(const char* name) override { return record("register", name); }
  int unregister_agent(const char* name) override { return record("unregister", name); }
  int lookup_agent(const char* name) override {
    record("lookup", name);
    if (on_lookup) on_lookup(name);
    return 1;
  }
  int listall_agents() override { return record("listall"); }
  void alive() override { record("alive"); }
  void process_enable() override { record("enable"); }
  void process_disable() override { record("disable"); }

  std::function<void(const char*)> on_lookup;

 private:
  int record(const char* what, const char* name = nullptr) {
    calls_->push_back(std::string(get_name()) + " " + what + (name ? std::string(" ") + name : ""));
    return 1;
  }
  std::vector<std::string>* calls_;
};

// A name-server module of a class of its own: the listing answers record
// their calls.
class NameServerLookup : public FakeLookup {
 public:
  NameServerLookup(CBeliefDB* db, std::vector<std::string>* calls)
      : FakeLookup("ans", db, LOOKUP_TYPE_ANS, calls), calls_(calls) {}
  char* get_last_error() override { return error_; }
  int ans_list_all() override { return note("listall"); }
  int listall_combo(CComboBox* /*combo*/) override { return note("combo"); }
  int listall_listbox(CListBox* /*listbox*/) override { return note("listbox"); }
  char* listall_getfirst() override {
    note("getfirst");
    return first_;
  }
  char* listall_getnext() override {
    note("getnext");
    return next_;
  }

 private:
  int note(const char* what) {
    calls_->push_back(std::string("ans ") + what);
    return 1;
  }
  std::vector<std::string>* calls_;
  char error_[10] = "no server";
  char first_[6] = "first";
  char next_[5] = "next";
};

class FakeDiscovery : public CDiscovery {
 public:
  explicit FakeDiscovery(CBeliefDB* db) : CDiscovery(db, nullptr) { set_name("discovery"); }
  int process_discovery(unsigned which) override {
    seen.push_back(which);
    return 2;
  }
  void set_param(const char* host, unsigned port) override {
    param_host = host ? host : "(null)";
    param_port = port;
  }
  std::vector<unsigned> seen;
  std::string param_host;
  unsigned param_port = 0;
};

// A communicator listening on a port of the system's choice, logging into a
// capture, with a plain listener as the agent "bob".
class CommunicatorTest : public LoopTest {
 protected:
  CommunicatorTest() {
    logger.set_file(log.stream());
    comm = std::make_unique<CCommunicator>();
    comm->set_handler(&window);
    comm->set_logger(&logger);
    comm->set_port(0);
    EXPECT_EQ(comm->Create(), 1);
    bob_listener = listen_peer(&bob_port);
    add_entry("bob", kLoopback, bob_port);
  }
  ~CommunicatorTest() override {
    comm.reset();
    for (int fd : peers) close_peer(fd);
    close_peer(bob_listener);
  }

  CLList* table() {
    return static_cast<CListBelief*>(comm->get_beliefdb()->find_element("lookup"))->get_value();
  }
  // A service-table entry; a null host leaves it without location.
  CServiceInfo* add_entry(const char* name, const char* host, unsigned port) {
    auto* entry = new CServiceInfo;
    entry->set_name(name);
    if (host != nullptr) {
      auto* location = new CURL;
      location->set_host(host);
      location->set_port(static_cast<int32_t>(port));
      entry->set_location(location);
    }
    table()->add_element(entry);
    return entry;
  }
  int accept_bob() {
    const int fd = accept_peer(bob_listener);
    peers.push_back(fd);
    return fd;
  }
  // Sends bob "hello" over a new connection; bob's end of it goes to *fd.
  // The connection kept for bob, or null.
  CClientSocket* greet_bob(int* fd) {
    std::string text = "hello";
    EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, text.data()), 6);
    *fd = accept_bob();
    return cached("bob");
  }
  CClientSocket* cached(const char* name) {
    return dynamic_cast<CClientSocket*>(comm->find_connection(name, nullptr, 0));
  }
  int connections() { return comm->get_server()->get_sockets()->get_nr_elements(); }
  // The header the KQML composer writes for these fields.
  static std::string header(const char* receiver, const char* in_reply_to,
                            const char* sender = "Win32Agent") {
    CKQMLParser composer;
    return composer.compose_message("tell", receiver, sender, "ont", "lang", "r1", in_reply_to,
                                    nullptr, 0);
  }
  void settle() {
    while (loop.process_events(10) > 0) {
    }
  }

  testsupport::TempDir dir;  // reply-with identifiers keep state files here
  EnvSetting host_ip{"VERANTA_HOST_IP", kLoopback};
  LogCapture log;
  std::vector<std::string> calls;
  RecordingModule logger{"logger", &calls};
  RecordingWindow window;
  std::unique_ptr<CCommunicator> comm;
  int bob_listener = -1;
  unsigned bob_port = 0;
  std::vector<int> peers;
};

// --- Beliefs

TEST(CommunicatorBeliefs, DefaultsAndTheirOrder) {
  EnvSetting host_ip("VERANTA_HOST_IP", "200.1.2.250");
  CCommunicator comm;
  std::vector<std::string> names;
  CBeliefDB* db = comm.get_beliefdb();
  for (CListElement* e = db->get_element(0); e != nullptr; e = e->get_next()) {
    names.push_back(e->get_name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"name", "port", "ans", "ansport", "hostname", "lookup"}));
  EXPECT_STREQ(comm.get_name(), "Win32Agent");
  EXPECT_EQ(comm.get_port(), 6678u);
  EXPECT_STREQ(comm.get_ansname(), "-unknown-");
  EXPECT_EQ(comm.get_ansport(), 6677u);
  EXPECT_STREQ(comm.comm_get_info(), "200.1.2.250");
  EXPECT_STREQ(comm.comm_get_ip(), "200.1.2.250");
  auto* lookup = dynamic_cast<CListBelief*>(db->find_element("lookup"));
  ASSERT_NE(lookup, nullptr);
  ASSERT_NE(lookup->get_value(), nullptr);
  EXPECT_EQ(lookup->get_value()->get_nr_elements(), 0);
  EXPECT_STREQ(comm.getversion(), "2.01");
  EXPECT_STREQ(comm.get_empty_string(), " ");
  EXPECT_EQ(comm.get_service_type(), 1);
  EXPECT_EQ(comm.get_server(), nullptr);
  EXPECT_EQ(comm.get_handler(), nullptr);
}

TEST(CommunicatorBeliefs, HostnameFallsBackToLocalhost) {
  EnvSetting host_ip("VERANTA_HOST_IP", "not-an-address");
  CCommunicator comm;
  EXPECT_STREQ(comm.comm_get_info(), "localhost");
}

TEST(CommunicatorBeliefs, AGivenDatabaseStaysTheCallers) {
  EnvSetting host_ip("VERANTA_HOST_IP", kLoopback);
  CBeliefDB db;
  auto* name = new CStringBelief("name");
  name->set_value("station");
  db.add_element(name);
  auto* port = new CIntBelief("port");
  port->set_value(7000);
  db.add_element(port);
  {
    LogCapture log;  // outlives the communicator, which logs to the end
    CCommunicator comm(&db);
    EXPECT_EQ(comm.get_beliefdb(), &db);
    EXPECT_STREQ(comm.get_name(), "station");
    EXPECT_EQ(comm.get_port(), 7000u);
    // No "ans", "ansport" or "lookup": getters give null or 0, setters do nothing.
    EXPECT_EQ(comm.get_ansname(), nullptr);
    EXPECT_EQ(comm.get_ansport(), 0u);
    comm.set_ansname("x");
    comm.set_ansport(5);
    EXPECT_EQ(db.find_element("ans"), nullptr);
    EXPECT_EQ(comm.comm_setansinfo("host", 1), 1);
    EXPECT_STREQ(comm.comm_get_info(), kLoopback);
    EXPECT_EQ(db.get_last_element()->get_name(), std::string("hostname"));

    EXPECT_EQ(comm.comm_setinfo("renamed", 7100), 1);
    EXPECT_STREQ(name->get_value(), "renamed");
    EXPECT_EQ(port->get_value(), 7100);

    comm.set_file(log.stream());
    char host[CCommunicator::kHostSize];
    unsigned found = 0;
    EXPECT_STREQ(comm.comm_lookup("bob", host, &found), "sorry");
    EXPECT_TRUE(log.has("<CCommunicator> Lookup table is NULL, unable to process request"));
    comm.check_integrity();
    EXPECT_TRUE(
        log.has("<CCommunicator> lookup table is NULL whilst checking location lookup table"));
  }
  EXPECT_EQ(db.get_nr_elements(), 3);  // the database outlived the communicator
}

TEST(CommunicatorBeliefs, SetInfoNeedsNameAndPort) {
  CBeliefDB db;
  CCommunicator comm(&db);
  EXPECT_EQ(comm.comm_setinfo("x", 1), 0);
  EXPECT_EQ(comm.get_name(), nullptr);
  EXPECT_EQ(comm.get_port(), 0u);
}

// --- Texts

TEST(CommunicatorTexts, ErrorToAscPadsTheNameWithNoBreakSpaces) {
  CCommunicator comm;
  EXPECT_EQ(std::string(comm.ErrorToAsc(10013)),
            "WSAEACCES\xA0\xA0\xA0        The requested address is a broadcast address, but the "
            "appropriate flag was not set.");
  EXPECT_EQ(std::string(comm.ErrorToAsc(10050)),
            "WSAENETDOWN\xA0\xA0      The Windows Sockets implementation detected that the "
            "network subsystem failed.");
  EXPECT_EQ(std::string(comm.ErrorToAsc(10093)),
            "WSANOTINITIALISED\xA0\xA0\xA0" "A successful AfxSocketInit must occur before using "
            "this API.");
  EXPECT_EQ(std::string(comm.ErrorToAsc(10014)).substr(20),
            "The lpBuf or lpSockAddr parameters are not part of the user address space, or the "
            "lpSockAddr argument is  too small (less than the size of a SOCKADDR structure).");
  for (unsigned code : {0u, 10004u, 10037u, 10056u, 10061u, 10092u}) {
    EXPECT_STREQ(comm.ErrorToAsc(code), "<CCommunicator> The network returned an unknown error");
  }
  // Every known code: its name, the no-break spaces, blanks to the column.
  for (unsigned code = 10000; code < 10100; ++code) {
    const std::string text = comm.ErrorToAsc(code);
    if (text[0] == '<') continue;
    const size_t column = code == 10050 ? 19 : 20;
    const size_t name_end = text.find('\xA0');
    ASSERT_NE(name_end, std::string::npos) << code;
    const size_t spaces = code == 10050 ? 2 : 3;
    EXPECT_EQ(text.substr(name_end, spaces), std::string(spaces, '\xA0')) << code;
    EXPECT_EQ(text.find_first_not_of(' ', name_end + spaces), column) << code;
  }
}

TEST(CommunicatorTexts, ReplyWithCarriesTheTime) {
  CCommunicator comm;
  const long before = static_cast<long>(std::time(nullptr));
  const std::string id = comm.create_reply_with();
  const long after = static_cast<long>(std::time(nullptr));
  ASSERT_EQ(id.rfind("Dur32O", 0), 0u);
  const long seconds = std::stol(id.substr(6));
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);
}

TEST(CommunicatorTexts, DeprecatedOperationsSaySo) {
  platform::MessageRecorder boxes;
  LogCapture log;
  CCommunicator comm;
  comm.set_file(log.stream());
  comm.comm_disable_ans();
  comm.comm_enable_ans();
  comm.comm_connections();
  comm.comm_console();
  comm.comm_viewmessage();
  EXPECT_EQ(boxes.texts(),
            (std::vector<std::string>{
                "<CCommunicator> comm_disable_ans () is a deprecated method, please use "
                "<CBasicAgent> set_lookup_config ()",
                "<CCommunicator> comm_enable_ans () is a deprecated method, please use "
                "<CBasicAgent> set_lookup_config ()",
                "Deprecated function", "Deprecated function", "Deprecated function"}));
  EXPECT_EQ(comm.create_connection(), nullptr);
  EXPECT_TRUE(log.has("<CCommunicator> Deprecated method, this should not be called"));
  EXPECT_EQ(comm.comm_get_message(), nullptr);
}

// --- Start

TEST_F(CommunicatorTest, PortZeroIsChosenByTheSystemAndKept) {
  EXPECT_NE(comm->get_port(), 0u);
  EXPECT_TRUE(log.has("<CCommunicator> Set listening port to [" + std::to_string(comm->get_port()) +
                      "]"));
  EXPECT_TRUE(log.has("<CCommunicator> Communicator running"));
  const int fd = connect_peer(comm->get_port());
  peers.push_back(fd);
  EXPECT_TRUE(run_until(loop, [&] { return connections() == 1; }));
}

TEST_F(CommunicatorTest, StartingFailsWithoutHandlerOrPort) {
  CCommunicator lonely;
  lonely.set_logger(&logger);
  EXPECT_EQ(lonely.Create(), 0);
  EXPECT_TRUE(log.has("<CCommunicator> Message handler is NULL"));
  EXPECT_TRUE(log.has("<CCommunicator> Unable to start server, Aborting ... !!"));

  lonely.set_handler(&window);
  lonely.set_port(bob_port);  // taken by bob's listener
  EXPECT_EQ(lonely.comm_startserver(), 0);
  EXPECT_TRUE(
      log.has("<CCommunicator> Unable to create server socket on [" + std::to_string(bob_port) + "]"));
}

TEST_F(CommunicatorTest, WithTheHostIpSetTheAgentListensOnThatAddressAlone) {
  char address[platform::kAddressTextSize] = {};
  ASSERT_TRUE(comm->get_server()->GetSockName(address, sizeof address, nullptr));
  EXPECT_STREQ(address, kLoopback);
  // Another loopback address of this host does not reach it.
  CAsyncSocket elsewhere;
  ASSERT_TRUE(elsewhere.Create());
  EXPECT_FALSE(elsewhere.Connect("127.0.0.2", comm->get_port()));
  EXPECT_EQ(CAsyncSocket::GetLastError(), platform::WSAECONNREFUSED);

  struct Case {
    const char* name;
    const char* setting;
  };
  const std::vector<Case> unusable = {
      {"no interface of this host", "192.0.2.1"},  // a documentation address
      {"not an address", "loopback"},
  };
  for (const Case& c : unusable) {
    SCOPED_TRACE(c.name);
    EnvSetting host_ip("VERANTA_HOST_IP", c.setting);
    CCommunicator other;
    other.set_logger(&logger);
    other.set_handler(&window);
    other.set_port(0);
    EXPECT_EQ(other.Create(), 0);
    EXPECT_TRUE(log.has("<CCommunicator> Unable to create server socket on [0]"));
  }
}

TEST_F(CommunicatorTest, ABurstOfConnectsIsNotHeldBack) {
  // The agent takes none of them meanwhile: the system's queue holds them.
  std::vector<std::unique_ptr<CAsyncSocket>> burst;
  for (int i = 0; i < 32; ++i) {
    burst.push_back(std::make_unique<CAsyncSocket>());
    ASSERT_TRUE(burst.back()->Create());
    ASSERT_TRUE(burst.back()->Connect(kLoopback, comm->get_port())) << i;
  }
  EXPECT_TRUE(run_until(loop, [&] { return connections() == 32; }));
}

// --- Composition and sending

TEST_F(CommunicatorTest, EmptyTokensLeaveNoTrace) {
  EXPECT_EQ(comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "a", "",
                                   "b", nullptr),
            nullptr);
  const int fd = accept_bob();
  const std::string first = read_message(fd);
  EXPECT_EQ(comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "a", "b",
                                   nullptr),
            nullptr);
  EXPECT_EQ(read_message(fd), first);
  EXPECT_EQ(first, header("bob", nullptr) + " a b ))" + kEnd);
  EXPECT_NE(first.find(":content (  a b ))\x04"), std::string::npos);
}

TEST_F(CommunicatorTest, WhoIsToldOfASentMessage) {
  auto* display = new RecordingModule("display", &calls);
  display->set_type(LOGTYPE_DISPLAY);
  auto* plain = new RecordingModule("plain", &calls);
  auto* unnamed = new RecordingModule(nullptr, &calls);
  unnamed->set_type(LOGTYPE_DISPLAY);
  auto* kind_only = new RecordingModule("kind-only", &calls);  // kind is not type
  comm->add_display(display);
  comm->add_display(plain);
  comm->add_display(unnamed);
  comm->add_display(kind_only);
  const std::string success = "<CCommunicator> Success sending (internal) request to Agent [bob] at "
                              "[127.0.0.1][" + std::to_string(bob_port) + "]";
  const std::string text = header("bob", nullptr) + " x ))" + kEnd;

  struct Case {
    const char* what;
    std::function<void()> send;
    std::vector<std::string> told;
  };
  const std::vector<Case> cases = {
      {"comm_sendmessage",
       [&] { comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "x", nullptr); },
       {"display message 2 " + text}},
      {"comm_sendmessage_sender",
       [&] {
         comm->comm_sendmessage_sender("tell", "bob", "Win32Agent", "ont", "lang", "r1", nullptr,
                                       nullptr, "x", nullptr);
       },
       {"display message 2 " + text}},
      {"comm_sendmessage_internal",
       [&] {
         comm->comm_sendmessage_internal("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "x",
                                         nullptr);
       },
       {}},
      {"comm_sendmessage_socket",
       [&] {
         comm->comm_sendmessage_socket("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "x",
                                       nullptr);
       },
       {"logger message 0 " + success, "logger message 2 " + text, "display message 2 " + text,
        "plain message 2 " + text, " message 2 " + text, "kind-only message 2 " + text}},
      {"comm_sendmessage_socket_internal",
       [&] {
         comm->comm_sendmessage_socket_internal("tell", "bob", "ont", "lang", "r1", nullptr,
                                                nullptr, "x", nullptr);
       },
       {"logger message 0 " + success}},
  };
  int fd = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    calls.clear();
    c.send();
    if (fd < 0) fd = accept_bob();
    EXPECT_EQ(read_message(fd), text);
    EXPECT_EQ(calls, c.told);
  }
}

TEST_F(CommunicatorTest, ASendFromAToldModuleLeavesTheTextToTheOthers) {
  auto* first = new RecordingModule("first", &calls);
  first->set_type(LOGTYPE_DISPLAY);
  auto* second = new RecordingModule("second", &calls);
  second->set_type(LOGTYPE_DISPLAY);
  comm->add_display(first);
  comm->add_display(second);
  bool sent_inside = false;
  first->on_message = [&] {
    if (std::exchange(sent_inside, true)) return;
    comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "inner", nullptr);
  };
  comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "outer", nullptr);
  const std::string outer = header("bob", nullptr) + " outer ))" + kEnd;
  const std::string inner = header("bob", nullptr) + " inner ))" + kEnd;
  EXPECT_EQ(calls, (std::vector<std::string>{"first message 2 " + outer, "first message 2 " + inner,
                                             "second message 2 " + inner,
                                             "second message 2 " + outer}));
  const int fd = accept_bob();
  EXPECT_EQ(read_message(fd), outer);
  EXPECT_EQ(read_message(fd), inner);
}

TEST_F(CommunicatorTest, AFailedSendReturnsTheErrorText) {
  unsigned nobody = 0;
  close_peer(listen_peer(&nobody));  // a port where nobody listens
  add_entry("gone", kLoopback, nobody);
  const char* error =
      comm->comm_sendmessage("tell", "gone", "ont", "lang", "r1", nullptr, nullptr, "x", nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(std::string(error),
            "<CCommunicator> Error [<CCommunicator> The network returned an unknown error] sending "
            "(internal) request to Agent [gone] at [127.0.0.1][" + std::to_string(nobody) + "]");
  EXPECT_EQ(comm->comm_sendmessage_socket("tell", "gone", "ont", "lang", "r1", nullptr, nullptr,
                                          "x", nullptr),
            nullptr);
  EXPECT_EQ(connections(), 0);

  // The text takes whatever length the names have.
  const std::string name(5000, 'n');
  add_entry(name.c_str(), kLoopback, nobody);
  error = comm->comm_sendmessage("tell", name.c_str(), "ont", "lang", "r1", nullptr, nullptr, "x",
                                 nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_NE(std::string(error).find("to Agent [" + name + "] at [127.0.0.1]"), std::string::npos);
}

TEST_F(CommunicatorTest, ATokenHoldingTheTerminatorIsNotSent) {
  // The peer would read the message as cut short at the 0x04.
  const char* chat = "(chat :text \"one\x04two\")";
  const char* error =
      comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, chat, nullptr);
  ASSERT_NE(error, nullptr);
  const std::string refused = "<CCommunicator> Message to [bob] holds the byte 0x04, not sent";
  EXPECT_EQ(std::string(error), refused);
  EXPECT_TRUE(log.has(refused));
  EXPECT_EQ(comm->comm_sendmessage_socket("tell", "bob", "ont", "lang", "r1", nullptr, nullptr,
                                          chat, nullptr),
            nullptr);
  // Nothing went out: the next message is the first that bob reads.
  EXPECT_EQ(comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "fine",
                                   nullptr),
            nullptr);
  const int fd = accept_bob();
  EXPECT_EQ(read_message(fd), header("bob", nullptr) + " fine ))" + kEnd);
}

TEST_F(CommunicatorTest, AnUnknownReceiverGetsNothing) {
  auto* finder = new FakeLookup("finder", comm->get_beliefdb(), LOOKUP_TYPE_ANS, &calls);
  comm->add_lookup_module(finder);
  finder->enable(1);
  calls.clear();
  // Nothing went, so the text operations answer with why, never with the
  // null of a message that went.
  const char* error = comm->comm_sendmessage("tell", "nobody", "ont", "lang", "r1", nullptr,
                                             nullptr, "x", nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_STREQ(error, "<CCommunicator> Error looking up [nobody] in network belief DB");
  EXPECT_NE(comm->comm_sendmessage_sender("tell", "nobody", "me", "ont", "lang", "r1", nullptr,
                                          nullptr, "x", nullptr),
            nullptr);
  EXPECT_NE(comm->comm_sendmessage_internal("tell", "nobody", "ont", "lang", "r1", nullptr,
                                            nullptr, "x", nullptr),
            nullptr);
  EXPECT_EQ(calls, (std::vector<std::string>{"finder lookup nobody", "finder lookup nobody",
                                             "finder lookup nobody"}));
  EXPECT_EQ(comm->comm_sendmessage_socket("tell", "nobody", "ont", "lang", "r1", nullptr, nullptr,
                                          "x", nullptr),
            nullptr);
  EXPECT_TRUE(log.has("<CCommunicator> Error looking up [nobody] in network belief DB"));
  EXPECT_EQ(accept_peer(bob_listener, 100), -1);
}

TEST_F(CommunicatorTest, TheCachedConnectionIsFoundByNameAlone) {
  std::string one = "first";
  EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, one.data()), 6);
  const int fd = accept_bob();
  CClientSocket* connection = cached("bob");
  ASSERT_NE(connection, nullptr);
  EXPECT_STREQ(connection->get_hostname(), kLoopback);
  EXPECT_EQ(connection->get_port(), bob_port);
  // Host and port only matter for a new connection.
  std::string two = "second";
  EXPECT_EQ(comm->comm_senddata_socket("bob", "elsewhere", 1, two.data()), connection);
  EXPECT_EQ(read_peer(fd, 13), std::string("first\0second\0", 13));
  EXPECT_EQ(accept_peer(bob_listener, 100), -1);
  EXPECT_EQ(connections(), 1);
}

TEST_F(CommunicatorTest, PlaceholderNamesAreNeverReused) {
  for (const char* name : {"unknown agent", "broadcast agent"}) {
    std::string text = "x";
    EXPECT_EQ(comm->comm_senddata(name, kLoopback, bob_port, text.data()), 2);
    EXPECT_EQ(comm->comm_senddata(name, kLoopback, bob_port, text.data()), 2);
  }
  EXPECT_EQ(connections(), 4);
}

TEST_F(CommunicatorTest, WithoutNameTheConnectionIsClosedAfterTheSend) {
  std::string text = "once";
  EXPECT_EQ(comm->comm_senddata(nullptr, kLoopback, bob_port, text.data()), 5);
  int fd = accept_bob();
  EXPECT_EQ(read_peer(fd, 5), std::string("once\0", 5));
  EXPECT_TRUE(peer_closed(fd));
  EXPECT_EQ(comm->comm_senddata_socket(nullptr, kLoopback, bob_port, text.data()), nullptr);
  fd = accept_bob();
  EXPECT_TRUE(peer_closed(fd));
  EXPECT_EQ(connections(), 0);
}

TEST_F(CommunicatorTest, WithoutNameAConnectionGoesOnceItsTextIsOut) {
  // A peer with a small window: most of the text waits in the connection.
  unsigned port = 0;
  const int listener = listen_peer(&port);
  peers.push_back(listener);
  const int small = 4096;
  ASSERT_EQ(setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &small, sizeof small), 0);
  std::string text(1u << 20, 'u');
  EXPECT_EQ(comm->comm_senddata(nullptr, kLoopback, port, text.data()),
            static_cast<int>(text.size() + 1));
  const int fd = accept_peer(listener);
  peers.push_back(fd);
  std::string received;
  EXPECT_TRUE(run_until(
      loop,
      [&] {
        received += read_peer(fd, text.size() + 1 - received.size(), 5);
        return received.size() == text.size() + 1;
      },
      10000));
  EXPECT_EQ(received.size(), text.size() + 1);
  EXPECT_TRUE(peer_closed(fd));
  settle();
  EXPECT_EQ(connections(), 0);
}

TEST_F(CommunicatorTest, APeerThatClosedGetsANewConnection) {
  std::string text = "hello";
  ASSERT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, text.data()), 6);
  const int first_fd = accept_bob();
  CClientSocket* first = cached("bob");
  EXPECT_EQ(read_peer(first_fd, 6).size(), 6u);
  close_peer(first_fd);
  peers.back() = -1;
  ASSERT_TRUE(run_until(loop, [&] { return first->is_peer_closed(); }));

  text = "again";
  EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, text.data()), 6);
  const int second_fd = accept_bob();
  ASSERT_GE(second_fd, 0);
  EXPECT_EQ(read_peer(second_fd, 6), std::string("again\0", 6));
  EXPECT_NE(cached("bob"), first);
  EXPECT_EQ(connections(), 2);
  comm->check_integrity();  // sweeps the old one
  EXPECT_EQ(connections(), 1);
  settle();
}

TEST_F(CommunicatorTest, AFailedReconnectReturnsNoConnection) {
  std::string text = "hello";
  ASSERT_NE(comm->comm_senddata_socket("bob", kLoopback, bob_port, text.data()), nullptr);
  // Reset while the loop does not run: the cached connection is still
  // chosen, and its send fails.
  reset_peer(accept_bob());
  peers.back() = -1;
  // More than the buffers of a peer that never reads: the send over the new
  // connection times out.
  std::string huge(64u << 20, 'x');
  EXPECT_EQ(comm->comm_senddata_socket("bob", kLoopback, bob_port, huge.data()), nullptr);
  EXPECT_TRUE(log.has("<CCommunicator> sending message"));
  EXPECT_EQ(cached("bob"), nullptr);
  EXPECT_EQ(connections(), 1);  // only the dirty one, for the sweep
}

TEST_F(CommunicatorTest, APeerThatDoesNotReadIsDroppedWithoutAWaitOrARetry) {
  int fd = -1;
  CClientSocket* stalled = greet_bob(&fd);  // bob never reads from here on
  ASSERT_NE(stalled, nullptr);

  // More than the buffers hold, and than the connection keeps for a peer
  // that reads: it fails at once.
  std::string huge(64u << 20, 'x');
  EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, huge.data()), -1);
  EXPECT_EQ(log.starting("<CClientSocket> Winsock Returned: [WSAENOBUFS]").size(), 1u);
  EXPECT_TRUE(log.has("<CCommunicator> Agent [bob] is not reading, message not sent"));
  EXPECT_EQ(stalled->get_dirty(), 1);
  EXPECT_EQ(cached("bob"), nullptr);
  // No second try over a new connection within the same send.
  EXPECT_EQ(accept_peer(bob_listener, 100), -1);
  // What bob got ends in a cut message, then the end of the stream.
  EXPECT_EQ(read_peer(fd, 6), std::string("hello\0", 6));
  EXPECT_TRUE(peer_closed(fd, 3000));

  // The next message goes over a new connection, at once.
  std::string text = "again";
  EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, text.data()), 6);
  const int second = accept_bob();
  EXPECT_EQ(read_peer(second, 6), std::string("again\0", 6));
  EXPECT_EQ(log.starting("<CClientSocket> Winsock Returned: [WSAENOBUFS]").size(), 1u);
  comm->check_integrity();
  EXPECT_EQ(connections(), 1);
  settle();
}

TEST_F(CommunicatorTest, APeerThatTakesNothingHoldsNoOtherSendAndLosesItsConnection) {
  int fd = -1;
  CClientSocket* stalled = greet_bob(&fd);  // bob never reads from here on
  ASSERT_NE(stalled, nullptr);
  const int small = 4096;
  ASSERT_TRUE(stalled->SetSockOpt(SO_SNDBUF, &small, sizeof small));

  // More than the system takes for bob: the rest waits, and the send
  // returns at once with the whole count.
  std::string large(1u << 20, 'x');
  EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, large.data()),
            static_cast<int>(large.size() + 1));
  EXPECT_GT(stalled->GetUnsent(), 0u);
  // Meanwhile another agent is served.
  unsigned carol_port = 0;
  const int carol_listener = listen_peer(&carol_port);
  peers.push_back(carol_listener);
  add_entry("carol", kLoopback, carol_port);
  EXPECT_EQ(comm->comm_sendmessage("tell", "carol", "ont", "lang", "r1", nullptr, nullptr, "x",
                                   nullptr),
            nullptr);
  const int carol = accept_peer(carol_listener);
  peers.push_back(carol);
  EXPECT_EQ(read_message(carol), header("carol", nullptr) + " x ))" + kEnd);

  // Bob takes nothing for the whole timeout: his connection goes, with a
  // line for what it drops.
  EXPECT_TRUE(run_until(loop, [&] { return cached("bob") == nullptr; },
                        CAsyncSocket::kBlockingTimeoutMs + 5000));
  EXPECT_TRUE(log.has("<CClientSocket> Winsock Returned: [WSAETIMEDOUT]"));
  EXPECT_TRUE(log.has("<CClientSocket> Messages that could not be sent are dropped, connection "
                      "closed"));
  settle();
  EXPECT_EQ(connections(), 1);  // carol's
  EXPECT_EQ(read_peer(fd, 6), std::string("hello\0", 6));
  EXPECT_TRUE(peer_closed(fd, 3000));
}

// Peers that take nothing hold what was sent to them within the budget of
// all connections: past it, the one holding the most goes, not the sender
// of the moment.
TEST_F(CommunicatorTest, UnsentBytesCountAgainstWhatAllConnectionsHold) {
  CServerSocket::Limits limits;
  limits.held_bytes = 512 * 1024;
  comm->get_server()->set_limits(limits);
  int bob = -1;
  CClientSocket* to_bob = greet_bob(&bob);  // bob never reads from here on
  ASSERT_NE(to_bob, nullptr);
  unsigned dave_port = 0;
  const int dave_listener = listen_peer(&dave_port);
  peers.push_back(dave_listener);
  add_entry("dave", kLoopback, dave_port);
  std::string hello = "hello";
  ASSERT_EQ(comm->comm_senddata("dave", kLoopback, dave_port, hello.data()), 6);
  const int dave = accept_peer(dave_listener);  // nor does dave
  peers.push_back(dave);
  CClientSocket* to_dave = cached("dave");
  ASSERT_NE(to_dave, nullptr);
  const int small = 4096;
  for (CClientSocket* c : {to_bob, to_dave}) ASSERT_TRUE(c->SetSockOpt(SO_SNDBUF, &small, sizeof small));

  std::string to_b(400 * 1024, 'b');
  EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, to_b.data()),
            static_cast<int>(to_b.size() + 1));
  ASSERT_GT(to_bob->GetUnsent(), 200u * 1024);
  std::string to_d(200 * 1024, 'd');
  EXPECT_EQ(comm->comm_senddata("dave", kLoopback, dave_port, to_d.data()),
            static_cast<int>(to_d.size() + 1));
  EXPECT_EQ(cached("bob"), nullptr);
  EXPECT_EQ(cached("dave"), to_dave);
  EXPECT_TRUE(log.has("<CClientSocket> Messages held by the agent would pass [524288] bytes and "
                      "this connection holds the most of them that cannot be delivered yet, "
                      "closing connection"));
  EXPECT_LE(comm->get_server()->get_held_bytes(), limits.held_bytes);
}

TEST_F(CommunicatorTest, AConnectThatIsNotAnsweredHoldsNoSend) {
  testsupport::UnansweringListener slow;
  add_entry("slow", kLoopback, slow.port());
  // Taken to be sent once the connection is made.
  EXPECT_EQ(comm->comm_sendmessage("tell", "slow", "ont", "lang", "r1", nullptr, nullptr, "x",
                                   nullptr),
            nullptr);
  CClientSocket* waiting = cached("slow");
  ASSERT_NE(waiting, nullptr);
  if (waiting->GetUnsent() == 0) GTEST_SKIP() << "the system answered beyond the listen queue";
  EXPECT_STREQ(waiting->get_hostname(), kLoopback);
  EXPECT_EQ(waiting->get_port(), slow.port());
  // Meanwhile the others are served.
  EXPECT_EQ(comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "y",
                                   nullptr),
            nullptr);
  EXPECT_EQ(read_message(accept_bob()), header("bob", nullptr) + " y ))" + kEnd);
}

TEST_F(CommunicatorTest, OwnConnectionsAreBoundedAndTheLeastRecentlyUsedGoesFirst) {
  CServerSocket::Limits limits;
  limits.outgoing = 2;
  comm->get_server()->set_limits(limits);
  unsigned carol_port = 0;
  const int carol_listener = listen_peer(&carol_port);
  peers.push_back(carol_listener);
  add_entry("carol", kLoopback, carol_port);
  unsigned dave_port = 0;
  const int dave_listener = listen_peer(&dave_port);
  peers.push_back(dave_listener);
  add_entry("dave", kLoopback, dave_port);
  const auto tell = [&](const char* to) {
    return comm->comm_sendmessage("tell", to, "ont", "lang", "r1", nullptr, nullptr, "x", nullptr);
  };

  ASSERT_EQ(tell("bob"), nullptr);
  const int bob = accept_bob();
  ASSERT_EQ(tell("carol"), nullptr);
  const int carol = accept_peer(carol_listener);
  peers.push_back(carol);
  ASSERT_EQ(tell("bob"), nullptr);  // bob's is now the one used last
  ASSERT_EQ(tell("dave"), nullptr);
  const int dave = accept_peer(dave_listener);
  peers.push_back(dave);

  EXPECT_EQ(comm->get_server()->get_outgoing(), 2);
  EXPECT_EQ(cached("carol"), nullptr);
  EXPECT_NE(cached("bob"), nullptr);
  EXPECT_NE(cached("dave"), nullptr);
  EXPECT_EQ(std::count(calls.begin(), calls.end(),
                       "logger message 0 <CServerSocket> Too many outgoing connections, closing "
                       "the least recently used one"),
            1);
  const std::string one = header("carol", nullptr) + " x ))" + kEnd;
  EXPECT_EQ(read_message(carol), one);
  EXPECT_TRUE(peer_closed(carol));
  EXPECT_EQ(read_message(bob), header("bob", nullptr) + " x ))" + kEnd);
  EXPECT_EQ(read_message(dave), header("dave", nullptr) + " x ))" + kEnd);
  settle();
}

TEST_F(CommunicatorTest, OwnConnectionsLeaveTheReservedDescriptors) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  rlimit lowered = old;
  lowered.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
  const int limit = comm->get_server()->get_outgoing_limit();
  setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(limit, 64 - CServerSocket::kReservedDescriptors);
}

TEST_F(CommunicatorTest, AReplyGoesToTheConnectionTheSenderReconnectedOn) {
  struct Case {
    const char* name;
    bool listening;  // at the sender's registered address
  };
  const std::vector<Case> cases = {{"sender listening", true}, {"nobody listening", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    unsigned carol_port = 0;
    int carol_listener = listen_peer(&carol_port);
    if (!c.listening) {
      close_peer(carol_listener);
      carol_listener = -1;
    }
    CServiceInfo* entry = add_entry("carol", kLoopback, carol_port);
    // The owner's side: every request is answered at once.
    window.on_notify = [&](const RecordingWindow::Notice& notice) {
      auto* from = dynamic_cast<CClientSocket*>(comm->get_connection(notice.descriptor));
      if (from == nullptr || from->mfc_getdata() == nullptr) return;
      comm->comm_sendmessage("tell", "carol", "ont", "lang", "r1", nullptr, nullptr, "answer",
                             nullptr);
      from->remove_from_queue();
    };
    const std::string request = "(ask :sender carol :content (q))" + std::string(1, kEnd);
    const std::string reply = header("carol", nullptr) + " answer ))" + kEnd;
    int fd = connect_peer(comm->get_port());
    for (int round = 0; round < 5; ++round) {
      SCOPED_TRACE(round);
      ASSERT_TRUE(send_peer(fd, request));
      std::string got;
      ASSERT_TRUE(run_until(loop, [&] {
        got += read_peer(fd, 4096, 5);
        return !got.empty() && got.back() == kEnd;
      }));
      EXPECT_EQ(got, reply);
      // Closes and comes back at once under the same name.
      close_peer(fd);
      fd = connect_peer(comm->get_port());
    }
    close_peer(fd);
    if (carol_listener >= 0) {
      EXPECT_EQ(accept_peer(carol_listener, 100), -1);
      close_peer(carol_listener);
    }
    window.on_notify = nullptr;
    table()->delete_element(entry);
    comm->check_integrity();
    settle();
  }
}

TEST_F(CommunicatorTest, WithoutServerNothingIsSent) {
  comm->comm_endserver();
  std::string text = "x";
  EXPECT_EQ(comm->comm_senddata("bob", kLoopback, bob_port, text.data()), 0);
  // The composing send counts that as the failure it is.
  const char* error =
      comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "x", nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_STREQ(error, "<CCommunicator> Server socket is NULL, you can't send messages to agents");
  EXPECT_EQ(comm->comm_senddata_socket("bob", kLoopback, bob_port, text.data()), nullptr);
  EXPECT_TRUE(log.has("<CCommunicator> Server socket is NULL, you can't send messages to agents"));
  EXPECT_EQ(comm->find_connection("bob", nullptr, 0), nullptr);
  EXPECT_EQ(comm->get_connection(0), nullptr);
}

TEST_F(CommunicatorTest, InReplyToComesFromTheCachedConnection) {
  ASSERT_EQ(comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "x",
                                   nullptr),
            nullptr);
  const int fd = accept_bob();
  read_message(fd);
  cached("bob")->set_reply_with("their-id");

  comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", "mine", nullptr, "x", nullptr);
  EXPECT_EQ(read_message(fd), header("bob", "mine") + " x ))" + kEnd);
  comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "x", nullptr);
  EXPECT_EQ(read_message(fd), header("bob", "their-id") + " x ))" + kEnd);
  comm->comm_sendmessage_socket("tell", "bob", "ont", "lang", "r1", "mine", nullptr, "x", nullptr);
  EXPECT_EQ(read_message(fd), header("bob", "their-id") + " x ))" + kEnd);
  comm->comm_sendmessage_socket_internal("tell", "bob", "ont", "lang", "r1", "mine", nullptr, "x",
                                         nullptr);
  EXPECT_EQ(read_message(fd), header("bob", "mine") + " x ))" + kEnd);
  comm->comm_sendmessage_internal("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "x",
                                  nullptr);
  EXPECT_EQ(read_message(fd), header("bob", nullptr) + " x ))" + kEnd);
  comm->comm_sendmessage_sender("tell", "bob", "carol", "ont", "lang", "r1", nullptr, nullptr, "x",
                                nullptr);
  EXPECT_EQ(read_message(fd), header("bob", "their-id", "carol") + " x ))" + kEnd);
}

TEST_F(CommunicatorTest, APrivateSocketStaysOutOfTheCache) {
  std::unique_ptr<CClientSocket> socket = comm->get_socket("bob");
  ASSERT_NE(socket, nullptr);
  EXPECT_STREQ(socket->get_agentname(), "bob");
  const int fd = accept_bob();
  EXPECT_GE(fd, 0);
  EXPECT_EQ(connections(), 0);
  comm->release_socket(std::move(socket));
  EXPECT_TRUE(peer_closed(fd));
  EXPECT_EQ(comm->get_socket("nobody"), nullptr);
  EXPECT_TRUE(log.has("<CCommunicator> Error looking up [nobody] with ANS"));
}

// --- Lookup

TEST_F(CommunicatorTest, LookupAsksTheEnabledModulesOnly) {
  auto* off = new FakeLookup("off", comm->get_beliefdb(), LOOKUP_TYPE_DISCOVERY, &calls);
  auto* on = new FakeLookup("on", comm->get_beliefdb(), LOOKUP_TYPE_ANS, &calls);
  comm->add_lookup_module(off);
  comm->add_lookup_module(on);
  on->enable(1);
  on->on_lookup = [&](const char* name) { add_entry(name, "10.9.8.7", 4242); };
  calls.clear();

  char host[CCommunicator::kHostSize] = {};
  unsigned port = 0;
  EXPECT_EQ(comm->comm_lookup("carol", host, &port), nullptr);
  EXPECT_STREQ(host, "10.9.8.7");
  EXPECT_EQ(port, 4242u);
  EXPECT_EQ(calls, std::vector<std::string>{"on lookup carol"});
  const std::vector<std::string> lines = log.starting("<CCommunicator>");
  const std::vector<std::string> expected = {
      "<CCommunicator> Activating 'comm_lookup ()'",
      "<CCommunicator> Agent not known, sending out search request for agent location: [carol]",
      "<CCommunicator> Module is disabled, skipping",
      "<CCommunicator> Agent found, obtaining location information ...",
      "<CCommunicator> Obtained host [10.9.8.7] and port [4242] information for agent: [carol]",
  };
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()), expected);

  // Found at once the second time: no module is asked.
  calls.clear();
  EXPECT_EQ(comm->comm_lookup("carol", host, &port), nullptr);
  EXPECT_TRUE(calls.empty());
}

TEST_F(CommunicatorTest, LookupPathsThatFail) {
  auto* finder = new FakeLookup("finder", comm->get_beliefdb(), LOOKUP_TYPE_ANS, &calls);
  comm->add_lookup_module(finder);
  finder->enable(1);
  char host[CCommunicator::kHostSize] = {};
  unsigned port = 0;

  EXPECT_STREQ(comm->comm_lookup("nobody", host, &port), "sorry");
  EXPECT_TRUE(log.has("<CCommunicator> Still not able to lookup agent"));

  add_entry("nowhere", nullptr, 0);
  calls.clear();
  EXPECT_STREQ(comm->comm_lookup("nowhere", host, &port), "sorry");
  EXPECT_EQ(calls, std::vector<std::string>{"finder lookup nowhere"});
  EXPECT_TRUE(log.has("<CCommunicator> Agent name known but no location information present, "
                      "sending out search request for agent location: [nowhere]"));
  EXPECT_TRUE(log.has("<CCommunicator> Could not obtain location for agent: [nowhere]"));

  // A module that supplies the location within the call.
  finder->on_lookup = [&](const char* name) {
    auto* entry = dynamic_cast<CServiceInfo*>(table()->find_element(name));
    auto* location = new CURL;
    location->set_host("192.0.2.1");
    location->set_port(99);
    entry->set_location(location);
  };
  EXPECT_EQ(comm->comm_lookup("nowhere", host, &port), nullptr);
  EXPECT_STREQ(host, "192.0.2.1");
  finder->on_lookup = nullptr;

  add_entry("hostless", nullptr, 0)->set_location(new CURL);
  EXPECT_STREQ(comm->comm_lookup("hostless", host, &port), "sorry");
  EXPECT_TRUE(log.has("<CCommunicator> Could not obtain host and port information for agent: "
                      "[hostless]"));

  // The host must fit the caller's buffer of kHostSize characters.
  const std::string longest(CCommunicator::kHostSize - 1, 'h');
  add_entry("long", longest.c_str(), 1);
  EXPECT_EQ(comm->comm_lookup("long", host, &port), nullptr);
  EXPECT_EQ(std::string(host), longest);
  const std::string too_long(CCommunicator::kHostSize, 'h');
  add_entry("too-long", too_long.c_str(), 1);
  std::memset(host, 0, sizeof host);
  EXPECT_STREQ(comm->comm_lookup("too-long", host, &port), "sorry");
  EXPECT_STREQ(host, "");
  EXPECT_TRUE(log.has("<CCommunicator> Could not obtain host and port information for agent: "
                      "[too-long]"));
  EXPECT_STREQ(comm->comm_sendmessage("tell", "too-long", "ont", "lang", "r1", nullptr, nullptr,
                                      "x", nullptr),
               "<CCommunicator> Error looking up [too-long] in network belief DB");
}

TEST_F(CommunicatorTest, LookupModulesAreDrivenInOrder) {
  auto* first = new FakeLookup("first", comm->get_beliefdb(), LOOKUP_TYPE_DISCOVERY, &calls);
  auto* second = new FakeLookup("second", comm->get_beliefdb(), LOOKUP_TYPE_ANS, &calls);
  comm->stop_lookup_modules();
  EXPECT_TRUE(log.has("<CCommunicator> There are no lookup modules available, can't stop modules "));
  comm->start_lookup_modules();
  EXPECT_TRUE(log.has("<CCommunicator> There are no lookup modules available, agent lookup will "
                      "not be possible"));
  comm->set_service_type(3);
  comm->add_lookup_module(first);
  comm->add_lookup_module(nullptr);
  comm->add_lookup_module(second);
  EXPECT_EQ(first->get_service_type(), 3);
  comm->set_service_type(5);
  EXPECT_EQ(second->get_service_type(), 5);

  comm->start_lookup_modules();
  second->enable(0);
  EXPECT_EQ(comm->comm_register_agent(nullptr), 0);
  EXPECT_EQ(comm->comm_register_agent("me"), 1);
  EXPECT_EQ(comm->comm_unregister_agent("me"), 1);
  comm->listall_agents();
  comm->stop_lookup_modules();
  EXPECT_EQ(calls, (std::vector<std::string>{"first enable", "second enable", "second disable",
                                             "first register me", "first unregister me",
                                             "first listall", "first disable"}));
  EXPECT_EQ(log.starting("<CCommunicator> Module is disabled, skipping").size(), 2u);
}

TEST_F(CommunicatorTest, RequirementsNameLookupModules) {
  comm->add_lookup_module(new FakeLookup("finder", comm->get_beliefdb(), 0, &calls));
  EXPECT_EQ(comm->check_requirements(), 1);
  comm->add_requirement(nullptr);
  comm->add_requirement("finder");
  EXPECT_EQ(comm->check_requirements(), 1);
  comm->add_requirement("bob");  // an agent of the service table is no module
  EXPECT_EQ(comm->check_requirements(), 0);
}

TEST_F(CommunicatorTest, TheNameServerModuleAnswersWhileRegistered) {
  EXPECT_EQ(comm->comm_listall(), 0);
  EXPECT_TRUE(log.has("<CCommunicator> Pointer to ANS module is invalid"));
  EXPECT_EQ(comm->comm_listall_getfirst(), nullptr);
  EXPECT_EQ(comm->comm_is_ans_enabled(), 1);
  EXPECT_EQ(comm->comm_ans_error(), nullptr);
  comm->comm_ans();
  comm->comm_info();
  EXPECT_EQ(log.starting("<CCommunicator> Pointer to ANS module is invalid").size(), 4u);

  // Any module of lookup type 2 is the name-server module, whatever its
  // class: the communicator hands on its answers while registered.
  calls.clear();
  auto* ans = new NameServerLookup(comm->get_beliefdb(), &calls);
  comm->add_lookup_module(ans);
  EXPECT_EQ(comm->retrieve_ans_object(), ans);
  EXPECT_EQ(comm->comm_is_ans_enabled(), 0);
  EXPECT_STREQ(comm->comm_ans_error(), "no server");
  EXPECT_EQ(comm->comm_listall(), 0);
  EXPECT_EQ(comm->comm_listall_getnext(), nullptr);
  EXPECT_EQ(log.starting("<CCommunicator> You are not registered yet with an ANS!").size(), 2u);
  EXPECT_TRUE(calls.empty());
  comm->set_registered(1);
  EXPECT_EQ(comm->comm_listall(), 1);
  EXPECT_STREQ(comm->comm_listall_getfirst(), "first");
  EXPECT_STREQ(comm->comm_listall_getnext(), "next");
  EXPECT_EQ(comm->comm_listall_listbox(nullptr), 1);
  EXPECT_EQ(comm->comm_listall_combo(nullptr), 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"ans listall", "ans getfirst", "ans getnext",
                                             "ans listbox", "ans combo"}));
  comm->comm_ans();
  EXPECT_TRUE(log.has("<CCommunicator> Name server dialog is not available in this build"));
}

TEST_F(CommunicatorTest, DiscoveryIsHandedTheDatagramsAndTheAddress) {
  EXPECT_EQ(comm->process_discovery(1), 4);
  EXPECT_TRUE(log.has("<CCommunicator> Discovery module is NULL, unable to process message"));
  auto* discovery = new FakeDiscovery(comm->get_beliefdb());
  comm->add_lookup_module(discovery);
  EXPECT_EQ(comm->retrieve_dsc_object(), discovery);
  EXPECT_EQ(comm->process_discovery(2), 2);
  EXPECT_EQ(discovery->seen, std::vector<unsigned>{2});
  EXPECT_TRUE(log.has("<CCommunicator> Handing message to discovery module for examination"));
  EXPECT_EQ(comm->comm_setinfo("agent", 7777), 1);
  EXPECT_EQ(discovery->param_host, kLoopback);
  EXPECT_EQ(discovery->param_port, 7777u);
}

// --- Integrity

TEST_F(CommunicatorTest, AliveRunsOnEvery601stCheck) {
  auto* on = new FakeLookup("on", comm->get_beliefdb(), LOOKUP_TYPE_ANS, &calls);
  auto* off = new FakeLookup("off", comm->get_beliefdb(), LOOKUP_TYPE_DISCOVERY, &calls);
  comm->add_lookup_module(on);
  comm->add_lookup_module(off);
  on->enable(1);
  calls.clear();
  for (int i = 0; i < 600; ++i) comm->check_integrity();
  EXPECT_TRUE(calls.empty());
  comm->check_integrity();
  EXPECT_EQ(calls, std::vector<std::string>{"on alive"});
  for (int i = 0; i < 600; ++i) comm->alive();
  EXPECT_EQ(calls.size(), 1u);
  comm->alive();
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(log.starting("<CCommunicator> Activating 'alive' method in lookup modules...").size(),
            2u);
}

TEST_F(CommunicatorTest, EntriesExpireOncePerCheck) {
  CServiceInfo* before = add_entry("before", kLoopback, 1);
  before->set_expiration(3);
  add_entry("expiring", kLoopback, 1)->set_expiration(1);
  CServiceInfo* two = add_entry("two", kLoopback, 1);
  two->set_expiration(2);
  CServiceInfo* zero = add_entry("zero", kLoopback, 1);
  zero->set_expiration(0);
  CServiceInfo* forever = add_entry("forever", kLoopback, 1);  // -1
  comm->get_beliefdb()->set_modified(0);

  comm->check_integrity();
  EXPECT_EQ(table()->find_element("expiring"), nullptr);
  EXPECT_EQ(comm->get_beliefdb()->get_modified(), 1);
  EXPECT_EQ(before->get_expiration(), 2);  // not counted twice for the deletion
  EXPECT_EQ(two->get_expiration(), 1);
  EXPECT_EQ(zero->get_expiration(), -1);  // 0 counts down to "never"

  comm->check_integrity();
  EXPECT_EQ(table()->find_element("two"), nullptr);
  EXPECT_EQ(before->get_expiration(), 1);
  for (int i = 0; i < 5; ++i) comm->check_integrity();
  EXPECT_EQ(table()->find_element("before"), nullptr);
  EXPECT_EQ(zero->get_expiration(), -1);
  EXPECT_EQ(forever->get_expiration(), -1);
  EXPECT_NE(table()->find_element("bob"), nullptr);
}

// --- Event modules

TEST_F(CommunicatorTest, ModulesStartAndStopInOrder) {
  comm->add_display(new RecordingModule("one", &calls));
  comm->add_display(nullptr);
  auto* two = new RecordingModule("two", &calls);
  two->set_registered(1);
  comm->add_display(two);
  comm->start_modules();
  EXPECT_EQ(calls, (std::vector<std::string>{"one state 3", "two state 3"}));
  EXPECT_EQ(two->is_registered(), 0);
  comm->shutdown_modules();
  EXPECT_EQ(calls.back(), "two state 4");
  const std::vector<std::string> expected = {
      "<CCommunicator> Starting event modules",
      "<CCommunicator> Starting event module: [one]",
      "<CCommunicator> Module: [one] now running",
      "<CCommunicator> Starting event module: [two]",
      "<CCommunicator> Module: [two] now running",
      "<CCommunicator> shutting down event modules",
      "<CCommunicator> Shutting down event module: [one]",
      "<CCommunicator> Module: [one] stopped",
      "<CCommunicator> Shutting down event module: [two]",
      "<CCommunicator> Module: [two] stopped",
  };
  const std::vector<std::string> lines = log.lines();
  EXPECT_EQ(std::vector<std::string>(lines.end() - 10, lines.end()), expected);
}

TEST_F(CommunicatorTest, RemovingADisplay) {
  bool destroyed = false;
  auto* module = new RecordingModule("gone", &calls, &destroyed);
  comm->add_display(module);
  comm->remove_display(nullptr);
  comm->set_registered(1);
  comm->remove_display(module);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(calls, (std::vector<std::string>{"gone state 4", "gone destroyed"}));
  EXPECT_EQ(comm->get_modules()->get_nr_elements(), 0);

  calls.clear();
  comm->set_registered(0);
  auto* quiet = new RecordingModule("quiet", &calls);
  comm->add_display(quiet);
  comm->remove_display(quiet);
  EXPECT_EQ(calls, std::vector<std::string>{"quiet destroyed"});
}

TEST_F(CommunicatorTest, AModuleAddedTwiceIsKeptOnce) {
  auto* first = new RecordingModule("first", &calls);
  auto* again = new RecordingModule("again", &calls);
  comm->add_display(first);
  comm->add_display(again);
  comm->add_display(again);
  comm->add_display(first);
  EXPECT_EQ(comm->get_modules()->get_nr_elements(), 2);
  EXPECT_EQ(comm->get_modules()->get_element(0), first);
  EXPECT_EQ(comm->get_modules()->get_element(1), again);
  comm->start_modules();
  EXPECT_EQ(calls, (std::vector<std::string>{"first state 3", "again state 3"}));

  auto* lookup = new CLookupModule;
  lookup->set_name("lookup");
  comm->add_lookup_module(lookup);
  comm->add_lookup_module(lookup);
  EXPECT_EQ(comm->get_lookup_modules()->get_nr_elements(), 1);
  EXPECT_EQ(comm->get_lookup_modules()->get_element(0), lookup);
  // Each is deleted once with the communicator.
}

TEST_F(CommunicatorTest, RemovingTheLoggerDetachesItEverywhere) {
  bool destroyed = false;
  auto* stand_in = new RecordingModule("stand-in", &calls, &destroyed);
  stand_in->set_file(log.stream());
  auto* watcher = new RecordingModule("watcher", &calls);
  watcher->set_logger(stand_in);
  comm->add_display(stand_in);
  comm->add_display(watcher);
  comm->set_logger(stand_in);
  ASSERT_NE(comm->comm_sendmessage_socket("tell", "bob", "ont", "lang", "r1", nullptr, nullptr,
                                          "x", nullptr),
            nullptr);
  const int bob = accept_bob();
  read_message(bob);
  ASSERT_EQ(cached("bob")->get_logger(), stand_in);

  comm->remove_display(stand_in);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(comm->get_logger(), nullptr);
  EXPECT_EQ(comm->get_server()->get_logger(), nullptr);
  EXPECT_EQ(cached("bob")->get_logger(), nullptr);
  EXPECT_EQ(watcher->get_logger(), nullptr);

  // What would have told the logger: a send, and a peer the server accepts.
  calls.clear();
  ASSERT_NE(comm->comm_sendmessage_socket("tell", "bob", "ont", "lang", "r1", nullptr, nullptr,
                                          "y", nullptr),
            nullptr);
  EXPECT_EQ(read_message(bob), header("bob", nullptr) + " y ))" + kEnd);
  peers.push_back(connect_peer(comm->get_port()));
  ASSERT_TRUE(run_until(loop, [&] { return connections() == 2; }));
  EXPECT_EQ(calls, std::vector<std::string>{"watcher message 2 " + header("bob", nullptr) +
                                            " y ))" + kEnd});
  // The communicator's own lines still reach the log file it shared.
  EXPECT_EQ(log.starting("<CCommunicator> comm_sendmessage_socket ()").size(), 2u);
}

TEST_F(CommunicatorTest, AModuleMayLeaveWhileBeingTold) {
  auto* leaving = new RecordingModule("leaving", &calls);
  leaving->on_message = [&] { comm->remove_display(leaving); };
  comm->add_display(leaving);
  comm->add_display(new RecordingModule("staying", &calls));
  comm->comm_log_output("text");
  EXPECT_EQ(calls, (std::vector<std::string>{"logger message 2 text", "leaving message 2 text",
                                             "leaving destroyed", "staying message 2 text"}));
}

TEST_F(CommunicatorTest, ShutdownOrder) {
  comm->add_display(new RecordingModule("module", &calls));
  comm->add_lookup_module(new FakeLookup("finder", comm->get_beliefdb(), 0, &calls));
  comm->start_lookup_modules();
  std::string text = "x";
  comm->comm_senddata("bob", kLoopback, bob_port, text.data());
  const int fd = accept_bob();
  calls.clear();
  comm.reset();
  EXPECT_EQ(calls, (std::vector<std::string>{"module destroyed", "finder disable",
                                             "finder destroyed"}));
  const std::vector<std::string> expected = {
      "<CCommunicator> Shutting down",           "<CCommunicator> Deleting event modules...",
      "<CCommunicator> Stopping lookup modules ...", "<CCommunicator> Removing lookup modules ...",
      "<CCommunicator> Stopping server ...",     "<CCommunicator> Cleaning up pointers ..",
  };
  const std::vector<std::string> lines = log.starting("<CCommunicator> ");
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - 6, lines.end()), expected);
  EXPECT_TRUE(peer_closed(fd));
}

}  // namespace
