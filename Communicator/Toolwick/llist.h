// CLList: the framework's intrusive doubly linked list of CListElement, with
// a count and one walking cursor; and its variants CQueue, CStack, CHashTable.
//
// Ownership: a list owns its elements. delete_element, delete_list and the
// destructor destroy them; remove_element (and dequeue/pop) only unlink and
// hand the element back to the caller. A list is itself an element, so lists
// nest. Elements passed to delete/remove/swap/insert must belong to this list.
//
// A long list that is searched by name often (the service table) may keep
// an index of its elements by name beside it (index_names): find_element
// then costs the same whatever the length of the list, and gives the same
// element as the walk from the head.
#pragma once

#include <cstdint>
#include <memory>

#include "Toolwick/streambuffer.h"

class CLList : public CStreamBuffer {
 public:
  CLList();
  explicit CLList(const char* name);
  ~CLList() override;

  // "(list " + to_string() of every element + ")\n ", owned by the list.
  // Leaves the cursor at the head.
  char* to_string() override;
  // Reads nothing: 0.
  int from_string(char* text) override;
  // Links `e` right behind the element `index` steps from the head (so 0
  // puts it second); nothing when there is no such element or `e` is null.
  // Like the two below, it only links: the parent and the count stay.
  virtual void insert_element(CListElement* e, unsigned index);
  // Links `e` behind `at` (as the new tail when `at` is the tail).
  virtual void insert_element_after(CListElement* at, CListElement* e);
  // Links `e` before `at` (as the new head when `at` is the head).
  virtual void insert_element_before(CListElement* at, CListElement* e);

  // Appends `e` at the tail and makes the list its parent; returns `e`
  // (null is ignored and gives null).
  CListElement* add_element(CListElement* e);
  // The first element from the head named `name` (unnamed ones never match).
  CListElement* find_element(const char* name) const;

  // From now on keeps the name index: the list's own operations and
  // set_name on its elements keep it in step. Linking an element that is
  // not the list's child (insert_element* of a foreign element, whose
  // renames would go unseen) ends it; so does an element that is not the
  // list's child when this is called.
  void index_names();
  bool has_name_index() const { return names_ != nullptr; }
  // The element `index` steps from the head; null when out of range.
  CListElement* get_element(int index) const;

  // Cursor walk: get_first_element starts it; next/previous return null at
  // either end (or when no walk is on).
  CListElement* get_first_element();
  CListElement* get_next_element();
  CListElement* get_previous_element();
  CListElement* get_last_element() const { return last_; }
  int32_t get_nr_elements() const { return count_; }

  // Unlinks and destroys `e`; null is ignored.
  void delete_element(CListElement* e);
  // Unlinks `e`; the caller owns it. Its own links and parent stay as they were.
  void remove_element(CListElement* e);
  // Delete / remove the LAST element named `name`; nothing when none.
  void delete_element_by_name(const char* name);
  void remove_element_by_name(const char* name);
  // Moves `a` right behind `b`; clears the cursor.
  void swap(CListElement* a, CListElement* b);
  // Destroys every element; the list is empty.
  void delete_list();
  // Empties the list without destroying its elements, for elements that
  // something else owns (the records of a parser).
  void forget_elements();
  // add_element for a parser's records, plain elements and tokens, whose
  // set_next is the plain one: the same links, made without a call.
  void append_record(CListElement* e) {
    if (names_ != nullptr) {
      add_element(e);
      return;
    }
    e->next_ = nullptr;
    e->last_ = last_;
    e->parent_ = this;
    if (last_ != nullptr) {
      last_->next_ = e;
    } else {
      first_ = e;
    }
    last_ = e;
    ++count_;
  }
  // Cuts `text` in place at every `sep` and appends a plain element named by
  // each piece; a trailing empty piece is dropped.
  void tokenize(char* text, char sep);
  // Appends a dump of the elements to platform::kListDumpFile.
  void dump_list();

 private:
  struct NameIndex;
  // CListElement::set_name takes a renamed element out of the index and
  // puts it back.
  friend class CListElement;

  void unlink(CListElement* e);
  void link_after(CListElement* at, CListElement* e);
  void link_before(CListElement* at, CListElement* e);
  CListElement* find_last_named(const char* name) const;
  // The name index's part in adding and taking out an element.
  void index_element(CListElement* e);
  void unindex_element(CListElement* e);
  // A linked element that is not the list's child: the index must go.
  void index_linked(CListElement* e);
  void index_name(CListElement* e);
  void unindex_name(CListElement* e);
  void drop_name_index();

  std::unique_ptr<NameIndex> names_;
  CListElement* first_ = nullptr;
  CListElement* last_ = nullptr;
  CListElement* cursor_ = nullptr;
  int32_t count_ = 0;
};

// A list of bounded size that drops its oldest element when full.
class CQueue : public CLList {
 public:
  CQueue();
  void set_size(int32_t size) { size_ = size; }
  int32_t get_size() const { return size_; }
  // Appends `e`, destroying the head first when the queue is full. Returns 0.
  // Null is ignored.
  int enqueue(CListElement* e);
  // Unlinks the head and returns it (caller owns); null when empty.
  CListElement* dequeue();

 private:
  int32_t size_ = 100;
};

// A list of bounded size used from its tail. A stack of capacity N holds at
// most N - 1 elements.
class CStack : public CLList {
 public:
  CStack();
  void set_size(int32_t size) { size_ = size; }
  int32_t get_size() const { return size_; }
  // Appends `e` and returns 1; 0 when full or `e` is null.
  int push(CListElement* e);
  // Unlinks the tail and returns it (caller owns); null when empty.
  CListElement* pop();

 private:
  int32_t size_ = 100;
};

// A plain list with its own type code; it has no hashing.
class CHashTable : public CLList {
 public:
  CHashTable();
  explicit CHashTable(const char* name);
};
