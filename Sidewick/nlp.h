// CNLP: the keyword-rule language engine. It turns a sentence that a person
// typed into a query text:
//   1. a rule file declares concepts (named sets of words), sentences
//      (patterns of words and concepts) and rules (the sentences a rule
//      answers and the query template it fills);
//   2. the input is scored against every sentence (2 for every word or
//      concept of the sentence that occurs in it, a word also inside a
//      longer word);
//   3. the best sentence (the first of the highest score) picks the rule:
//      the last rule in file order that refers to any sentence of that
//      score;
//   4. the rule's template is filled with the input's words of the
//      template's concepts.
//
// Rule file lines (a line holding "# " is a comment; a directive opens its
// line, in lower or upper case):
//   include::colours.txt                     concepts from
//                                            $VERANTA/system/nlp/colours.txt
//   concept::VEHICLE:car,truck,van
//   sentence::FIND:where+<VEHICLE>
//   rule::locate:<FIND>,<WHERE>,[find <VEHICLE>]
// Include file lines: "#define::concept::NAME" starts a concept, and a line
// holding "::" twice adds the text after the second one as a word of it:
//   word::colour::red
//
// The engine writes its state to "core-startup.txt" after loading and to
// "core.txt" after each input, in the working directory. It owns its
// concepts, sentences and rules; diagnostic lines go to the logger.
#pragma once

#include "Sidewick/keyword.h"
#include "Sidewick/nlpbase.h"
#include "Sidewick/rule.h"

class CNLP : public CNLPBase {
 public:
  CNLP() = default;
  ~CNLP() override;

  // Resets every sentence's weight, prepares a copy of the text
  // (pre_parse_data) and runs find_rule on it. The query, owned by the
  // caller; unset for a null text or when none was formed.
  HeapText parse_data(const char* text) override;
  // Scores prepared text against the sentences (whose weights must be 0),
  // picks the sentence and the rule, fills the template and writes
  // "core.txt". Unset, with nothing written, for a null text or one of
  // blanks only.
  HeapText find_rule(const char* text) override;
  // Reads the rule file and writes "core-startup.txt". 1; 0 with a log line
  // when it cannot be read. Loading again adds to what is there.
  int load_rules(const char* path) override;
  // Reads the rules from the lines of a loaded buffer, as load_rules does
  // from its file, and writes "core-startup.txt". 1.
  int read_rules(CFileBuffer& file);

  // The handlers of the concept, sentence and rule lines, given what follows
  // the directive ("NAME:..."); they cut `text` in place. A text without
  // ':' adds nothing.
  void add_keywords(char* text);
  void add_sentence(char* text);
  void add_rule(char* text);

  // The template and the name of the rule that the last input picked;
  // null when none.
  char* get_query_template() const;
  char* get_target() const;

  using CNLPBase::dump_core;
  // Writes the engine's state to `path` (replaced): the input, the best
  // score, the rule, sentence and query picked, every sentence's score,
  // then the concepts, sentences and rules. Nothing when the file cannot be
  // opened.
  void dump_core(const char* path, const char* text, CRule* rule, CSentence* sentence,
                 const char* query);

 private:
  // Appends the concepts of the include file `name` to `list`; a file that
  // cannot be read is logged. 0 only for a null list or name.
  int load_include(CLList* list, const char* name);

  int best_weight_ = 0;
  CLList concepts_;
  CLList sentences_;
  CLList rules_;
  CRule* target_ = nullptr;
};
