#include "Talkwick/messageframer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Tail = CMessageFramer::Tail;
using Texts = std::vector<std::string>;

Texts texts(const CMessageFramer::Result& result) {
  Texts out;
  for (const auto& m : result.messages) out.emplace_back(m.text);
  return out;
}

// Feeds the segments in order; every message that came out.
Texts feed_all(CMessageFramer& framer, const std::vector<std::string>& segments) {
  Texts out;
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
    const Texts first = texts(framer.feed(std::string_view(wire).substr(0, split)));
    const CMessageFramer::Result& second = framer.feed(std::string_view(wire).substr(split));
    Texts got = first;
    for (auto& t : texts(second)) got.push_back(t);
    EXPECT_EQ(got, Texts{"(tell :sender a :content (x y))"});
    EXPECT_FALSE(framer.in_message());
    if (split > 0 && split < wire.size() - 1) {
      ASSERT_EQ(second.messages.size(), 1u);
      EXPECT_TRUE(second.messages[0].joined);
    }
  }
}

TEST(MessageFramer, CutsWhatOneSegmentHolds) {
  struct Case {
    std::string segment;
    Texts messages;
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
    const auto& result = framer.feed(c.segment);
    EXPECT_EQ(texts(result), c.messages);
    EXPECT_EQ(result.tail, c.tail);
    EXPECT_FALSE(result.overflow);
  }
}

TEST(MessageFramer, HeldTextIsJoinedAcrossManySegments) {
  CMessageFramer framer;
  EXPECT_EQ(feed_all(framer, {"(te", "ll :con", "tent", std::string(" (x))\x04" "(b") + '\x04'}),
            (Texts{"(tell :content (x))", "(b"}));
  // A held beginning followed by a segment that starts with NUL ends as it was.
  EXPECT_EQ(feed_all(framer, {"abc", std::string("\0def\x04", 5)}), Texts{"abc"});
}

TEST(MessageFramer, TheHeldTextIsWhatCameWithoutTerminator) {
  // As a reader of one reply sees it when the peer closes without 0x04.
  CMessageFramer framer;
  const std::string segment = std::string("(ok)\x04") + "(tell :sender ANS";
  const auto& result = framer.feed(segment);
  EXPECT_EQ(texts(result), Texts{"(ok)"});
  EXPECT_EQ(result.held, "(tell :sender ANS");
  framer.feed(" :content (x))");
  EXPECT_TRUE(framer.in_message());
  EXPECT_EQ(framer.held(), "(tell :sender ANS :content (x))");
}

// One stream and the messages it holds: fed whole, and fed cut at every
// point and every pair of points, it gives the same messages.
struct StreamCase {
  const char* name;
  std::string stream;
  Texts messages;
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.name; }

class MessageFramerCuts : public ::testing::TestWithParam<StreamCase> {};

TEST_P(MessageFramerCuts, GiveTheSameMessagesWhereverTheStreamIsCut) {
  const std::string& stream = GetParam().stream;
  {
    CMessageFramer framer;
    EXPECT_EQ(feed_all(framer, {stream}), GetParam().messages);
  }
  for (size_t first = 0; first <= stream.size(); ++first) {
    for (size_t second = first; second <= stream.size(); ++second) {
      SCOPED_TRACE(testing::Message() << "cut at " << first << " and " << second);
      CMessageFramer framer;
      EXPECT_EQ(feed_all(framer, {stream.substr(0, first), stream.substr(first, second - first),
                                  stream.substr(second)}),
                GetParam().messages);
    }
  }
  CMessageFramer framer;
  Texts bytewise;
  for (char c : stream) {
    for (auto& text : texts(framer.feed(std::string(1, c)))) bytewise.push_back(text);
  }
  EXPECT_EQ(bytewise, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, MessageFramerCuts,
    ::testing::Values(
        StreamCase{"PlainMessages", std::string("(a)\x04(bc)\x04(d"), {"(a)", "(bc)"}},
        StreamCase{"EmptyMessages", std::string("\x04\x04"), {"", ""}},
        StreamCase{"NulInsideAMessage", std::string("abc\0de\x04", 7), {"abc"}},
        StreamCase{"NulFirst", std::string("\0l\x04", 3), {""}},
        StreamCase{"NulBeforeTheNextMessage", std::string("a\x04\0zzb\x04", 7), {"a", ""}},
        StreamCase{"NulsInSeveralMessages", std::string("x\0y\x04\0\x04z\0\0w\x04q", 13),
                   {"x", "", "z"}}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return info.param.name; });

TEST(MessageFramer, AMessageOfTheLimitPassesInSmallPieces) {
  CMessageFramer framer;
  // Every byte in its place: no two pieces alike.
  std::string message(CMessageFramer::kMaxMessage, ' ');
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>('a' + i * 7 % 26);
  const size_t piece = 2047;
  size_t fed = 0;
  while (fed + piece <= message.size()) {
    ASSERT_FALSE(framer.feed(std::string_view(message).substr(fed, piece)).overflow);
    fed += piece;
  }
  EXPECT_EQ(framer.held_size(), fed);
  EXPECT_TRUE(framer.held() == std::string_view(message).substr(0, fed));
  const auto& result = framer.feed(message.substr(fed) + '\x04');
  ASSERT_FALSE(result.overflow);
  ASSERT_EQ(result.messages.size(), 1u);
  EXPECT_TRUE(result.messages[0].text == message);
}

TEST(MessageFramer, OverflowGivesUpOnTheStream) {
  const size_t max = CMessageFramer::kMaxMessage;
  struct Case {
    const char* what;
    std::string held;  // fed first
    std::string segment;
    Texts before;  // the messages that came out ahead of the oversized one
  };
  const std::vector<Case> cases = {
      {"a held text that grows past the limit", std::string(max, 'x'), "y", {}},
      {"a terminated one that is a byte too long", std::string(max, 'x'), std::string("y\x04"), {}},
      {"messages cut before it still come out", "", std::string("ok\x04") + std::string(max + 1, 'z'),
       {"ok"}},
      {"a whole one in the segment", "", std::string("ok\x04") + std::string(max + 1, 'z') + '\x04',
       {"ok"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CMessageFramer framer;
    ASSERT_FALSE(framer.feed(c.held).overflow);
    const auto& result = framer.feed(c.segment);
    EXPECT_TRUE(result.overflow);
    EXPECT_EQ(texts(result), c.before);
    EXPECT_FALSE(framer.in_message());
    // What follows is read from the middle of a message: nothing comes out.
    const auto& later = framer.feed(std::string("(next)\x04"));
    EXPECT_TRUE(later.overflow);
    EXPECT_TRUE(later.messages.empty());
    framer.reset();
    EXPECT_EQ(feed_all(framer, {std::string("(next)\x04")}), Texts{"(next)"});
  }
}

TEST(MessageFramer, ResetDropsTheHeldText) {
  CMessageFramer framer;
  framer.feed("abc");
  EXPECT_EQ(framer.held_size(), 3u);
  framer.reset();
  EXPECT_FALSE(framer.in_message());
  EXPECT_EQ(feed_all(framer, {std::string("d\x04")}), Texts{"d"});
  // A message cut by a NUL is forgotten as well.
  framer.feed(std::string("e\0f", 3));
  framer.reset();
  EXPECT_EQ(feed_all(framer, {std::string("g\x04")}), Texts{"g"});
}

// --- The writing side

struct FrameCase {
  const char* name;
  std::string text;
  bool framed;       // frame() takes it
  bool one_message;  // is_one_message() of it
};

void PrintTo(const FrameCase& c, std::ostream* out) { *out << c.name; }

class MessageFramerFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(MessageFramerFrame, RefusesWhatThePeerWouldNotReadBackWhole) {
  std::string text = GetParam().text;
  EXPECT_EQ(CMessageFramer::frame(&text), GetParam().framed);
  EXPECT_EQ(text, GetParam().framed ? GetParam().text + '\x04' : GetParam().text);
  EXPECT_EQ(CMessageFramer::is_one_message(GetParam().text), GetParam().one_message);
  if (GetParam().framed) {
    CMessageFramer reader;
    EXPECT_EQ(feed_all(reader, {text}), Texts{GetParam().text});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MessageFramerFrame,
    ::testing::Values(FrameCase{"PlainText", "(tell :content (x))", true, true},
                      FrameCase{"Empty", "", true, true},
                      FrameCase{"TerminatorInside", std::string("(chat a\x04 b)"), false, false},
                      FrameCase{"TerminatorLast", std::string("(tell)\x04"), false, true},
                      FrameCase{"TwoTerminatorsLast", std::string("(tell)\x04\x04"), false, false},
                      FrameCase{"Nul", std::string("(a\0b)", 5), false, true}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return info.param.name; });

}  // namespace
