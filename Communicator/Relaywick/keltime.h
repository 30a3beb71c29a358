// CKelTime: a calendar date and time of day in local time, with the
// calendar time in seconds beside it, as agents put it into messages:
//   keyword form  ":date (tell :day 8 :month 12 :year 2026 :hour 9 :minute 5 :second 3)"
//   compact form  "8-12-2026-9-5-3"
// The fields are stored as given: nothing checks their ranges or keeps them
// in step with one another or with the calendar time.
#pragma once

#include <cstdint>

#include "Toolwick/heaptext.h"
#include "Toolwick/listelement.h"

class CKelTime : public CListElement {
 public:
  // The current local time.
  CKelTime() { obtain_current(); }

  // Reads the time zone from the environment and takes the current time.
  void obtain_current();

  // Reads the fields from a keyword text (":day 8 :month 12 ..."). The
  // fields whose keyword is present take its leading number (0 when the
  // value starts with none); the others keep their values; the calendar
  // time becomes 0. 0, changing nothing, for a null text or one without any
  // of the six keywords; else 1.
  int from_string(char* text) override;
  // The keyword form, owned by the object until the next call.
  char* to_string() override;
  // The compact form, owned by the caller.
  HeapText create_string() const;

  int get_day() const { return day_; }
  int get_month() const { return month_; }
  int get_year() const { return year_; }
  int get_hour() const { return hour_; }
  int get_minute() const { return minute_; }
  int get_second() const { return second_; }
  long get_unix_time() const { return unix_time_; }
  void set_day(int value) { day_ = value; }
  void set_month(int value) { month_ = value; }
  void set_year(int value) { year_ = value; }
  void set_hour(int value) { hour_ = value; }
  void set_minute(int value) { minute_ = value; }
  void set_second(int value) { second_ = value; }
  void set_unix_time(long value) { unix_time_ = value; }

 private:
  int32_t day_ = 0;
  int32_t month_ = 0;
  int32_t year_ = 0;
  int32_t hour_ = 0;
  int32_t minute_ = 0;
  int32_t second_ = 0;
  long unix_time_ = 0;
};
