#include "RelaywickUi/fieldtext.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

QString field_number(int value) { return QString::number(value); }

QString field_text(const char* text) { return QString::fromUtf8(text != nullptr ? text : ""); }

int field_int(const QString& text) {
  const long value = std::strtol(text.toUtf8().constData(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}
