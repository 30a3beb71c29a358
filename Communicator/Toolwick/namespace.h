// CNameSpace: a path of names, such as (content:command), that leads into
// nested messages; CParser::find_namespace walks it. Its elements are plain
// CListElements named by the path's names, head first.
#pragma once

#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CNameSpace : public CStack {
 public:
  CNameSpace() = default;
  void set_separator(char separator) { separator_ = separator; }

  // Appends a name at the tail (the stack's capacity does not apply); null is ignored.
  void add_name(const char* name);
  // Pops the tail name; the caller owns the copy. Unset when empty.
  HeapText remove_name();
  // Appends the names of "(a:b:c)" after those already held: outer
  // parentheses removed in place, split at the separator. 0 for null.
  int from_string(char* text) override;
  // "(a:b:c)" of the named elements, owned by the name space; null when empty.
  char* to_string() override;

 private:
  HeapText text_;
  char separator_ = ':';
};
