// Fuzzes reading advertisements and categories: each object reads the input
// twice (the second read replaces what the first made), then every field
// and list it holds is read back. Neither writes its keyword form back, so
// the oracle is that reading does not depend on what was read before: after
// the second read an object holds what a fresh one holds after one, and the
// advertisement's text is the input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Bannerwick/advertisement.h"
#include "Bannerwick/category.h"
#include "Bannerwick/datatype.h"
#include "oracle.h"

namespace {

// Everything an object holds, as one text: each value in brackets, "-" for
// a null one.
class Description {
 public:
  Description& operator<<(const char* text) {
    text_ += text != nullptr ? "[" + std::string(text) + "]" : "-";
    return *this;
  }
  Description& operator<<(int value) { return *this << std::to_string(value).c_str(); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

void describe_names(Description& out, CLList* list) {
  if (list == nullptr) {
    out << "no list";
    return;
  }
  for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
    out << e->get_name();
  }
}

void describe_category(Description& out, CCategory& category) {
  out << category.get_name();
  category.to_string();
  for (CLList* list : {category.get_fields(), category.get_attributes()}) {
    if (list == nullptr) {
      out << "no list";
      continue;
    }
    for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
      out << e->get_name();
      if (auto* data_type = dynamic_cast<CDataType*>(e)) describe_names(out, data_type->get_tokens());
    }
  }
}

void describe_url(Description& out, const CURL* url) {
  if (url == nullptr) {
    out << "no url";
    return;
  }
  out << url->get_proto() << url->get_subproto() << url->get_host() << url->get_port()
      << url->get_webpage() << url->get_cgi();
}

std::string describe(CGINAdvertisement& ad) {
  Description out;
  out << ad.get_name() << ad.get_ad_type() << ad.get_ontology() << ad.get_querylanguage()
      << ad.get_agentname() << ad.get_contactperson() << ad.get_email()
      << ad.get_agentdescription() << ad.get_samplequery() << ad.get_lineage()
      << ad.get_interface() << ad.get_grid();
  ad.generate_query();
  describe_url(out, ad.get_url());
  for (CLList* list :
       {ad.get_requiredfieldcategories(), ad.get_optionalfieldcategories(),
        ad.get_constraintfieldcategories(), ad.get_outputonlyfieldcategories(),
        ad.get_responseincludesfieldcategories(), ad.get_postconditions()}) {
    if (list == nullptr) {
      out << "no list";
      continue;
    }
    for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
      if (auto* category = dynamic_cast<CCategory*>(e)) describe_category(out, *category);
    }
  }
  return out.text();
}

std::string describe(CCategory& category) {
  Description out;
  describe_category(out, category);
  return out.text();
}

// The object after reading `text` `rounds` times.
template <typename Object>
std::string read(const std::string& text, int rounds) {
  Object object;
  for (int round = 0; round < rounds; ++round) {
    std::string copy = text;
    object.from_string(copy.data());
  }
  return describe(object);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(read<CGINAdvertisement>(text, 2) == read<CGINAdvertisement>(text, 1));
  FUZZ_CHECK(read<CCategory>(text, 2) == read<CCategory>(text, 1));

  CGINAdvertisement ad;
  std::string copy = text;
  ad.from_string(copy.data());
  FUZZ_CHECK(ad.to_string() != nullptr && ad.to_string() == std::string(text.c_str()));
  return 0;
}
