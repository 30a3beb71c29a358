// CNLPBase: the word-rule language engine, and the base of the keyword-rule
// engine CNLP. A word rule ("RED+CAR=red-car" in a rule file) gives its
// name when every one of its words occurs in the text; the first rule in
// file order that fires answers.
//
// Diagnostic lines go to the logger (not owned; it must outlive the engine).
// The engine owns its rules.
#pragma once

#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CFileBuffer;
class CLogFacility;

class CNLPBase {
 public:
  CNLPBase() = default;
  virtual ~CNLPBase() = default;
  CNLPBase(const CNLPBase&) = delete;
  CNLPBase& operator=(const CNLPBase&) = delete;

  // load_rules(path).
  virtual int Create(const char* path);
  // find_rule on the text as it is (callers pass upper case).
  virtual HeapText parse_data(const char* text);
  // A copy of the name of the first rule that fires for `text`; unset when
  // none does or the text is null.
  virtual HeapText find_rule(const char* text);
  // Appends one rule per line holding "=": named by what follows the first
  // "=", its words (upper-cased) what precedes it, split at "+". 1; 0 with a
  // log line when the file cannot be read.
  virtual int load_rules(const char* path);
  // Appends the rules of the lines of a loaded buffer, as load_rules does
  // from its file. 1.
  int read_word_rules(CFileBuffer& file);
  // In place: every printable ASCII punctuation character except '/', '='
  // and '|' becomes a blank. Null is ignored.
  virtual void filter_punctuation(char* text);
  // Creates or empties the file; writes nothing.
  virtual void dump_core(const char* path, CLList* list);

  void set_logger(CLogFacility* logger) { logger_ = logger; }
  CLogFacility* get_logger() const { return logger_; }
  // Hands the text to the logger as an internal event; nothing without a
  // logger or for a null text.
  void debug(const char* text);
  void set_version(int version) { version_ = version; }
  int get_version() const { return version_; }
  // In place: the text inside its outer parentheses and quotes, without
  // punctuation, in upper case; a pointer into `text`. Null gives null.
  char* pre_parse_data(char* text);

 private:
  CLList rules_;
  int version_ = 1;
  CLogFacility* logger_ = nullptr;
};
