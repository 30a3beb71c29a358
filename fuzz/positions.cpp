// Fuzzes reading positions: the input as the text of a GPS fix and of a
// Cartesian point, then every getter and written form. The oracle: each
// written text reads back into a fresh record that writes the same text
// (for the point: the same coordinates).
#include <cstddef>
#include <cstdint>
#include <string>

#include "Sidewick/cartesian.h"
#include "Sidewick/kellatlong.h"
#include "oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  CKelLatLong fix;
  std::string copy = text;
  fix.from_string(copy.data());
  fix.get_name();
  fix.get_latstring();
  fix.get_longstring();
  const std::string written = fix.to_string();
  CKelLatLong back;
  copy = written;
  FUZZ_CHECK(back.from_string(copy.data()) == 1);
  FUZZ_CHECK(back.get_time() == fix.get_time() && back.get_latdegr() == fix.get_latdegr() &&
             back.get_longdegr() == fix.get_longdegr());
  FUZZ_CHECK(back.to_string() == written);

  CCartesian point;
  copy = text;
  point.from_string(copy.data());
  const std::string point_text = point.to_string();
  CCartesian point_back;
  // Other coordinates than the point's, so that reading must set them.
  const auto other = [](int value) { return value == 1 ? 2 : 1; };
  point_back.set_xyz(other(point.get_x()), other(point.get_y()), other(point.get_z()));
  copy = point_text;
  FUZZ_CHECK(point_back.from_string(copy.data()) == 1);
  FUZZ_CHECK(point_back.get_x() == point.get_x() && point_back.get_y() == point.get_y() &&
             point_back.get_z() == point.get_z());
  FUZZ_CHECK(point_back.to_string() == point_text);
  return 0;
}
