#include "Relaywick/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Credwick/belief.h"
#include "Relaywick/communicator.h"
#include "Toolwick/url.h"
#include "relaytest.h"
#include "ssdppeer.h"
#include "testsupport/tempdir.h"

namespace {

using namespace relaytest;
using ssdppeer::GroupPeer;
using ssdppeer::kGroup;
using ssdppeer::UnicastPeer;

// A belief database with "name" (unless null) and an empty service table.
std::unique_ptr<CBeliefDB> make_db(const char* name) {
  auto db = std::make_unique<CBeliefDB>();
  if (name != nullptr) {
    auto* belief = new CStringBelief("name");
    belief->set_value(name);
    db->add_element(belief);
  }
  auto* lookup = new CListBelief("lookup");
  lookup->set_value(new CLList);
  db->add_element(lookup);
  return db;
}

std::string alive_text(unsigned group_port, const std::string& usn, unsigned al_port) {
  return "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:" + std::to_string(group_port) +
         "\r\nNT: veranta:Agent\r\nNTS: ssdp:alive\r\nUSN: " + usn +
         "\r\nAL: <127.0.0.1:" + std::to_string(al_port) + ">\r\nCache-Control: no-cache\r\n\r\n";
}

std::string byebye_text(unsigned group_port, const std::string& usn, unsigned al_port) {
  return "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:" + std::to_string(group_port) +
         "\r\nNT: veranta:Agent\r\nNTS: ssdp:byebye\r\nUSN: " + usn +
         "\r\nAL: <127.0.0.1:" + std::to_string(al_port) + ">\r\nCache-Control: ???\r\n\r\n";
}

// A discovery module that keeps every unicast answer it is about to send,
// and lets it leave only for 127.0.0.1: whatever the module decides, no
// test sends anywhere else.
class LoopbackDiscovery : public CDiscovery {
 public:
  struct Answer {
    std::string host;
    unsigned port;
  };
  using CDiscovery::CDiscovery;
  std::vector<Answer> answers;

 protected:
  int send_unicast(const char* host, unsigned port, const char* text) override {
    answers.push_back({host != nullptr ? host : "(null)", port});
    if (host == nullptr || std::string(host) != kLoopback) return 0;
    return CDiscovery::send_unicast(host, port, text);
  }
};

// One agent's discovery module on its own belief database, whose window
// hands every datagram to the module as the agent container does and keeps
// the results.
struct Agent {
  Agent(const char* name, unsigned group_port, unsigned al_port) : db(make_db(name)) {
    module = std::make_unique<LoopbackDiscovery>(db.get(), &window);
    module->set_file(log.stream());
    module->set_multicast_port(group_port);
    module->set_param("127.0.0.1", al_port);
    window.on_notify = [this](const RecordingWindow::Notice& notice) {
      const LPARAM which = notice.descriptor;
      results.push_back(module->process_discovery(static_cast<unsigned>(which)));
      from.push_back(which);
      if (after_notice) after_notice();
    };
  }
  CLList* table() const { return module->get_entries(); }
  CServiceInfo* entry(const char* name) const {
    return dynamic_cast<CServiceInfo*>(table()->find_element(name));
  }
  CServiceInfo* add_entry(const char* name, int localization, int type = SERVICETYPE_AGENT) {
    auto* entry = new CServiceInfo;
    entry->set_name(name);
    entry->set_localization(localization);
    entry->set_type(type);
    table()->add_element(entry);
    return entry;
  }

  LogCapture log;
  RecordingWindow window;
  std::unique_ptr<CBeliefDB> db;
  std::unique_ptr<LoopbackDiscovery> module;
  std::vector<int> results;
  std::vector<LPARAM> from;
  std::function<void()> after_notice;
};

// --- The service table, without any socket

class DiscoveryTableTest : public LoopTest {
 protected:
  Agent alpha{"alpha", 1900, 7001};
  CDiscovery& module = *alpha.module;
};

TEST_F(DiscoveryTableTest, ServiceNamesComeFromTheUsn) {
  struct Case {
    const char* usn;
    const char* name;
  };
  const Case cases[] = {
      {"uuid:bravo", "bravo"},    {"veranta:charlie", "charlie"},
      {"xx-uuid:delta", "delta"}, {"uuid:veranta:echo", "veranta:echo"},
      {"plain", "plain"},         {"foxtrot ,", "foxtrot"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.usn);
    EXPECT_EQ(
        module.add_external_service(c.usn, "127.0.0.1", 7100, "veranta:Agent", CDiscovery::kExpiry),
        1);
    CServiceInfo* entry = alpha.entry(c.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->get_expiration(), 900);
    EXPECT_EQ(entry->get_localization(), 1);
    EXPECT_EQ(entry->get_type(), SERVICETYPE_AGENT);
    ASSERT_NE(entry->get_location(), nullptr);
    EXPECT_EQ(std::string(entry->get_location()->get_host()), "127.0.0.1");
    EXPECT_EQ(entry->get_location()->get_port(), 7100);
  }
  EXPECT_TRUE(alpha.log.has("<CDiscovery> Added service [bravo] at [127.0.0.1][7100]"));
}

TEST_F(DiscoveryTableTest, RefusedServices) {
  const std::string long_host(CDiscovery::kMaxHostLength + 1, 'h');
  const std::string long_name = "uuid:" + std::string(CDiscovery::kMaxNameLength + 1, 'n');
  struct Case {
    const char* what;
    const char* usn;
    const char* host;
    const char* line;  // null: no line of its own
  };
  const Case cases[] = {
      {"no USN", nullptr, "127.0.0.1", "<CDiscovery> No service ID specified, aborting"},
      {"no host", "uuid:bravo", nullptr, "<CDiscovery> No service location found, aborting"},
      {"empty name", "uuid:", "127.0.0.1", "<CDiscovery> No service ID specified, aborting"},
      {"long host", "uuid:bravo", long_host.c_str(),
       "<CDiscovery> Service ID or location too long, aborting"},
      {"long name", long_name.c_str(), "127.0.0.1",
       "<CDiscovery> Service ID or location too long, aborting"},
      {"the agent itself", "uuid:alpha", "127.0.0.1", nullptr},
      {"the agent itself with a trailing comma", "uuid:alpha ,", "127.0.0.1", nullptr},
      {"only blanks and a comma", "uuid:  ,", "127.0.0.1",
       "<CDiscovery> No service ID specified, aborting"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(module.add_external_service(c.usn, c.host, 7100, "veranta:Agent", 900), 0);
    if (c.line != nullptr) {
      EXPECT_TRUE(alpha.log.has(c.line));
    }
  }
  EXPECT_EQ(alpha.table()->get_nr_elements(), 0);
  // A host that just fits is taken.
  const std::string fitting_host(CDiscovery::kMaxHostLength, 'h');
  EXPECT_EQ(module.add_external_service("uuid:bravo", fitting_host.c_str(), 1, nullptr, 900), 1);
}

TEST_F(DiscoveryTableTest, RenewalsKeepTheMatchmakerAndTheNameServer) {
  ASSERT_EQ(module.add_external_service("uuid:mm", "127.0.0.1", 1, "veranta:matchmaker", 900), 1);
  alpha.add_entry("ans", 0, SERVICETYPE_ANS_SERVER)->set_gone(1);
  ASSERT_EQ(module.add_external_service("uuid:mm", "127.0.0.2", 2, "veranta:Agent", 900), 1);
  ASSERT_EQ(module.add_external_service("uuid:ans", "127.0.0.3", 3, "veranta:Agent", 900), 1);
  EXPECT_EQ(alpha.entry("mm")->get_type(), SERVICETYPE_MATCHMAKER);
  EXPECT_EQ(std::string(alpha.entry("mm")->get_location()->get_host()), "127.0.0.2");
  EXPECT_EQ(alpha.entry("mm")->get_location()->get_port(), 2);
  CServiceInfo* ans = alpha.entry("ans");
  EXPECT_EQ(ans->get_type(), SERVICETYPE_ANS_SERVER);
  EXPECT_EQ(ans->get_gone(), 0);
  EXPECT_EQ(ans->get_localization(), 1);
  EXPECT_EQ(ans->get_expiration(), 900);
  EXPECT_EQ(alpha.table()->get_nr_elements(), 2);
}

// A table that discovery has filled: a real agent first, then invented
// services s0, s1, ... up to the cap, beside ten entries of other modules.
class FullDiscoveryTableTest : public DiscoveryTableTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < 10; ++i) alpha.add_entry(("other" + std::to_string(i)).c_str(), 0);
    ASSERT_EQ(add("agent"), 1);
    for (size_t i = 0; i + 1 < CDiscovery::kMaxEntries; ++i) {
      ASSERT_EQ(add("s" + std::to_string(i)), 1) << i;
    }
    full = alpha.table()->get_nr_elements();
    ASSERT_EQ(full, static_cast<int>(CDiscovery::kMaxEntries) + 10);
  }
  // An announcement of `name` as discovery hears it.
  int add(const std::string& name, unsigned port = 1) {
    return module.add_external_service(("uuid:" + name).c_str(), "127.0.0.1", port, nullptr,
                                       CDiscovery::kExpiry);
  }
  bool known(const std::string& name) const { return alpha.entry(name.c_str()) != nullptr; }
  bool replaced(const std::string& old_name, const std::string& new_name) const {
    return alpha.log.has("<CDiscovery> Service table full, replacing service [" + old_name +
                         "] with [" + new_name + "]");
  }

  int full = 0;
};

TEST_F(FullDiscoveryTableTest, ANewServiceReplacesTheOneHeardFromLeastRecently) {
  ASSERT_EQ(add("agent", 9), 1);  // heard again: now s0 is the oldest
  EXPECT_EQ(add("newcomer"), 1);
  EXPECT_TRUE(known("newcomer"));
  EXPECT_FALSE(known("s0"));
  EXPECT_TRUE(replaced("s0", "newcomer"));
  EXPECT_EQ(alpha.entry("agent")->get_location()->get_port(), 9);
  EXPECT_EQ(alpha.table()->get_nr_elements(), full);

  // A flood of invented services larger than the table does not push out
  // an agent that keeps announcing itself, nor entries of other modules.
  for (size_t i = 0; i < CDiscovery::kMaxEntries + 1000; ++i) {
    ASSERT_EQ(add("flood" + std::to_string(i)), 1);
    if (i % 1000 == 0) {
      ASSERT_EQ(add("agent", 9), 1);
    }
  }
  EXPECT_TRUE(known("agent"));
  EXPECT_FALSE(known("newcomer"));
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(known("other" + std::to_string(i))) << i;
  EXPECT_EQ(alpha.table()->get_nr_elements(), full);
}

TEST_F(FullDiscoveryTableTest, AByebyeGivesUpItsRoomFirst) {
  module.remove_service("uuid:s100");
  ASSERT_TRUE(known("s100"));  // withdrawn, still in the table until room is needed
  EXPECT_EQ(alpha.entry("s100")->get_gone(), 1);
  EXPECT_EQ(add("newcomer"), 1);
  EXPECT_FALSE(known("s100"));
  EXPECT_TRUE(replaced("s100", "newcomer"));
  EXPECT_TRUE(known("agent"));
  EXPECT_TRUE(known("s0"));

  // An agent that comes back after its byebye is heard anew, not first out.
  module.remove_service("uuid:s200");
  ASSERT_EQ(add("s200"), 1);
  EXPECT_EQ(alpha.entry("s200")->get_gone(), 0);
  EXPECT_EQ(add("second"), 1);
  EXPECT_TRUE(known("s200"));
  EXPECT_TRUE(replaced("agent", "second"));
  EXPECT_EQ(alpha.table()->get_nr_elements(), full);
}

TEST_F(FullDiscoveryTableTest, AnExpiredServiceLeavesRoomWithoutReplacingAnother) {
  alpha.table()->delete_element(alpha.entry("agent"));  // as its expiry does
  EXPECT_EQ(add("newcomer"), 1);
  EXPECT_TRUE(known("s0"));
  EXPECT_EQ(alpha.table()->get_nr_elements(), full);

  // The name server's entry of an expired service's name is not discovery's
  // to replace.
  alpha.table()->delete_element(alpha.entry("s0"));
  alpha.add_entry("s0", 0);
  EXPECT_EQ(add("second"), 1);
  EXPECT_TRUE(known("s0"));
  EXPECT_TRUE(known("s1"));
  EXPECT_TRUE(alpha.log.starting("<CDiscovery> Service table full").empty());
  EXPECT_EQ(alpha.table()->get_nr_elements(), full + 1);

  // Known services are renewed in place.
  EXPECT_EQ(add("s7", 9), 1);
  EXPECT_EQ(alpha.entry("s7")->get_location()->get_port(), 9);
  EXPECT_EQ(alpha.table()->get_nr_elements(), full + 1);
}

TEST_F(DiscoveryTableTest, ByebyeMarksTheServiceGone) {
  // The byebye finds the entry that the alive of the same USN made.
  struct Case {
    const char* usn;
    const char* name;
  };
  const Case cases[] = {
      {"uuid:bravo", "bravo"},
      {"uuid:charlie ,", "charlie"},
      {"uuid:delta,", "delta"},
      {"uuid:  echo  ", "echo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.usn);
    ASSERT_EQ(module.add_external_service(c.usn, "127.0.0.1", 1, nullptr, 900), 1);
    alpha.db->set_modified(0);
    module.remove_service(c.usn);
    ASSERT_NE(alpha.entry(c.name), nullptr);
    EXPECT_EQ(alpha.entry(c.name)->get_gone(), 1);
    EXPECT_EQ(alpha.db->get_modified(), 1);
    EXPECT_TRUE(alpha.log.has(std::string("<CDiscovery> Marked [") + c.name +
                              "] service description for deletion"));
  }
  module.remove_service("uuid:nobody");
  EXPECT_TRUE(alpha.log.has(
      "<CDiscovery> Service not found, can't remove service description for: [nobody]"));

  // Made before the module, so that they outlive it: its destructor still
  // writes to the log.
  LogCapture log;
  CBeliefDB db;
  CDiscovery without_table(nullptr, nullptr);
  without_table.set_file(log.stream());
  without_table.remove_service("uuid:bravo");
  EXPECT_TRUE(log.has("<CDiscovery> BeliefDB not found"));
  without_table.set_beliefdb(&db);
  without_table.remove_service("uuid:bravo");
  EXPECT_TRUE(log.has("<CDiscovery> Network lookup table not found"));
}

TEST_F(DiscoveryTableTest, ServiceTypeTexts) {
  struct Case {
    const char* text;
    int type;
    const char* line;
  };
  const Case cases[] = {
      {"veranta:Agent", SERVICETYPE_AGENT, "<CDiscovery> Result: [AGENT]"},
      {"veranta:matchmaker", SERVICETYPE_MATCHMAKER, "<CDiscovery> Result: [MATCHMAKER]"},
      {"veranta:ferrinServer", SERVICETYPE_FERRINSERVER, "<CDiscovery> Result: [FERRINSERVER]"},
      {"veranta:AgentNameServer", SERVICETYPE_ANS_SERVER, "<CDiscovery> Result: [ANS_SERVER]"},
      {"veranta:Showboard", SERVICETYPE_SHOWBOARD, "<CDiscovery> Result: [SHOWBOARD]"},
      {"veranta:PelvanServer", SERVICETYPE_PELVAN_SERVER, "<CDiscovery> Result: [PELVAN_SERVER]"},
      {"veranta:agent", SERVICETYPE_NONE, "<CDiscovery> Result: (default) [AGENT]"},
      {"unknown", SERVICETYPE_NONE, "<CDiscovery> Result: (default) [AGENT]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    LogCapture log;
    module.set_file(log.stream());
    EXPECT_EQ(module.nt2str(c.text), c.type);
    const std::vector<std::string> expected = {
        std::string("<CDiscovery> Examining [") + c.text + "]", c.line};
    EXPECT_EQ(log.lines(), expected);
    module.set_file(alpha.log.stream());
  }
  EXPECT_EQ(module.nt2str(nullptr), SERVICETYPE_NONE);
  EXPECT_EQ(std::string(module.get_service_type_string()), "veranta:Agent");
  module.set_service_type(SERVICETYPE_NONE);
  EXPECT_EQ(module.get_service_type_string(), nullptr);
}

TEST_F(DiscoveryTableTest, WithoutSocketNothingIsSent) {
  EXPECT_EQ(module.process_discovery(1), 4);
  EXPECT_EQ(module.register_agent("b"), 0);
  EXPECT_EQ(module.unregister_agent("b"), 0);
  module.alive();
  module.locate_service(module.retrieve_info());
  EXPECT_EQ(module.lookup_agent("bravo"), 1);
  EXPECT_EQ(module.multicast_message("x", 1), 0);
  EXPECT_EQ(module.multicast(nullptr), 0);
  EXPECT_EQ(module.multicast("x"), 0);
  EXPECT_EQ(module.join(), 0);
  EXPECT_EQ(module.leave(), 0);
  EXPECT_EQ(
      alpha.log.starting("<CDiscovery> unable to create message, no multicast socket available")
          .size(),
      6u);
  EXPECT_TRUE(alpha.log.has("<CDiscovery> socket is NULL"));
  EXPECT_TRUE(alpha.log.has("<CDiscovery> No message specified, aborting multicast"));
  EXPECT_TRUE(alpha.log.has("<CDiscovery> Multicast Send Failed!"));
  EXPECT_EQ(module.get_data(), nullptr);
}

TEST(DiscoveryIdentity, OwnTextsComeFromTheNameBelief) {
  auto named = make_db("alpha");
  CDiscovery with_name(named.get(), nullptr);
  EXPECT_EQ(with_name.get_lookup_type(), LOOKUP_TYPE_DISCOVERY);
  EXPECT_EQ(with_name.get_mode(), 1);
  EXPECT_EQ(std::string(with_name.get_multicast_ip()), "239.255.255.250");
  EXPECT_EQ(with_name.get_multicast_port(), 1900u);
  EXPECT_EQ(with_name.get_ip(), nullptr);
  EXPECT_EQ(with_name.get_port(), 0u);
  with_name.set_param("127.0.0.1", 7001);
  with_name.set_param(nullptr, 7002);
  EXPECT_EQ(std::string(with_name.get_ip()), "127.0.0.1");
  EXPECT_EQ(with_name.get_port(), 7002u);
}

// --- On the loopback interface

class DiscoveryTest : public LoopTest {
 protected:
  void SetUp() override {
    std::string why;
    if (!ssdppeer::loopback_multicast(&why)) GTEST_SKIP() << why;
    port = ssdppeer::free_udp_port();
    group = std::make_unique<GroupPeer>(kGroup, port);
    alpha = std::make_unique<Agent>("alpha", port, 7001);
  }

  // Enables the agent with loopback on and forgets what its start brought.
  void enable(Agent& agent) {
    agent.module->enable(1);
    ASSERT_NE(agent.module->get_multicast_socket(), nullptr);
    agent.module->get_multicast_socket()->SetLoopBack(1);
    run_until(
        loop, [&] { return agent.results.size() >= 2; }, 1000);
    settle();
    agent.results.clear();
    agent.from.clear();
    group->drain();
  }
  void settle() {
    while (loop.process_events(50) > 0) {
    }
  }
  // Sends `text` to the group (or to the unicast receiver of `agent`) and
  // returns the result of its examination, -1 when none came.
  int deliver(Agent& agent, const std::string& text, bool unicast = false) {
    const size_t before = agent.results.size();
    if (unicast) {
      UnicastPeer peer;
      peer.send_to(agent.module->get_multicast_socket()->get_unicast_port(), text);
    } else {
      group->send(text);
    }
    if (!run_until(loop, [&] { return agent.results.size() > before; })) return -1;
    return agent.results.back();
  }

  unsigned port = 0;
  std::unique_ptr<GroupPeer> group;
  std::unique_ptr<Agent> alpha;
};

TEST_F(DiscoveryTest, EnablingAnnouncesThenSearches) {
  alpha->module->enable(1);
  CMulticastSocket* socket = alpha->module->get_multicast_socket();
  ASSERT_NE(socket, nullptr);
  EXPECT_EQ(group->receive(), alive_text(port, "alpha", 7001));
  EXPECT_EQ(group->receive(), "M-SEARCH * HTTP/1.1\r\nS: alpha\r\nHost: 127.0.0.1:" +
                                  std::to_string(socket->get_unicast_port()) +
                                  "\r\nMan: ssdp:discover\r\nST:  \r\nMX: ???\r\n\r\n");

  // Our own texts come back from the group and are known as echoes.
  socket->SetLoopBack(1);
  alpha->module->alive();
  alpha->module->listall_agents();
  ASSERT_TRUE(run_until(loop, [&] { return alpha->results.size() >= 2; }));
  settle();
  for (int result : alpha->results) EXPECT_EQ(result, 0);
  EXPECT_TRUE(alpha->log.has("<CDiscovery> Messge is an echo"));
  EXPECT_TRUE(alpha->log.has("<CDiscovery> This message is an echo"));
  EXPECT_EQ(alpha->table()->get_nr_elements(), 0);
  EXPECT_TRUE(alpha->log.has("<CMulticastSocket> Incoming data:"));
}

TEST_F(DiscoveryTest, WhatTheDatagramsTeach) {
  enable(*alpha);
  const std::string host_line = "NOTIFY * HTTP/1.1\r\nHost: 239.255.255.250:1900\r\n";
  struct Case {
    const char* what;
    std::string text;
    bool unicast;
    int result;
    std::function<void()> check;
  };
  const std::vector<Case> cases = {
      {"alive of a matchmaker",
       host_line + "NT: veranta:matchmaker\r\nNTS: ssdp:alive\r\nUSN: uuid:bravo\r\n"
                   "AL: <127.0.0.1:7100>\r\nCache-Control: no-cache\r\n\r\n",
       false, 3,
       [&] {
         CServiceInfo* bravo = alpha->entry("bravo");
         ASSERT_NE(bravo, nullptr);
         EXPECT_EQ(bravo->get_type(), SERVICETYPE_MATCHMAKER);
         EXPECT_EQ(bravo->get_expiration(), 900);
         EXPECT_EQ(bravo->get_localization(), 1);
         EXPECT_EQ(std::string(bravo->get_location()->get_host()), "127.0.0.1");
         EXPECT_EQ(bravo->get_location()->get_port(), 7100);
         EXPECT_TRUE(alpha->log.has("<CDiscovery> Processing alive event"));
       }},
      {"byebye of it", byebye_text(1900, "uuid:bravo", 7100), false, 3,
       [&] { EXPECT_EQ(alpha->entry("bravo")->get_gone(), 1); }},
      {"its next alive", alive_text(1900, "uuid:bravo", 7101), false, 3,
       [&] {
         EXPECT_EQ(alpha->entry("bravo")->get_gone(), 0);
         EXPECT_EQ(alpha->entry("bravo")->get_location()->get_port(), 7101);
       }},
      {"alive with a location only",
       host_line + "NT: upnp:rootdevice\r\nNTS: ssdp:alive\r\nUSN: uuid:charlie\r\n"
                   "Location: http://127.0.0.1:8080/desc.xml\r\n\r\n",
       false, 3,
       [&] {
         CServiceInfo* charlie = alpha->entry("charlie");
         ASSERT_NE(charlie, nullptr);
         EXPECT_EQ(charlie->get_type(), SERVICETYPE_NONE);
         EXPECT_EQ(std::string(charlie->get_location()->get_host()), "127.0.0.1");
         EXPECT_EQ(charlie->get_location()->get_port(), 8080);
         EXPECT_TRUE(alpha->log.has(
             "<CDiscovery> Location information for this service: http://127.0.0.1:8080/desc.xml"));
       }},
      {"alive without AL or location", host_line + "NTS: ssdp:alive\r\nUSN: uuid:delta\r\n\r\n",
       false, 3,
       [&] {
         EXPECT_EQ(alpha->entry("delta"), nullptr);
         EXPECT_TRUE(alpha->log.has("<CDiscovery> NT or NTS value was NULL for this message"));
         EXPECT_TRUE(alpha->log.has(
             "<CDiscovery> No location information found, aborting service processing"));
       }},
      {"alive whose AL has no port",
       host_line +
           "NT: veranta:Agent\r\nNTS: ssdp:alive\r\nUSN: uuid:echo1\r\nAL: <nowhere>\r\n\r\n",
       false, 3,
       [&] {
         EXPECT_EQ(alpha->entry("echo1"), nullptr);
         EXPECT_TRUE(alpha->log.has("<CDiscovery> Can't find host information in messge"));
       }},
      {"our own announcement", alive_text(1900, "alpha", 7001), false, 0,
       [&] { EXPECT_TRUE(alpha->log.has("<CDiscovery> Messge is an echo")); }},
      {"announcement without USN", host_line + "NTS: ssdp:alive\r\n\r\n", false, 0,
       [&] { EXPECT_TRUE(alpha->log.has("<CDiscovery> No USN field found, aborting operation")); }},
      {"answer from an agent",
       "HTTP/1.1 200 OK\r\nS: alpha\r\nExt: ???\r\nCache-Control: no-cache\r\nUSN: foxtrot\r\n"
       "NT: veranta:Showboard\r\nAL: <127.0.0.1:7200>\r\n\r\n",
       true, 2,
       [&] {
         CServiceInfo* foxtrot = alpha->entry("foxtrot");
         ASSERT_NE(foxtrot, nullptr);
         EXPECT_EQ(foxtrot->get_type(), SERVICETYPE_SHOWBOARD);
         EXPECT_EQ(foxtrot->get_expiration(), 900);
         EXPECT_EQ(foxtrot->get_location()->get_port(), 7200);
         EXPECT_EQ(alpha->from.back(), 2);
         EXPECT_TRUE(alpha->log.has("<CDataGramSocket> Incoming data:"));
       }},
      {"answer carrying our own S as USN",
       "HTTP/1.1 200 OK\r\nS: x\r\nUSN: alpha\r\nNT: veranta:Agent\r\nAL: <127.0.0.1:1>\r\n\r\n",
       true, 0, [&] { EXPECT_TRUE(alpha->log.has("<CDiscovery> This message is an echo")); }},
      {"answer without AL", "HTTP/1.0 200 OK\r\nUSN: golf\r\nNT: veranta:Agent\r\n\r\n", true, 2,
       [&] {
         EXPECT_EQ(alpha->entry("golf"), nullptr);
         EXPECT_TRUE(alpha->log.has("<CDiscovery> Can't find AL or NT value in message"));
       }},
      {"our own search", "M-SEARCH * HTTP/1.1\r\nS: alpha\r\nHost: 127.0.0.1:1\r\nST: x\r\n\r\n",
       false, 0, nullptr},
      {"not a discovery text", "GET / HTTP/1.0\r\n\r\n", false, 4,
       [&] { EXPECT_TRUE(alpha->log.has("<CDiscovery> Error processing discovery")); }},
      {"not even a line", "\x01\x02", true, 4, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(deliver(*alpha, c.text, c.unicast), c.result);
    EXPECT_EQ(std::string(alpha->module->get_data()), c.text);
    if (c.check) c.check();
  }
  // Outside texts reach the log only as data.
  EXPECT_TRUE(alpha->log.has("<CDiscovery> Examining [veranta:Showboard]"));
}

TEST_F(DiscoveryTest, SearchesAreAnsweredOncePerLocalEntry) {
  enable(*alpha);
  alpha->add_entry("local1", 0);
  alpha->add_entry("local2", 0);
  alpha->add_entry("learnt", 1);
  UnicastPeer searcher;
  const std::string host = "127.0.0.1:" + std::to_string(searcher.port());
  const std::string answer =
      "HTTP/1.1 200 OK\r\nS: bravo\r\nExt: ???\r\nCache-Control: no-cache\r\nUSN: alpha\r\n"
      "NT: veranta:Agent\r\nAL: <127.0.0.1:7001>\r\n\r\n";

  EXPECT_EQ(deliver(*alpha, "M-SEARCH * HTTP/1.1\r\nS: bravo\r\nHost: " + host +
                                "\r\nMan: ssdp:discover\r\nST:  \r\nMX: ???\r\n\r\n"),
            1);
  EXPECT_EQ(searcher.receive(), answer);
  EXPECT_EQ(searcher.receive(), answer);
  EXPECT_EQ(searcher.receive(200), std::nullopt);
  // The answer's own line ends follow the line in the log.
  EXPECT_EQ(alpha->log
                .starting("<CDiscovery> unicasting reply to agent at [127.0.0.1][" +
                          std::to_string(searcher.port()) + "] with: [HTTP/1.1 200 OK\r")
                .size(),
            2u);

  // A Host in angle brackets, and a typed search that only entries of type
  // 0 answer.
  alpha->add_entry("typed", 1, 0);
  EXPECT_EQ(deliver(*alpha, "M-SEARCH * HTTP/1.1\r\nS: bravo\r\nHost: <" + host +
                                ">\r\nST: veranta:local1\r\n\r\n"),
            1);
  EXPECT_EQ(searcher.receive(200), std::nullopt);
  EXPECT_EQ(deliver(*alpha, "M-SEARCH * HTTP/1.1\r\nS: bravo\r\nHost: <" + host +
                                ">\r\nST: veranta:typed\r\n\r\n"),
            1);
  EXPECT_EQ(searcher.receive(), answer);

  struct Case {
    const char* what;
    std::string text;
    const char* line;
  };
  const Case cases[] = {
      {"no ST", "M-SEARCH * HTTP/1.1\r\nS: bravo\r\nHost: " + host + "\r\n\r\n",
       "<CDiscovery> No ST value found, needed for search reply"},
      {"no Host", "M-SEARCH * HTTP/1.1\r\nS: bravo\r\nST: x\r\n\r\n",
       "<CDiscovery> Unable to locate hostname in message"},
      {"Host without port", "M-SEARCH * HTTP/1.1\r\nS: bravo\r\nHost: 127.0.0.1\r\nST: x\r\n\r\n",
       "<CDiscovery> Unable to locate hostname in message"},
      {"no S", "M-SEARCH * HTTP/1.1\r\nHost: " + host + "\r\nST: x\r\n\r\n", "No S: found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(deliver(*alpha, c.text), 1);
    EXPECT_TRUE(alpha->log.has(c.line));
  }
  // Without S the search is still answered, with the S it did not give.
  const std::string answer_without_s =
      "HTTP/1.1 200 OK\r\nS: (null)\r\nExt: ???\r\nCache-Control: no-cache\r\nUSN: alpha\r\n"
      "NT: veranta:Agent\r\nAL: <127.0.0.1:7001>\r\n\r\n";
  EXPECT_EQ(searcher.receive(), answer_without_s);
  EXPECT_EQ(searcher.receive(), answer_without_s);
  EXPECT_EQ(searcher.receive(200), std::nullopt);
}

// A reply address that a search or a crafted answer may name and that is
// never answered. Only 127.0.0.1 may be sent to: LoopbackDiscovery keeps
// every other send from leaving, so these cases are safe even without the
// module's own check.
struct RefusedReply {
  const char* name;
  const char* host;
  unsigned port;
};

const RefusedReply kRefusedReplies[] = {
    {"MulticastGroup", "239.255.255.250", 1900},
    {"LocalNetworkGroup", "224.0.0.1", 1900},
    {"Broadcast", "255.255.255.255", 1900},
    {"ReservedAddress", "240.0.0.1", 1900},
    {"UnspecifiedAddress", "0.0.0.0", 1900},
    {"ThisNetwork", "0.1.2.3", 1900},
    {"HostName", "agents.example", 1900},
    {"Localhost", "localhost", 1900},
    {"ShortNumericForm", "127.1", 1900},
    {"PortZero", "127.0.0.1", 0},
    {"PortBeyondRange", "127.0.0.1", 70000},
};

void PrintTo(const RefusedReply& reply, std::ostream* out) {
  *out << reply.host << ":" << reply.port;
}

class RefusedReplyTest : public DiscoveryTest, public testing::WithParamInterface<RefusedReply> {
 protected:
  size_t refusals() const {
    return alpha->log.starting("<CDiscovery> Refusing to answer [" + std::string(GetParam().host))
        .size();
  }
};

TEST_P(RefusedReplyTest, NothingIsSent) {
  const RefusedReply& reply = GetParam();
  enable(*alpha);
  alpha->add_entry("local1", 0);
  alpha->add_entry("local2", 0);
  const std::string host = std::string(reply.host) + ":" + std::to_string(reply.port);

  EXPECT_EQ(alpha->module->unicast_message(reply.host, reply.port, "HTTP/1.1 200 OK\r\n\r\n"), 0);
  EXPECT_EQ(refusals(), 1u);
  // A search, and an answer that carries a search's fields, each get one
  // line and no answer.
  EXPECT_EQ(deliver(*alpha, "M-SEARCH * HTTP/1.1\r\nS: bravo\r\nHost: " + host +
                                "\r\nMan: ssdp:discover\r\nST:  \r\nMX: ???\r\n\r\n"),
            1);
  EXPECT_EQ(refusals(), 2u);
  EXPECT_EQ(deliver(*alpha,
                    "HTTP/1.1 200 OK\r\nS: bravo\r\nUSN: charlie\r\nNT: veranta:Agent\r\n"
                    "AL: <127.0.0.1:7100>\r\nST:  \r\nHost: " +
                        host + "\r\n\r\n",
                    true),
            2);
  EXPECT_EQ(refusals(), 3u);
  EXPECT_TRUE(alpha->module->answers.empty());
  EXPECT_TRUE(alpha->log.starting("<CDiscovery> unicasting reply").empty());
}

INSTANTIATE_TEST_SUITE_P(Discovery, RefusedReplyTest, testing::ValuesIn(kRefusedReplies),
                         [](const testing::TestParamInfo<RefusedReply>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(DiscoveryTest, WithoutANameTheTimeNamesTheAgent) {
  Agent nameless(nullptr, port, 7003);
  nameless.module->enable(1);
  const std::optional<std::string> search = group->receive();
  ASSERT_TRUE(search.has_value());
  EXPECT_EQ(search->rfind("M-SEARCH * HTTP/1.1\r\nS: Dur32O", 0), 0u);
  EXPECT_NE(search->find(":idscheme3\r\n"), std::string::npos);
  EXPECT_TRUE(nameless.log.has("<CDiscovery> No name variable found needed for alive packet"));
  EXPECT_EQ(std::string(nameless.module->retrieve_info()->get_USN()).rfind("uuid:Dur32O", 0), 0u);
}

TEST_F(DiscoveryTest, RegisteredNamesAreAnnouncedWithEveryAlive) {
  enable(*alpha);
  EXPECT_EQ(alpha->module->register_agent("b"), 1);
  EXPECT_EQ(group->receive(), alive_text(port, "b", 7001));
  alpha->module->alive();
  EXPECT_EQ(group->receive(), alive_text(port, "alpha", 7001));
  EXPECT_EQ(group->receive(), alive_text(port, "b", 7001));
  EXPECT_EQ(group->receive(200), std::nullopt);

  EXPECT_EQ(alpha->module->unregister_agent("b"), 1);
  EXPECT_EQ(group->receive(), byebye_text(port, "b", 7001));
  EXPECT_TRUE(
      alpha->log.has("<CDiscovery> Sending byebye message (for agent other than ourselves)"));
  alpha->module->alive();
  EXPECT_EQ(group->receive(), alive_text(port, "alpha", 7001));
  EXPECT_EQ(group->receive(200), std::nullopt);
}

TEST_F(DiscoveryTest, DisablingSaysByebyeAndLeaves) {
  enable(*alpha);
  alpha->module->register_agent("b");
  group->drain();
  alpha->module->enable(0);
  EXPECT_EQ(alpha->module->get_multicast_socket(), nullptr);
  EXPECT_EQ(group->receive(), byebye_text(port, "alpha", 7001));
  EXPECT_EQ(group->receive(), byebye_text(port, "b", 7001));
  EXPECT_EQ(group->receive(), byebye_text(port, "alpha", 7001));
  EXPECT_EQ(group->receive(200), std::nullopt);
  EXPECT_TRUE(alpha->log.has("<CDiscovery> Removing aliases"));
  EXPECT_TRUE(alpha->log.has("<CDiscovery> Sending byebye message"));
  settle();

  // Nothing hears the group any more; enabling joins again.
  const size_t before = alpha->results.size();
  group->send(alive_text(port, "uuid:bravo", 7100));
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(alpha->results.size(), before);
  group->drain();
  alpha->module->enable(1);
  ASSERT_NE(alpha->module->get_multicast_socket(), nullptr);
  EXPECT_EQ(group->receive(), alive_text(port, "alpha", 7001));
}

TEST_F(DiscoveryTest, DisablingFromWithinItsOwnNoticeIsSafe) {
  enable(*alpha);
  alpha->after_notice = [&] { alpha->module->enable(0); };
  EXPECT_EQ(deliver(*alpha, alive_text(port, "uuid:bravo", 7100)), 3);
  EXPECT_EQ(alpha->module->get_multicast_socket(), nullptr);
  EXPECT_NE(alpha->entry("bravo"), nullptr);
  settle();
  // The same from the unicast receiver.
  alpha->after_notice = nullptr;
  alpha->module->enable(1);
  ASSERT_NE(alpha->module->get_multicast_socket(), nullptr);
  alpha->after_notice = [&] { alpha->module->enable(0); };
  EXPECT_EQ(
      deliver(*alpha,
              "HTTP/1.1 200 OK\r\nUSN: charlie\r\nNT: veranta:Agent\r\nAL: <127.0.0.1:1>\r\n\r\n",
              true),
      2);
  EXPECT_EQ(alpha->module->get_multicast_socket(), nullptr);
  settle();
  // And the module itself may go while the datagram is being told.
  alpha->after_notice = nullptr;
  alpha->module->enable(1);
  alpha->after_notice = [&] { alpha->module.reset(); };
  group->send(alive_text(port, "uuid:delta", 7100));
  EXPECT_TRUE(run_until(loop, [&] { return alpha->module == nullptr; }));
  settle();
}

TEST_F(DiscoveryTest, WithoutAnInterfaceDiscoveryStaysOffTheNetwork) {
  struct Case {
    const char* what;
    const char* setting;  // null: unset
  };
  const Case cases[] = {{"unset", nullptr}, {"empty", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LogCapture log;
    alpha->module->set_file(log.stream());
    {
      EnvSetting no_interface("VERANTA_MULTICAST_IF", c.setting);
      alpha->module->enable(1);
      EXPECT_EQ(alpha->module->get_multicast_socket(), nullptr);
      EXPECT_EQ(alpha->module->register_agent("b"), 0);
      alpha->module->alive();
      alpha->module->listall_agents();
      EXPECT_EQ(group->receive(200), std::nullopt);
      // Nor does it hear the group.
      group->send(alive_text(port, "uuid:bravo", 7100));
      EXPECT_TRUE(stays_idle());
      EXPECT_TRUE(alpha->results.empty());
      group->drain();
      alpha->module->enable(0);
    }
    EXPECT_EQ(log.starting("<CDiscovery> VERANTA_MULTICAST_IF names no interface address: "
                           "discovery joins no group and sends nothing")
                  .size(),
              1u);
    alpha->module->set_file(alpha->log.stream());
  }
  // With the interface named again, enabling joins and announces.
  alpha->module->enable(1);
  ASSERT_NE(alpha->module->get_multicast_socket(), nullptr);
  EXPECT_EQ(group->receive(), alive_text(port, "alpha", 7001));
}

TEST_F(DiscoveryTest, AFailedJoinLeavesNoSocket) {
  alpha->module->set_multicast_ip("127.0.0.1");  // not a group: the join fails
  alpha->module->enable(1);
  EXPECT_EQ(alpha->module->get_multicast_socket(), nullptr);
  EXPECT_TRUE(
      alpha->log.has("<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket"));
  EXPECT_TRUE(alpha->log.has("<CDiscovery> Unable to join the multicast group, discovery is off"));
  EXPECT_EQ(group->receive(200), std::nullopt);
  alpha->module->alive();
  EXPECT_TRUE(
      alpha->log.has("<CDiscovery> unable to create message, no multicast socket available"));

  // Enabling again tries anew instead of finding the module "already active".
  alpha->module->set_multicast_ip(kGroup);
  alpha->module->enable(0);
  alpha->module->enable(1);
  ASSERT_NE(alpha->module->get_multicast_socket(), nullptr);
  EXPECT_FALSE(alpha->log.has("<CDiscovery> multicast socket already active, aborting create"));
  EXPECT_EQ(group->receive(), alive_text(port, "alpha", 7001));
  alpha->module->process_enable();
  EXPECT_TRUE(alpha->log.has("<CDiscovery> multicast socket already active, aborting create"));
}

TEST_F(DiscoveryTest, SendingAfterLeavingFails) {
  enable(*alpha);
  EXPECT_EQ(alpha->module->leave(), 1);
  ASSERT_NE(alpha->module->get_multicast_socket(), nullptr);
  EXPECT_EQ(alpha->module->multicast("NOTIFY * HTTP/1.1\r\n\r\n"), 0);
  EXPECT_EQ(alpha->log.starting("<CDiscovery> Multicast Send Failed!").size(), 1u);
  alpha->module->listall_agents();  // multicast's line and its own
  EXPECT_EQ(alpha->log.starting("<CDiscovery> Multicast Send Failed!").size(), 3u);
  alpha->module->alive();
  EXPECT_EQ(alpha->log.starting("<CDiscovery> Multicast Send Failed!").size(), 4u);
  EXPECT_EQ(group->receive(200), std::nullopt);
  EXPECT_EQ(alpha->module->process_discovery(2), 4);
  EXPECT_TRUE(alpha->log.has("<CDiscovery> Multicast socket does not have any data pending"));
  EXPECT_EQ(alpha->module->join(), 1);
  EXPECT_EQ(alpha->module->multicast("x"), 1);
  EXPECT_EQ(group->receive(), "x");
}

TEST_F(DiscoveryTest, TwoAgentsFindEachOther) {
  Agent bravo("bravo", port, 7002);
  enable(*alpha);
  enable(bravo);
  // Alpha learns of bravo from its announcement ...
  bravo.module->alive();
  ASSERT_TRUE(run_until(loop, [&] { return alpha->entry("bravo") != nullptr; }));
  EXPECT_EQ(alpha->entry("bravo")->get_location()->get_port(), 7002);
  EXPECT_EQ(alpha->entry("bravo")->get_expiration(), 900);
  EXPECT_EQ(alpha->entry("bravo")->get_localization(), 1);
  // ... and bravo of alpha from the answer to its search (alpha answers for
  // each entry of its own).
  alpha->add_entry("alpha-service", 0);
  EXPECT_EQ(bravo.module->lookup_agent("alpha"), 1);
  ASSERT_TRUE(run_until(loop, [&] { return bravo.entry("alpha") != nullptr; }));
  CServiceInfo* found = bravo.entry("alpha");
  EXPECT_EQ(std::string(found->get_location()->get_host()), "127.0.0.1");
  EXPECT_EQ(found->get_location()->get_port(), 7001);
  EXPECT_EQ(found->get_expiration(), 900);
  EXPECT_EQ(found->get_localization(), 1);
  EXPECT_EQ(found->get_type(), SERVICETYPE_AGENT);
  EXPECT_NE(std::find(bravo.from.begin(), bravo.from.end(), 2), bravo.from.end());
  EXPECT_EQ(bravo.entry("bravo"), nullptr);
  EXPECT_EQ(alpha->entry("alpha"), nullptr);
}

// An agent as the container runs it: a communicator with a discovery module,
// whose window hands datagrams to discovery and reads each message of a
// connection.
struct CommunicatorAgent {
  CommunicatorAgent(const char* name, unsigned group_port) {
    comm = std::make_unique<CCommunicator>();
    comm->set_name(name);
    comm->set_handler(&window);
    comm->set_port(0);
    discovery = new LoopbackDiscovery(comm->get_beliefdb(), &window);
    discovery->set_multicast_port(group_port);
    discovery->set_file(log.stream());
    comm->add_lookup_module(discovery);
    EXPECT_EQ(comm->Create(), 1);
    comm->comm_setinfo(name, comm->get_port());
    window.on_notify = [this](const RecordingWindow::Notice& notice) {
      if (notice.type == static_cast<WPARAM>(SOCKETTYPE_MULTICAST)) {
        comm->process_discovery(static_cast<unsigned>(notice.descriptor));
        return;
      }
      auto* connection = dynamic_cast<CClientSocket*>(comm->get_connection(notice.descriptor));
      if (connection == nullptr || connection->mfc_getdata() == nullptr) return;
      received.push_back(connection->mfc_getdata());
      connection->remove_from_queue();
    };
  }
  bool knows(const char* name) const {
    auto* table = static_cast<CListBelief*>(comm->get_beliefdb()->find_element("lookup"));
    return table->get_value()->find_element(name) != nullptr;
  }

  LogCapture log;
  RecordingWindow window;
  std::unique_ptr<CCommunicator> comm;
  LoopbackDiscovery* discovery = nullptr;  // owned by the communicator
  std::vector<std::string> received;
};

TEST_F(DiscoveryTest, TwoCommunicatorsMeetAndTalk) {
  testsupport::TempDir dir;
  EnvSetting host_ip{"VERANTA_HOST_IP", kLoopback};
  CommunicatorAgent one("one", port);
  CommunicatorAgent two("two", port);
  one.comm->start_lookup_modules();
  two.comm->start_lookup_modules();
  ASSERT_NE(one.discovery->get_multicast_socket(), nullptr);
  ASSERT_NE(two.discovery->get_multicast_socket(), nullptr);
  one.discovery->get_multicast_socket()->SetLoopBack(1);
  two.discovery->get_multicast_socket()->SetLoopBack(1);
  one.discovery->alive();
  two.discovery->alive();
  ASSERT_TRUE(run_until(loop, [&] { return one.knows("two") && two.knows("one"); }));

  EXPECT_EQ(one.comm->comm_sendmessage("tell", "two", "ont", "lang", "r1", nullptr, nullptr,
                                       "hello", nullptr),
            nullptr);
  ASSERT_TRUE(run_until(loop, [&] { return !two.received.empty(); }));
  EXPECT_NE(two.received[0].find(":sender one"), std::string::npos);
  EXPECT_NE(two.received[0].find("hello"), std::string::npos);

  EXPECT_EQ(two.comm->comm_sendmessage("tell", "one", "ont", "lang", "r2", nullptr, nullptr,
                                       "welcome", nullptr),
            nullptr);
  ASSERT_TRUE(run_until(loop, [&] { return !one.received.empty(); }));
  EXPECT_NE(one.received[0].find(":sender two"), std::string::npos);
  EXPECT_NE(one.received[0].find("welcome"), std::string::npos);
}

}  // namespace
