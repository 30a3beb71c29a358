// Fuzzes reading a profile in its internal form. The oracle: what it wrote
// in either form reads back to the same parameters and the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "profile_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CEPerson person;
  person.load_profile_string(text.c_str());
  person.get_id();
  profile_oracle::check_internal(person);
  profile_oracle::check_external(person);

  // A line cut by a small buffer ends inside it.
  char line[64];
  CLList* parameters = person.get_parameters();
  for (CListElement* e = parameters->get_element(0); e != nullptr; e = e->get_next()) {
    const char* end =
        person.create_param_string(dynamic_cast<CParameterBase*>(e), line, sizeof line);
    FUZZ_CHECK(end != nullptr && end < line + sizeof line && *end == '\0');
  }
  return 0;
}
