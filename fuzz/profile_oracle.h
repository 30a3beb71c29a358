// The oracle of the two profile targets: a profile written in either form
// reads back into a new profile holding the parameters that the form
// carries, in the order the form writes them, and that profile writes the
// same text again.
#pragma once

#include <string>
#include <vector>

#include "Sidewick/eperson.h"
#include "oracle.h"

namespace profile_oracle {

// A parameter as the forms carry it: integers as their decimal text when
// the form has no types.
struct Parameter {
  std::string name;
  int type;
  std::string value;
  std::vector<std::string> items;
  int visibility;
  int usage;
  bool operator==(const Parameter&) const = default;
};

inline std::string text_of(const char* text) { return text != nullptr ? text : ""; }

inline Parameter view(CParameterBase* p, bool typed) {
  Parameter out{text_of(p->get_name()), p->get_type(), "", {}, p->get_visibility(),
                p->get_usage()};
  if (auto* i = dynamic_cast<CIntParameter*>(p)) {
    out.value = std::to_string(i->get_parameter());
    if (!typed) out.type = PARAMETER_CHAR;
  } else if (auto* c = dynamic_cast<CCharParameter*>(p)) {
    out.value = text_of(c->get_parameter());
  } else if (auto* l = dynamic_cast<CListParameter*>(p)) {
    for (CListElement* e = l->get_parameter()->get_element(0); e != nullptr; e = e->get_next()) {
      out.items.push_back(text_of(e->get_name()));
    }
  }
  return out;
}

// The parameters that the internal form of `person` carries, in list order.
inline std::vector<Parameter> internal_view(CEPerson& person) {
  std::vector<Parameter> out;
  CLList* list = person.get_parameters();
  for (CListElement* e = list->get_element(0); e != nullptr; e = e->get_next()) {
    auto* p = dynamic_cast<CParameterBase*>(e);
    std::string line(4096, '\0');
    if (p == nullptr) continue;
    // A line as long as the buffer may have been cut: try a larger one.
    for (;;) {
      const char* end = person.create_param_string(p, line.data(), line.size());
      if (end == nullptr) break;
      if (static_cast<size_t>(end - line.data()) + 1 < line.size()) {
        if (end != line.data()) out.push_back(view(p, true));
        break;
      }
      line.assign(line.size() * 2, '\0');
    }
  }
  return out;
}

// The parameters that the external form of `person` carries, group by group.
inline std::vector<Parameter> external_view(CEPerson& person) {
  std::vector<Parameter> out;
  const int groups[4][2] = {{USAGE_PRIMARY, VISIBILITY_PUBLIC},
                            {USAGE_PRIMARY, VISIBILITY_PRIVATE},
                            {USAGE_SECONDARY, VISIBILITY_PUBLIC},
                            {USAGE_SECONDARY, VISIBILITY_PRIVATE}};
  CLList* list = person.get_parameters();
  for (const auto& group : groups) {
    for (CListElement* e = list->get_element(0); e != nullptr; e = e->get_next()) {
      auto* p = dynamic_cast<CParameterBase*>(e);
      if (p == nullptr || p->get_usage() != group[0] || p->get_visibility() != group[1]) continue;
      if (person.create_param_string_external(p).is_set()) out.push_back(view(p, false));
    }
  }
  return out;
}

// Internal form: written, read back, written again.
inline void check_internal(CEPerson& person) {
  const HeapText written = person.create_string();
  if (!written.is_set()) return;  // nothing to write
  CEPerson back;
  FUZZ_CHECK(back.load_profile_string(written.get()) == 1);
  FUZZ_CHECK(internal_view(back) == internal_view(person));
  const HeapText again = back.create_string();
  FUZZ_CHECK(again.is_set() && std::string(again.get()) == written.get());
}

// External form: written, read back, written again.
inline void check_external(CEPerson& person) {
  const HeapText written = person.create_string_external();
  FUZZ_CHECK(written.is_set());
  CEPerson back;
  FUZZ_CHECK(back.create_agent_external(written.get()) == 1);
  FUZZ_CHECK(external_view(back) == external_view(person));
  const HeapText again = back.create_string_external();
  FUZZ_CHECK(again.is_set() && std::string(again.get()) == written.get());
}

}  // namespace profile_oracle
