// Numbers in texts: read like atoi/atol/atof but held to their type's range,
// and read and written with a decimal point whatever the process's locale.
#include "Toolwick/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "Toolwick/format.h"
#include "testsupport/commalocale.h"

namespace {

struct IntCase {
  const char* name;
  const char* text;
  int32_t value;
};

void PrintTo(const IntCase& c, std::ostream* out) { *out << c.name; }

class ReadInt : public testing::TestWithParam<IntCase> {};

TEST_P(ReadInt, ReadsTheLeadingNumberHeldToRange) {
  EXPECT_EQ(read_int(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ReadInt,
    testing::Values(IntCase{"Null", nullptr, 0}, IntCase{"Empty", "", 0},
                    IntCase{"NoDigits", "abc", 0}, IntCase{"LeadingBlanks", " \t42", 42},
                    IntCase{"Signs", "-7x", -7}, IntCase{"PlusSign", "+3", 3},
                    IntCase{"StopsAtAPoint", "12.9", 12},
                    IntCase{"AboveTheRange", "99999999999", std::numeric_limits<int32_t>::max()},
                    IntCase{"BelowTheRange", "-99999999999", std::numeric_limits<int32_t>::min()}),
    [](const testing::TestParamInfo<IntCase>& info) { return info.param.name; });

TEST(Numbers, RealsAndFixedTexts) {
  EXPECT_EQ(read_real(nullptr), 0.0);
  EXPECT_EQ(read_real(" 1.5e1x"), 15.0);
  EXPECT_EQ(read_real("2,5"), 2.0);  // a comma ends the number
  EXPECT_EQ(fixed_text(1.5, 6), "1.500000");
  EXPECT_EQ(fixed_text(-0.125, 2), "-0.12");
  EXPECT_EQ(fixed_text(123456789.0, 0), "123456789");
}

struct WithinCase {
  const char* name;
  const char* text;
  bool read;
  double value;  // when read
};

// By name: a byte dump would read the padding and the strings' spare room.
void PrintTo(const WithinCase& c, std::ostream* out) { *out << c.name; }

class RealWithin : public testing::TestWithParam<WithinCase> {};

TEST_P(RealWithin, TakesOnlyFiniteValuesInsideTheBounds) {
  double value = -99.0;
  EXPECT_EQ(read_real_within(GetParam().text, -1000.0, 1000.0, &value), GetParam().read);
  EXPECT_EQ(value, GetParam().read ? GetParam().value : -99.0);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, RealWithin,
    testing::Values(WithinCase{"Plain", " 12.5x", true, 12.5},
                    WithinCase{"NoNumberReadsZero", "abc", true, 0.0},
                    WithinCase{"OnTheBound", "-1000", true, -1000.0},
                    WithinCase{"Null", nullptr, false, 0.0},
                    WithinCase{"NotANumber", "nan", false, 0.0},
                    WithinCase{"Infinity", "-inf", false, 0.0},
                    WithinCase{"BeyondDouble", "1e999", false, 0.0},
                    WithinCase{"LargeButFinite", "1e308", false, 0.0},
                    WithinCase{"JustOutside", "1000.001", false, 0.0}),
    [](const testing::TestParamInfo<WithinCase>& info) { return info.param.name; });

using InGerman = testsupport::CommaLocaleTest<>;

TEST_F(InGerman, ReadingAndFormattingKeepTheDecimalPoint) {
  EXPECT_EQ(read_real("1.5"), 1.5);
  EXPECT_EQ(fixed_text(1.5, 1), "1.5");
  EXPECT_EQ(str_format("%f %.2f %d", 0.25, 3.5, 7), "0.250000 3.50 7");
}

}  // namespace
