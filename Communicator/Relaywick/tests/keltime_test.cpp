#include "Relaywick/keltime.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

// 8 December 2026, 09:05:03.
void december_eighth(CKelTime& time) {
  time.set_day(8);
  time.set_month(12);
  time.set_year(2026);
  time.set_hour(9);
  time.set_minute(5);
  time.set_second(3);
  time.set_unix_time(1796634303);
}

std::string fields(const CKelTime& t) {
  return std::to_string(t.get_day()) + "/" + std::to_string(t.get_month()) + "/" +
         std::to_string(t.get_year()) + " " + std::to_string(t.get_hour()) + ":" +
         std::to_string(t.get_minute()) + ":" + std::to_string(t.get_second());
}

TEST(KelTime, StartsAtTheCurrentLocalTime) {
  const time_t before = std::time(nullptr);
  CKelTime now;
  const time_t after = std::time(nullptr);
  EXPECT_GE(now.get_unix_time(), before);
  EXPECT_LE(now.get_unix_time(), after);
  const time_t taken = now.get_unix_time();
  tm local{};
  localtime_r(&taken, &local);
  EXPECT_EQ(now.get_day(), local.tm_mday);
  EXPECT_EQ(now.get_month(), local.tm_mon + 1);
  EXPECT_EQ(now.get_year(), local.tm_year + 1900);
  EXPECT_EQ(now.get_hour(), local.tm_hour);
  EXPECT_EQ(now.get_minute(), local.tm_min);
  EXPECT_EQ(now.get_second(), local.tm_sec);
}

TEST(KelTime, KeywordAndCompactForms) {
  CKelTime time;
  december_eighth(time);
  EXPECT_STREQ(time.to_string(),
               ":date (tell :day 8 :month 12 :year 2026 :hour 9 :minute 5 :second 3)");
  EXPECT_STREQ(time.create_string().get(), "8-12-2026-9-5-3");
  time.set_second(75);  // stored as it is
  EXPECT_EQ(time.get_second(), 75);
  EXPECT_STREQ(time.create_string().get(), "8-12-2026-9-5-75");
  time.set_year(-44);
  EXPECT_STREQ(time.create_string().get(), "8-12--44-9-5-75");
}

TEST(KelTime, ReadsItsKeywordFormBack) {
  CKelTime written;
  december_eighth(written);
  CKelTime read;
  EXPECT_EQ(read.from_string(written.to_string()), 1);
  EXPECT_EQ(fields(read), "8/12/2026 9:5:3");
  EXPECT_EQ(read.get_unix_time(), 0);  // not the time of the fields

  std::string plain = "(tell :day 1 :month 2 :year 1999 :hour 23 :minute 59 :second 60)";
  EXPECT_EQ(read.from_string(plain.data()), 1);
  EXPECT_EQ(fields(read), "1/2/1999 23:59:60");
}

TEST(KelTime, MissingKeywordsKeepTheirFields) {
  const struct {
    const char* text;
    int result;
    const char* fields;
  } cases[] = {
      {"(tell :day 17)", 1, "17/12/2026 9:5:3"},
      {"(tell :hour 22 :second 1)", 1, "8/12/2026 22:5:1"},
      {"(tell :minute 7x :month abc)", 1, "8/0/2026 9:7:3"},  // atoi's reading
      {"(tell :day -3 :year +12)", 1, "-3/12/12 9:5:3"},
      {"(tell :day 99999999999)", 1, "2147483647/12/2026 9:5:3"},
      {"(tell :colour red)", 0, "8/12/2026 9:5:3"},
      {"not a message", 0, "8/12/2026 9:5:3"},
      {"", 0, "8/12/2026 9:5:3"},
  };
  for (const auto& c : cases) {
    CKelTime time;
  december_eighth(time);
    std::string text = c.text;
    EXPECT_EQ(time.from_string(text.data()), c.result) << c.text;
    EXPECT_EQ(fields(time), c.fields) << c.text;
    EXPECT_EQ(time.get_unix_time(), c.result == 1 ? 0 : 1796634303) << c.text;
  }
  CKelTime time;
  december_eighth(time);
  EXPECT_EQ(time.from_string(nullptr), 0);
  EXPECT_EQ(fields(time), "8/12/2026 9:5:3");
}

}  // namespace
