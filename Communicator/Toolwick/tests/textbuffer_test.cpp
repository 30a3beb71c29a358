#include "Toolwick/textbuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace {

TEST(TextBuffer, UnsetUntilAssignedAndAfterClear) {
  TextBuffer text;
  EXPECT_EQ(text.get(), nullptr);
  EXPECT_STREQ(text.assign({}), "");
  EXPECT_STREQ(text.get(), "");
  text.clear();
  EXPECT_EQ(text.get(), nullptr);
  EXPECT_STREQ(text.assign({"again"}), "again");
}

// Also when a short text follows a long one in storage that is then given
// back for a smaller one.
TEST(TextBuffer, JoinsPiecesExactly) {
  TextBuffer text;
  const std::string long_piece(300000, 'x');
  EXPECT_EQ(std::string(text.assign({"(", long_piece, ")"})), "(" + long_piece + ")");
  // Shorter texts in storage that held longer ones end where they should.
  EXPECT_STREQ(text.assign({"ab", "", "c"}), "abc");
  EXPECT_STREQ(text.assign({std::string_view("nul\0inside", 10)}), "nul");
  EXPECT_EQ(std::memcmp(text.get(), "nul\0inside", 11), 0);
  EXPECT_STREQ(text.assign({"d"}), "d");
}

// The spare bytes behind the text are the caller's to write (the sanitizer
// build reports a write past the storage).
TEST(TextBuffer, SpareRoomFollowsTheText) {
  TextBuffer text;
  for (size_t spare : {size_t{0}, size_t{1}, size_t{3}, size_t{4000}}) {
    char* out = text.assign({"abc"}, spare);
    std::memset(out + 4, '#', spare);
    EXPECT_EQ(std::string(out, 4 + spare), std::string("abc\0", 4) + std::string(spare, '#'));
  }
}

TEST(TextBuffer, PiecesMayComeFromTheCurrentText) {
  TextBuffer text;
  text.assign({"station-blue"});
  EXPECT_STREQ(text.assign({text.get() + 8, "-", text.get()}), "blue-station-blue");
  const std::string grown(3000, 'y');
  EXPECT_EQ(std::string(text.assign({text.get(), grown})), "blue-station-blue" + grown);
  EXPECT_STREQ(text.assign({std::string_view(text.get(), 4)}), "blue");
}

TEST(TextBuffer, HoldsItsCurrentAndPreviousText) {
  TextBuffer text;
  const char* elsewhere = "elsewhere";
  EXPECT_FALSE(text.holds(elsewhere));
  const char* first = text.assign({"first"});
  EXPECT_TRUE(text.holds(first + 2));
  const char* second = text.assign({"second"});
  EXPECT_TRUE(text.holds(second));
  EXPECT_TRUE(text.holds(first));
  EXPECT_FALSE(text.holds(elsewhere));
}

// An idle holder keeps the storage of short texts for its next use, not
// that of a large one.
TEST(TextBuffer, ReleaseGivesBackOnlyLargeStorage) {
  TextBuffer short_text;
  TextBuffer long_text;
  const char* kept = short_text.assign({"short"});
  const char* given_back = long_text.assign({std::string(4 * TextBuffer::kIdleCapacity, 'x')});
  short_text.release();
  long_text.release();
  EXPECT_EQ(short_text.get(), nullptr);
  EXPECT_EQ(long_text.get(), nullptr);
  EXPECT_TRUE(short_text.holds(kept));
  EXPECT_FALSE(long_text.holds(given_back));
  EXPECT_STREQ(long_text.assign({"again"}), "again");
}

}  // namespace
