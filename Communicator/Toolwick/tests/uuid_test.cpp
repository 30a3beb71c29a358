#include "Toolwick/uuid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Platform/sysinfo.h"
#include "Toolwick/format.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// 2024-01-01 00:00 UTC as a file time, and as UUID time.
constexpr uint64_t kJan2024 = 133485408000000000ULL;
constexpr uint64_t kJan2024Uuid = 139233600000000000ULL;
constexpr uint64_t kMillisecond = 10000;
constexpr uint64_t kSecond = 10000000;

const UuidNode kNode = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab};
const UuidNode kOtherNode = {0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54};

uint64_t timestamp(const Uuid& u) {
  return static_cast<uint64_t>(u.time_hi_and_version & 0x0FFF) << 48 | static_cast<uint64_t>(u.time_mid) << 32 |
         u.time_low;
}

// The 14 bits of the clock sequence that a UUID carries.
unsigned clock_seq(const Uuid& u) { return (u.clock_seq_hi_and_reserved & 0x3Fu) << 8 | u.clock_seq_low; }

std::string bytes(const UuidNode& node) { return std::string(node.begin(), node.end()); }

// The 16 bytes of "state", little-endian.
std::string state_bytes(uint64_t timestamp, const UuidNode& node, uint16_t clock_seq) {
  std::string out;
  for (int i = 0; i < 8; ++i) out += static_cast<char>(timestamp >> (8 * i));
  out += bytes(node);
  out += static_cast<char>(clock_seq);
  out += static_cast<char>(clock_seq >> 8);
  return out;
}

std::string text(const Uuid& u) {
  std::string node;
  for (uint8_t b : u.node) node += str_format("%02x", static_cast<unsigned>(b));
  return str_format("%08x-%04x-%04x-%02x%02x-%s", static_cast<unsigned>(u.time_low), static_cast<unsigned>(u.time_mid),
                    static_cast<unsigned>(u.time_hi_and_version), static_cast<unsigned>(u.clock_seq_hi_and_reserved),
                    static_cast<unsigned>(u.clock_seq_low), node.c_str());
}

// A generator in a fresh working directory whose clock reads `now`, or
// `stalled_at` while `stalled_reads` lasts.
class UuidGeneratorTest : public ::testing::Test {
 protected:
  uint64_t now = kJan2024;
  uint64_t stalled_at = 0;
  int stalled_reads = 0;
  int reads = 0;
  TempDir dir;
  CUuidGenerator generator{[this] {
    ++reads;
    if (stalled_reads > 0) {
      --stalled_reads;
      return stalled_at;
    }
    return now;
  }};
};

TEST_F(UuidGeneratorTest, FirstRunCreatesNodeAndStateFiles) {
  now = kJan2024 + 1234;  // inside the millisecond: the reading is cut to it
  const Uuid u = generator.create();

  const std::string node = TempDir::read("nodeid");
  ASSERT_EQ(node.size(), 6u);
  EXPECT_NE(node[0] & 0x80, 0);
  EXPECT_EQ(node, bytes(u.node));

  const std::string state = TempDir::read("state");
  ASSERT_EQ(state.size(), 16u);
  EXPECT_EQ(state.substr(0, 14), state_bytes(kJan2024Uuid, u.node, 0).substr(0, 14));
  EXPECT_EQ(static_cast<uint8_t>(state[14]), u.clock_seq_low);
  EXPECT_EQ(static_cast<uint8_t>(state[15]) & 0x3F, u.clock_seq_hi_and_reserved & 0x3F);

  EXPECT_EQ(timestamp(u), kJan2024Uuid);
  EXPECT_EQ(u.time_hi_and_version >> 12, 1);
  EXPECT_EQ(u.clock_seq_hi_and_reserved & 0xC0, 0x80);
}

// UUID time counts from 1582-10-15: the Unix epoch is 0x01B21DD213814000.
TEST_F(UuidGeneratorTest, TimestampCountsFromGregorianReform) {
  now = platform::kUnixEpochFileTime;
  EXPECT_EQ(timestamp(generator.create()), 0x01B21DD213814000ULL);
}

TEST_F(UuidGeneratorTest, TwoWithinOneReadingDifferByOne) {
  const Uuid a = generator.create();
  const Uuid b = generator.create();
  EXPECT_EQ(timestamp(b), timestamp(a) + 1);
  EXPECT_EQ(clock_seq(a), clock_seq(b));
  EXPECT_EQ(uuid_compare(a, b), -1);
}

TEST_F(UuidGeneratorTest, Makes1025PerReadingThenWaitsForTheClock) {
  std::set<uint64_t> seen;
  for (int i = 0; i < 1025; ++i) seen.insert(timestamp(generator.create()));
  ASSERT_EQ(seen.size(), 1025u);
  EXPECT_EQ(*seen.begin(), kJan2024Uuid);
  EXPECT_EQ(*seen.rbegin(), kJan2024Uuid + 1024);

  // The clock moves on only after three more readings of the same millisecond.
  now = kJan2024 + kMillisecond;
  stalled_at = kJan2024;
  stalled_reads = 3;
  reads = 0;
  EXPECT_EQ(timestamp(generator.create()), kJan2024Uuid + kMillisecond);
  EXPECT_EQ(reads, 4);
}

// A clock that moves in 100 ns steps, read twice per step, must not give a
// timestamp twice (reading T gives T and T + 1, then reading T + 1 would give
// T + 1 again): the reading is cut to the millisecond, so reading + count
// stays below the next reading.
TEST_F(UuidGeneratorTest, ClockIn100NanosecondStepsNeverRepeats) {
  CUuidGenerator stepping([this] { return kJan2024 + static_cast<uint64_t>(reads++ / 2); });
  uint64_t last = 0;
  for (int i = 0; i < 3000; ++i) {
    const uint64_t t = timestamp(stepping.create());
    ASSERT_GT(t, last) << "UUID " << i;
    last = t;
  }
}

TEST_F(UuidGeneratorTest, ExistingNodeFileIsUsedUnchanged) {
  TempDir::write("nodeid", bytes(kNode));
  EXPECT_EQ(generator.create().node, kNode);
  EXPECT_EQ(TempDir::read("nodeid"), bytes(kNode));
}

TEST_F(UuidGeneratorTest, ShortNodeFileCountsAsMissing) {
  TempDir::write("nodeid", bytes(kNode).substr(0, 5));
  const Uuid u = generator.create();
  EXPECT_NE(u.node, kNode);
  EXPECT_NE(u.node[0] & 0x80, 0);
  EXPECT_EQ(TempDir::read("nodeid"), bytes(u.node));
}

// How the clock sequence follows from the stored state.
TEST(UuidStateTest, ClockSequenceFromStoredState) {
  enum Expect { kStored, kStoredPlusOne, kRandom };
  const struct {
    const char* name;
    uint64_t stored_time;
    const UuidNode* stored_node;
    size_t length;
    Expect expect;
  } cases[] = {
      {"same node, clock moved on", kJan2024Uuid - kSecond, &kNode, 16, kStored},
      {"same node, clock moved backwards", kJan2024Uuid + kSecond, &kNode, 16, kStoredPlusOne},
      {"other node", kJan2024Uuid - kSecond, &kOtherNode, 16, kRandom},
      {"short file", kJan2024Uuid - kSecond, &kNode, 15, kRandom},
  };
  // What the clock sequence is without any state (the seed follows the clock).
  unsigned fresh_seq;
  {
    TempDir empty;
    TempDir::write("nodeid", bytes(kNode));
    fresh_seq = clock_seq(CUuidGenerator([] { return kJan2024; }).create());
  }
  ASSERT_NE(fresh_seq, 0x0123u);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir fresh;
    TempDir::write("nodeid", bytes(kNode));
    TempDir::write("state", state_bytes(c.stored_time, *c.stored_node, 0x0123).substr(0, c.length));
    CUuidGenerator gen([] { return kJan2024; });
    const Uuid u = gen.create();

    switch (c.expect) {
      case kStored:
        EXPECT_EQ(clock_seq(u), 0x0123u);
        break;
      case kStoredPlusOne:
        EXPECT_EQ(clock_seq(u), 0x0124u);
        break;
      case kRandom:
        EXPECT_EQ(clock_seq(u), fresh_seq);
        break;
    }
    const std::string state = TempDir::read("state");
    ASSERT_EQ(state.size(), 16u);
    EXPECT_EQ(state.substr(0, 14), state_bytes(kJan2024Uuid, kNode, 0).substr(0, 14));
    EXPECT_EQ(static_cast<uint8_t>(state[14]), u.clock_seq_low);
  }
}

TEST_F(UuidGeneratorTest, ClockBackwardsWithinTheProcessBumpsTheSequence) {
  const Uuid a = generator.create();
  now -= kSecond;
  const Uuid b = generator.create();
  EXPECT_EQ(clock_seq(b), (clock_seq(a) + 1) & 0x3FFF);
}

TEST_F(UuidGeneratorTest, StateFileRewrittenEveryTenSecondsOfUuidTime) {
  TempDir::write("nodeid", bytes(kNode));
  TempDir::write("state", state_bytes(kJan2024Uuid - kSecond, kNode, 0x0123));

  generator.create();
  const std::string first = state_bytes(kJan2024Uuid, kNode, 0x0123);
  EXPECT_EQ(TempDir::read("state"), first);

  now = kJan2024 + 10 * kSecond - kMillisecond;
  generator.create();
  EXPECT_EQ(TempDir::read("state"), first);

  now = kJan2024 + 10 * kSecond;
  generator.create();
  EXPECT_EQ(TempDir::read("state"), state_bytes(kJan2024Uuid + 10 * kSecond, kNode, 0x0123));
}

// Once read, the state lives in memory: a file changed behind the
// generator's back does not change its clock sequence.
TEST_F(UuidGeneratorTest, StateIsReadOnce) {
  TempDir::write("nodeid", bytes(kNode));
  TempDir::write("state", state_bytes(kJan2024Uuid - kSecond, kNode, 0x0123));
  generator.create();
  TempDir::write("state", state_bytes(kJan2024Uuid - kSecond, kNode, 0x0777));
  now += kSecond;
  EXPECT_EQ(clock_seq(generator.create()), 0x0123u);
}

TEST(UuidNameTest, Version3MatchesKnownValues) {
  const Uuid dns = {0x6ba7b810, 0x9dad, 0x11d1, 0x80, 0xb4, {0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8}};
  const Uuid url = {0x6ba7b811, 0x9dad, 0x11d1, 0x80, 0xb4, {0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8}};
  const struct {
    const Uuid* space;
    std::string name;
    const char* expected;
  } cases[] = {
      {&dns, "www.example.com", "5df41881-3aed-3515-88a7-2f4a814cf09e"},
      {&url, "http://www.example.com/", "556cf76b-3b36-3ae6-85f9-50424b369b50"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text(uuid_create_from_name(*c.space, c.name.data(), c.name.size())), c.expected) << c.name;
  }
}

TEST(UuidCompareTest, OrdersFieldByField) {
  const Uuid base = {0x00000001, 0x0002, 0x1003, 0x84, 0x05, {1, 2, 3, 4, 5, 6}};
  auto with = [&](auto change) {
    Uuid u = base;
    change(u);
    return u;
  };
  const struct {
    const char* name;
    Uuid larger;
  } cases[] = {
      {"time_low, top bit", with([](Uuid& u) { u.time_low = 0x80000000; })},
      {"time_mid", with([](Uuid& u) { u.time_mid = 0x8000; })},
      {"time_hi_and_version", with([](Uuid& u) { u.time_hi_and_version = 0x1004; })},
      {"clock_seq_hi_and_reserved", with([](Uuid& u) { u.clock_seq_hi_and_reserved = 0x85; })},
      {"clock_seq_low", with([](Uuid& u) { u.clock_seq_low = 0x06; })},
      {"last node byte", with([](Uuid& u) { u.node[5] = 7; })},
      {"earlier field wins", with([](Uuid& u) {
         u.time_low = 2;
         u.time_mid = 0;
         u.node = {0, 0, 0, 0, 0, 0};
       })},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(uuid_compare(base, c.larger), -1) << c.name;
    EXPECT_EQ(uuid_compare(c.larger, base), 1) << c.name;
  }
  EXPECT_EQ(uuid_compare(base, base), 0);
}

}  // namespace
