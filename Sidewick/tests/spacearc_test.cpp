#include "Sidewick/spacearc.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

TEST(SpaceArc, NewArcWritesItsDefaults) {
  CSpaceArc arc;
  EXPECT_STREQ(arc.to_string(),
               "(arc :label (unassigned) :arctype virtual :human_traversable FALSE :permanent FALSE "
               ":location_type unknown :active TRUE)");
}

struct ArcWriteCase {
  std::string name;
  int arctype, location, traversable, permanent, active;
  std::string written;
};

void PrintTo(const ArcWriteCase& c, std::ostream* out) { *out << c.name; }

class SpaceArcWrite : public testing::TestWithParam<ArcWriteCase> {};

TEST_P(SpaceArcWrite, CodesAndFlagsAsText) {
  const ArcWriteCase& c = GetParam();
  CSpaceArc arc;
  arc.set_label("hall-door");
  arc.set_arctype(c.arctype);
  arc.set_locationtype(c.location);
  arc.set_human_traversable(c.traversable);
  arc.set_permanent(c.permanent);
  arc.set_active(c.active);
  EXPECT_EQ(arc.to_string(), "(arc :label (hall-door) " + c.written + ")");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SpaceArcWrite,
    testing::Values(
        ArcWriteCase{"door_behind", ARCTYPE_DOOR, LOCATIONTYPE_BEHIND, 1, 1, 0,
                     ":arctype door :human_traversable TRUE :permanent TRUE :location_type behind "
                     ":active FALSE"},
        ArcWriteCase{"wire_on", ARCTYPE_WIRE, LOCATIONTYPE_ON, 0, 0, 1,
                     ":arctype wire :human_traversable FALSE :permanent FALSE :location_type on "
                     ":active TRUE"},
        // Only exactly 1 is TRUE; codes outside the tables read as the first.
        ArcWriteCase{"out_of_range", 6, 9, 2, -1, 2,
                     ":arctype virtual :human_traversable FALSE :permanent FALSE :location_type "
                     "unknown :active FALSE"},
        ArcWriteCase{"negative_codes", -1, -1, 0, 0, 1,
                     ":arctype virtual :human_traversable FALSE :permanent FALSE :location_type "
                     "unknown :active TRUE"}),
    [](const testing::TestParamInfo<ArcWriteCase>& info) { return info.param.name; });

// Every code through its text and back.
TEST(SpaceArc, EveryCodeReadsBack) {
  for (int arctype = ARCTYPE_VIRTUAL; arctype <= ARCTYPE_WIRE; ++arctype) {
    for (int location = LOCATIONTYPE_UNKNOWN; location <= LOCATIONTYPE_ON; ++location) {
      CSpaceArc arc;
      arc.set_label("duct 4 (east)");
      arc.set_arctype(arctype);
      arc.set_locationtype(location);
      arc.set_human_traversable(arctype % 2);
      arc.set_permanent(location % 2);
      arc.set_active(0);
      std::string text = arc.to_string();
      CSpaceArc back;
      ASSERT_EQ(back.from_string(text.data()), 1) << text;
      EXPECT_STREQ(back.get_label(), "duct 4 (east)");
      EXPECT_EQ(back.get_arctype(), arctype);
      EXPECT_EQ(back.get_locationtype(), location);
      EXPECT_EQ(back.get_human_traversable(), arctype % 2);
      EXPECT_EQ(back.get_permanent(), location % 2);
      EXPECT_EQ(back.get_active(), 0);
      EXPECT_EQ(back.to_string(), text);
    }
  }
}

struct ArcReadCase {
  std::string name;
  const char* text;
  int result;
  std::string label;
  int arctype, location, traversable, permanent, active;
};

void PrintTo(const ArcReadCase& c, std::ostream* out) { *out << c.name; }

class SpaceArcRead : public testing::TestWithParam<ArcReadCase> {};

// Read into an arc that starts as a window inside, traversable, labelled "old".
TEST_P(SpaceArcRead, ReadsOnlyWholeTexts) {
  const ArcReadCase& c = GetParam();
  CSpaceArc arc;
  arc.set_label("old");
  arc.set_arctype(ARCTYPE_WINDOW);
  arc.set_locationtype(LOCATIONTYPE_INSIDE);
  arc.set_human_traversable(1);
  std::string text = c.text;
  EXPECT_EQ(arc.from_string(text.data()), c.result);
  EXPECT_EQ(arc.get_label(), c.label);
  EXPECT_EQ(arc.get_arctype(), c.arctype);
  EXPECT_EQ(arc.get_locationtype(), c.location);
  EXPECT_EQ(arc.get_human_traversable(), c.traversable);
  EXPECT_EQ(arc.get_permanent(), c.permanent);
  EXPECT_EQ(arc.get_active(), c.active);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SpaceArcRead,
    testing::Values(
        ArcReadCase{"all_six", "(arc :label (a) :arctype pipe :human_traversable true "
                    ":permanent TRUE :location_type below :active FALSE)",
                    1, "a", ARCTYPE_PIPE, LOCATIONTYPE_BELOW, 1, 1, 0},
        // Case-sensitive texts: Door is no arc type, True and 1 are no TRUE.
        ArcReadCase{"capital_door", "(arc :label a :arctype Door :human_traversable True "
                    ":permanent 1 :location_type Above :active true)",
                    1, "a", ARCTYPE_VIRTUAL, LOCATIONTYPE_INSIDE, 0, 0, 1},
        ArcReadCase{"without_active", "(arc :label (a) :arctype pipe :human_traversable TRUE "
                    ":permanent TRUE :location_type below)",
                    0, "old", ARCTYPE_WINDOW, LOCATIONTYPE_INSIDE, 1, 0, 1},
        ArcReadCase{"label_without_value", "(arc :label :arctype pipe :human_traversable TRUE "
                    ":permanent TRUE :location_type below :active TRUE)",
                    0, "old", ARCTYPE_WINDOW, LOCATIONTYPE_INSIDE, 1, 0, 1},
        ArcReadCase{"unparsable", "arc :label a", 0, "old", ARCTYPE_WINDOW, LOCATIONTYPE_INSIDE, 1,
                    0, 1},
        // A label that could not be written back as it reads (an unclosed
        // last value runs to the end of the text).
        ArcReadCase{"unpaired_label", "(arc :arctype pipe :human_traversable TRUE :permanent TRUE "
                    ":location_type below :active TRUE) :label (a(b",
                    0, "old", ARCTYPE_WINDOW, LOCATIONTYPE_INSIDE, 1, 0, 1}),
    [](const testing::TestParamInfo<ArcReadCase>& info) { return info.param.name; });

struct LabelCase {
  std::string name;
  const char* label;
  bool taken;
};

void PrintTo(const LabelCase& c, std::ostream* out) { *out << c.name; }

class SpaceArcLabel : public testing::TestWithParam<LabelCase> {};

// A label is taken only when the text form carries it: the arc then reads
// back whole, and no label can change another field.
TEST_P(SpaceArcLabel, IsTakenOnlyWhenItReadsBack) {
  const LabelCase& c = GetParam();
  CSpaceArc arc;
  arc.set_arctype(ARCTYPE_DUCT);
  EXPECT_EQ(arc.set_label(c.label), c.taken ? 1 : 0);
  EXPECT_STREQ(arc.get_label(), c.taken ? c.label : "unassigned");
  std::string text = arc.to_string();
  CSpaceArc back;
  ASSERT_EQ(back.from_string(text.data()), 1) << text;
  EXPECT_STREQ(back.get_label(), arc.get_label());
  EXPECT_EQ(back.get_arctype(), ARCTYPE_DUCT);
  EXPECT_EQ(back.get_human_traversable(), 0);
  EXPECT_EQ(back.to_string(), text);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, SpaceArcLabel,
    testing::Values(LabelCase{"paired_parentheses", "duct (4) ((east))", true},
                    LabelCase{"empty", "", true},
                    LabelCase{"keywords_inside", ":arctype wire :active FALSE", true},
                    LabelCase{"flag_injection", "x) :human_traversable TRUE :y (", false},
                    LabelCase{"unclosed", "(east", false},
                    LabelCase{"closed_first", "a)(b", false},
                    LabelCase{"line_end", "a\nb", false}),
    [](const testing::TestParamInfo<LabelCase>& info) { return info.param.name; });

TEST(SpaceArc, NullLabelAndTextChangeNothing) {
  CSpaceArc arc;
  EXPECT_EQ(arc.set_label(nullptr), 0);
  EXPECT_STREQ(arc.get_label(), "unassigned");
  EXPECT_EQ(arc.from_string(nullptr), 0);
}

}  // namespace
