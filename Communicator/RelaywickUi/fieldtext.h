// Texts of the dialogs' fields: numbers as the C library writes them, and
// framework texts that may be null.
#pragma once

#include <QString>

// "%d" of `value`.
QString field_number(int value);
// The text, or "" for null.
QString field_text(const char* text);
