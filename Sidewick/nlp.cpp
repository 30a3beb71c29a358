#include "Sidewick/nlp.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "Sidewick/nlptext.h"
#include "Toolwick/filebuffer.h"
#include "Toolwick/format.h"
#include "Toolwick/utils.h"

namespace {

bool enclosed(const char* name, char open, char close) {
  if (name == nullptr) return false;
  const std::string_view text(name);
  return text.size() >= 2 && text.front() == open && text.back() == close;
}

// The text between the first and the last character of an enclosed name.
std::string inside(const char* name) {
  const std::string_view text(name);
  return std::string(text.substr(1, text.size() - 2));
}

// Cuts `text` at its first ':'; the part after it, or null without one.
char* split_name(char* text) {
  char* colon = text != nullptr ? std::strchr(text, ':') : nullptr;
  if (colon == nullptr) return nullptr;
  *colon = '\0';
  return colon + 1;
}

// For every element of the list, in order (the next one is taken first, so
// the call may delete the element).
template <typename Call>
void for_each(CLList& list, Call call) {
  CListElement* next = nullptr;
  for (CListElement* e = list.get_element(0); e != nullptr; e = next) {
    next = e->get_next();
    call(e);
  }
}

}  // namespace

CNLP::~CNLP() {
  concepts_.delete_list();
  sentences_.delete_list();
  rules_.delete_list();
}

HeapText CNLP::parse_data(const char* text) {
  if (text == nullptr) return HeapText();
  std::string copy(text);
  for_each(sentences_, [](CListElement* e) { static_cast<CSentence*>(e)->set_weight(0); });
  return find_rule(pre_parse_data(copy.data()));
}

HeapText CNLP::find_rule(const char* text) {
  if (text == nullptr) return HeapText();
  if (CUtils().is_empty_space(text) != 0) {
    debug("<CNLP> String to be examined is empty, aborting process");
    return HeapText();
  }

  debug("<CNLP> applying presence filter...");
  for_each(sentences_, [text](CListElement* s) {
    auto* sentence = static_cast<CSentence*>(s);
    for_each(*sentence, [text, sentence](CListElement* e) {
      if (auto* keyword = static_cast<CKeyword*>(e->get_content())) {
        for (CListElement* word = keyword->get_element(0); word != nullptr;
             word = word->get_next()) {
          if (word->get_name() != nullptr && std::strstr(text, word->get_name()) != nullptr) {
            sentence->add_weight(2);
            break;
          }
        }
      } else if (e->get_name() != nullptr && std::strstr(text, e->get_name()) != nullptr) {
        sentence->add_weight(2);
      }
    });
  });
  debug("<CNLP> applying sequence filter ...");

  debug("<CNLP> sorting results ...");
  best_weight_ = 0;
  target_ = nullptr;
  CSentence* best = nullptr;
  for_each(sentences_, [this, &best](CListElement* e) {
    auto* sentence = static_cast<CSentence*>(e);
    if (sentence->get_weight() > best_weight_) {
      best_weight_ = sentence->get_weight();
      best = sentence;
      debug("<CNLP> - found a match");
    }
  });

  debug("<CNLP> matching results ...");
  for_each(rules_, [this](CListElement* r) {
    for_each(*static_cast<CRule*>(r), [this, r](CListElement* e) {
      auto* sentence = static_cast<CSentence*>(e->get_content());
      if (sentence != nullptr && sentence->get_weight() == best_weight_) {
        target_ = static_cast<CRule*>(r);
        debug("<CNLP> assigning target match and rule");
      }
    });
  });

  debug("<CNLP> creating query ...");
  HeapText query;
  if (best_weight_ > 0) {
    if (target_ != nullptr) {
      target_->set_logger(get_logger());
      query = target_->fire_rule(text, best);
    } else {
      debug("<CNLP> target rule is NULL, unable to create query");
    }
  }
  debug("<CNLP> recording results in core.txt ...");
  dump_core("core.txt", text, target_, best, query.get());
  debug("<CNLP> done !");
  return query;
}

int CNLP::load_rules(const char* path) {
  CFileBuffer file;
  if (file.load_a_file(path) == nullptr) {
    debug("<CNLP> Unable to open rule file");
    debug(path);
    return 0;
  }
  return read_rules(file);
}

int CNLP::read_rules(CFileBuffer& file) {
  const struct {
    const char* directive;
    void (CNLP::*handle)(char*);
  } directives[] = {
      {"include::", nullptr},          {"INCLUDE::", nullptr},
      {"concept::", &CNLP::add_keywords}, {"CONCEPT::", &CNLP::add_keywords},
      {"sentence::", &CNLP::add_sentence}, {"SENTENCE::", &CNLP::add_sentence},
      {"rule::", &CNLP::add_rule},       {"RULE::", &CNLP::add_rule},
  };
  for (char* line = file.read_line(); line != nullptr; line = file.read_line()) {
    if (std::strstr(line, "# ") != nullptr) continue;
    // A handler cuts the line; the later directives are looked for in what
    // is left of it, which still holds every directive found there.
    for (const auto& d : directives) {
      if (std::strstr(line, d.directive) == nullptr) continue;
      char* argument = line + std::strlen(d.directive);
      if (d.handle == nullptr) {
        load_include(&concepts_, argument);
      } else {
        (this->*d.handle)(argument);
      }
    }
  }
  dump_core("core-startup.txt", nullptr, nullptr, nullptr, nullptr);
  return 1;
}

int CNLP::load_include(CLList* list, const char* name) {
  if (list == nullptr || name == nullptr) return 0;
  const char* home = CUtils().get_home();
  const std::string path = str_format("%s/system/nlp/%s", shown_text(home), name);
  CFileBuffer file;
  if (home == nullptr || file.load_a_file(path.c_str()) == nullptr) {
    debug("<CNLP> Unable to open primary database!");
    debug(path.c_str());
    return 1;
  }
  // The name of "#define::concept::NAME" follows these many characters.
  constexpr size_t kNameOffset = sizeof "#define::concept::" - 1;
  CKeyword* current = nullptr;
  for (char* line = file.read_line(); line != nullptr; line = file.read_line()) {
    if (const char* define = std::strstr(line, "#define::")) {
      current = nullptr;
      if (std::strlen(define) <= kNameOffset) {
        debug("<CNLP> Concept definition without a name, its words are passed over");
        debug(line);
        continue;
      }
      current = new CKeyword(sidewick::upper(define + kNameOffset).c_str());
      list->add_element(current);
      continue;
    }
    const char* first = std::strstr(line, "::");
    const char* second = first != nullptr ? std::strstr(first + 2, "::") : nullptr;
    if (second != nullptr && current != nullptr) {
      current->add_element(new CListElement(sidewick::upper(second + 2).c_str()));
    }
  }
  return 1;
}

void CNLP::add_keywords(char* text) {
  char* words = split_name(text);
  if (words == nullptr) return;
  auto* keyword = new CKeyword(sidewick::upper(text).c_str());
  sidewick::add_upper_pieces(words, ',', keyword);
  concepts_.add_element(keyword);
}

void CNLP::add_sentence(char* text) {
  char* elements = split_name(text);
  if (elements == nullptr) return;
  auto* sentence = new CSentence(sidewick::upper(text).c_str());
  sidewick::add_upper_pieces(elements, '+', sentence);
  sentences_.add_element(sentence);
  for_each(*sentence, [this](CListElement* e) {
    if (!enclosed(e->get_name(), '<', '>')) return;
    if (CListElement* keyword = concepts_.find_element(inside(e->get_name()).c_str())) {
      e->set_content(keyword);
      e->set_name(nullptr);
    }
  });
}

void CNLP::add_rule(char* text) {
  char* elements = split_name(text);
  if (elements == nullptr) return;
  auto* rule = new CRule(text);
  CUtils().tokenize(elements, ',', rule);
  rules_.add_element(rule);
  for_each(*rule, [this, rule](CListElement* e) {
    if (e->get_content() == nullptr && enclosed(e->get_name(), '<', '>')) {
      const std::string name = sidewick::upper(inside(e->get_name()));
      if (CListElement* sentence = sentences_.find_element(name.c_str())) {
        e->set_content(sentence);
        e->set_name(nullptr);
      }
    } else if (enclosed(e->get_name(), '[', ']')) {
      rule->set_query_template(inside(e->get_name()).c_str());
      rule->delete_element(e);
    }
  });
}

char* CNLP::get_query_template() const {
  return target_ != nullptr ? target_->get_query_template() : nullptr;
}

char* CNLP::get_target() const { return target_ != nullptr ? target_->get_name() : nullptr; }

void CNLP::dump_core(const char* path, const char* text, CRule* rule, CSentence* sentence,
                     const char* query) {
  if (path == nullptr) return;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "w"), &std::fclose);
  if (file == nullptr) return;
  std::string out;
  const auto line = [&out](const std::string& text) { out += text + "\n"; };
  if (text != nullptr) {
    line("Sentence to be processed:--------------------------------------------");
    line(str_format(" %s", text));
  }
  line("");
  line("Engine insight:------------------------------------------------------");
  line(str_format(" Thresholds calulated, upper: [%d], lower: [0]", best_weight_));
  line(rule != nullptr ? str_format(" Firing rule: [%s]", shown_text(rule->get_name()))
                       : " No rule found");
  line(sentence != nullptr
           ? str_format(" Matching sentence: [%s]", shown_text(sentence->get_name()))
           : " No matching sentence found");
  line(query != nullptr ? str_format(" Query formed: [%s]", query) : " Unable to form query");
  for_each(sentences_, [this, &line](CListElement* e) {
    auto* s = static_cast<CSentence*>(e);
    line(str_format(" Sentence [%s] matches: [%d]%s", shown_text(s->get_name()), s->get_weight(),
                    s->get_weight() < best_weight_ ? "" : " <- Highest score"));
  });

  line("Concepts:------------------------------------------------------------");
  for_each(concepts_, [&line](CListElement* c) {
    line(c->get_name() != nullptr ? str_format(" Concept: [%s]", c->get_name())
                                  : " Concept: no content");
    for_each(*static_cast<CKeyword*>(c), [&line](CListElement* word) {
      line(word->get_name() != nullptr ? str_format("  Concept: %s", word->get_name())
                                       : "  Concept: no content");
    });
  });

  line("Sentences:-----------------------------------------------------------");
  for_each(sentences_, [&line](CListElement* e) {
    auto* s = static_cast<CSentence*>(e);
    line(str_format("Name :[%s], weight: [%d]", shown_text(s->get_name()), s->get_weight()));
    for_each(*s, [&line](CListElement* element) {
      if (auto* keyword = static_cast<CKeyword*>(element->get_content())) {
        line(str_format(" Sentence :<%s>,nr elements: [%d]", shown_text(keyword->get_name()),
                        keyword->get_nr_elements()));
      } else if (element->get_name() != nullptr) {
        line(str_format(" Sentence :[%s]", element->get_name()));
      } else {
        line(" Sentence :(null)");
      }
    });
  });

  line("Rules:---------------------------------------------------------------");
  for_each(rules_, [&line](CListElement* r) {
    auto* rule_element = static_cast<CRule*>(r);
    line(str_format("Name :[%s]", shown_text(rule_element->get_name())));
    for_each(*rule_element, [&line](CListElement* element) {
      line(str_format(" Sentence :[%s]", shown_text(element->get_name())));
      if (auto* referred = static_cast<CSentence*>(element->get_content())) {
        line(str_format("  Name :[%s]", shown_text(referred->get_name())));
      }
    });
    line(str_format(" query template:[%s]", shown_text(rule_element->get_query_template())));
  });
  std::fputs(out.c_str(), file.get());
}
