// Numbers as the station converts them: every conversion from a double to
// an int saturates to the int range instead of overflowing, and NaN gives 0.
// (Texts are formatted with Toolwick's str_format, always in the "C"
// locale.)
#pragma once

namespace station {

// Cut toward zero, saturated; NaN gives 0.
int truncated(double value);
// To the nearest whole number, halves away from zero, saturated; NaN gives 0.
int rounded(double value);
// Held to the int range.
int saturated(long long value);

// Minutes from `from` to `to` when that is positive, else 0; saturated.
int elapsed(int from, int to);
// a + b, saturated.
int saturated_sum(int a, int b);

}  // namespace station
