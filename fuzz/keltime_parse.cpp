// Fuzzes reading a date: the input as a keyword text and as the inside of a
// date's keyword form; then the getters and both written forms. The keyword
// form must read back to the same fields.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Relaywick/keltime.h"

namespace {

void read_everything(CKelTime& time) {
  time.get_day();
  time.get_month();
  time.get_year();
  time.get_hour();
  time.get_minute();
  time.get_second();
  time.get_unix_time();
  time.to_string();
  time.create_string();
}

bool same_fields(const CKelTime& a, const CKelTime& b) {
  return a.get_day() == b.get_day() && a.get_month() == b.get_month() &&
         a.get_year() == b.get_year() && a.get_hour() == b.get_hour() &&
         a.get_minute() == b.get_minute() && a.get_second() == b.get_second();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  CKelTime time;
  time.from_string(text.data());
  read_everything(time);

  std::string wrapped = ":date (tell " + std::string(text.c_str()) + ")";
  time.from_string(wrapped.data());
  read_everything(time);

  std::string written = time.to_string();
  CKelTime back;
  if (back.from_string(written.data()) != 1 || !same_fields(time, back)) __builtin_trap();
  return 0;
}
