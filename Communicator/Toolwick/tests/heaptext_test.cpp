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

// A viewed text is the owner's: it is read in place and never freed, also
// when the view is replaced, moved or destroyed (the sanitizer build would
// report freeing this array).
TEST(HeapText, ViewsATextItNeverFrees) {
  char owned_elsewhere[] = "entity";
  {
    HeapText text;
    text.view(owned_elsewhere);
    EXPECT_EQ(text.get(), owned_elsewhere);
    owned_elsewhere[0] = 'E';
    EXPECT_STREQ(text.get(), "Entity");

    HeapText moved(std::move(text));
    EXPECT_EQ(moved.get(), owned_elsewhere);
    moved.reset();
    EXPECT_FALSE(moved.is_set());

    moved.view(owned_elsewhere);
    moved.set(moved.get() + 1);  // a copy out of the viewed text
    EXPECT_NE(moved.get(), owned_elsewhere + 1);
    EXPECT_STREQ(moved.get(), "ntity");

    HeapText copy;
    copy.view(owned_elsewhere);
    HeapText copied(copy);  // a copy owns its text
    EXPECT_NE(copied.get(), owned_elsewhere);
    EXPECT_STREQ(copied.get(), "Entity");
    copy.view(owned_elsewhere);  // viewing again over a view
  }
  EXPECT_STREQ(owned_elsewhere, "Entity");
}

}  // namespace
