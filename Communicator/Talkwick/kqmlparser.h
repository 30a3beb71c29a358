// CKQMLParser: reads a KQML message text into keyword/value tokens, answers
// queries on them, and composes message and keyword texts.
//
//   (tell :sender A :receiver B :content (hello world))
//
// Strings are read as KQML writes them: a parenthesis inside "..." belongs
// to the string, and a backslash takes the next character (\" or \\) into it;
// they are kept as written, escapes included (kqmlstring.h writes a text as
// a string and gives the text of one back).
//
// The parse keeps its own copy of the text; entities are list elements named
// by their text, tokens are CToken pairs pointing at them. Every text returned
// (queries, fillers, composed message and token) is owned by the parser and
// valid until its next parse or compose call or its destruction. Arguments may
// point into texts the parser itself returned.
//
// The copy, the entities and the tokens live in storage that the parser keeps
// from one parse to the next: an entity's name points into the copy, and the
// lists (get_entities, get_tokens) are the parser's own. Callers read and walk
// them; they never add, unlink or delete an element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Toolwick/elementpool.h"
#include "Toolwick/parserbase.h"
#include "Toolwick/textbuffer.h"
#include "Toolwick/token.h"
#include "Toolwick/utils.h"

class CKQMLParser : public CParserBase {
 public:
  // Named "VERANTA KQML Parser v2.00", parser type 1, with empty lists.
  CKQMLParser();
  ~CKQMLParser() override;

  // 1 when the text holds a balanced first '(' group, else 0. Discards the
  // previous parse and builds no tokens.
  int parsable(const char* text) override;
  // parse_kqml_message.
  int parse_message(const char* text) override;
  // Whether parse_message would succeed on `text`; reads it where it lies,
  // and no parser's storage, so that a check costs no parse records.
  static bool parses(const char* text);
  // The value of the first token whose entity, from its second character on,
  // is `name` or its upper-case form; null when missing or without a value.
  char* find_token(const char* name) override;
  // The first token entity that is not a keyword.
  char* find_performative() override;
  char* find_sender() override;
  char* find_ontology() override;
  char* find_language() override;
  char* find_receiver() override;
  char* find_reply_with() override;
  char* find_in_reply_to() override;
  char* find_contents() override;
  char* find_content() override;
  char* find_forward() override;
  // Walks the tokens: `which` 1 answers the value, anything else the token
  // entity; null at the end or where the chosen entity is missing.
  char* listall_getfirst(unsigned which) override;
  char* listall_getnext(unsigned which) override;
  // The same walk over the token entities, with a cursor of its own.
  char* listall_getfirst_token() override;
  char* listall_getnext_token() override;
  // The same walk over the value entities, with a cursor of its own.
  char* listall_getfirst_contents() override;
  char* listall_getnext_contents() override;
  // The message header up to ":content ( "; empty fields become
  // get_empty_string(empty_style), an empty reply_with a new identifier.
  char* compose_message(const char* performative, const char* receiver, const char* sender,
                        const char* ontology, const char* language, const char* reply_with,
                        const char* in_reply_to, const char* forward_to,
                        int empty_style) override;
  // The header (empty fields blank) + content + "))"; null for a null content.
  char* create_message(const char* performative, const char* receiver, const char* sender,
                       const char* ontology, const char* language, const char* reply_with,
                       const char* in_reply_to, const char* forward_to,
                       const char* content) override;
  // ":name (value) "; null when the name (or text value) is null.
  char* compose_token(const char* name, float value) override;
  char* compose_token(const char* name, int value) override;
  char* compose_token(const char* name, const char* value) override;

  // 1 on success, 0 on failure. A failed parse leaves no entities or tokens;
  // every parse discards the composed message and token.
  int parse_kqml_message(const char* text);
  // The parses run since construction (parse_message, parse_kqml_message;
  // a parsable check is none), so that a caller can see a text read once.
  uint64_t get_parse_count() const { return parse_count_; }
  // 1: "nil"; any other style: " ". Owned by the parser for its lifetime.
  char* get_empty_string(int style);
  // The composed message / token; the setters keep a copy and ignore null.
  void set_message(const char* message);
  char* get_message() const { return message_.get(); }
  void set_string(const char* token);
  char* get_string() const { return token_text_.get(); }
  // Discards the input copy, both lists, the composed message and token.
  void pre_exit();
  // pre_exit(), giving back what large texts left behind (copies, records,
  // the index), so that an idle parser holds little whatever it last read.
  void release_storage();
  // Replaces both lists by new empty ones.
  void queue_reset();

 private:
  // One slot of the index of token names behind find_token.
  struct IndexSlot {
    const CToken* token = nullptr;  // null: empty slot
    uint32_t order = 0;             // the token's place in the list
    uint32_t hash = 0;
  };

  // Steps shared by parsable and parse: copies the text, discards the last
  // parse and blanks out the first '(' group in the copy; false when the
  // text is empty or the group is missing or unbalanced.
  bool prepare(const char* text);
  void split_entities();
  // Appends an entity named by `text` (in the copy) and pairs it.
  void add_entity(char* text);
  void add_token(CListElement* entity, CListElement* value);
  // The parse, its lists (null afterwards), composed message and token.
  void discard_parse();
  void discard_lists();
  void new_lists();
  // find_token without an index: a walk over the tokens.
  const CToken* scan_tokens(const char* name) const;
  // find_token with the index, built on its first use after a parse.
  const CToken* look_up(const char* name);
  void build_index();

  TextBuffer input_;
  size_t input_size_ = 0;
  uint64_t parse_count_ = 0;
  ElementPool records_;
  CLList entity_list_;
  CLList token_list_;
  CListElement* pending_keyword_ = nullptr;  // while splitting: a keyword awaiting its value
  char* performative_ = nullptr;
  std::vector<IndexSlot> index_;  // empty until a parse's first find_token needs it
  static constexpr size_t kIdleIndexSlots = 1024;
  char nil_filler_[4] = "nil";
  char blank_filler_[2] = " ";
  TextBuffer message_;
  TextBuffer token_text_;
  CUtils reply_source_;
  CListElement* walk_cursor_ = nullptr;
  CListElement* token_cursor_ = nullptr;
  CListElement* contents_cursor_ = nullptr;
};
