// Numbers in the texts that the framework and its programs read and write
// (messages, files, log lines): always in the "C" locale, whatever locale
// the process runs in, so a decimal point is never read or written as a
// comma.
#pragma once

#include <locale.h>

#include <cstdint>
#include <string>

// The "C" locale, made on first use and never freed.
locale_t c_locale();

// Like atof: leading white space skipped, the conversion stops at the first
// character that does not belong to a number, 0.0 when there is none. Null
// reads 0.0.
double read_real(const char* text);
// Like atol (blanks, a sign, digits; none gives 0), held to the range of the
// type instead of overflowing. Null reads 0.
long read_long(const char* text);
int32_t read_int(const char* text);
// `value` with `decimals` decimals and no exponent, as "%.*f" writes it.
std::string fixed_text(double value, int decimals);
