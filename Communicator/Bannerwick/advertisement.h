// Service advertisements: the keyword text in which an agent describes the
// service it offers -- name, ontology, query language, the agent and its
// contact, a sample query, a lineage, the categories of fields a query may or
// must use, and a URL.
//
//   (advertise :name "weather" :ontology geo :queryLanguage sql
//              :agentName "met_office" :lineage "agent_of_record"
//              :interface (yes) :PrimaryMatchmaker grid
//              :requiredFieldCategories (listof place time) :url http://h:80/)
#pragma once

#include <memory>

#include "Toolwick/heaptext.h"
#include "Toolwick/listelement.h"
#include "Toolwick/llist.h"
#include "Toolwick/url.h"

// Advertisement types (get_ad_type).
enum : int {
  AD_TYPE_NONE = 0,
  AD_TYPE_GIN = 1,
};

class CAdvertisementBase : public CListElement {
 public:
  CAdvertisementBase() = default;

  // A query text for the advertised service; the base has none (null).
  virtual char* generate_query() { return nullptr; }

  void set_ad_type(int type) { ad_type_ = type; }
  int get_ad_type() const { return ad_type_; }

 private:
  int ad_type_ = AD_TYPE_NONE;
};

// An advertisement read from its keyword text. Its element name is the
// advertisement's name. Every text, list and the URL is owned by the
// advertisement; getters return them for as long as the field is not
// replaced (by its setter or by from_string).
class CGINAdvertisement : public CAdvertisementBase {
 public:
  // Lineage "agent", flags 0, nothing else set.
  CGINAdvertisement();
  ~CGINAdvertisement() override;

  // Reads the advertisement from `text` (not changed), keeping a copy of it
  // as the raw text. Keywords that are missing leave their fields as they
  // were, except that a missing lineage becomes "agent". 1 when the text
  // parsed; 0 for null or a text that does not parse.
  int from_string(char* text) override;
  // The raw text of the last from_string, owned; null before any.
  char* to_string() override;

  // Each keeps a copy (null leaves the field unset).
  void set_ontology(const char* text);
  void set_querylanguage(const char* text);
  void set_agentname(const char* text);
  void set_contactperson(const char* text);
  void set_email(const char* text);
  void set_agentdescription(const char* text);
  void set_samplequery(const char* text);
  // Keeps a copy; null keeps the old lineage.
  void set_lineage(const char* text);
  // Replaces the URL by one parsed from `text`; null leaves none.
  void set_url(const char* text);
  void set_interface(int value) { interface_ = value; }
  void set_grid(int value) { grid_ = value; }

  char* get_ontology() const { return ontology_.get(); }
  char* get_querylanguage() const { return querylanguage_.get(); }
  char* get_agentname() const { return agentname_.get(); }
  char* get_contactperson() const { return contactperson_.get(); }
  char* get_email() const { return email_.get(); }
  char* get_agentdescription() const { return agentdescription_.get(); }
  char* get_samplequery() const { return samplequery_.get(); }
  char* get_lineage() const { return lineage_.get(); }
  int get_interface() const { return interface_; }
  int get_grid() const { return grid_; }
  CURL* get_url() const { return url_.get(); }
  // Lists of CCategory; null until a from_string text held the keyword.
  CLList* get_requiredfieldcategories() const { return categories_[kRequired].get(); }
  CLList* get_optionalfieldcategories() const { return categories_[kOptional].get(); }
  CLList* get_constraintfieldcategories() const { return categories_[kConstraint].get(); }
  CLList* get_outputonlyfieldcategories() const { return categories_[kOutputOnly].get(); }
  CLList* get_responseincludesfieldcategories() const {
    return categories_[kResponseIncludes].get();
  }
  CLList* get_postconditions() const { return categories_[kPostconditions].get(); }

 private:
  enum CategoryKind {
    kRequired,
    kOptional,
    kConstraint,
    kOutputOnly,
    kResponseIncludes,
    kPostconditions,
    kCategoryKinds
  };

  // Logs "Processing '<setter>'" and keeps a copy of `text` in `field`.
  void set_text(HeapText& field, const char* setter, const char* text);

  HeapText ontology_;
  HeapText querylanguage_;
  HeapText agentname_;
  HeapText contactperson_;
  HeapText email_;
  HeapText agentdescription_;
  HeapText samplequery_;
  HeapText lineage_{"agent"};
  int interface_ = 0;
  int grid_ = 0;
  std::unique_ptr<CLList> categories_[kCategoryKinds];
  std::unique_ptr<CURL> url_;
  HeapText raw_;
};
