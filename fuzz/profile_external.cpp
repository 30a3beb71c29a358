// Fuzzes reading a profile in its external form. The oracle: what it wrote
// in either form reads back to the same parameters and the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "profile_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CEPerson person;
  person.create_agent_external(text.c_str());
  profile_oracle::check_external(person);
  profile_oracle::check_internal(person);
  return 0;
}
