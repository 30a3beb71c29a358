// Fuzzes reading a profile in its internal form: the input is read, written
// again and the written form read back; then the external form is written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Sidewick/eperson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CEPerson person;
  person.load_profile_string(text.c_str());
  person.get_id();
  const HeapText written = person.create_string();
  CEPerson back;
  back.load_profile_string(written.get());
  back.create_string();
  person.create_string_external();

  char line[64];
  CLList* parameters = person.get_parameters();
  for (CListElement* e = parameters->get_element(0); e != nullptr; e = e->get_next()) {
    person.create_param_string(dynamic_cast<CParameterBase*>(e), line, sizeof line);
  }
  return 0;
}
