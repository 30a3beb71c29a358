#include "Talkwick/kqmlstring.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "Talkwick/kqmlparser.h"

namespace {

struct StringCase {
  const char* name;
  std::string text;
  std::string written;  // as KQML writes it, by hand
};

void PrintTo(const StringCase& c, std::ostream* out) { *out << c.name; }

class KQMLString : public testing::TestWithParam<StringCase> {};

// Written as KQML writes it, and read back whole between two fields.
TEST_P(KQMLString, IsWrittenEscapedAndReadsBackBetweenFields) {
  const StringCase& c = GetParam();
  EXPECT_EQ(kqml_string(c.text), c.written);

  CKQMLParser parser;
  const std::string message = "(tell :a " + kqml_string(c.text) + " :b 1)";
  ASSERT_EQ(parser.parse_message(message.c_str()), 1) << message;
  ASSERT_NE(parser.find_token("a"), nullptr) << message;
  EXPECT_EQ(parser.find_token("a"), c.written);
  EXPECT_STREQ(parser.find_token("b"), "1") << message;
  EXPECT_EQ(kqml_string_text(parser.find_token("a")), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KQMLString,
    testing::Values(StringCase{"Word", "abc", R"("abc")"}, StringCase{"Empty", "", R"("")"},
                    StringCase{"Blanks", "North Watch", R"("North Watch")"},
                    StringCase{"Parentheses", "a)b(c", R"("a)b(c")"},
                    StringCase{"Quote", R"(5'11")", R"("5'11\"")"},
                    StringCase{"QuotedText", R"("x")", R"("\"x\"")"},
                    StringCase{"WindowsPath", R"(C:\dir\)", R"("C:\\dir\\")"},
                    StringCase{"QuotedWindowsPath", R"("C:\dir\")", R"("\"C:\\dir\\\"")"},
                    StringCase{"EscapesWrittenOut", R"(a\"b\\c)", R"("a\\\"b\\\\c")"}),
    [](const testing::TestParamInfo<StringCase>& info) { return std::string(info.param.name); });

TEST(KQMLStringText, GivesOtherValuesAsTheyStand) {
  for (const char* value : {"abc", "(a \"b\" c)", "", "a\"b"}) {
    EXPECT_EQ(kqml_string_text(value), value) << value;
  }
}

// A string that never ended is stored with a closing quote added (the
// message's closing parenthesis reads as a blank).
TEST(KQMLStringText, ReadsAStringThatNeverEnded) {
  CKQMLParser parser;
  ASSERT_EQ(parser.parse_message(R"((tell :a "x\"y))"), 1);
  ASSERT_NE(parser.find_token("a"), nullptr);
  EXPECT_EQ(kqml_string_text(parser.find_token("a")), "x\"y ");
  EXPECT_EQ(kqml_string_text("\""), "");
  EXPECT_EQ(kqml_string_text(R"("a\)"), "a\\");
}

}  // namespace
