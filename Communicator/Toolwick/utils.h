// CUtils: the string operations the framework applies to message texts, the
// framework home directory, directory listings, program start and the
// reply-with identifiers of outgoing messages.
//
// "In place" operations change the caller's text and return a pointer into
// it. Texts returned as HeapText belong to the caller; others to this object.
#pragma once

#include <memory>
#include <string>

#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CTreeList;

class CUtils {
 public:
  CUtils() = default;
  virtual ~CUtils() = default;
  CUtils(const CUtils&) = delete;
  CUtils& operator=(const CUtils&) = delete;

  // The environment variable "VERANTA"; null when unset.
  char* get_home();
  // The working directory in this object's buffer; null when it cannot be read.
  char* get_pwd();

  // 1 for null, "" or blanks only; else 0.
  int is_empty_space(const char* text);
  // In place: cuts at the last ')' and returns the part after the first '('
  // (the text itself without '('). Null for null. The variants do the same
  // with their own pair of characters.
  char* remove_brackets(char* text);
  char* remove_parenthesis(char* text);
  char* remove_angle_brackets(char* text);
  char* remove_square_brackets(char* text);
  char* remove_curly_brackets(char* text);
  // In place: drops one trailing '"' and returns the text after one leading '"'.
  char* remove_quotes(char* text);
  // A pointer past the leading blanks; null for null.
  char* remove_spaces(char* text);
  // In place: LF, CR and 0x04 become blanks; null is ignored.
  void clean(char* text);
  // In place: every CR becomes a blank.
  void unix2dos(char* text);
  // In place: blanks become '_' / '_' become blanks. Null for null.
  char* to_formatted(char* text);
  char* from_formatted(char* text);

  // Appends one plain element per piece of `text` split at `sep` to `list`;
  // a piece before a separator counts even when empty, the last piece only
  // when it is not. `text` is not changed; null text or list does nothing.
  void tokenize(const char* text, char sep, CLList* list);
  // The names of the list's named elements joined by `sep`; unset for a null list.
  HeapText tokenator(char sep, CLList* list);
  // Every named element's name in upper case; null is ignored.
  void cllist_uppr(CLList* list);
  // Cuts `text` in place at the first "<key>" and returns before + value +
  // after; unset when text or key is null or "<key>" does not occur. A null
  // value reads "".
  HeapText replace_keyword(char* text, const char* key, const char* value);

  // A new identifier "Dur32O{GUID}", owned by this object until the next call.
  char* create_reply_with();

  // The subdirectories of `path` (without "." and ".."), sorted by name; null
  // when `path` is null or the search finds nothing at all.
  std::unique_ptr<CLList> dir_list(const char* path);
  // The entries of `path` that are not directories and match `pattern`
  // ("*.*" matches every entry); null as for dir_list.
  std::unique_ptr<CLList> file_list(const char* path, const char* pattern);
  // Starts the program at `path` without waiting, with the arguments `path`
  // and "_execl". Null when it started (or `path` is null); otherwise a text
  // of the cause.
  const char* start_executable(const char* path);
  // Does nothing.
  void dump_data_list(char* text, CTreeList* list);

 private:
  std::unique_ptr<CLList> list_entries(const char* path, const char* pattern, bool directories);

  HeapText reply_with_;
  std::string pwd_;
  std::string start_error_;
};
