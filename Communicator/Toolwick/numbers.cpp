#include "Toolwick/numbers.h"

#include <charconv>
#include <limits>
#include <stdlib.h>

locale_t c_locale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return locale;
}

double read_real(const char* text) {
  if (text == nullptr) return 0.0;
  return strtod_l(text, nullptr, c_locale());
}

bool read_real_within(const char* text, double low, double high, double* value) {
  if (text == nullptr) return false;
  const double read = read_real(text);
  // NaN fails both comparisons.
  if (!(read >= low && read <= high)) return false;
  *value = read;
  return true;
}

long read_long(const char* text) {
  if (text == nullptr) return 0;
  // strtol_l saturates at the ends of the range.
  return strtol_l(text, nullptr, 10, c_locale());
}

int32_t read_int(const char* text) {
  const long value = read_long(text);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

std::string fixed_text(double value, int decimals) {
  // The longest fixed form of a double has over 300 integer digits.
  char number[400];
  const auto written =
      std::to_chars(number, number + sizeof number, value, std::chars_format::fixed, decimals);
  return std::string(number, written.ptr);
}
