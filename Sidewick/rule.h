// The rules of the language engines:
//   CRuleBase  a word rule of CNLPBase: its elements are words, and it fires
//              (gives its own name) for a text that holds every one.
//   CRule      a sentence rule of CNLP: its elements refer to the sentences
//              it answers (unnamed elements whose content is the CSentence,
//              shared and not owned); its query template names concepts in
//              angle brackets, "SELECT * WHERE colour = <COLOUR>", which
//              fire_rule fills with words of the input.
// Diagnostic lines go to the logger (not owned; it must outlive the rule).
#pragma once

#include "Sidewick/keyword.h"
#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CLogFacility;

class CRuleBase : public CLList {
 public:
  explicit CRuleBase(const char* name) : CLList(name) {}

  // The rule's name (owned by the rule) when every named element occurs in
  // `text` (a rule without words fires for every text); else null. Null
  // text gives null.
  virtual char* fire_rule(const char* text);
  // For subclasses that fire on arguments of their own; the base fires
  // nothing: null.
  virtual char* fire_rule(...);

  void set_logger(CLogFacility* logger) { logger_ = logger; }
  // Hands the formatted line to the logger as an internal event; nothing
  // without a logger or for a null format.
  void debug(const char* fmt, ...) override TW_PRINTF(2, 3);

 private:
  CLogFacility* logger_ = nullptr;
};

class CRule : public CRuleBase {
 public:
  explicit CRule(const char* name) : CRuleBase(name) {}

  using CRuleBase::fire_rule;
  // The template with each placeholder whose concept `sentence` refers to
  // replaced by the longest of the concept's words that occurs in `text`
  // (the first listed among equally long ones); placeholders without a
  // concept or a word stay. A new text owned by the caller; unset for a
  // null text or sentence, or without a template.
  HeapText fire_rule(const char* text, CSentence* sentence);
  // The first concept that `sentence` refers to whose name is `name`; null
  // when none or either argument is null.
  CKeyword* find_content(const char* name, CSentence* sentence);

  // Keeps a copy with every name between '<' and the next '>' in upper
  // case; null is ignored.
  void set_query_template(const char* text);
  char* get_query_template() const { return template_.get(); }

 private:
  HeapText template_;
};
