// Numbers as map files and keyword texts carry them: read and written in the
// "C" locale whatever the process locale is. Internal to the maps library.
#pragma once

#include <cstdint>
#include <string>

namespace maps {

// Like atof: leading white space skipped, conversion stops at the first
// character that does not belong to a number, 0.0 when there is none. Null
// reads 0.0.
double read_real(const char* text);
// Like atol, saturated to the 32-bit range instead of overflowing.
int32_t read_int(const char* text);
// "%f": six decimals, no exponent.
std::string fixed6(double value);

}  // namespace maps
