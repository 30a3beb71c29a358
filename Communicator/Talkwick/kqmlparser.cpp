#include "Talkwick/kqmlparser.h"

#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#include "Toolwick/numbers.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Below this many tokens find_token walks them; from it on it builds an
// index, so that a caller looking up every token (or a long name-space
// path) costs linear time rather than quadratic.
constexpr int32_t kIndexedFrom = 16;

bool is_keyword(const char* text) { return text[0] == ':'; }

// The scans below read a text sixteen bytes at a time, as one Block: GCC
// and Clang turn the operations on it into vector instructions. The last
// block of a text is read only as far as the text goes, so that a scan may
// read a text where it lies (see parses); marks_of drops the bytes past it.
constexpr size_t kBlock = 16;
using Block = signed char __attribute__((vector_size(kBlock)));

Block block_at(const char* s, size_t at, size_t n) {
  Block block{};
  if (n - at >= kBlock) {
    std::memcpy(&block, s + at, kBlock);
  } else {
    std::memcpy(&block, s + at, n - at);
  }
  return block;
}

// The bytes where a comparison on the block at s[at] held, as bit k for
// byte k, for the bytes before n.
unsigned marks_of(Block held, size_t at, size_t n) {
#if defined(__SSE2__)
  const auto marks = static_cast<unsigned>(_mm_movemask_epi8(std::bit_cast<__m128i>(held)));
#else
  uint64_t half[2];
  std::memcpy(half, &held, kBlock);
  if constexpr (std::endian::native == std::endian::big) {
    half[0] = __builtin_bswap64(half[0]);
    half[1] = __builtin_bswap64(half[1]);
  }
  // Gathers the top bit of byte k of a word into bit 56 + k.
  constexpr uint64_t kTops = 0x8080808080808080ull;
  constexpr uint64_t kGather = 0x0002040810204081ull;
  const auto gather = [&](uint64_t word) {
    return static_cast<unsigned>(((word & kTops) * kGather) >> 56);
  };
  const unsigned marks = gather(half[0]) | gather(half[1]) << 8;
#endif
  return n - at >= kBlock ? marks : marks & ((1u << (n - at)) - 1);
}

// The first place at or after `i` that holds `a` or `b`; n when none does.
size_t find_either(const char* s, size_t i, size_t n, char a, char b) {
  for (; i < n; i += kBlock) {
    const Block block = block_at(s, i, n);
    const unsigned marks = marks_of((block == a) | (block == b), i, n);
    if (marks != 0) return i + static_cast<size_t>(std::countr_zero(marks));
  }
  return n;
}

// The '"' that closes the string opening at s[open]; n when the text ends
// first. A backslash takes the character after it into the string, as KQML
// writes a quote (or a backslash) inside one.
size_t string_end(const char* s, size_t open, size_t n) {
  for (size_t i = open + 1;; i += 2) {
    i = find_either(s, i, n, '"', '\\');
    if (i >= n) return n;
    if (s[i] == '"') return i;
  }
}

// The ')' that closes the '(' at s[from], by depth; n when the text ends
// first. Parentheses inside strings do not count. A string that never ends
// hides nothing: from its quote on, every parenthesis counts and quotes do
// not. Only the bytes that matter are visited.
size_t closing_parenthesis(const char* s, size_t from, size_t n) {
  int64_t depth = 0;
  bool strings = true;  // false once a string was found unended
  bool in_string = false;
  size_t open = 0;  // the quote of the string we are in, and the depth there
  int64_t open_depth = 0;
  size_t unescaped = from;  // a byte before this one was taken by a backslash
  for (size_t i = from; i < n;) {
    const Block block = block_at(s, i, n);
    // '(' and ')' differ only in their lowest bit.
    Block held = (block | 1) == ')';
    if (strings) held |= (block == '"') | (block == '\\');
    for (unsigned marks = marks_of(held, i, n); marks != 0; marks &= marks - 1) {
      const size_t at = i + static_cast<size_t>(std::countr_zero(marks));
      if (at < unescaped) continue;
      const char c = s[at];
      if (in_string) {
        if (c == '\\') {
          unescaped = at + 2;
        } else if (c == '"') {
          in_string = false;
        }
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth == 0) return at;
      } else if (c == '"') {
        in_string = true;
        open = at;
        open_depth = depth;
      }  // a backslash outside a string is a plain character
    }
    i += kBlock;
    if (i >= n && in_string) {
      // Count again from the unended string's quote on, quotes and
      // backslashes aside.
      strings = in_string = false;
      depth = open_depth;
      i = open + 1;
      unescaped = i;
    }
  }
  return n;
}

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether `key` is the upper-case form of `name` (ASCII, whatever the locale).
bool equals_upper(const char* key, const char* name) {
  for (; *name != '\0'; ++key, ++name) {
    if (*key != ascii_upper(*name)) return false;
  }
  return *key == '\0';
}

bool has_lower(const char* name) {
  for (; *name != '\0'; ++name) {
    if (*name >= 'a' && *name <= 'z') return true;
  }
  return false;
}

// The part of a token entity that names it: the text after its first
// character, null for entities shorter than two characters (they match no name).
const char* key_of(const CToken* token) {
  const char* text = token->get_token()->get_name();
  return text[0] != '\0' && text[1] != '\0' ? text + 1 : nullptr;
}

// FNV-1a of the text, upper-cased when asked.
uint32_t hash_of(const char* text, bool upper) {
  uint32_t hash = 2166136261u;
  for (; *text != '\0'; ++text) {
    hash ^= static_cast<unsigned char>(upper ? ascii_upper(*text) : *text);
    hash *= 16777619u;
  }
  return hash;
}

char* value_of(const CToken* token) {
  const CListElement* value = token != nullptr ? token->get_token_content() : nullptr;
  return value != nullptr ? value->get_name() : nullptr;
}

// The text a walk answers at `token`: its value entity or its token entity.
char* walk_answer(CListElement* token, bool value) {
  if (token == nullptr) return nullptr;
  const auto* pair = static_cast<CToken*>(token);
  CListElement* entity = value ? pair->get_token_content() : pair->get_token();
  return entity != nullptr ? entity->get_name() : nullptr;
}

char* walk_first(CLList* tokens, CListElement*& cursor, bool value) {
  cursor = tokens != nullptr ? tokens->get_element(0) : nullptr;
  return walk_answer(cursor, value);
}

char* walk_next(CListElement*& cursor, bool value) {
  if (cursor == nullptr) return nullptr;
  cursor = cursor->get_next();
  return walk_answer(cursor, value);
}

std::string_view or_filler(const char* field, const char* filler) {
  return field != nullptr && field[0] != '\0' ? field : filler;
}

}  // namespace

CKQMLParser::CKQMLParser() : CParserBase("VERANTA KQML Parser v2.00") {
  set_parser_type(PARSER_KQML);
  new_lists();
}

CKQMLParser::~CKQMLParser() { discard_lists(); }

void CKQMLParser::new_lists() {
  entities_ = &entity_list_;
  tokens_ = &token_list_;
}

void CKQMLParser::discard_lists() {
  // The cursors point into the token list, and the tokens into the entities.
  walk_cursor_ = token_cursor_ = contents_cursor_ = nullptr;
  token_list_.forget_elements();
  entity_list_.forget_elements();
  records_.clear();
  pending_keyword_ = nullptr;
  performative_ = nullptr;
  index_.clear();  // the storage stays for the next index
  tokens_ = nullptr;
  entities_ = nullptr;
}

void CKQMLParser::discard_parse() {
  discard_lists();
  message_.clear();
  token_text_.clear();
}

void CKQMLParser::pre_exit() {
  input_.clear();
  discard_parse();
}

void CKQMLParser::release_storage() {
  pre_exit();
  input_.release();
  message_.release();
  token_text_.release();
  records_.release();
  // An index for a few hundred tokens stays; it is made again on the next
  // parse that needs one.
  if (index_.capacity() > kIdleIndexSlots) std::vector<IndexSlot>().swap(index_);
}

void CKQMLParser::queue_reset() {
  discard_lists();
  new_lists();
}

bool CKQMLParser::prepare(const char* text) {
  if (text == nullptr || text[0] == '\0') return false;
  const size_t n = std::strlen(text);
  // Copied before the old parse goes: `text` may be one of its entities.
  // Behind the copy's NUL: room for the '"' and NUL that close an unclosed
  // string at the end, then for the quoted entities that cannot be ended in
  // place (each at least two bytes long, plus its NUL).
  char* s = input_.assign({std::string_view(text, n)}, 2 + n + n / 2 + 1);
  input_size_ = n;
  discard_parse();
  new_lists();
  for (size_t i = 0; i < n; ++i) {
    // Written whether changed or not, so that the loop vectorises.
    const char c = s[i];
    s[i] = c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
  }
  const char* open = static_cast<const char*>(std::memchr(s, '(', n));
  if (open == nullptr) return false;
  const size_t close = closing_parenthesis(s, static_cast<size_t>(open - s), n);
  if (close == n) return false;
  s[open - s] = ' ';
  s[close] = ' ';
  return true;
}

// Each entity is ended in place by a NUL over the delimiter that the split
// skips anyway; only a quoted entity followed directly by another character
// is copied out, into the room behind the copy.
void CKQMLParser::split_entities() {
  char* s = input_.get();
  const size_t n = input_size_;
  char* spill = s + n + 2;
  size_t i = 0;
  while (i < n) {
    if (s[i] == ' ') {
      ++i;
      continue;
    }
    char* entity = s + i;
    if (s[i] == '"') {
      // Always stored closed; an unclosed string runs to the end.
      const size_t close = string_end(s, i, n);
      if (close == n) {
        s[n] = '"';
        s[n + 1] = '\0';
        i = n;
      } else {
        const size_t end = close + 1;  // past the closing quote
        if (end == n) {
          i = n;
        } else if (s[end] == ' ') {
          s[end] = '\0';
          i = end + 1;
        } else {
          std::memcpy(spill, entity, end - i);
          spill[end - i] = '\0';
          entity = spill;
          spill += end - i + 1;
          i = end;
        }
      }
    } else if (s[i] == '(') {
      const size_t end = closing_parenthesis(s, i, n);
      // Keeps the ')'; the one character after it goes. Unbalanced: to the end.
      if (end < n) s[end + 1] = '\0';
      i = end + 2;
    } else {
      const size_t end = find_either(s, i, n, ' ', '\x04');
      s[end] = '\0';
      i = end + 1;
    }
    add_entity(entity);
  }
  if (pending_keyword_ != nullptr) add_token(pending_keyword_, nullptr);
  pending_keyword_ = nullptr;
}

// Pairs as the entities come: a keyword followed by an entity that is not a
// keyword makes one token with it; every other entity is a token of its own.
void CKQMLParser::add_entity(char* text) {
  auto* entity = records_.make<CListElement>();
  entity->view_name(text);
  entity_list_.append_record(entity);
  if (pending_keyword_ != nullptr) {
    CListElement* keyword = pending_keyword_;
    pending_keyword_ = nullptr;
    if (!is_keyword(text)) {
      add_token(keyword, entity);
      return;
    }
    add_token(keyword, nullptr);
  }
  if (is_keyword(text)) {
    pending_keyword_ = entity;
  } else {
    add_token(entity, nullptr);
  }
}

void CKQMLParser::add_token(CListElement* entity, CListElement* value) {
  auto* token = records_.make<CToken>();
  token->set_token(entity);
  token->set_token_content(value);
  token_list_.append_record(token);
  if (performative_ == nullptr && !is_keyword(entity->get_name())) {
    performative_ = entity->get_name();
  }
}

int CKQMLParser::parse_kqml_message(const char* text) {
  ++parse_count_;
  if (!prepare(text)) return 0;
  split_entities();
  if (entity_list_.get_nr_elements() == 0) {
    pre_exit();
    return 0;
  }
  return 1;
}

int CKQMLParser::parsable(const char* text) { return prepare(text) ? 1 : 0; }

bool CKQMLParser::parses(const char* text) {
  if (text == nullptr) return false;
  const size_t n = std::strlen(text);
  const char* open = static_cast<const char*>(std::memchr(text, '(', n));
  if (open == nullptr) return false;
  const auto from = static_cast<size_t>(open - text);
  const size_t close = closing_parenthesis(text, from, n);
  if (close == n) return false;
  // The parse blanks the group's own parentheses and the white space
  // (tab, CR and LF read as blanks); any other byte starts an entity.
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (i != from && i != close && c != ' ' && c != '\t' && c != '\n' && c != '\r') return true;
  }
  return false;
}

int CKQMLParser::parse_message(const char* text) { return parse_kqml_message(text); }

const CToken* CKQMLParser::scan_tokens(const char* name) const {
  // Most keys differ from the name in their first character already.
  const char first = name[0];
  const char upper_first = ascii_upper(first);
  for (const CListElement* e = token_list_.get_element(0); e != nullptr; e = e->get_next()) {
    const auto* token = static_cast<const CToken*>(e);
    const char* key = key_of(token);
    if (key == nullptr || (key[0] != first && key[0] != upper_first)) continue;
    if (std::strcmp(key, name) == 0 || equals_upper(key, name)) return token;
  }
  return nullptr;
}

void CKQMLParser::build_index() {
  // Open addressing over a power of two at least twice the token count.
  const size_t count = static_cast<size_t>(token_list_.get_nr_elements());
  size_t size = 32;
  while (size < 2 * count) size *= 2;
  index_.assign(size, IndexSlot{});
  uint32_t order = 0;
  for (const CListElement* e = token_list_.get_element(0); e != nullptr; e = e->get_next()) {
    const auto* token = static_cast<const CToken*>(e);
    const char* key = key_of(token);
    const uint32_t place = order++;
    if (key == nullptr) continue;
    const uint32_t hash = hash_of(key, false);
    for (size_t slot = hash & (size - 1);; slot = (slot + 1) & (size - 1)) {
      IndexSlot& at = index_[slot];
      if (at.token == nullptr) {
        at = IndexSlot{token, place, hash};
        break;
      }
      if (at.hash == hash && std::strcmp(key_of(at.token), key) == 0) break;  // the first one stays
    }
  }
}

const CToken* CKQMLParser::look_up(const char* name) {
  if (index_.empty()) build_index();
  const size_t mask = index_.size() - 1;
  // The first token named `name` or its upper-case form: both are looked
  // up, the earlier one wins.
  const IndexSlot* best = nullptr;
  for (const bool upper : {false, true}) {
    if (upper && !has_lower(name)) break;
    const uint32_t hash = hash_of(name, upper);
    for (size_t slot = hash & mask; index_[slot].token != nullptr; slot = (slot + 1) & mask) {
      const IndexSlot& at = index_[slot];
      if (at.hash != hash) continue;
      const char* key = key_of(at.token);
      if (upper ? equals_upper(key, name) : std::strcmp(key, name) == 0) {
        if (best == nullptr || at.order < best->order) best = &at;
        break;
      }
    }
  }
  return best != nullptr ? best->token : nullptr;
}

char* CKQMLParser::find_token(const char* name) {
  if (name == nullptr || tokens_ == nullptr) return nullptr;
  return value_of(token_list_.get_nr_elements() < kIndexedFrom ? scan_tokens(name) : look_up(name));
}

char* CKQMLParser::find_performative() { return tokens_ != nullptr ? performative_ : nullptr; }

char* CKQMLParser::find_sender() { return find_token("sender"); }
char* CKQMLParser::find_ontology() { return find_token("ontology"); }
char* CKQMLParser::find_language() { return find_token("language"); }
char* CKQMLParser::find_receiver() { return find_token("receiver"); }
char* CKQMLParser::find_reply_with() { return find_token("reply-with"); }
char* CKQMLParser::find_in_reply_to() { return find_token("in-reply-to"); }
char* CKQMLParser::find_contents() { return find_token("content"); }
char* CKQMLParser::find_content() { return find_token("content"); }
char* CKQMLParser::find_forward() { return find_token("forward-to"); }

char* CKQMLParser::listall_getfirst(unsigned which) {
  return walk_first(tokens_, walk_cursor_, which == 1);
}
char* CKQMLParser::listall_getnext(unsigned which) { return walk_next(walk_cursor_, which == 1); }
char* CKQMLParser::listall_getfirst_token() { return walk_first(tokens_, token_cursor_, false); }
char* CKQMLParser::listall_getnext_token() { return walk_next(token_cursor_, false); }
char* CKQMLParser::listall_getfirst_contents() {
  return walk_first(tokens_, contents_cursor_, true);
}
char* CKQMLParser::listall_getnext_contents() { return walk_next(contents_cursor_, true); }

char* CKQMLParser::get_empty_string(int style) { return style == 1 ? nil_filler_ : blank_filler_; }

char* CKQMLParser::compose_message(const char* performative, const char* receiver,
                                   const char* sender, const char* ontology, const char* language,
                                   const char* reply_with, const char* in_reply_to,
                                   const char* forward_to, int empty_style) {
  const char* filler = get_empty_string(empty_style);
  const char* reply = reply_with != nullptr && reply_with[0] != '\0'
                          ? reply_with
                          : reply_source_.create_reply_with();
  return message_.assign({"(", or_filler(performative, filler), " :sender ",
                          or_filler(sender, filler), " :receiver ", or_filler(receiver, filler),
                          " :ontology ", or_filler(ontology, filler), " :language ",
                          or_filler(language, filler), " :reply-with ", reply, " :in-reply-to ",
                          or_filler(in_reply_to, filler), " :forward-to ",
                          or_filler(forward_to, filler), " :content ( "});
}

char* CKQMLParser::create_message(const char* performative, const char* receiver,
                                  const char* sender, const char* ontology, const char* language,
                                  const char* reply_with, const char* in_reply_to,
                                  const char* forward_to, const char* content) {
  if (content == nullptr) return nullptr;
  // The header is built where an earlier composed message lies, which
  // `content` may be.
  std::string kept;
  if (message_.holds(content)) content = kept.assign(content).c_str();
  const char* header = compose_message(performative, receiver, sender, ontology, language,
                                       reply_with, in_reply_to, forward_to, 0);
  if (header == nullptr) return nullptr;
  return message_.assign({header, content, "))"});
}

char* CKQMLParser::compose_token(const char* name, float value) {
  if (name == nullptr) return nullptr;
  // "%f", whatever the process locale is.
  return token_text_.assign({":", name, " (", fixed_text(value, 6), ") "});
}

char* CKQMLParser::compose_token(const char* name, int value) {
  if (name == nullptr) return nullptr;
  return token_text_.assign({":", name, " (", std::to_string(value), ") "});
}

char* CKQMLParser::compose_token(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return nullptr;
  return token_text_.assign({":", name, " (", value, ") "});
}

void CKQMLParser::set_message(const char* message) {
  if (message != nullptr) message_.assign({message});
}

void CKQMLParser::set_string(const char* token) {
  if (token != nullptr) token_text_.assign({token});
}
