#include "nameserver.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "Namewick/ansprotocol.h"

namespace {

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

std::string register_request(const std::string& name, const std::string& host, int port,
                             const std::string& key = "") {
  return request("register", "(register :name " + name + " :host " + host + " :port " +
                                 std::to_string(port) + (key.empty() ? "" : " :key " + key) +
                                 ")");
}

std::string unregister_request(const std::string& name, const std::string& key = "") {
  return request("unregister",
                 "(unregister :name " + name + (key.empty() ? "" : " :key " + key) + ")");
}

const std::string kListall = request("ask-all", "(listall)");

std::string lookup(NameServer* server, const std::string& name) {
  return server->answer(request("ask-one", "(lookup :name " + name + ")")).reply;
}

// The key that a registration's reply gives, "" when it gives none.
std::string key_of(const std::string& reply) {
  CANSReply read;
  if (read.read(reply.c_str(), "R1", "ok") != CANSReply::kTold) return "";
  const char* key = read.field("key");
  return key != nullptr ? key : "";
}

TEST(NameServer, RegistersLooksUpListsAndUnregisters) {
  NameServer server({});
  const std::string reply = server.answer(register_request("A", "127.0.0.1", 7001)).reply;
  const std::string key = key_of(reply);
  ASSERT_EQ(key.size(), 16u) << reply;
  EXPECT_EQ(reply, told("(ok :key " + key + ")"));
  const std::string other = key_of(server.answer(register_request("B", "127.0.0.1", 7002)).reply);
  EXPECT_NE(other, key);
  EXPECT_EQ(lookup(&server, "B"), told("(agent :name B :host 127.0.0.1 :port 7002)"));
  EXPECT_EQ(server.answer(kListall).reply, told("(agents :names (A B))"));
  EXPECT_EQ(server.answer(unregister_request("B", other)).reply, told("(ok)"));
  EXPECT_EQ(lookup(&server, "B"), sorry("unknown agent"));
  // The host the client names when it knows no address of its own.
  EXPECT_NE(key_of(server.answer(register_request("C", "localhost", 7003)).reply), "");
}

struct RefusalCase {
  const char* name;
  NameServer::Options options;
  std::string request;
  std::string reply;
};

// Names the case in test listings in place of a byte dump.
void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class Refusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, IsAnsweredAndStoresNothing) {
  const RefusalCase& c = GetParam();
  NameServer server(c.options);
  EXPECT_EQ(server.answer(c.request).reply, c.reply) << c.request;
  if (!c.options.always_sorry && !c.options.close_silently) {
    EXPECT_EQ(server.answer(kListall).reply, told("(agents :names ())"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Refusal,
    testing::Values(
        RefusalCase{"NotKqml", {}, "not kqml",
                    "(sorry :sender ANS :receiver nil :in-reply-to nil :content "
                    "(error :text \"unreadable request\"))"},
        RefusalCase{"NoName", {}, request("register", "(register :host h :port 1)"),
                    sorry("no name")},
        RefusalCase{"UnknownAgent", {}, unregister_request("Nobody"), sorry("unknown agent")},
        RefusalCase{"UnknownRequest", {}, request("ask", "(dance)"), sorry("unknown request")},
        RefusalCase{"HostAList", {}, request("register", "(register :name A :host (1 2) :port 1)"),
                    sorry("invalid host")},
        RefusalCase{"PortNotANumber", {},
                    request("register", "(register :name A :host h :port abc)"),
                    sorry("invalid port")},
        RefusalCase{"PortPastAnyNumber", {},
                    request("register", "(register :name A :host h :port 99999999999999999999)"),
                    sorry("invalid port")},
        RefusalCase{"PortPast65535", {}, register_request("A", "h", 65536), sorry("invalid port")},
        RefusalCase{"PortZero", {}, register_request("A", "h", 0), sorry("invalid port")},
        RefusalCase{"NoPort", {}, request("register", "(register :name A :host h)"),
                    sorry("invalid port")},
        RefusalCase{"NameWithABlank", {}, register_request("\"a b\"", "h", 1),
                    sorry("invalid name")},
        RefusalCase{"NameAList", {}, register_request("(a b)", "h", 1), sorry("invalid name")},
        RefusalCase{"NameTooLong", {},
                    register_request(std::string(ansprotocol::kMaxWord + 1, 'n'), "h", 1),
                    sorry("invalid name")},
        RefusalCase{"HostNotAnAddress", {}, register_request("A", "z0", 1),
                    sorry("host is not an address")},
        RefusalCase{"HostAShortenedAddress", {}, register_request("A", "127.1", 1),
                    sorry("host is not an address")},
        RefusalCase{"HostTooLong", {},
                    register_request("A", std::string(ansprotocol::kMaxWord + 1, 'h'), 1),
                    sorry("invalid host")},
        RefusalCase{"AlwaysSorry", {true, 0, false}, kListall, sorry("refused")},
        RefusalCase{"CloseSilently", {false, 0, true}, kListall, ""}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// What a request does to a name that A holds at 127.0.0.1:7001.
struct HeldNameCase {
  enum Key { kNone, kRight, kWrong };
  const char* name;
  bool unregister;   // else a register at 127.0.0.1:`port`
  int port;
  Key key;
  bool probed;       // the server asks to probe the holder at 127.0.0.1:7001 ...
  NameServer::Probe found;  // ... and the probe finds this
  std::string reply;  // "(ok :key K)": the holder's key; "(ok :key new)": a new one
  int held_at;        // the port A is found at afterwards; 0: not held
};

void PrintTo(const HeldNameCase& c, std::ostream* out) { *out << c.name; }

class HeldName : public testing::TestWithParam<HeldNameCase> {};

TEST_P(HeldName, StaysWithItsHolderWhileItIsAlive) {
  const HeldNameCase& c = GetParam();
  NameServer server({});
  const std::string key = key_of(server.answer(register_request("A", "127.0.0.1", 7001)).reply);
  ASSERT_FALSE(key.empty());
  const std::string shown = c.key == HeldNameCase::kRight   ? key
                            : c.key == HeldNameCase::kWrong ? "0123456789abcdef"
                                                            : "";
  const std::string text = c.unregister ? unregister_request("A", shown)
                                        : register_request("A", "127.0.0.1", c.port, shown);
  NameServer::Answer answer = server.answer(text);
  EXPECT_EQ(answer.probe, c.probed);
  std::string reply = answer.reply;
  if (answer.probe) {
    EXPECT_EQ(answer.host, "127.0.0.1");
    EXPECT_EQ(answer.port, 7001u);
    EXPECT_EQ(answer.reply, "");
    reply = server.answer_probed(text, answer.host, answer.port, c.found);
  }
  std::string expected = c.reply;
  if (expected == "(ok :key K)") expected = told("(ok :key " + key + ")");
  if (expected == "(ok :key new)") {
    const std::string given = key_of(reply);
    EXPECT_NE(given, key);
    EXPECT_EQ(given.size(), key.size());
    expected = told("(ok :key " + given + ")");
  }
  EXPECT_EQ(reply, expected);
  EXPECT_EQ(lookup(&server, "A"),
            c.held_at != 0 ? told("(agent :name A :host 127.0.0.1 :port " +
                                  std::to_string(c.held_at) + ")")
                           : sorry("unknown agent"));
}

constexpr auto kAlive = NameServer::Probe::kAlive;
constexpr auto kGone = NameServer::Probe::kGone;
constexpr auto kSilent = NameServer::Probe::kSilent;

INSTANTIATE_TEST_SUITE_P(
    Table, HeldName,
    testing::Values(
        HeldNameCase{"HolderRegistersAgain", false, 7001, HeldNameCase::kRight, false, kAlive,
                     "(ok :key K)", 7001},
        HeldNameCase{"HolderMoves", false, 7002, HeldNameCase::kRight, false, kAlive,
                     "(ok :key K)", 7002},
        HeldNameCase{"SameLocationWithoutKeyChangesNothing", false, 7001, HeldNameCase::kNone,
                     false, kAlive, told("(ok)"), 7001},
        HeldNameCase{"AnotherPortWhileTheHolderLives", false, 7002, HeldNameCase::kNone, true,
                     kAlive, sorry("name taken"), 7001},
        HeldNameCase{"AnotherPortWhileTheHolderIsSilent", false, 7002, HeldNameCase::kNone, true,
                     kSilent, sorry("name taken"), 7001},
        HeldNameCase{"AnotherPortWithAWrongKey", false, 7002, HeldNameCase::kWrong, true, kAlive,
                     sorry("name taken"), 7001},
        HeldNameCase{"AnotherPortAfterTheHolderDied", false, 7002, HeldNameCase::kNone, true,
                     kGone, "(ok :key new)", 7002},
        HeldNameCase{"HolderUnregisters", true, 0, HeldNameCase::kRight, false, kAlive,
                     told("(ok)"), 0},
        HeldNameCase{"UnregisterWithoutKeyWhileTheHolderLives", true, 0, HeldNameCase::kNone,
                     true, kAlive, sorry("not the holder"), 7001},
        HeldNameCase{"UnregisterWithoutKeyWhileTheHolderIsSilent", true, 0, HeldNameCase::kNone,
                     true, kSilent, sorry("not the holder"), 7001},
        HeldNameCase{"UnregisterWithAWrongKey", true, 0, HeldNameCase::kWrong, true, kAlive,
                     sorry("not the holder"), 7001},
        HeldNameCase{"UnregisterAfterTheHolderDied", true, 0, HeldNameCase::kNone, true, kGone,
                     told("(ok)"), 0}),
    [](const testing::TestParamInfo<HeldNameCase>& info) { return info.param.name; });

TEST(NameServer, AProbeOfAHolderThatChangedMeanwhileKeepsTheName) {
  NameServer server({});
  const std::string key = key_of(server.answer(register_request("A", "127.0.0.1", 7001)).reply);
  const std::string taking = register_request("A", "127.0.0.1", 7003);
  ASSERT_TRUE(server.answer(taking).probe);
  // Meanwhile the holder moved; the probe of its old place proves nothing.
  ASSERT_EQ(server.answer(register_request("A", "127.0.0.1", 7002, key)).reply,
            told("(ok :key " + key + ")"));
  EXPECT_EQ(server.answer_probed(taking, "127.0.0.1", 7001, kGone), sorry("name taken"));
  EXPECT_EQ(lookup(&server, "A"), told("(agent :name A :host 127.0.0.1 :port 7002)"));
}

TEST(NameServer, AnUnregisteredNameIsFreeForAnotherHolder) {
  NameServer server({});
  const std::string key = key_of(server.answer(register_request("A", "127.0.0.1", 7001)).reply);
  server.answer(unregister_request("A", key));
  EXPECT_NE(key_of(server.answer(register_request("A", "127.0.0.1", 7002)).reply), "");
  EXPECT_EQ(lookup(&server, "A"), told("(agent :name A :host 127.0.0.1 :port 7002)"));
}

struct FullTableCase {
  const char* name;
  NameServer::Probe found;  // what the probe of the oldest holder finds
  bool admitted;            // the newcomer gets its name, the oldest holder's go
};

void PrintTo(const FullTableCase& c, std::ostream* out) { *out << c.name; }

class FullTable : public testing::TestWithParam<FullTableCase> {};

TEST_P(FullTable, OnlyAHolderFoundAliveKeepsOutANewcomer) {
  const FullTableCase& c = GetParam();
  NameServer server({});
  for (size_t i = 0; i < NameServer::kMaxNames; ++i) {
    const std::string name = "N" + std::to_string(i);
    const int port = static_cast<int>(i / NameServer::kMaxNamesAtAPlace) + 1;
    ASSERT_NE(key_of(server.answer(register_request(name, "127.0.0.1", port)).reply), "") << i;
  }
  // The holder registered longest ago is probed ...
  const std::string late = register_request("Late", "127.0.0.1", 9999);
  NameServer::Answer answer = server.answer(late);
  ASSERT_TRUE(answer.probe);
  EXPECT_EQ(answer.host, "127.0.0.1");
  EXPECT_EQ(answer.port, 1u);
  // ... and decides whether the newcomer comes in.
  const std::string reply = server.answer_probed(late, "127.0.0.1", 1, c.found);
  if (c.admitted) {
    EXPECT_NE(key_of(reply), "") << reply;
    EXPECT_EQ(lookup(&server, "Late"), told("(agent :name Late :host 127.0.0.1 :port 9999)"));
    // Every name at the oldest holder's place went with it.
    EXPECT_EQ(lookup(&server, "N0"), sorry("unknown agent"));
    EXPECT_EQ(lookup(&server, "N63"), sorry("unknown agent"));
  } else {
    EXPECT_EQ(reply, sorry("too many names"));
    EXPECT_EQ(lookup(&server, "Late"), sorry("unknown agent"));
    EXPECT_EQ(lookup(&server, "N0"), told("(agent :name N0 :host 127.0.0.1 :port 1)"));
    // The live place goes to the back of the line: the next newcomer has
    // the one registered after it probed.
    EXPECT_EQ(server.answer(late).port, 2u);
  }
  EXPECT_EQ(lookup(&server, "N64"), told("(agent :name N64 :host 127.0.0.1 :port 2)"));
}

INSTANTIATE_TEST_SUITE_P(Table, FullTable,
                         testing::Values(FullTableCase{"HolderAlive", kAlive, false},
                                         FullTableCase{"HolderGone", kGone, true},
                                         FullTableCase{"HolderSilent", kSilent, true}),
                         [](const testing::TestParamInfo<FullTableCase>& info) {
                           return info.param.name;
                         });

TEST(NameServer, OnePlaceHoldsAtMostItsNumberOfNames) {
  NameServer server({});
  for (size_t i = 0; i < NameServer::kMaxNamesAtAPlace; ++i) {
    const std::string name = "N" + std::to_string(i);
    ASSERT_NE(key_of(server.answer(register_request(name, "127.0.0.1", 1)).reply), "") << i;
  }
  EXPECT_EQ(server.answer(register_request("More", "127.0.0.1", 1)).reply,
            sorry("too many names at this place"));
  const std::string key =
      key_of(server.answer(register_request("Elsewhere", "127.0.0.1", 2)).reply);
  ASSERT_NE(key, "");
  EXPECT_EQ(server.answer(register_request("Elsewhere", "127.0.0.1", 1, key)).reply,
            sorry("too many names at this place"));
  // The names held there still register again.
  EXPECT_EQ(server.answer(register_request("N0", "127.0.0.1", 1)).reply, told("(ok)"));
}

TEST(NameServer, AListingHoldsTheNamesThatFitItsBound) {
  NameServer server({});
  std::vector<std::string> names;
  for (char c = 'a'; names.size() * ansprotocol::kMaxWord < 2 * NameServer::kMaxListing; ++c) {
    for (char d = 'a'; d <= 'z'; ++d) {
      names.push_back(std::string(1, c) + d + std::string(ansprotocol::kMaxWord - 2, 'x'));
      const int port = static_cast<int>(names.size());
      ASSERT_NE(key_of(server.answer(register_request(names.back(), "127.0.0.1", port)).reply), "");
    }
  }
  CANSReply read;
  const std::string reply = server.answer(kListall).reply;
  ASSERT_EQ(read.read(reply.c_str(), "R1", "agents"), CANSReply::kTold);
  std::vector<std::string> listed;
  size_t skipped = 0;
  ASSERT_TRUE(read.listing(&listed, &skipped));
  EXPECT_EQ(skipped, 0u);
  EXPECT_LT(reply.size(), NameServer::kMaxListing + 200);
  const size_t fit = NameServer::kMaxListing / (ansprotocol::kMaxWord + 1);
  ASSERT_EQ(listed.size(), fit);
  EXPECT_EQ(listed, std::vector<std::string>(names.begin(), names.begin() + fit));
}

}  // namespace
