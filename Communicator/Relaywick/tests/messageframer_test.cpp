#include "Relaywick/messageframer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tail = CMessageFramer::Tail;

std::vector<std::string> texts(const CMessageFramer::Result& result) {
  std::vector<std::string> out;
  for (const auto& m : result.messages) out.push_back(m.text);
  return out;
}

// Feeds the segments in order; every message that came out.
std::vector<std::string> feed_all(CMessageFramer& framer, const std::vector<std::string>& segments) {
  std::vector<std::string> out;
  for (const std::string& s : segments) {
    for (auto& text : texts(framer.feed(s))) out.push_back(text);
  }
  return out;
}

TEST(MessageFramer, JoinsAMessageSplitAtAnyPoint) {
  const std::string wire = std::string("(tell :sender a :content (x y))") + '\x04';
  for (size_t split = 0; split <= wire.size(); ++split) {
    SCOPED_TRACE(split);
    CMessageFramer framer;
    const auto first = framer.feed(wire.substr(0, split));
    const auto second = framer.feed(wire.substr(split));
    std::vector<std::string> got = texts(first);
    for (auto& t : texts(second)) got.push_back(t);
    EXPECT_EQ(got, std::vector<std::string>{"(tell :sender a :content (x y))"});
    EXPECT_FALSE(framer.holds_text());
    if (split > 0 && split < wire.size() - 1) {
      EXPECT_EQ(first.tail, Tail::kHeld);
      ASSERT_EQ(second.messages.size(), 1u);
      EXPECT_TRUE(second.messages[0].joined);
    }
  }
}

TEST(MessageFramer, CutsWhatOneSegmentHolds) {
  struct Case {
    std::string segment;
    std::vector<std::string> messages;
    Tail tail;
  };
  const std::vector<Case> cases = {
      {std::string("a\x04" "b\x04"), {"a", "b"}, Tail::kNone},
      {std::string("a\x04\x04"), {"a", ""}, Tail::kNone},
      {std::string("\x04"), {""}, Tail::kNone},
      {std::string("a\x04" "b"), {"a"}, Tail::kHeld},
      {"", {}, Tail::kEmptySegment},
      // What follows a NUL is no part of the text.
      {std::string("ab\0cd\x04", 6), {"ab"}, Tail::kNone},
      {std::string("a\x04\0", 3), {"a"}, Tail::kEmptyText},
      {std::string("a\x04\0zz", 5), {"a"}, Tail::kEmptyText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.segment);
    CMessageFramer framer;
    const auto result = framer.feed(c.segment);
    EXPECT_EQ(texts(result), c.messages);
    EXPECT_EQ(result.tail, c.tail);
    EXPECT_FALSE(result.overflow);
  }
}

TEST(MessageFramer, HeldTextIsJoinedAcrossManySegments) {
  CMessageFramer framer;
  EXPECT_EQ(feed_all(framer, {"(te", "ll :con", "tent", std::string(" (x))\x04" "(b") + '\x04'}),
            (std::vector<std::string>{"(tell :content (x))", "(b"}));
  // A held beginning followed by a segment that starts with NUL ends as it was.
  EXPECT_EQ(feed_all(framer, {"abc", std::string("\0def\x04", 5)}), std::vector<std::string>{"abc"});
}

TEST(MessageFramer, AMessageOfTheLimitPassesInSmallPieces) {
  CMessageFramer framer;
  const std::string piece(2047, 'x');
  size_t fed = 0;
  while (fed + piece.size() <= CMessageFramer::kMaxMessage) {
    const auto result = framer.feed(piece);
    ASSERT_FALSE(result.overflow);
    fed += piece.size();
  }
  const std::string rest(CMessageFramer::kMaxMessage - fed, 'x');
  const auto result = framer.feed(rest + '\x04');
  ASSERT_FALSE(result.overflow);
  ASSERT_EQ(result.messages.size(), 1u);
  EXPECT_EQ(result.messages[0].text.size(), CMessageFramer::kMaxMessage);
}

TEST(MessageFramer, OverflowDropsEverything) {
  const size_t max = CMessageFramer::kMaxMessage;
  struct Case {
    const char* what;
    std::string held;  // fed first
    std::string segment;
  };
  const std::vector<Case> cases = {
      {"a held text that grows past the limit", std::string(max, 'x'), "y"},
      {"a terminated one that is a byte too long", std::string(max, 'x'), std::string("y\x04")},
      {"messages cut before it go too", "", std::string("ok\x04") + std::string(max + 1, 'z')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CMessageFramer framer;
    ASSERT_FALSE(framer.feed(c.held).overflow);
    const auto result = framer.feed(c.segment);
    EXPECT_TRUE(result.overflow);
    EXPECT_TRUE(result.messages.empty());
    EXPECT_FALSE(framer.holds_text());
  }
}

TEST(MessageFramer, ResetDropsTheHeldText) {
  CMessageFramer framer;
  framer.feed("abc");
  EXPECT_EQ(framer.held_size(), 3u);
  framer.reset();
  EXPECT_EQ(feed_all(framer, {std::string("d\x04")}), std::vector<std::string>{"d"});
}

}  // namespace
