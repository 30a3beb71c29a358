// The data of the keyword-rule language engine (CNLP):
//   CKeyword   a concept: a named set of words, one plain element a word;
//   CSentence  a sentence pattern: literal words (named elements) and
//              concept references (unnamed elements whose content is the
//              CKeyword, shared and not owned), with the weight it scored.
// Names and words are kept in upper case by the engine.
#pragma once

#include <cstdint>

#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CKeyword : public CLList {
 public:
  explicit CKeyword(const char* name) : CLList(name) {}

  // Keeps a copy; null changes nothing.
  void set_translation(const char* translation) {
    if (translation != nullptr) translation_.set(translation);
  }
  // The translation, or the concept's name when none is set.
  char* get_translation() const {
    return translation_.is_set() ? translation_.get() : get_name();
  }

 private:
  HeapText translation_;
};

class CSentence : public CLList {
 public:
  explicit CSentence(const char* name) : CLList(name) {}

  void set_weight(int weight) { weight_ = weight; }
  void add_weight(int weight) { weight_ += weight; }
  int get_weight() const { return weight_; }

 private:
  int32_t weight_ = 0;
};
