// Fuzzes reading advertisements and categories: each object reads the input
// twice (the second read replaces what the first made), then every field
// and list it holds is read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Bannerwick/advertisement.h"
#include "Bannerwick/category.h"
#include "Bannerwick/datatype.h"

namespace {

void read_names(CLList* list) {
  if (list == nullptr) return;
  for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
    e->get_name();
  }
}

void read_category(CCategory& category) {
  category.get_name();
  category.to_string();
  for (CLList* list : {category.get_fields(), category.get_attributes()}) {
    if (list == nullptr) continue;
    for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
      if (auto* data_type = dynamic_cast<CDataType*>(e)) read_names(data_type->get_tokens());
    }
  }
}

void read_url(const CURL* url) {
  if (url == nullptr) return;
  url->get_proto();
  url->get_subproto();
  url->get_host();
  url->get_port();
  url->get_webpage();
  url->get_cgi();
}

void read_advertisement(CGINAdvertisement& ad) {
  ad.get_name();
  ad.get_ad_type();
  ad.generate_query();
  ad.get_ontology();
  ad.get_querylanguage();
  ad.get_agentname();
  ad.get_contactperson();
  ad.get_email();
  ad.get_agentdescription();
  ad.get_samplequery();
  ad.get_lineage();
  ad.get_interface();
  ad.get_grid();
  read_url(ad.get_url());
  for (CLList* list :
       {ad.get_requiredfieldcategories(), ad.get_optionalfieldcategories(),
        ad.get_constraintfieldcategories(), ad.get_outputonlyfieldcategories(),
        ad.get_responseincludesfieldcategories(), ad.get_postconditions()}) {
    if (list == nullptr) continue;
    for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
      if (auto* category = dynamic_cast<CCategory*>(e)) read_category(*category);
    }
  }
  ad.to_string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  CGINAdvertisement ad;
  CCategory category;
  for (int round = 0; round < 2; ++round) {
    std::string copy = text;
    ad.from_string(copy.data());
    read_advertisement(ad);
    copy = text;
    category.from_string(copy.data());
    read_category(category);
  }
  return 0;
}
