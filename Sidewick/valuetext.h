// Values as the keyword texts of the auxiliary classes carry them: floats
// read in the "C" locale whatever the process locale is (integers and fixed
// texts: Toolwick/numbers.h), and values without the parentheses that the
// composer puts around them. Internal to Sidewick.
#pragma once

#include <string>

namespace sidewick {

// Like atof (Toolwick's read_real); a value beyond the range of float
// becomes an infinity of its sign. Null reads 0.
float read_float(const char* text);
// The value without one pair of enclosing parentheses, as
// CUtils::remove_parenthesis cuts it: "(a (b))" gives "a (b)", "abc" gives
// "abc". Null gives "".
std::string unwrapped(const char* value);

}  // namespace sidewick
