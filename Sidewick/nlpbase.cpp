#include "Sidewick/nlpbase.h"

#include <cstdio>
#include <cstring>

#include "Relaywick/logfacility.h"
#include "Sidewick/nlptext.h"
#include "Sidewick/rule.h"
#include "Toolwick/filebuffer.h"
#include "Toolwick/utils.h"

int CNLPBase::Create(const char* path) { return load_rules(path); }

HeapText CNLPBase::parse_data(const char* text) { return find_rule(text); }

HeapText CNLPBase::find_rule(const char* text) {
  if (text == nullptr) return HeapText();
  for (CListElement* e = rules_.get_element(0); e != nullptr; e = e->get_next()) {
    if (const char* name = static_cast<CRuleBase*>(e)->fire_rule(text)) return HeapText(name);
  }
  return HeapText();
}

int CNLPBase::load_rules(const char* path) {
  CFileBuffer file;
  if (file.load_a_file(path) == nullptr) {
    debug("<CNLPBase> Unable to open rule file");
    debug(path);
    return 0;
  }
  return read_word_rules(file);
}

int CNLPBase::read_word_rules(CFileBuffer& file) {
  for (char* line = file.read_line(); line != nullptr; line = file.read_line()) {
    char* equals = std::strchr(line, '=');
    if (equals == nullptr) continue;
    *equals = '\0';
    auto* rule = new CRuleBase(equals + 1);
    sidewick::add_upper_pieces(line, '+', rule);
    rules_.add_element(rule);
  }
  return 1;
}

void CNLPBase::filter_punctuation(char* text) {
  for (; text != nullptr && *text != '\0'; ++text) {
    const unsigned char c = static_cast<unsigned char>(*text);
    const bool punctuation = (c >= 0x21 && c <= 0x2E) || (c >= 0x3A && c <= 0x3C) ||
                             (c >= 0x3E && c <= 0x40) || (c >= 0x5B && c <= 0x60) || c == 0x7B ||
                             c == 0x7D || c == 0x7E;
    if (punctuation) *text = ' ';
  }
}

void CNLPBase::dump_core(const char* path, CLList* /*list*/) {
  if (path == nullptr) return;
  if (FILE* file = std::fopen(path, "w")) std::fclose(file);
}

void CNLPBase::debug(const char* text) {
  if (text != nullptr && logger_ != nullptr) logger_->process_message(text, DIRECTION_INTERNAL);
}

char* CNLPBase::pre_parse_data(char* text) {
  if (text == nullptr) return nullptr;
  CUtils utils;
  text = utils.remove_brackets(text);
  text = utils.remove_quotes(text);
  filter_punctuation(text);
  sidewick::upper_in_place(text);
  return text;
}
