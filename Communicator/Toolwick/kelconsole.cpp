#include "Toolwick/kelconsole.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "Toolwick/format.h"

void CKelConsole::dprintf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const std::string text = str_vformat(fmt, args);
  va_end(args);
  if (listbox_ != nullptr) {
    listbox_->InsertString(-1, text.c_str());
    return;
  }
  std::fputs(text.c_str(), stdout);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
}
