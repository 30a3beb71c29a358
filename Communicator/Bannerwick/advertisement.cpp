#include "Bannerwick/advertisement.h"

#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "Bannerwick/category.h"
#include "Lexwick/parser.h"
#include "Toolwick/utils.h"

namespace {

// The keywords of an advertisement, in the order they are read.
enum Keyword {
  kName,
  kOntology,
  kQueryLanguage,
  kAgentName,
  kContactPerson,
  kEmail,
  kAgentDescription,
  kSampleQuery,
  kLineage,
  kInterface,
  kPrimaryMatchmaker,
  kRequiredFieldCategories,
  kOptionalFieldCategories,
  kConstraintFieldCategories,
  kOutputonlyFieldCategories,
  kResponseIncludesFieldCategories,
  kPostConditions,
  kUrl,
  kKeywords
};

constexpr const char* kKeywordNames[kKeywords] = {
    "name",
    "ontology",
    "queryLanguage",
    "agentName",
    "contactPerson",
    "email",
    "agentDescription",
    "sampleQuery",
    "lineage",
    "interface",
    "PrimaryMatchmaker",
    "requiredFieldCategories",
    "optionalFieldCategories",
    "constraintFieldCategories",
    "outputonlyFieldCategories",
    "responseIncludesFieldCategories",
    "postConditions",
    "url",
};

}  // namespace

CGINAdvertisement::CGINAdvertisement() { set_ad_type(AD_TYPE_GIN); }

CGINAdvertisement::~CGINAdvertisement() {
  debug("<CGINAdvertisement> Processing '~CGINAdvertisement'");
}

void CGINAdvertisement::set_text(HeapText& field, const char* setter, const char* text) {
  debug("<CGINAdvertisement> Processing '%s'", setter);
  field.set(text);
}

void CGINAdvertisement::set_ontology(const char* text) { set_text(ontology_, "set_ontology", text); }

void CGINAdvertisement::set_querylanguage(const char* text) {
  set_text(querylanguage_, "set_querylanguage", text);
}

void CGINAdvertisement::set_agentname(const char* text) { set_text(agentname_, "set_agentname", text); }

void CGINAdvertisement::set_contactperson(const char* text) {
  set_text(contactperson_, "set_contactperson", text);
}

void CGINAdvertisement::set_email(const char* text) { set_text(email_, "set_email", text); }

void CGINAdvertisement::set_agentdescription(const char* text) {
  set_text(agentdescription_, "set_agentdescription", text);
}

void CGINAdvertisement::set_samplequery(const char* text) {
  set_text(samplequery_, "set_samplequery", text);
}

void CGINAdvertisement::set_lineage(const char* text) {
  debug("<CGINAdvertisement> Processing 'set_lineage'");
  if (text == nullptr) {
    debug("<CGINAdvertisement> No lineage specification found");
    return;
  }
  lineage_.set(text);
}

void CGINAdvertisement::set_url(const char* text) {
  debug("<CGINAdvertisement> Processing 'set_url'");
  if (text == nullptr) {
    url_.reset();
    return;
  }
  // Built before the old URL goes: `text` may be one of its texts.
  auto url = std::make_unique<CURL>();
  url->parse_url(text);
  url_ = std::move(url);
}

char* CGINAdvertisement::to_string() {
  debug("<CGINAdvertisement> Processing 'to_string'");
  return raw_.get();
}

int CGINAdvertisement::from_string(char* text) {
  debug("<CGINAdvertisement> Processing 'from_string'");
  if (text == nullptr) {
    debug("<CGINAdvertisement> No date given, can't process advertisement");
    return 0;
  }
  raw_.set(text);
  CParser parser;
  if (parser.parse_message(raw_.get()) != 1) {
    debug("<CGINAdvertisement> Unable to parse advertisement string, aborting");
    return 0;
  }

  // Copied out of the parser: the values are cut in place below.
  std::optional<std::string> values[kKeywords];
  for (int k = 0; k < kKeywords; ++k) {
    if (const char* value = parser.find_token(kKeywordNames[k])) values[k] = value;
  }
  CUtils utils;
  auto unquoted = [&](Keyword k) -> char* {
    return values[k] ? utils.remove_quotes(values[k]->data()) : nullptr;
  };
  // Written with '_' for blanks.
  auto formatted = [&](Keyword k) { return utils.from_formatted(unquoted(k)); };

  struct TextField {
    Keyword keyword;
    void (CGINAdvertisement::*setter)(const char*);
    bool formatted;
    const char* missing;
  };
  static constexpr TextField kTextFields[] = {
      {kName, &CGINAdvertisement::set_name, false, "<CGINAdvertisement> No advertisement name found"},
      {kOntology, &CGINAdvertisement::set_ontology, false, "<CGINAdvertisement> No ontology found"},
      {kQueryLanguage, &CGINAdvertisement::set_querylanguage, false,
       "<CGINAdvertisement> No query language found"},
      {kAgentName, &CGINAdvertisement::set_agentname, true, "<CGINAdvertisement> No agent name found"},
      {kContactPerson, &CGINAdvertisement::set_contactperson, true,
       "<CGINAdvertisement> No contact details found"},
      {kEmail, &CGINAdvertisement::set_email, true, "<CGINAdvertisement> No contact email found"},
      {kAgentDescription, &CGINAdvertisement::set_agentdescription, true,
       "<CGINAdvertisement> No agent description found"},
      {kSampleQuery, &CGINAdvertisement::set_samplequery, true,
       "<CGINAdvertisement> No sample query found"},
  };
  for (const TextField& field : kTextFields) {
    if (!values[field.keyword]) {
      debug("%s", field.missing);
      continue;
    }
    (this->*field.setter)(field.formatted ? formatted(field.keyword) : unquoted(field.keyword));
  }
  set_lineage(values[kLineage] ? formatted(kLineage) : "agent");

  if (const char* value = unquoted(kInterface)) {
    interface_ = (std::strcmp(value, "(yes)") == 0 || std::strcmp(value, "(YES)") == 0) ? 1 : 0;
  }

  if (const char* value = unquoted(kPrimaryMatchmaker)) {
    if (std::strcmp(value, "Grid") == 0 || std::strcmp(value, "GRID") == 0 ||
        std::strcmp(value, "grid") == 0) {
      debug("<CGINAdvertisement> Advertisement indicates a GRID agent");
      grid_ = 1;
    } else {
      debug("<CGINAdvertisement> Grid label found but contents does not contain grid label");
    }
  } else {
    debug("<CGINAdvertisement> No Grid information found");
  }

  CParser category_parser;
  for (int kind = 0; kind < kCategoryKinds; ++kind) {
    const char* value = unquoted(static_cast<Keyword>(kRequiredFieldCategories + kind));
    if (value == nullptr) continue;
    auto list = std::make_unique<CLList>();
    if (category_parser.parse_message(value) == 1) {
      for (const char* token = category_parser.listall_getfirst_token(); token != nullptr;
           token = category_parser.listall_getnext_token()) {
        if (std::strcmp(token, "listof") != 0) list->add_element(new CCategory);
      }
    }
    categories_[kind] = std::move(list);
  }

  if (values[kUrl]) set_url(unquoted(kUrl));
  return 1;
}
