#include "Relaywick/keltime.h"

#include <ctime>

#include "Lexwick/parser.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

void CKelTime::obtain_current() {
  tzset();
  const time_t now = std::time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  day_ = local.tm_mday;
  month_ = local.tm_mon + 1;
  year_ = local.tm_year + 1900;
  hour_ = local.tm_hour;
  minute_ = local.tm_min;
  second_ = local.tm_sec;
  unix_time_ = static_cast<long>(now);
}

int CKelTime::from_string(char* text) {
  if (text == nullptr) return 0;
  CParser parser;
  // A text that does not parse whole may still hold the keywords.
  parser.parse_message(text);
  const struct {
    const char* keyword;
    int32_t* field;
  } fields[] = {{"day", &day_},       {"month", &month_},   {"year", &year_},
                {"hour", &hour_},     {"minute", &minute_}, {"second", &second_}};
  bool present[6];
  int read[6];
  bool any = false;
  for (size_t i = 0; i < 6; ++i) {
    const char* value = parser.find_token(fields[i].keyword);
    present[i] = value != nullptr;
    read[i] = present[i] ? read_int(value) : 0;
    any = any || present[i];
  }
  if (!any) return 0;
  for (size_t i = 0; i < 6; ++i) {
    if (present[i]) *fields[i].field = read[i];
  }
  unix_time_ = 0;
  return 1;
}

char* CKelTime::to_string() {
  text_buffer().assign(str_format(
      ":date (tell :day %d :month %d :year %d :hour %d :minute %d :second %d)", day_, month_,
      year_, hour_, minute_, second_));
  return text_buffer().get();
}

HeapText CKelTime::create_string() const {
  return HeapText(
      str_format("%d-%d-%d-%d-%d-%d", day_, month_, year_, hour_, minute_, second_));
}
