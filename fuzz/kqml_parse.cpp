// Fuzz target for the KQML parser: every query and walk on the parse of the
// input, re-parses of the parser's own results, and composing from them.
// Besides, it judges what the parser reads:
//  - parsable agrees with parse_message, and parses answers as it does;
//  - every text gives the entities of the parse written plainly, a byte at
//    a time, below (the parser scans blocks of bytes);
//  - a text that the small reader below takes for a message in KQML's own
//    syntax gives exactly that reader's entities, paired into tokens by the
//    keyword rule: strings with parentheses or escaped quotes come back whole;
//  - the message composed from the fields read from such a text re-parses
//    to the same performative, sender, receiver and content.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Talkwick/kqmlparser.h"
#include "Toolwick/token.h"

namespace {

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "kqml: %s\n", what);
  __builtin_trap();
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A reader of KQML's syntax, written apart from the parser: a message is
// '(' and ')' around items parted by whitespace, with only whitespace
// around it; an item is a word, a string ("...", a backslash taking the next
// character in) or a group (balanced parentheses, its strings closed).
class Reader {
 public:
  // The message's items, as written; nothing when `text` is no such message.
  static std::optional<std::vector<std::string>> message(std::string_view text) {
    Reader r{text};
    r.skip_spaces();
    if (!r.more() || r.s_[r.at_] != '(') return std::nullopt;
    ++r.at_;
    std::vector<std::string> items;
    for (;;) {
      r.skip_spaces();
      if (!r.more()) return std::nullopt;
      if (r.s_[r.at_] == ')') break;
      const size_t start = r.at_;
      if (!r.item()) return std::nullopt;
      items.emplace_back(text.substr(start, r.at_ - start));
      if (r.more() && !is_space(r.s_[r.at_]) && r.s_[r.at_] != ')') return std::nullopt;
    }
    ++r.at_;
    r.skip_spaces();
    if (r.more()) return std::nullopt;
    return items;
  }

 private:
  explicit Reader(std::string_view s) : s_(s) {}

  bool more() const { return at_ < s_.size(); }
  void skip_spaces() {
    while (more() && is_space(s_[at_])) ++at_;
  }
  bool item() {
    if (s_[at_] == '"') return string();
    if (s_[at_] == '(') return group();
    return word();
  }
  bool word() {
    const size_t start = at_;
    while (more() && !is_space(s_[at_]) && s_[at_] != '(' && s_[at_] != ')' && s_[at_] != '"' &&
           s_[at_] != '\x04') {
      ++at_;
    }
    return at_ > start;
  }
  bool string() {
    for (++at_; more(); ++at_) {
      if (s_[at_] == '\\') {
        ++at_;
        if (!more()) return false;
      } else if (s_[at_] == '"') {
        ++at_;
        return true;
      }
    }
    return false;
  }
  bool group() {
    size_t depth = 0;
    while (more()) {
      const char c = s_[at_];
      if (c == '"') {
        if (!string()) return false;
        continue;
      }
      ++at_;
      if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        return true;
      }
    }
    return false;
  }

  std::string_view s_;
  size_t at_ = 0;
};

// The parse, written plainly: the first '(' group (strings passed over; a
// string that never ends hides nothing) turned into blanks, then entities:
// strings (stored closed), groups (the character after one skipped), and
// words ended by a blank or 0x04. Nothing when the parse fails.
std::optional<std::vector<std::string>> plain_entities(std::string s) {
  constexpr size_t npos = std::string::npos;
  const size_t n = s.size();
  const auto string_end = [&](size_t open) {
    for (size_t i = open + 1; i < n; ++i) {
      if (s[i] == '\\') {
        ++i;
      } else if (s[i] == '"') {
        return i;
      }
    }
    return npos;
  };
  const auto group_end = [&](size_t open) {
    size_t depth = 0;
    bool strings = true;
    for (size_t i = open; i < n; ++i) {
      if (s[i] == '"' && strings) {
        const size_t end = string_end(i);
        if (end == npos) {
          strings = false;
        } else {
          i = end;
        }
      } else if (s[i] == '(') {
        ++depth;
      } else if (s[i] == ')' && --depth == 0) {
        return i;
      }
    }
    return npos;
  };
  for (char& c : s) c = is_space(c) ? ' ' : c;
  const size_t open = s.find('(');
  if (open == npos) return std::nullopt;
  const size_t close = group_end(open);
  if (close == npos) return std::nullopt;
  s[open] = s[close] = ' ';
  std::vector<std::string> entities;
  for (size_t i = 0; i < n;) {
    if (s[i] == ' ') {
      ++i;
    } else if (s[i] == '"') {
      const size_t end = string_end(i);
      entities.push_back(end == npos ? s.substr(i) + '"' : s.substr(i, end + 1 - i));
      i = end == npos ? n : end + 1;
    } else if (s[i] == '(') {
      const size_t end = group_end(i);
      entities.push_back(s.substr(i, end == npos ? npos : end + 1 - i));
      i = end == npos ? n : end + 2;
    } else {
      size_t end = i;
      while (end < n && s[end] != ' ' && s[end] != '\x04') ++end;
      entities.push_back(s.substr(i, end - i));
      i = end + 1;
    }
  }
  if (entities.empty()) return std::nullopt;
  return entities;
}

bool is_keyword(const std::string& entity) { return !entity.empty() && entity[0] == ':'; }

// The tokens of `entities` by the keyword rule, as "key=value" or "key".
std::vector<std::string> paired(const std::vector<std::string>& entities) {
  std::vector<std::string> tokens;
  for (size_t i = 0; i < entities.size(); ++i) {
    if (is_keyword(entities[i]) && i + 1 < entities.size() && !is_keyword(entities[i + 1])) {
      tokens.push_back(entities[i] + "=" + entities[i + 1]);
      ++i;
    } else {
      tokens.push_back(entities[i]);
    }
  }
  return tokens;
}

std::vector<std::string> entities_of(CKQMLParser& parser) {
  std::vector<std::string> out;
  for (CListElement* e = parser.get_entities()->get_element(0); e != nullptr; e = e->get_next()) {
    out.emplace_back(e->get_name());
  }
  return out;
}

std::vector<std::string> tokens_of(CKQMLParser& parser) {
  std::vector<std::string> out;
  for (CListElement* e = parser.get_tokens()->get_element(0); e != nullptr; e = e->get_next()) {
    const auto* token = static_cast<CToken*>(e);
    std::string text = token->get_token()->get_name();
    if (token->get_token_content() != nullptr) {
      text += "=" + std::string(token->get_token_content()->get_name());
    }
    out.push_back(text);
  }
  return out;
}

// Whether find_token(name) stops at a token whose text is `text`: its text
// from the second character on is the name or the name in upper case.
bool answers(const std::string& text, const std::string& name) {
  if (text.size() < 2) return false;
  std::string upper = name;
  for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  const std::string key = text.substr(1);
  return key == name || key == upper;
}

// Copies a result that the next call on `parser` would invalidate.
std::optional<std::string> keep(const char* text) {
  return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

// parsable is the parse's bracket check: they differ only on a text that
// holds nothing but its group's parentheses and whitespace.
void check_parsable(CKQMLParser& parser, const std::string& text) {
  const int parsable = parser.parsable(text.c_str());
  const int parsed = parser.parse_message(text.c_str());
  check(CKQMLParser::parses(text.c_str()) == (parsed == 1), "parses does not answer as the parse");
  check(parsed == 0 || parsable == 1, "a text that parses is not parsable");
  if (parsable == 1 && parsed == 0) {
    size_t marks = 0;
    for (const char c : text) marks += is_space(c) ? 0 : 1;
    check(marks == 2, "a parsable text with entities does not parse");
  }
}

void check_against_plain_parse(CKQMLParser& parser, const std::string& text) {
  const auto entities = plain_entities(text);
  const int parsed = parser.parse_message(text.c_str());
  check(parsed == (entities ? 1 : 0), "the parse does not succeed as the plain one does");
  if (parsed != 1) return;
  check(entities_of(parser) == *entities, "the entities are not the plain parse's");
  check(tokens_of(parser) == paired(*entities), "the tokens are not paired by the keyword rule");
}

void check_against_reader(CKQMLParser& parser, const std::string& text) {
  std::string seen = text;  // line breaks and tabs are read as blanks
  for (char& c : seen) c = is_space(c) ? ' ' : c;
  const auto items = Reader::message(seen);
  if (!items) return;
  const int parsed = parser.parse_message(text.c_str());
  check(parsed == (items->empty() ? 0 : 1), "a message is not parsed as the reader reads it");
  if (parsed != 1) return;
  check(entities_of(parser) == *items, "the entities are not the reader's items");
  check(tokens_of(parser) == paired(*items), "the tokens are not paired by the keyword rule");

  const auto performative = keep(parser.find_performative());
  if (!performative) return;
  const auto sender = keep(parser.find_sender());
  const auto receiver = keep(parser.find_receiver());
  const std::string content = keep(parser.find_content()).value_or("");
  // A reply-with is always given: a new identifier would run the UUID
  // generator, which keeps its state files in the working directory.
  const char* composed =
      parser.create_message(performative->c_str(), receiver ? receiver->c_str() : nullptr,
                            sender ? sender->c_str() : nullptr, "o", "l", "r", "", "", content.c_str());
  check(parser.parse_message(composed) == 1, "a composed message does not parse");
  // A field is looked up by every token's text from its second character
  // on: a performative such as "xsender" answers find_sender (no value).
  const auto field = [&](const char* name, std::optional<std::string> value) {
    return answers(*performative, name) ? std::nullopt : value;
  };
  check(keep(parser.find_performative()) == performative, "the performative changed");
  check(keep(parser.find_sender()) == field("sender", sender), "the sender changed");
  check(keep(parser.find_receiver()) == field("receiver", receiver), "the receiver changed");
  check(keep(parser.find_content()) == field("content", "( " + content + ")"),
        "the content changed");
}

void walk_everything(CKQMLParser& parser) {
  for (unsigned which : {0u, 1u}) {
    for (char* t = parser.listall_getfirst(which); t != nullptr; t = parser.listall_getnext(which)) {
    }
  }
  for (char* t = parser.listall_getfirst_token(); t != nullptr; t = parser.listall_getnext_token()) {
  }
  // The contents walk answers null for a token without a value, so it is
  // stepped once per token rather than until the first null.
  const int32_t count = parser.get_tokens() != nullptr ? parser.get_tokens()->get_nr_elements() : 0;
  parser.listall_getfirst_contents();
  for (int32_t i = 0; i < count; ++i) parser.listall_getnext_contents();
}

void query_everything(CKQMLParser& parser) {
  parser.find_performative();
  parser.find_sender();
  parser.find_receiver();
  parser.find_ontology();
  parser.find_language();
  parser.find_reply_with();
  parser.find_in_reply_to();
  parser.find_forward();
  parser.find_contents();
  parser.find_token("");
  parser.find_token("x");
  walk_everything(parser);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string text(input.c_str());  // up to the first NUL, as the parser reads it
  CKQMLParser parser;
  check_parsable(parser, text);
  check_against_plain_parse(parser, text);
  check_against_reader(parser, text);
  if (parser.parse_message(text.c_str()) != 1) return 0;
  query_everything(parser);

  // The first few token names, each looked up and its value re-parsed in place.
  std::vector<std::string> names;
  for (char* t = parser.listall_getfirst_token(); t != nullptr && names.size() < 4;
       t = parser.listall_getnext_token()) {
    if (t[0] != '\0') names.emplace_back(t + 1);
  }
  for (const std::string& name : names) {
    if (char* value = parser.find_token(name.c_str()); value != nullptr) {
      if (parser.parse_message(value) == 1) query_everything(parser);
    }
    parser.parse_message(text.c_str());
  }

  const std::string performative = keep(parser.find_performative()).value_or("");
  const std::string sender = keep(parser.find_sender()).value_or("");
  const std::string receiver = keep(parser.find_receiver()).value_or("");
  // Never empty: see check_against_reader.
  const std::string reply_with = "r" + keep(parser.find_reply_with()).value_or("");

  // The content parsed straight from the parser's own text.
  if (char* content = parser.find_content(); content != nullptr) {
    if (parser.parse_message(content) == 1) query_everything(parser);
  }

  parser.compose_message(performative.c_str(), receiver.c_str(), sender.c_str(), "", nullptr,
                         reply_with.c_str(), nullptr, "", static_cast<int>(size % 3));
  parser.create_message(performative.c_str(), receiver.c_str(), sender.c_str(), "o", "l",
                        reply_with.c_str(), "", "", parser.get_message());
  parser.compose_token(sender.c_str(), static_cast<int>(size));
  parser.compose_token(sender.c_str(), static_cast<float>(size) / 3.0f);
  parser.compose_token(parser.get_string(), performative.c_str());
  parser.set_message(parser.get_message());
  parser.set_string(parser.get_string());
  if (parser.parse_message(parser.get_message()) == 1) query_everything(parser);
  parser.queue_reset();
  query_everything(parser);
  parser.pre_exit();
  query_everything(parser);
  return 0;
}
