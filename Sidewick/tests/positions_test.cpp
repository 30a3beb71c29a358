#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "Sidewick/cartesian.h"
#include "Sidewick/kellatlong.h"

namespace {

TEST(Cartesian, WritesWithoutTheOuterClosingParenthesis) {
  CCartesian point;
  EXPECT_STREQ(point.to_string(), "(cartesian :x (0) :y (0) :z (0)");
  point.set_xyz(1, -2, 30);
  EXPECT_STREQ(point.to_string(), "(cartesian :x (1) :y (-2) :z (30)");
  point.set_xy(-2147483647 - 1, 2147483647);
  EXPECT_STREQ(point.to_string(), "(cartesian :x (-2147483648) :y (2147483647) :z (30)");
}

struct CartesianCase {
  std::string name;
  const char* text;
  int result;
  int x, y, z;  // starting from 7, 8, 9
};

void PrintTo(const CartesianCase& c, std::ostream* out) { *out << c.name; }

class CartesianRead : public testing::TestWithParam<CartesianCase> {};

TEST_P(CartesianRead, SetsWhatIsPresent) {
  const CartesianCase& c = GetParam();
  CCartesian point;
  point.set_xyz(7, 8, 9);
  std::string text = c.text != nullptr ? c.text : "";
  EXPECT_EQ(point.from_string(c.text != nullptr ? text.data() : nullptr), c.result);
  EXPECT_EQ(point.get_x(), c.x);
  EXPECT_EQ(point.get_y(), c.y);
  EXPECT_EQ(point.get_z(), c.z);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CartesianRead,
    testing::Values(
        CartesianCase{"closed_form", "(cartesian :x (1) :y (-2) :z (30))", 1, 1, -2, 30},
        CartesianCase{"bare_values", "(cartesian :x 1 :y -2 :z 30)", 1, 1, -2, 30},
        CartesianCase{"only_y", "(cartesian :y (5))", 1, 7, 5, 9},
        CartesianCase{"not_a_number", "(cartesian :x (abc) :z 4)", 1, 0, 8, 4},
        CartesianCase{"beyond_int", "(cartesian :x (99999999999) :y (-99999999999))", 1,
                      2147483647, -2147483647 - 1, 9},
        // The written form lacks its closing parenthesis: read as if closed.
        CartesianCase{"own_text_form", "(cartesian :x (1) :y (-2) :z (30)", 1, 1, -2, 30},
        CartesianCase{"unclosed_twice", "(cartesian :x (1) :y (-2", 0, 7, 8, 9},
        CartesianCase{"no_parenthesis", "cartesian x 1", 0, 7, 8, 9},
        CartesianCase{"null", nullptr, 0, 7, 8, 9}),
    [](const testing::TestParamInfo<CartesianCase>& info) { return info.param.name; });

TEST(KelLatLong, NewRecordWritesZerosAndTheUnitName) {
  CKelLatLong fix;
  EXPECT_STREQ(fix.get_name(), "WIN32GPSDDATA");
  EXPECT_EQ(fix.get_latsign(), 0);
  EXPECT_STREQ(fix.to_string(),
               "(speed (0.000000) :time (0) :bearing (0.000000) :altitude (0.000000) "
               ":x_velocity (0.000000) :y_velocity (0.000000) :z_velocity (0.000000) "
               ":x_linear (0.000000) :y_linear (0.000000) :z_linear (0.000000) "
               ":longdegrees (0) :longminutes (0.000000) :latdegrees (0) :latminutes (0.000000) "
               ":psi (0.000000) :theta (0.000000) :phi (0.000000))");
}

// Every field set to a distinct value, written and read back into a fresh
// record: the text form carries every field but the hemisphere letters.
TEST(KelLatLong, TextFormReadsBackIntoEveryField) {
  CKelLatLong fix;
  fix.set_speed(12.5f);
  fix.set_time(1733650000L);
  fix.set_bearing(271.25f);
  fix.set_altitude(-3.5f);
  fix.set_x_velocity(1.0f);
  fix.set_y_velocity(2.0f);
  fix.set_z_velocity(3.0f);
  fix.set_x_linear(0.25f);
  fix.set_y_linear(0.5f);
  fix.set_z_linear(0.75f);
  fix.set_longdegr(79);
  fix.set_longmin(57.0f);
  fix.set_latdegr(40);
  fix.set_latmin(26.5f);
  fix.set_psi(10.0f);
  fix.set_theta(20.0f);
  fix.set_phi(30.0f);
  fix.set_latsign('N');
  std::string text = fix.to_string();
  EXPECT_EQ(text.rfind("(speed (12.500000) :time (1733650000) :bearing (271.250000)", 0), 0u);

  CKelLatLong back;
  ASSERT_EQ(back.from_string(text.data()), 1);
  EXPECT_EQ(back.to_string(), text);
  EXPECT_EQ(back.get_speed(), 12.5f);
  EXPECT_EQ(back.get_time(), 1733650000L);
  EXPECT_EQ(back.get_latdegr(), 40);
  EXPECT_EQ(back.get_longmin(), 57.0f);
  EXPECT_EQ(back.get_latsign(), 0);
}

struct LatLongReadCase {
  std::string name;
  const char* text;
  int result;
  std::string written;  // the fields as to_string then writes a part of them
};

void PrintTo(const LatLongReadCase& c, std::ostream* out) { *out << c.name; }

class KelLatLongRead : public testing::TestWithParam<LatLongReadCase> {};

TEST_P(KelLatLongRead, ChangesOnlyWhatIsPresent) {
  const LatLongReadCase& c = GetParam();
  CKelLatLong fix;
  fix.set_altitude(1.0f);
  std::string text = c.text;
  EXPECT_EQ(fix.from_string(text.data()), c.result);
  const std::string written = fix.to_string();
  EXPECT_NE(written.find(c.written), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KelLatLongRead,
    testing::Values(
        LatLongReadCase{"altitude_alone", "(fix :altitude (120.5))", 1,
                        ":time (0) :bearing (0.000000) :altitude (120.500000) :x_velocity (0.000000)"},
        LatLongReadCase{"bare_value", "(fix :bearing 90)", 1,
                        ":bearing (90.000000) :altitude (1.000000)"},
        LatLongReadCase{"degrees_are_integers", "(fix :latdegrees (40.9) :longdegrees -79)", 1,
                        ":longdegrees (-79) :longminutes (0.000000) :latdegrees (40)"},
        LatLongReadCase{"speed_as_keyword", "(fix :speed (3.25))", 1, "(speed (3.250000) "},
        LatLongReadCase{"beyond_float", "(fix :psi (1e300) :theta (-1e300))", 1,
                        ":psi (inf) :theta (-inf)"},
        LatLongReadCase{"unparsable", "speed 3", 0, ":altitude (1.000000)"}),
    [](const testing::TestParamInfo<LatLongReadCase>& info) { return info.param.name; });

TEST(KelLatLong, UnitIdentifierComesFromGpsid) {
  CKelLatLong fix;
  std::string text = "(fix :gpsid (UNIT-7))";
  EXPECT_EQ(fix.from_string(text.data()), 1);
  EXPECT_STREQ(fix.get_name(), "UNIT-7");
  EXPECT_EQ(fix.from_string(nullptr), 0);
}

struct DegreesCase {
  std::string name;
  char sign;
  int degrees;
  float minutes;
  const char* latitude;
  const char* longitude;
};

void PrintTo(const DegreesCase& c, std::ostream* out) { *out << c.name; }

class KelLatLongDegrees : public testing::TestWithParam<DegreesCase> {};

// The same sign letter and numbers for both: the latitude is negative for
// 'E', the longitude unless 'S'.
TEST_P(KelLatLongDegrees, DecimalDegreesWithTheirSigns) {
  const DegreesCase& c = GetParam();
  CKelLatLong fix;
  EXPECT_STREQ(fix.get_latstring(), "0.0000");
  fix.set_latsign(c.sign);
  fix.set_latdegr(c.degrees);
  fix.set_latmin(c.minutes);
  fix.set_longsign(c.sign);
  fix.set_longdegr(c.degrees);
  fix.set_longmin(c.minutes);
  EXPECT_STREQ(fix.get_latstring(), c.latitude);
  EXPECT_STREQ(fix.get_longstring(), c.longitude);
}

INSTANTIATE_TEST_SUITE_P(
    Signs, KelLatLongDegrees,
    testing::Values(DegreesCase{"north", 'N', 40, 26.5f, "40.4417", "-40.4417"},
                    DegreesCase{"west", 'W', 79, 57.0f, "79.9500", "-79.9500"},
                    DegreesCase{"south", 'S', 79, 57.0f, "79.9500", "79.9500"},
                    DegreesCase{"east", 'E', 10, 30.0f, "-10.5000", "-10.5000"},
                    DegreesCase{"no_letter", 0, 0, 0.0f, "0.0000", "-0.0000"}),
    [](const testing::TestParamInfo<DegreesCase>& info) { return info.param.name; });

}  // namespace
