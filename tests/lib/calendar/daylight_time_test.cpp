// The daylight-saving rule: the start and end Sundays, the hour of the change,
// bad dates, and agreement with the machine's zone database for 1987-2037.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "lib/calendar/daylight_time.h"
#include "lib/calendar/rata_die.h"
#include "lib/messages/nerrmsg.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;

namespace {

class DaylightTimeTest : public test::LibraryTest {
 protected:
  DaylightTimeTest() : LibraryTest("sunder_dst_") {}
};

std::int32_t day_number(std::int32_t d, std::int32_t m, std::int32_t y) {
  std::int32_t w = 0;
  std::string none;
  return RataDie(d, m, y, w, none);
}

bool dst_on(std::int32_t n, std::int32_t hour) {
  std::int32_t d = 0, m = 0, y = 0, w = 0;
  std::string none;
  invRataDie(n, d, m, y, w, none);
  return daylight_time(d, m, y, hour);
}

// The first day of the year on which the rule gives daylight time at noon,
// and the last day on which it gives daylight time at hour 0.
void rule_days(std::int32_t year, std::int32_t& start, std::int32_t& end) {
  const std::int32_t first = day_number(1, 1, year), last = day_number(31, 12, year);
  start = end = 0;
  for (std::int32_t n = first; n <= last; ++n) {
    if (start == 0 && dst_on(n, 12)) start = n;
    if (dst_on(n, 0)) end = n;
  }
}

void expect_days(std::int32_t year, std::int32_t start_day, std::int32_t start_month,
                 std::int32_t end_day, std::int32_t end_month) {
  std::int32_t start = 0, end = 0;
  rule_days(year, start, end);
  EXPECT_EQ(start, day_number(start_day, start_month, year)) << year;
  EXPECT_EQ(end, day_number(end_day, end_month, year)) << year;
}

TEST_F(DaylightTimeTest, StartAndEndSundaysOfBothRules) {
  expect_days(1901, 7, 4, 27, 10);
  expect_days(1987, 5, 4, 25, 10);
  expect_days(2000, 2, 4, 29, 10);
  expect_days(2001, 1, 4, 28, 10);  // 1 April itself a Sunday
  expect_days(2006, 2, 4, 29, 10);
  expect_days(2007, 11, 3, 4, 11);
  expect_days(2009, 8, 3, 1, 11);
  expect_days(2026, 8, 3, 1, 11);
  expect_days(2000 + 4, 4, 4, 31, 10);  // 31 October itself a Sunday
  EXPECT_EQ(con(), "");
}

TEST_F(DaylightTimeTest, HourOfTheChangeOnBothSundays) {
  EXPECT_FALSE(daylight_time(8, 3, 2026, 0));
  EXPECT_FALSE(daylight_time(8, 3, 2026, 1));
  EXPECT_TRUE(daylight_time(8, 3, 2026, 2));
  EXPECT_TRUE(daylight_time(8, 3, 2026, 3));
  EXPECT_TRUE(daylight_time(1, 11, 2026, 0));
  EXPECT_FALSE(daylight_time(1, 11, 2026, 1));
  EXPECT_FALSE(daylight_time(2, 11, 2026, 0));
  EXPECT_FALSE(daylight_time(7, 3, 2026, 23));
  for (std::int32_t h = 0; h < 24; ++h) EXPECT_TRUE(daylight_time(1, 7, 2026, h)) << h;
  // Days beyond the month count on: 31 June is 1 July.
  EXPECT_TRUE(daylight_time(31, 6, 2026, 5));
}

TEST_F(DaylightTimeTest, BadDatesAnswerFalseWithACountedMessage) {
  EXPECT_TRUE(daylight_time(1, 7, 1901, 12));
  EXPECT_FALSE(daylight_time(1, 7, 1900, 12));
  EXPECT_FALSE(daylight_time(0, 7, 2026, 12));
  EXPECT_FALSE(daylight_time(1, 0, 2026, 12));
  std::size_t count = 0;
  for (std::size_t at = 0;
       (at = con().find("*In daylight_time: Bad day, mth, or yr\n", at)) != std::string::npos;
       ++at) {
    ++count;
  }
  EXPECT_EQ(count, 3u) << con();
  EXPECT_EQ(nerrmsg("x", 0), 3);
}

// The machine's zone database: the days on which America/Los_Angeles is in
// daylight time at local noon.
TEST_F(DaylightTimeTest, AgreesWithTheZoneDatabaseFrom1987To2037) {
#if defined(_WIN32)
  GTEST_SKIP() << "the zone database is read through the POSIX C library";
#else
  if (!fs::exists("/usr/share/zoneinfo/America/Los_Angeles")) {
    GTEST_SKIP() << "no zone database (package tzdata)";
  }
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  ::setenv("TZ", "America/Los_Angeles", 1);
  ::tzset();
  for (std::int32_t year = 1987; year <= 2037; ++year) {
    std::int32_t zone_start = 0, zone_end = 0;
    const std::int32_t first = day_number(1, 1, year), last = day_number(31, 12, year);
    bool before = false;
    for (std::int32_t n = first; n <= last; ++n) {
      // Noon of that day in the zone, 20:00 GMT.
      const std::time_t t = static_cast<std::time_t>(n - kDayNumber1970) * 86400 + 20 * 3600;
      std::tm tm{};
      ::localtime_r(&t, &tm);
      const bool now = tm.tm_isdst > 0;
      if (now && !before && zone_start == 0) zone_start = n;
      if (!now && before) zone_end = n;  // the change back happens during this day
      before = now;
    }
    std::int32_t start = 0, end = 0;
    rule_days(year, start, end);
    EXPECT_EQ(start, zone_start) << "start of daylight time in " << year;
    EXPECT_EQ(end, zone_end) << "end of daylight time in " << year;
  }
  if (old) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
#endif
}

}  // namespace
