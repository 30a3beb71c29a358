// CToken: one parsed keyword with its value. Both point into the parser's
// entity list and are not owned by the token; a token never outlives it.
#pragma once

#include "Toolwick/listelement.h"

class CToken : public CListElement {
 public:
  CToken() { set_btype(BTYPE_TOKEN); }
  explicit CToken(const char* name) : CListElement(name) { set_btype(BTYPE_TOKEN); }

  // The keyword entity (or a lone entity).
  void set_token(CListElement* token) { token_ = token; }
  CListElement* get_token() const { return token_; }
  // The value entity; null for a lone entity.
  void set_token_content(CListElement* content) { token_content_ = content; }
  CListElement* get_token_content() const { return token_content_; }

 private:
  CListElement* token_ = nullptr;
  CListElement* token_content_ = nullptr;
};
