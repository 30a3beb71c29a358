#include "TesselStationCore/stationnumbers.h"

#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <limits>

#include "Toolwick/format.h"

namespace station {

namespace {

locale_t c_locale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return locale;
}

int saturated(double whole) {
  if (std::isnan(whole)) return 0;
  if (whole >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (whole <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return int(whole);
}

}  // namespace

std::string format(const char* fmt, ...) {
  // The thread's locale alone changes, and only for this call.
  const locale_t previous = uselocale(c_locale());
  va_list args;
  va_start(args, fmt);
  std::string text = str_vformat(fmt, args);
  va_end(args);
  uselocale(previous);
  return text;
}

int truncated(double value) { return saturated(std::trunc(value)); }

int rounded(double value) { return saturated(std::round(value)); }

int elapsed(int from, int to) {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(to) - from, 0,
                                                std::numeric_limits<int>::max()));
}

int saturated_sum(int a, int b) {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(a) + b,
                                                std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

}  // namespace station
