#include "Toolwick/format.h"

#include <cstdio>

#include "Toolwick/numbers.h"

std::string str_vformat(const char* fmt, va_list args) {
  // The thread's locale alone changes, and only for this call.
  const locale_t previous = uselocale(c_locale());
  va_list probe;
  va_copy(probe, args);
  const int size = std::vsnprintf(nullptr, 0, fmt, probe);
  va_end(probe);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  uselocale(previous);
  return out;
}

std::string str_format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string out = str_vformat(fmt, args);
  va_end(args);
  return out;
}
