#include "TesselMapsLib/cnumber.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace maps {

namespace {

locale_t c_locale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return locale;
}

}  // namespace

double read_real(const char* text) {
  if (text == nullptr) return 0.0;
  return strtod_l(text, nullptr, c_locale());
}

int32_t read_int(const char* text) {
  if (text == nullptr) return 0;
  const long long value = strtoll_l(text, nullptr, 10, c_locale());
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(value);
}

std::string fixed6(double value) {
  // The longest fixed form of a double has over 300 integer digits.
  char number[400];
  const auto written =
      std::to_chars(number, number + sizeof number, value, std::chars_format::fixed, 6);
  return std::string(number, written.ptr);
}

}  // namespace maps
