#include "Toolwick/heaptext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace {

// The copy is made in fresh memory that nothing clears: it must hold exactly
// the bytes given and its own terminating NUL, whatever follows them in the
// source.
TEST(HeapText, CopiesExactlyTheBytesGivenAndEndsThem) {
  const std::string source = "alpha beta gamma";
  HeapText text;
  text.assign(std::string_view(source).substr(6, 4));
  ASSERT_TRUE(text.is_set());
  EXPECT_EQ(std::strlen(text.get()), 4u);
  EXPECT_STREQ(text.get(), "beta");

  // A long copy over a short one, then a short one over the long one.
  const std::string long_text(100000, 'x');
  text.assign(std::string_view(long_text).substr(0, 99999));
  EXPECT_EQ(std::strlen(text.get()), 99999u);
  text.assign(std::string_view(source).substr(0, 5));
  EXPECT_STREQ(text.get(), "alpha");

  text.assign(std::string_view(source).substr(0, 0));
  ASSERT_TRUE(text.is_set());
  EXPECT_STREQ(text.get(), "");
}

TEST(HeapText, CopiesOutOfItsOwnValue) {
  HeapText text("station-blue");
  text.set(text.get() + 8);
  EXPECT_STREQ(text.get(), "blue");
  text.assign(std::string_view(text.get()).substr(1, 2));
  EXPECT_STREQ(text.get(), "lu");
  text.set(nullptr);
  EXPECT_FALSE(text.is_set());
}

}  // namespace
