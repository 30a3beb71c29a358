#include "Credwick/belief.h"

#include "Credwick/lookupmodule.h"
#include "Toolwick/format.h"

void CBelief::add_modifier(CLookupModule* module) {
  if (module == nullptr) return;
  auto* link = new CListElement(module->get_name());
  link->set_content(module);
  modifiers_.add_element(link);
}

void CBelief::remove_modifier(CLookupModule* module) {
  if (module == nullptr) return;
  for (CListElement* e = modifiers_.get_element(0); e != nullptr; e = e->get_next()) {
    if (e->get_content() == module) {
      modifiers_.delete_element(e);
      return;
    }
  }
}

int CBelief::save(FILE* stream) {
  if (stream == nullptr) return 0;
  const char* name = shown_text(get_name());
  if (get_content() == nullptr) {
    std::fprintf(stream, "(:%s (%s))\n", name, "(null)");
  } else {
    std::fprintf(stream, "(:%s)\n", name);
  }
  return 0;
}

int CBelief::load(FILE* /*stream*/) { return 0; }

CListBelief::~CListBelief() { delete value_; }
