// CLList's name index: whatever is done to an indexed list and its
// elements, find_element gives what the walk from the head gives.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Toolwick/llist.h"

namespace {

// The first element from the head named `name`, found by the links.
CListElement* walk_to(const CLList& list, const char* name) {
  for (CListElement* e = list.get_element(0); e != nullptr; e = e->get_next()) {
    if (e->get_name() != nullptr && std::strcmp(e->get_name(), name) == 0) return e;
  }
  return nullptr;
}

// An indexed list of a, b and c, and a second indexed list.
struct Lists {
  CLList list;
  CListElement* a = list.add_element(new CListElement("a"));
  CListElement* b = list.add_element(new CListElement("b"));
  CListElement* c = list.add_element(new CListElement("c"));
  CLList other;
  // What was taken out of the lists, owned here.
  std::vector<std::unique_ptr<CListElement>> taken;

  Lists() {
    list.index_names();
    other.index_names();
  }
  CListElement* take(CListElement* e) {
    list.remove_element(e);
    taken.emplace_back(e);
    return e;
  }
};

struct Case {
  std::string name;
  std::function<void(Lists&)> act;
  bool keeps_index = true;
};

// Failures name the case.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class NameIndexTest : public ::testing::TestWithParam<Case> {};

TEST_P(NameIndexTest, FindsWhatTheWalkFinds) {
  Lists lists;
  GetParam().act(lists);
  EXPECT_EQ(lists.list.has_name_index(), GetParam().keeps_index);
  for (const char* name : {"a", "b", "c", "x", "late", "foreign"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(lists.list.find_element(name), walk_to(lists.list, name));
    EXPECT_EQ(lists.other.find_element(name), walk_to(lists.other, name));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, NameIndexTest,
    ::testing::Values(
        Case{"Added", [](Lists&) {}},
        Case{"IndexMadeAfterTheElementsCame",
             [](Lists& l) {
               l.other.add_element(new CListElement("x"));
               CLList late;
               late.add_element(new CListElement("late"));
               late.index_names();
               EXPECT_TRUE(late.has_name_index());
               EXPECT_EQ(late.find_element("late"), late.get_element(0));
             }},
        Case{"Renamed", [](Lists& l) { l.b->set_name("x"); }},
        Case{"RenamedToItsOwnName", [](Lists& l) { l.b->set_name(l.b->get_name()); }},
        Case{"Unnamed", [](Lists& l) { l.b->set_name(nullptr); }},
        Case{"NamelessElementNamedOnceInTheList",
             [](Lists& l) { l.list.add_element(new CListElement())->set_name("late"); }},
        Case{"TwoOfOneNameGiveTheFirst",
             [](Lists& l) {
               l.c->set_name("a");
               EXPECT_EQ(l.list.find_element("a"), l.a);
             }},
        Case{"TwoOfOneNameAfterASwap",
             [](Lists& l) {
               l.c->set_name("a");
               l.list.swap(l.a, l.c);
               EXPECT_EQ(l.list.find_element("a"), l.c);
             }},
        Case{"DeletedByNameTheLastOfTwo",
             [](Lists& l) {
               l.c->set_name("a");
               l.list.delete_element_by_name("a");
               EXPECT_EQ(l.list.find_element("a"), l.a);
             }},
        Case{"DeletedAndRemoved",
             [](Lists& l) {
               l.list.delete_element(l.b);
               l.take(l.c);
             }},
        Case{"RemovedThenRenamed",
             [](Lists& l) {
               // Its parent is still the list, which must not take it back.
               l.take(l.c)->set_name("a");
               EXPECT_EQ(l.list.find_element("a"), l.a);
             }},
        Case{"MovedToAnotherListThenRenamed",
             [](Lists& l) {
               CListElement* moved = l.take(l.c);
               l.taken.back().release();
               l.other.add_element(moved);
               moved->set_name("x");
               EXPECT_EQ(l.other.find_element("x"), moved);
             }},
        Case{"RemovedThenLinkedBackIn",
             [](Lists& l) {
               l.list.remove_element(l.b);
               l.list.insert_element_before(l.a, l.b);
               l.b->set_name("x");
             }},
        Case{"AForeignElementLinkedIn",
             [](Lists& l) {
               // Its renames could go unseen: the list gives the index up.
               CListElement* foreign = new CListElement("foreign");
               l.list.insert_element_after(l.a, foreign);
               foreign->set_name("x");
               l.list.remove_element(foreign);
               l.taken.emplace_back(foreign);
             },
             false},
        Case{"EmptiedAndFilledAgain",
             [](Lists& l) {
               l.list.delete_list();
               l.list.add_element(new CListElement("b"));
             }}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(NameIndex, AListHoldingAForeignElementIsNotIndexed) {
  CLList list;
  CListElement* own = list.add_element(new CListElement("own"));
  CListElement foreign("foreign");
  list.insert_element_after(own, &foreign);
  list.index_names();
  EXPECT_FALSE(list.has_name_index());
  EXPECT_EQ(list.find_element("foreign"), &foreign);
  list.remove_element(&foreign);
}

}  // namespace
