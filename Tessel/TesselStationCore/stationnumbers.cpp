#include "TesselStationCore/stationnumbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace station {

namespace {

int saturated(double whole) {
  if (std::isnan(whole)) return 0;
  if (whole >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (whole <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return int(whole);
}

}  // namespace

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
