#include "Sidewick/valuetext.h"

#include <locale.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <stdlib.h>

#include "Toolwick/utils.h"

namespace sidewick {

namespace {

locale_t c_locale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return locale;
}

}  // namespace

int read_int(const char* text) {
  const long value = read_long(text);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

long read_long(const char* text) {
  if (text == nullptr) return 0;
  // strtol_l saturates at the ends of the range.
  return strtol_l(text, nullptr, 10, c_locale());
}

float read_float(const char* text) {
  if (text == nullptr) return 0.0f;
  const double value = strtod_l(text, nullptr, c_locale());
  if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

std::string fixed(double value, int decimals) {
  // The longest fixed form of a double has over 300 integer digits.
  char number[400];
  const auto written =
      std::to_chars(number, number + sizeof number, value, std::chars_format::fixed, decimals);
  return std::string(number, written.ptr);
}

std::string unwrapped(const char* value) {
  if (value == nullptr) return std::string();
  std::string copy(value);
  CUtils utils;
  return utils.remove_parenthesis(copy.data());
}

}  // namespace sidewick
