// Beliefs: the agent's named, typed settings and facts, kept in a CBeliefDB
// and found there by name. A belief is a list element with a type and a
// value; callers cast it to the class that its type names.
#pragma once

#include <cstdio>

#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CLookupModule;

// Belief types (get_type); 3 is not used.
enum : int {
  BELIEF_TYPE_NONE = 0,
  BELIEF_TYPE_INT = 1,
  BELIEF_TYPE_STRING = 2,
  BELIEF_TYPE_LIST = 4,
};

class CBelief : public CListElement {
 public:
  CBelief() = default;
  explicit CBelief(const char* name) : CListElement(name) {}

  int get_type() const { return type_; }
  void set_volatility(int volatility) { volatility_ = volatility; }
  int get_volatility() const { return volatility_; }

  // The lookup modules that change this belief. The list holds one element
  // per module, named after it, whose content points to the module: the
  // modules themselves are not owned (they live in the communicator's list).
  // Null is ignored.
  void add_modifier(CLookupModule* module);
  // Drops the module's element; null or a module not held is ignored.
  void remove_modifier(CLookupModule* module);
  CLList* get_modifiers() { return &modifiers_; }

  // Writes "(:name (content))\n". The content is an untyped pointer, so it is
  // never read as text: an unset content is written as "(null)", a set one
  // leaves the line in its name form "(:name)\n". An unnamed belief writes
  // "(null)" as its name. Returns 0; a null stream writes nothing.
  int save(FILE* stream);
  // Reads nothing: 0.
  int load(FILE* stream);

 protected:
  CBelief(const char* name, int type) : CListElement(name), type_(type) {}

 private:
  int type_ = BELIEF_TYPE_NONE;
  int volatility_ = 0;
  CLList modifiers_;
};

class CIntBelief : public CBelief {
 public:
  CIntBelief() : CBelief(nullptr, BELIEF_TYPE_INT) {}
  explicit CIntBelief(const char* name) : CBelief(name, BELIEF_TYPE_INT) {}

  void set_value(int value) { value_ = value; }
  int get_value() const { return value_; }

 private:
  int value_ = 0;
};

class CStringBelief : public CBelief {
 public:
  CStringBelief() : CBelief(nullptr, BELIEF_TYPE_STRING) {}
  explicit CStringBelief(const char* name) : CBelief(name, BELIEF_TYPE_STRING) {}

  // Keeps a copy; null leaves the value unset.
  void set_value(const char* value) { value_.set(value); }
  // Owned by the belief; null when unset.
  char* get_value() const { return value_.get(); }

 private:
  HeapText value_;
};

class CListBelief : public CBelief {
 public:
  CListBelief() : CBelief(nullptr, BELIEF_TYPE_LIST) {}
  explicit CListBelief(const char* name) : CBelief(name, BELIEF_TYPE_LIST) {}
  // Deletes the list it holds, and so its elements.
  ~CListBelief() override;

  // Holds `list` from now on and deletes it with the belief. The list held
  // before is neither deleted nor released: its owner is the caller again.
  void set_value(CLList* list) { value_ = list; }
  CLList* get_value() const { return value_; }

 private:
  CLList* value_ = nullptr;
};
