// Values as the keyword texts of the auxiliary classes carry them: numbers
// read like atoi/atol/atof and written like "%f", in the "C" locale whatever
// the process locale is, and values without the parentheses that the
// composer puts around them. Internal to Sidewick.
#pragma once

#include <string>

namespace sidewick {

// The leading decimal integer (blanks, a sign, digits; none gives 0), held
// to the range of the type instead of overflowing. Null reads 0.
int read_int(const char* text);
long read_long(const char* text);
// Like atof; a value beyond the range of float becomes an infinity of its
// sign. Null reads 0.
float read_float(const char* text);
// `value` with `decimals` decimals and no exponent ("%.6f" and the like).
std::string fixed(double value, int decimals);
// The value without one pair of enclosing parentheses, as
// CUtils::remove_parenthesis cuts it: "(a (b))" gives "a (b)", "abc" gives
// "abc". Null gives "".
std::string unwrapped(const char* value);

}  // namespace sidewick
