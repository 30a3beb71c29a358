// Fuzzes reading positions: the input as the text of a GPS fix and of a
// Cartesian point, then every getter and written form. The whole numbers
// of a fix must read back from its own text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Sidewick/cartesian.h"
#include "Sidewick/kellatlong.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  CKelLatLong fix;
  std::string copy = text;
  fix.from_string(copy.data());
  fix.get_name();
  fix.get_latstring();
  fix.get_longstring();
  std::string written = fix.to_string();
  CKelLatLong back;
  if (back.from_string(written.data()) != 1 || back.get_time() != fix.get_time() ||
      back.get_latdegr() != fix.get_latdegr() || back.get_longdegr() != fix.get_longdegr()) {
    __builtin_trap();
  }

  CCartesian point;
  copy = text;
  point.from_string(copy.data());
  point.to_string();
  return 0;
}
