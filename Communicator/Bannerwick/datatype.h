// CDataType: one field of a category, kept as the list of its tokens.
#pragma once

#include <memory>

#include "Toolwick/llist.h"

class CDataType : public CListElement {
 public:
  CDataType();

  // Parses `text` (not changed) and appends one element named by each of
  // its tokens to the token list -- unless the first token is "cfield", when
  // nothing is stored. 0 for null or a text that does not parse, else 1.
  int from_string(char* text) override;
  // No text form: null.
  char* to_string() override { return nullptr; }

  // Owned by the data type; never null.
  CLList* get_tokens() const { return tokens_.get(); }

 private:
  std::unique_ptr<CLList> tokens_;
};
