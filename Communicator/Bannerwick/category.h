// CCategory: a category of fields that a query to an advertised service may
// or must use, read from a text such as
//   (category :name place :fields (town country) :attributes (size))
// Its fields and attributes are lists of CDataType, owned by the category.
#pragma once

#include <memory>

#include "Toolwick/llist.h"

class CCategory : public CLList {
 public:
  CCategory() = default;
  ~CCategory() override;

  // Reads a "category" text (not changed), replacing the fields and
  // attributes lists; 1 when name, fields and attributes were all there. A
  // text headed by anything else names the category by the whole text and
  // gives 0; null or a text that does not parse gives 0.
  int from_string(char* text) override;
  // No text form: logs and returns null.
  char* to_string() override;

  // Owned by the category; null until a from_string read them.
  CLList* get_fields() const { return fields_.get(); }
  CLList* get_attributes() const { return attributes_.get(); }

 private:
  std::unique_ptr<CLList> fields_;
  std::unique_ptr<CLList> attributes_;
};
