// CListElement: a named, typed element of the framework's intrusive doubly
// linked lists (CLList). Nearly every data object is one, so that it can be
// chained, found by name and written to / read from a keyword text.
#pragma once

#include <cstdint>

#include "Toolwick/dna.h"

// Element type codes (get_btype).
enum : int32_t {
  BTYPE_ELEMENT = 0,
  BTYPE_TREE_ELEMENT = 1,
  BTYPE_LIST = 2,
  BTYPE_QUEUE = 3,
  BTYPE_STACK = 4,
  BTYPE_TREE = 5,
  BTYPE_TREE_LIST = 6,
  BTYPE_HASH_TABLE = 7,
  BTYPE_TOKEN = 8,
  BTYPE_PARAMETER = 9,
};

class CListElement : public CDNA {
 public:
  CListElement() = default;
  explicit CListElement(const char* name) : CDNA(name) {}
  // Frees the text and the name. It does not unlink the element: a list's
  // delete_element unlinks before it destroys.
  ~CListElement() override = default;

  // Keeps a copy of `name` (null unnames), and the name index of the list
  // that holds the element, if it keeps one, in step (CLList::index_names).
  void set_name(const char* name);

  virtual void set_next(CListElement* next) { next_ = next; }
  // The payload pointer; not owned by a plain element.
  virtual void set_content(void* content) { content_ = content; }
  // Reads the element from a keyword text; the default reads nothing (0).
  virtual int from_string(char* text);
  // "(i :n (%s) :t (string) :c (void))\n " with the name, owned by the
  // element until the next call; null for an unnamed element.
  virtual char* to_string();

  // Type code 0, no content, text, parent or links.
  void init();

  int32_t get_btype() const { return btype_; }
  CListElement* get_parent() const { return parent_; }
  void set_parent(CListElement* parent) { parent_ = parent; }
  CListElement* get_next() const { return next_; }
  CListElement* get_last() const { return last_; }  // the previous element
  void set_last(CListElement* last) { last_ = last; }
  void* get_content() const { return content_; }

 protected:
  void set_btype(int32_t btype) { btype_ = btype; }
  // The text buffer behind to_string, for subclasses that build their own form.
  HeapText& text_buffer() { return text_; }

 private:
  friend class CLList;
  int32_t btype_ = BTYPE_ELEMENT;
  bool keeps_name_index_ = false;  // a CLList that indexes its elements by name
  bool name_indexed_ = false;      // accounted for in its parent list's name index
  void* content_ = nullptr;
  HeapText text_;
  CListElement* parent_ = nullptr;
  CListElement* last_ = nullptr;
  CListElement* next_ = nullptr;
};
