// printf-style formatting into a std::string of whatever length it takes:
// no fixed buffer, no truncation. Numbers are written in the "C" locale
// whatever the process's locale ("%f" always writes a point).
#pragma once

#include <cstdarg>
#include <string>

std::string str_format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string str_vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

// What "%s" shows for a text that may be missing: the text, or "(null)" as
// the C library prints a null pointer, which is what the logs and peers
// have always seen.
inline const char* shown_text(const char* text) { return text != nullptr ? text : "(null)"; }
// A text that may be missing, as a string: empty when it is.
inline std::string text_or_empty(const char* text) { return text != nullptr ? text : ""; }
