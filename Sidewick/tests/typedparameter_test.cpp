#include "Sidewick/typedparameter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> names(CLList* list) {
  std::vector<std::string> out;
  if (list == nullptr) return out;
  for (CListElement* e = list->get_element(0); e != nullptr; e = e->get_next()) {
    out.emplace_back(e->get_name());
  }
  return out;
}

TEST(TypedParameter, DefaultsAndResets) {
  CParameterBase bare("bare");
  EXPECT_EQ(bare.get_type(), PARAMETER_NONE);
  EXPECT_EQ(bare.get_visibility(), VISIBILITY_PUBLIC);
  EXPECT_EQ(bare.get_usage(), USAGE_SECONDARY);

  CIntParameter age("age");
  EXPECT_EQ(age.get_type(), PARAMETER_INT);
  EXPECT_EQ(age.get_parameter(), 0);
  age.set_parameter(42);
  age.set_visibility(VISIBILITY_PRIVATE);
  age.reset();
  EXPECT_EQ(age.get_parameter(), -1);
  EXPECT_EQ(age.get_visibility(), VISIBILITY_PUBLIC);

  CCharParameter colour("colour");
  EXPECT_EQ(colour.get_type(), PARAMETER_CHAR);
  EXPECT_STREQ(colour.get_parameter(), "empty");
  colour.set_parameter(nullptr);
  EXPECT_STREQ(colour.get_parameter(), "empty");
  colour.set_parameter("blue");
  EXPECT_STREQ(colour.get_parameter(), "blue");
  colour.set_visibility(VISIBILITY_PRIVATE);
  colour.reset();
  EXPECT_EQ(colour.get_parameter(), nullptr);
  EXPECT_EQ(colour.get_visibility(), VISIBILITY_PUBLIC);

  CListParameter friends("friends");
  EXPECT_EQ(friends.get_type(), PARAMETER_LIST);
  EXPECT_EQ(friends.get_parameter(), nullptr);
  friends.set_parameter("list;a");
  friends.reset();
  EXPECT_EQ(friends.get_parameter(), nullptr);
}

struct ListTextCase {
  std::string name;
  const char* text;
  bool has_list;
  std::vector<std::string> items;
};

void PrintTo(const ListTextCase& c, std::ostream* out) { *out << c.name; }

class ListParameterText : public testing::TestWithParam<ListTextCase> {};

TEST_P(ListParameterText, ItemsAfterTheMarker) {
  const ListTextCase& c = GetParam();
  CListParameter parameter("p");
  parameter.set_parameter("list;old");
  parameter.set_parameter(c.text);
  EXPECT_EQ(parameter.get_parameter() != nullptr, c.has_list);
  EXPECT_EQ(names(parameter.get_parameter()), c.items);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ListParameterText,
    testing::Values(ListTextCase{"lower_marker", "list;a,b", true, {"a", "b"}},
                    ListTextCase{"upper_marker", "LIST;a,b", true, {"a", "b"}},
                    ListTextCase{"text_before_marker", "friends list;x,y", true, {"x", "y"}},
                    ListTextCase{"empty_items", "list;a,,b,", true, {"a", "", "b"}},
                    ListTextCase{"marker_alone", "list;", true, {}},
                    ListTextCase{"other_marker", "x;a,b", false, {}},
                    ListTextCase{"mixed_case_marker", "List;a", false, {}}),
    [](const testing::TestParamInfo<ListTextCase>& info) { return info.param.name; });

TEST(ListParameter, NullTextKeepsTheList) {
  CListParameter parameter("p");
  parameter.set_parameter("list;a");
  parameter.set_parameter(static_cast<const char*>(nullptr));
  EXPECT_EQ(names(parameter.get_parameter()), std::vector<std::string>{"a"});
}

TEST(ListParameter, TakesAListOverButKeepsTheOneItHolds) {
  CListParameter parameter("p");
  auto* list = new CLList;
  list->add_element(new CListElement("x"));
  parameter.set_parameter(list);
  EXPECT_EQ(parameter.get_parameter(), list);
  // Given again, its own list stays (and stays readable).
  parameter.set_parameter(list);
  EXPECT_EQ(parameter.get_parameter(), list);
  EXPECT_EQ(names(parameter.get_parameter()), std::vector<std::string>{"x"});
  parameter.set_parameter(static_cast<CLList*>(nullptr));
  EXPECT_EQ(parameter.get_parameter(), list);
  auto* other = new CLList;
  parameter.set_parameter(other);
  EXPECT_EQ(parameter.get_parameter(), other);
}

}  // namespace
