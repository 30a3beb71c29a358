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
// reads 0.0. "nan", "inf" and values beyond the range of double (which read
// as infinities) come through as they are: see read_real_within.
double read_real(const char* text);
// read_real's value of `text` into *value when it is finite and lies
// within [low, high]; false, and *value unchanged, for null, NaN, an
// infinity or a value outside. A number taken from another program's text
// is best read so before it enters any arithmetic.
bool read_real_within(const char* text, double low, double high, double* value);
// Like atol (blanks, a sign, digits; none gives 0), held to the range of the
// type instead of overflowing. Null reads 0.
long read_long(const char* text);
int32_t read_int(const char* text);
// `value` with `decimals` decimals and no exponent, as "%.*f" writes it.
std::string fixed_text(double value, int decimals);
