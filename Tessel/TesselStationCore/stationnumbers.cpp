#include "TesselStationCore/stationnumbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace station {

namespace {

int saturated_whole(double whole) {
  if (std::isnan(whole)) return 0;
  if (whole >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (whole <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return int(whole);
}

}  // namespace

int truncated(double value) { return saturated_whole(std::trunc(value)); }

int rounded(double value) { return saturated_whole(std::round(value)); }

int saturated(long long value) {
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

int elapsed(int from, int to) {
  return saturated(std::max(0LL, static_cast<long long>(to) - from));
}

int saturated_sum(int a, int b) { return saturated(static_cast<long long>(a) + b); }

}  // namespace station
