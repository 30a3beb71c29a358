#include "nameserver.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// Peer addresses as the server sees them; the registry only compares them.
const std::string kHere = "192.0.2.1";
const std::string kElsewhere = "192.0.2.2";

std::string request(const std::string& performative, const std::string& content) {
  return "(" + performative + " :sender A :receiver ANS :reply-with R1 :content " + content + ")";
}

std::string told(const std::string& content) {
  return "(tell :sender ANS :receiver A :in-reply-to R1 :content " + content + ")";
}

std::string sorry(const std::string& reason) {
  return "(sorry :sender ANS :receiver A :in-reply-to R1 :content (error :text \"" + reason +
         "\"))";
}

std::string register_request(const std::string& name, const std::string& host, int port) {
  return request("register", "(register :name " + name + " :host " + host +
                                 " :port " + std::to_string(port) + ")");
}

std::string lookup(NameServer* server, const std::string& name) {
  return server->answer(request("ask-one", "(lookup :name " + name + ")"), kHere);
}

TEST(NameServer, RegistersLooksUpListsAndUnregisters) {
  NameServer server({});
  EXPECT_EQ(server.answer(register_request("A", "127.0.0.1", 7001), kHere), told("(ok)"));
  server.answer(register_request("B", "127.0.0.1", 7002), kHere);
  EXPECT_EQ(lookup(&server, "B"), told("(agent :name B :host 127.0.0.1 :port 7002)"));
  EXPECT_EQ(server.answer(request("ask-all", "(listall)"), kHere), told("(agents :names (A B))"));
  EXPECT_EQ(server.answer(request("unregister", "(unregister :name B)"), kHere), told("(ok)"));
  EXPECT_EQ(lookup(&server, "B"), sorry("unknown agent"));
}

TEST(NameServer, Refusals) {
  struct Case {
    NameServer::Options options;
    std::string request;
    std::string reply;
  };
  const std::vector<Case> cases = {
      {{}, "not kqml", "(sorry :sender ANS :receiver nil :in-reply-to nil :content "
                       "(error :text \"unreadable request\"))"},
      {{}, request("register", "(register :host h)"), sorry("no name")},
      {{}, request("unregister", "(unregister :name Nobody)"), sorry("unknown agent")},
      {{}, request("ask", "(dance)"), sorry("unknown request")},
      {{true, 0, false}, request("ask-all", "(listall)"), sorry("refused")},
      {{false, 0, true}, request("ask-all", "(listall)"), ""},
  };
  for (const Case& c : cases) {
    NameServer server(c.options);
    EXPECT_EQ(server.answer(c.request, kHere), c.reply) << c.request;
  }
}

// What a request does to a name that A holds at 127.0.0.1:7001, registered
// from kHere.
struct HeldNameCase {
  const char* name;
  std::string request;
  std::string from;
  std::string reply;
  bool still_held;
};

// Names the case in test listings in place of a byte dump.
void PrintTo(const HeldNameCase& c, std::ostream* out) { *out << c.name; }

class HeldName : public testing::TestWithParam<HeldNameCase> {};

TEST_P(HeldName, StaysWithItsHolder) {
  const HeldNameCase& c = GetParam();
  NameServer server({});
  ASSERT_EQ(server.answer(register_request("A", "127.0.0.1", 7001), kHere), told("(ok)"));
  EXPECT_EQ(server.answer(c.request, c.from), c.reply);
  EXPECT_EQ(lookup(&server, "A"), c.still_held
                                      ? told("(agent :name A :host 127.0.0.1 :port 7001)")
                                      : sorry("unknown agent"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeldName,
    testing::Values(
        HeldNameCase{"HolderRegistersAgain", register_request("A", "127.0.0.1", 7001), kHere,
                     told("(ok)"), true},
        HeldNameCase{"SameLocationFromElsewhere", register_request("A", "127.0.0.1", 7001),
                     kElsewhere, told("(ok)"), true},
        HeldNameCase{"AnotherPort", register_request("A", "127.0.0.1", 7002), kHere,
                     sorry("name taken"), true},
        HeldNameCase{"AnotherHost", register_request("A", "otherhost", 7001), kHere,
                     sorry("name taken"), true},
        HeldNameCase{"UnregisterFromTheRegisteringHost",
                     request("unregister", "(unregister :name A)"), kHere, told("(ok)"), false},
        HeldNameCase{"UnregisterFromAnotherHost", request("unregister", "(unregister :name A)"),
                     kElsewhere, sorry("registered from another host"), true}),
    [](const testing::TestParamInfo<HeldNameCase>& info) { return info.param.name; });

TEST(NameServer, ARegistrationRepeatedElsewhereDoesNotMoveTheRightToUnregister) {
  NameServer server({});
  server.answer(register_request("A", "127.0.0.1", 7001), kHere);
  server.answer(register_request("A", "127.0.0.1", 7001), kElsewhere);
  const std::string unregister = request("unregister", "(unregister :name A)");
  EXPECT_EQ(server.answer(unregister, kElsewhere), sorry("registered from another host"));
  EXPECT_EQ(server.answer(unregister, kHere), told("(ok)"));
}

TEST(NameServer, AnUnregisteredNameIsFreeForAnotherHolder) {
  NameServer server({});
  server.answer(register_request("A", "127.0.0.1", 7001), kHere);
  server.answer(request("unregister", "(unregister :name A)"), kHere);
  EXPECT_EQ(server.answer(register_request("A", "127.0.0.1", 7002), kElsewhere), told("(ok)"));
  EXPECT_EQ(lookup(&server, "A"), told("(agent :name A :host 127.0.0.1 :port 7002)"));
}

}  // namespace
