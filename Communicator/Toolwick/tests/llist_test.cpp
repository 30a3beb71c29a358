#include "Toolwick/llist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/paths.h"
#include "testsupport/tempdir.h"

namespace {

// Names of the list from head to tail, walking the links (not the cursor).
std::vector<std::string> names(const CLList& list) {
  std::vector<std::string> out;
  for (CListElement* e = list.get_element(0); e != nullptr; e = e->get_next()) {
    out.push_back(e->get_name() != nullptr ? e->get_name() : "(null)");
  }
  return out;
}

// Checks that the previous links mirror the next links.
void expect_consistent(const CLList& list) {
  CListElement* prev = nullptr;
  for (CListElement* e = list.get_element(0); e != nullptr; e = e->get_next()) {
    EXPECT_EQ(e->get_last(), prev);
    prev = e;
  }
  EXPECT_EQ(list.get_last_element(), prev);
}

// Counts destructions so that ownership rules can be checked.
struct Counted : CListElement {
  explicit Counted(const char* name, int* deaths) : CListElement(name), deaths(deaths) {}
  ~Counted() override { ++*deaths; }
  int* deaths;
};

CLList* make_list(std::initializer_list<const char*> items) {
  auto* list = new CLList("l");
  for (const char* n : items) list->add_element(new CListElement(n));
  return list;
}

TEST(ListElement, DefaultsAndTextForm) {
  CListElement plain;
  EXPECT_EQ(plain.get_btype(), BTYPE_ELEMENT);
  EXPECT_EQ(plain.to_string(), nullptr);
  EXPECT_EQ(plain.from_string(nullptr), 0);
  CListElement named("x");
  EXPECT_STREQ(named.to_string(), "(i :n (x) :t (string) :c (void))\n ");
  named.set_name(named.get_name());  // its own value
  EXPECT_STREQ(named.get_name(), "x");
  named.set_name(nullptr);
  EXPECT_EQ(named.get_name(), nullptr);
}

TEST(LList, AddFindAndIndex) {
  CLList list;
  EXPECT_EQ(list.get_btype(), BTYPE_LIST);
  EXPECT_EQ(list.add_element(nullptr), nullptr);
  auto* a = list.add_element(new CListElement("a"));
  list.add_element(new CListElement());  // unnamed
  auto* b = list.add_element(new CListElement("b"));
  EXPECT_EQ(list.get_nr_elements(), 3);
  EXPECT_EQ(a->get_parent(), &list);
  EXPECT_EQ(list.find_element("b"), b);
  EXPECT_EQ(list.find_element("c"), nullptr);
  EXPECT_EQ(list.find_element(nullptr), nullptr);
  EXPECT_EQ(list.get_element(0), a);
  EXPECT_EQ(list.get_element(2), b);
  EXPECT_EQ(list.get_element(3), nullptr);
  EXPECT_EQ(list.get_element(-1), nullptr);
  expect_consistent(list);
}

TEST(LList, CursorWalk) {
  std::unique_ptr<CLList> list(make_list({"a", "b"}));
  EXPECT_EQ(list->get_next_element(), nullptr);  // no walk started
  EXPECT_STREQ(list->get_first_element()->get_name(), "a");
  EXPECT_STREQ(list->get_next_element()->get_name(), "b");
  EXPECT_STREQ(list->get_previous_element()->get_name(), "a");
  EXPECT_EQ(list->get_previous_element(), nullptr);
  EXPECT_EQ(list->get_next_element(), nullptr);
}

TEST(LList, DeleteAndRemove) {
  int deaths = 0;
  CLList list;
  auto* a = list.add_element(new Counted("a", &deaths));
  auto* b = list.add_element(new Counted("b", &deaths));
  auto* c = list.add_element(new Counted("c", &deaths));
  list.delete_element(nullptr);
  list.delete_element(b);  // inside
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(names(list), (std::vector<std::string>{"a", "c"}));
  expect_consistent(list);
  list.remove_element(a);  // head, the caller owns it now
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(names(list), std::vector<std::string>{"c"});
  delete a;
  list.delete_element(c);  // the only one
  EXPECT_EQ(list.get_element(0), nullptr);
  EXPECT_EQ(list.get_last_element(), nullptr);
  EXPECT_EQ(list.get_nr_elements(), 0);
  EXPECT_EQ(deaths, 3);
}

TEST(LList, DeletingTheElementUnderTheCursorEndsTheWalk) {
  std::unique_ptr<CLList> list(make_list({"a", "b", "c"}));
  list->get_first_element();
  CListElement* b = list->get_next_element();
  list->delete_element(b);
  EXPECT_EQ(list->get_next_element(), nullptr);
  CListElement* a = list->get_first_element();
  list->remove_element(a);
  EXPECT_EQ(list->get_previous_element(), nullptr);
  delete a;
}

TEST(LList, ByNameActsOnTheLastMatch) {
  int deaths = 0;
  CLList list;
  auto* first_x = list.add_element(new Counted("x", &deaths));
  list.add_element(new Counted(nullptr, &deaths));
  list.add_element(new Counted("x", &deaths));
  list.delete_element_by_name("x");
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(list.find_element("x"), first_x);
  list.delete_element_by_name("y");
  list.delete_element_by_name(nullptr);
  EXPECT_EQ(list.get_nr_elements(), 2);
  list.remove_element_by_name("x");
  EXPECT_EQ(list.get_nr_elements(), 1);
  EXPECT_EQ(deaths, 1);
  delete first_x;
}

TEST(LList, SwapMovesBehind) {
  std::unique_ptr<CLList> list(make_list({"a", "b", "c"}));
  list->get_first_element();
  list->swap(list->find_element("a"), list->find_element("c"));
  EXPECT_EQ(names(*list), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(list->get_next_element(), nullptr);  // cursor cleared
  list->swap(list->find_element("a"), list->find_element("b"));
  EXPECT_EQ(names(*list), (std::vector<std::string>{"b", "a", "c"}));
  list->swap(list->find_element("a"), nullptr);
  list->swap(list->find_element("a"), list->find_element("a"));
  EXPECT_EQ(names(*list), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(list->get_nr_elements(), 3);
  expect_consistent(*list);
}

TEST(LList, InsertOnlyLinks) {
  std::unique_ptr<CLList> list(make_list({"a", "b"}));
  auto* e = new CListElement("e");
  list->insert_element(e, 0);
  EXPECT_EQ(names(*list), (std::vector<std::string>{"a", "e", "b"}));
  EXPECT_EQ(list->get_nr_elements(), 2);
  EXPECT_EQ(e->get_parent(), nullptr);

  auto* tail = new CListElement("t");
  list->insert_element_after(list->get_last_element(), tail);
  auto* head = new CListElement("h");
  list->insert_element_before(list->get_element(0), head);
  EXPECT_EQ(names(*list), (std::vector<std::string>{"h", "a", "e", "b", "t"}));
  expect_consistent(*list);

  auto* stray = new CListElement("s");
  list->insert_element(stray, 9);  // past the end: nothing
  list->insert_element(nullptr, 0);
  list->insert_element_after(nullptr, stray);
  list->insert_element_before(list->get_element(0), nullptr);
  EXPECT_EQ(names(*list), (std::vector<std::string>{"h", "a", "e", "b", "t"}));
  delete stray;
}

TEST(LList, DeleteListAndDestructorOwnEverything) {
  int deaths = 0;
  {
    CLList outer;
    auto* inner = new CLList("inner");
    inner->add_element(new Counted("deep", &deaths));
    outer.add_element(inner);
    outer.add_element(new Counted("top", &deaths));
    outer.delete_list();
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(outer.get_nr_elements(), 0);
    outer.add_element(new Counted("again", &deaths));
  }
  EXPECT_EQ(deaths, 3);
}

// The elements belong to someone else: the list lets go of them, and
// neither it nor its destructor destroys them.
TEST(LList, ForgetElementsLeavesThemToTheirOwner) {
  int deaths = 0;
  Counted a("a", &deaths);
  Counted b("b", &deaths);
  {
    CLList list;
    list.add_element(&a);
    list.add_element(&b);
    list.get_first_element();
    list.forget_elements();
    EXPECT_EQ(list.get_nr_elements(), 0);
    EXPECT_EQ(list.get_element(0), nullptr);
    EXPECT_EQ(list.get_last_element(), nullptr);
    EXPECT_EQ(list.get_next_element(), nullptr);  // the walk ended too
    list.add_element(new Counted("owned", &deaths));
    EXPECT_EQ(names(list), std::vector<std::string>{"owned"});
  }
  EXPECT_EQ(deaths, 1);
}

// An indexed list forgets its elements from the index too: renamed by their
// owner later, they are not found, and names given again are.
TEST(LList, ForgetElementsEmptiesTheNameIndex) {
  CListElement kept("a");
  CLList list;
  list.index_names();
  list.add_element(&kept);
  list.forget_elements();
  EXPECT_EQ(list.find_element("a"), nullptr);
  kept.set_name("b");
  EXPECT_EQ(list.find_element("b"), nullptr);
  CListElement* again = list.add_element(new CListElement("a"));
  EXPECT_EQ(list.find_element("a"), again);
}

// A record appended without calls is linked exactly as add_element links
// it, in an indexed list too, where it must be found by name.
TEST(LList, AppendRecordLinksAsAddElement) {
  for (const bool indexed : {false, true}) {
    SCOPED_TRACE(indexed);
    CListElement records[3];
    CLList list;
    if (indexed) list.index_names();
    const char* texts[] = {"a", "b", "a"};
    for (int i = 0; i < 3; ++i) {
      records[i].set_name(texts[i]);
      list.append_record(&records[i]);
    }
    EXPECT_EQ(list.get_nr_elements(), 3);
    EXPECT_EQ(names(list), (std::vector<std::string>{"a", "b", "a"}));
    expect_consistent(list);
    for (const CListElement& e : records) EXPECT_EQ(e.get_parent(), &list);
    EXPECT_EQ(records[2].get_next(), nullptr);
    EXPECT_EQ(list.find_element("a"), &records[0]);
    EXPECT_EQ(list.find_element("b"), &records[1]);
    list.forget_elements();
  }
}

TEST(LList, Tokenize) {
  struct Case {
    std::string text;
    char sep;
    std::vector<std::string> pieces;
  };
  for (const Case& c : std::vector<Case>{{"a::b:", ':', {"a", "", "b"}},
                                         {"", ':', {}},
                                         {":", ':', {""}},
                                         {"abc", ':', {"abc"}},
                                         {"a,b", '\0', {"a,b"}}}) {
    CLList list;
    std::string text = c.text;
    list.tokenize(text.data(), c.sep);
    EXPECT_EQ(names(list), c.pieces) << c.text;
  }
  std::string cut = "a::b:";
  CLList list;
  list.tokenize(cut.data(), ':');
  EXPECT_EQ(cut[1], '\0');
  EXPECT_EQ(cut[2], '\0');
  list.tokenize(nullptr, ':');
  EXPECT_EQ(list.get_nr_elements(), 3);
}

TEST(LList, TextForms) {
  CLList empty;
  EXPECT_STREQ(empty.to_string(), "(list )\n ");
  EXPECT_EQ(empty.from_string(nullptr), 0);
  std::unique_ptr<CLList> list(make_list({"a"}));
  list->add_element(new CListElement());  // adds nothing
  list->add_element(make_list({"b"}));
  EXPECT_STREQ(list->to_string(),
               "(list (i :n (a) :t (string) :c (void))\n (list (i :n (b) :t (string) :c (void))\n "
               ")\n )\n ");
  const std::string once = list->to_string();
  EXPECT_EQ(list->to_string(), once);  // rebuilt, not appended
}

TEST(LList, TextFormLeavesTheCursorAtTheHead) {
  std::unique_ptr<CLList> list(make_list({"a", "b", "c"}));
  list->get_first_element();
  list->get_next_element();
  list->to_string();
  const CListElement* next = list->get_next_element();
  ASSERT_NE(next, nullptr);
  EXPECT_STREQ(next->get_name(), "b");

  CLList empty;
  empty.to_string();
  EXPECT_EQ(empty.get_next_element(), nullptr);
}

TEST(LList, DumpListAppends) {
  testsupport::TempDir dir;
  CLList list;
  int value = 1;
  list.add_element(new CListElement("a"))->set_content(&value);
  list.add_element(new CListElement());
  list.dump_list();
  list.dump_list();
  const std::string rule(53, '-');
  const std::string once = rule + "\ntoken name: a\ncontent: is not NULL\ntoken name: (null)\n" +
                           "content: is NULL\n" + rule + "\n";
  EXPECT_EQ(testsupport::TempDir::read(platform::kListDumpFile), once + once);
}

TEST(Queue, DropsItsOldestWhenFull) {
  int deaths = 0;
  CQueue queue;
  EXPECT_EQ(queue.get_btype(), BTYPE_QUEUE);
  EXPECT_EQ(queue.get_size(), 100);
  queue.set_size(3);
  for (const char* n : {"1", "2", "3"}) queue.enqueue(new Counted(n, &deaths));
  EXPECT_EQ(queue.enqueue(nullptr), 0);  // a full queue keeps its head
  EXPECT_EQ(deaths, 0);
  EXPECT_EQ(queue.enqueue(new Counted("4", &deaths)), 0);
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(names(queue), (std::vector<std::string>{"2", "3", "4"}));
  CListElement* head = queue.dequeue();
  EXPECT_STREQ(head->get_name(), "2");
  delete head;
  queue.delete_list();
  EXPECT_EQ(queue.dequeue(), nullptr);
}

TEST(Stack, CapacityNHoldsNMinusOne) {
  CStack stack;
  EXPECT_EQ(stack.get_btype(), BTYPE_STACK);
  stack.set_size(3);
  EXPECT_EQ(stack.push(nullptr), 0);
  EXPECT_EQ(stack.push(new CListElement("a")), 1);
  EXPECT_EQ(stack.push(new CListElement("b")), 1);
  auto* refused = new CListElement("c");
  EXPECT_EQ(stack.push(refused), 0);
  delete refused;
  CListElement* top = stack.pop();
  EXPECT_STREQ(top->get_name(), "b");
  delete top;
  delete stack.pop();
  EXPECT_EQ(stack.pop(), nullptr);
}

TEST(HashTable, IsAPlainListWithItsCode) {
  CHashTable table("t");
  EXPECT_EQ(table.get_btype(), BTYPE_HASH_TABLE);
  EXPECT_STREQ(table.get_name(), "t");
}

}  // namespace
