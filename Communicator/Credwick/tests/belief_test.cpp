#include "Credwick/belief.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Credwick/lookupmodule.h"

namespace {

// What save() writes, read back through a temporary file.
std::string saved(CBelief& belief) {
  FILE* file = std::tmpfile();
  EXPECT_EQ(belief.save(file), 0);
  std::rewind(file);
  std::string out;
  for (int c; (c = std::fgetc(file)) != EOF;) out.push_back(static_cast<char>(c));
  std::fclose(file);
  return out;
}

TEST(Belief, EachClassHasItsTypeAndEmptyValue) {
  CBelief plain("plain");
  CIntBelief port("port");
  CStringBelief name("name");
  CListBelief lookup("lookup");
  EXPECT_EQ(plain.get_type(), BELIEF_TYPE_NONE);
  EXPECT_EQ(port.get_type(), BELIEF_TYPE_INT);
  EXPECT_EQ(name.get_type(), BELIEF_TYPE_STRING);
  EXPECT_EQ(lookup.get_type(), BELIEF_TYPE_LIST);
  EXPECT_EQ(CIntBelief().get_type(), BELIEF_TYPE_INT);
  EXPECT_EQ(CStringBelief().get_type(), BELIEF_TYPE_STRING);
  EXPECT_EQ(CListBelief().get_type(), BELIEF_TYPE_LIST);
  EXPECT_STREQ(port.get_name(), "port");
  EXPECT_EQ(port.get_value(), 0);
  EXPECT_EQ(name.get_value(), nullptr);
  EXPECT_EQ(lookup.get_value(), nullptr);
  EXPECT_EQ(plain.get_volatility(), 0);
  plain.set_volatility(3);
  EXPECT_EQ(plain.get_volatility(), 3);
  EXPECT_EQ(plain.get_modifiers()->get_nr_elements(), 0);
}

TEST(Belief, StringValueIsACopyAndMayBeUnset) {
  CStringBelief belief("name");
  std::string text = "Win32Agent";
  belief.set_value(text.c_str());
  text = "changed";
  EXPECT_STREQ(belief.get_value(), "Win32Agent");
  belief.set_value(belief.get_value());  // its own text
  EXPECT_STREQ(belief.get_value(), "Win32Agent");
  belief.set_value(nullptr);
  EXPECT_EQ(belief.get_value(), nullptr);

  CIntBelief port("port");
  port.set_value(6678);
  EXPECT_EQ(port.get_value(), 6678);
}

TEST(Belief, ListBeliefOwnsOnlyTheListItHoldsLast) {
  auto* first = new CLList("first");
  auto* second = new CLList("second");
  second->add_element(new CListElement("entry"));
  {
    CListBelief belief("lookup");
    belief.set_value(first);
    belief.set_value(second);
    EXPECT_EQ(belief.get_value(), second);
  }
  // The first list was handed back, not deleted; the second went with the belief.
  EXPECT_STREQ(first->get_name(), "first");
  delete first;
}

// A module that lies in the communicator's list is only referred to by the
// modifiers: it stays linked where it is and outlives the belief.
TEST(Belief, ModifiersReferToModulesWithoutOwningThem) {
  CLList modules("lookup modules");
  auto* discovery = new CLookupModule;
  discovery->set_name("discovery");
  auto* ans = new CLookupModule;
  ans->set_name("ans");
  modules.add_element(discovery);
  modules.add_element(ans);
  {
    CIntBelief belief("port");
    belief.add_modifier(discovery);
    belief.add_modifier(nullptr);
    belief.add_modifier(ans);
    CLList* modifiers = belief.get_modifiers();
    ASSERT_EQ(modifiers->get_nr_elements(), 2);
    EXPECT_STREQ(modifiers->get_element(0)->get_name(), "discovery");
    EXPECT_EQ(modifiers->get_element(0)->get_content(), discovery);
    EXPECT_EQ(modifiers->get_element(1)->get_content(), ans);

    belief.remove_modifier(discovery);
    belief.remove_modifier(nullptr);
    belief.remove_modifier(discovery);  // no longer held
    ASSERT_EQ(modifiers->get_nr_elements(), 1);
    EXPECT_EQ(modifiers->get_element(0)->get_content(), ans);
  }
  ASSERT_EQ(modules.get_nr_elements(), 2);
  EXPECT_EQ(modules.get_element(0), discovery);
  EXPECT_EQ(modules.get_element(1), ans);
  EXPECT_EQ(discovery->get_next(), ans);
  EXPECT_EQ(ans->get_last(), discovery);
  EXPECT_EQ(discovery->get_parent(), &modules);
}

TEST(Belief, SaveNeverReadsTheContentAsText) {
  struct Payload {
    int not_text[4] = {-1, -1, -1, -1};
  } payload;
  CBelief named("speed");
  CBelief unnamed;
  EXPECT_EQ(saved(named), "(:speed ((null)))\n");
  EXPECT_EQ(saved(unnamed), "(:(null) ((null)))\n");
  named.set_content(&payload);
  EXPECT_EQ(saved(named), "(:speed)\n");

  CStringBelief string_belief("name");
  string_belief.set_value("x");
  EXPECT_EQ(saved(string_belief), "(:name ((null)))\n");

  EXPECT_EQ(named.save(nullptr), 0);
  EXPECT_EQ(named.load(nullptr), 0);
}

}  // namespace
