// Numbers as the station writes and converts them. Every text that leaves
// the station (messages, pane lines, tooltips) is formatted in the "C"
// locale, whatever the process's locale is; every conversion from a double
// to an int saturates to the int range instead of overflowing, and NaN
// gives 0.
#pragma once

#include <string>

namespace station {

// printf-style formatting in the "C" locale: "%f" always writes a point.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Cut toward zero, saturated; NaN gives 0.
int truncated(double value);
// To the nearest whole number, halves away from zero, saturated; NaN gives 0.
int rounded(double value);

// Minutes from `from` to `to` when that is positive, else 0; saturated.
int elapsed(int from, int to);
// a + b, saturated.
int saturated_sum(int a, int b);

}  // namespace station
