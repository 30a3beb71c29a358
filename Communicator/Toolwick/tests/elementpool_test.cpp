#include "Toolwick/elementpool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Toolwick/llist.h"

namespace {

// Counts the elements alive, so that clear() can be seen to destroy each once.
struct Counted : CListElement {
  explicit Counted(int* alive) : alive(alive) { ++*alive; }
  ~Counted() override { --*alive; }
  int* alive;
};

// Enough elements to fill several chunks: none moves while later ones are
// built, and each is destroyed exactly once by clear().
TEST(ElementPool, ElementsStayPutUntilClear) {
  int alive = 0;
  ElementPool pool;
  for (int round = 0; round < 3; ++round) {
    const int count = round == 1 ? 7 : 1000;  // a small round between large ones
    std::vector<Counted*> made;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
      names.push_back("e" + std::to_string(i));
      made.push_back(pool.make<Counted>(&alive));
      made.back()->set_name(names.back().c_str());
    }
    EXPECT_EQ(alive, count);
    for (int i = 0; i < count; ++i) EXPECT_STREQ(made[i]->get_name(), names[i].c_str()) << i;
    pool.clear();
    EXPECT_EQ(alive, 0);
  }
}

TEST(ElementPool, BuildsEachKindOfRecord) {
  ElementPool pool;
  CLList list;
  char entity[] = "tell";
  char value[] = "A";
  auto* plain = pool.make<CListElement>();
  plain->view_name(entity);
  auto* token = pool.make<CToken>();
  token->set_token(plain);
  auto* field = pool.make<CParameter>("Host");
  field->view_value(value);
  for (CListElement* e : {static_cast<CListElement*>(plain), static_cast<CListElement*>(token),
                          static_cast<CListElement*>(field)}) {
    list.add_element(e);
  }
  EXPECT_EQ(list.get_nr_elements(), 3);
  EXPECT_EQ(token->get_btype(), BTYPE_TOKEN);
  EXPECT_EQ(token->get_token(), plain);
  EXPECT_STREQ(field->to_string(), ":Host (A)");
  EXPECT_EQ(field->get_content(), value);
  list.forget_elements();
  pool.clear();
}

// A record is built over whatever the one before it left in its slot: each
// kind must still start with nothing set.
TEST(ElementPool, ARecordInAReusedSlotStartsEmpty) {
  ElementPool pool;
  CLList list;
  char text[] = "left over";
  auto* plain = pool.make<CListElement>("plain");
  auto* token = pool.make<CToken>("token");
  auto* field = pool.make<CParameter>("field");
  plain->set_content(text);
  token->set_token(plain);
  token->set_token_content(plain);
  field->view_value(text);
  for (CListElement* e :
       {plain, static_cast<CListElement*>(token), static_cast<CListElement*>(field)}) {
    list.add_element(e);
  }
  list.forget_elements();
  pool.clear();

  // Each kind lands in a slot that held another kind.
  auto* new_field = pool.make<CParameter>();
  auto* new_plain = pool.make<CListElement>();
  auto* new_token = pool.make<CToken>();
  ASSERT_EQ(static_cast<void*>(new_field), static_cast<void*>(plain));
  ASSERT_EQ(static_cast<void*>(new_plain), static_cast<void*>(token));
  ASSERT_EQ(static_cast<void*>(new_token), static_cast<void*>(field));
  for (const CListElement* e : {static_cast<CListElement*>(new_field), new_plain,
                                static_cast<CListElement*>(new_token)}) {
    EXPECT_EQ(e->get_name(), nullptr);
    EXPECT_EQ(e->get_content(), nullptr);
    EXPECT_EQ(e->get_parent(), nullptr);
    EXPECT_EQ(e->get_next(), nullptr);
    EXPECT_EQ(e->get_last(), nullptr);
    EXPECT_EQ(e->get_file_pointer(), nullptr);
  }
  EXPECT_EQ(new_plain->get_btype(), BTYPE_ELEMENT);
  EXPECT_EQ(new_token->get_btype(), BTYPE_TOKEN);
  EXPECT_EQ(new_token->get_token(), nullptr);
  EXPECT_EQ(new_token->get_token_content(), nullptr);
  EXPECT_EQ(new_field->get_btype(), BTYPE_PARAMETER);
  EXPECT_EQ(new_field->get_value(), nullptr);
  pool.clear();
}

}  // namespace
