#include "RelaywickUi/fieldtext.h"

QString field_number(int value) { return QString::number(value); }

QString field_text(const char* text) { return QString::fromUtf8(text != nullptr ? text : ""); }
