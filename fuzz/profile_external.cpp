// Fuzzes reading a profile in its external form: the input is read, written
// again and the written form read back; then the internal form is written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Sidewick/eperson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CEPerson person;
  person.create_agent_external(text.c_str());
  const HeapText written = person.create_string_external();
  CEPerson back;
  back.create_agent_external(written.get());
  back.create_string_external();
  person.create_string();
  return 0;
}
