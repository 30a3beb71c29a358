// Texts of the dialogs' fields: numbers as the C library writes and reads
// them, and framework texts that may be null.
#pragma once

#include <QString>

// "%d" of `value`.
QString field_number(int value);
// The text, or "" for null.
QString field_text(const char* text);
// The leading decimal number of the field, as atoi reads it ("abc" is 0,
// "12ab" is 12), kept within the range of int.
int field_int(const QString& text);
