#include "Sidewick/rule.h"

#include <cstdarg>
#include <cstring>
#include <string>

#include "Relaywick/logfacility.h"
#include "Sidewick/nlptext.h"
#include "Toolwick/format.h"
#include "Toolwick/utils.h"

char* CRuleBase::fire_rule(const char* text) {
  if (text == nullptr) return nullptr;
  for (CListElement* e = get_element(0); e != nullptr; e = e->get_next()) {
    if (e->get_name() != nullptr && std::strstr(text, e->get_name()) == nullptr) return nullptr;
  }
  return get_name();
}

char* CRuleBase::fire_rule(...) { return nullptr; }

void CRuleBase::debug(const char* fmt, ...) {
  if (fmt == nullptr || logger_ == nullptr) return;
  va_list args;
  va_start(args, fmt);
  const std::string line = str_vformat(fmt, args);
  va_end(args);
  logger_->process_message(line.c_str(), DIRECTION_INTERNAL);
}

CKeyword* CRule::find_content(const char* name, CSentence* sentence) {
  if (name == nullptr || sentence == nullptr) return nullptr;
  if (sentence->get_name() != nullptr) debug("%s", sentence->get_name());
  debug("<CRule> find_content ()");
  for (CListElement* e = sentence->get_element(0); e != nullptr; e = e->get_next()) {
    auto* keyword = static_cast<CKeyword*>(e->get_content());
    if (e->get_name() == nullptr && keyword != nullptr && keyword->get_name() != nullptr &&
        std::strcmp(keyword->get_name(), name) == 0) {
      return keyword;
    }
  }
  return nullptr;
}

void CRule::set_query_template(const char* text) {
  if (text == nullptr) return;
  std::string kept = text;
  for (size_t open = kept.find('<'); open != std::string::npos; open = kept.find('<', open + 1)) {
    const size_t close = kept.find('>', open + 1);
    if (close == std::string::npos) break;
    for (size_t i = open + 1; i < close; ++i) kept[i] = sidewick::upper(kept[i]);
    open = close;
  }
  template_.assign(kept);
}

HeapText CRule::fire_rule(const char* text, CSentence* sentence) {
  if (text == nullptr) {
    debug("<CRule> string is NULL");
    return HeapText();
  }
  if (sentence == nullptr) {
    debug("<CRule> Sentence is NULL");
    return HeapText();
  }
  HeapText query = template_;
  const std::string scan = template_.is_set() ? template_.get() : "";
  for (size_t open = scan.find('<'); open != std::string::npos; open = scan.find('<', open)) {
    const size_t close = scan.find('>', open + 1);
    if (close == std::string::npos) {
      debug("<CRule> No concept boundaries found <> during query assembling");
      break;
    }
    const std::string name = sidewick::upper(scan.substr(open + 1, close - open - 1));
    open = close + 1;
    CKeyword* keyword = find_content(name.c_str(), sentence);
    if (keyword == nullptr) {
      debug("<CRule> No concept found during query assembling");
      continue;
    }
    debug("<CRule> Found keyword, searching ...");
    const char* best = nullptr;
    for (CListElement* word = keyword->get_element(0); word != nullptr; word = word->get_next()) {
      const char* candidate = word->get_name();
      if (candidate == nullptr || std::strstr(text, candidate) == nullptr) continue;
      if (best == nullptr || std::strlen(candidate) > std::strlen(best)) best = candidate;
    }
    if (best != nullptr) {
      HeapText filled = CUtils().replace_keyword(query.get(), name.c_str(), best);
      if (filled.is_set()) query = std::move(filled);
    }
  }
  if (query.is_set()) {
    debug("<CRule> returning_query ...");
    debug("%s", query.get());
  } else {
    debug("<CRule> query is null !");
  }
  return query;
}
