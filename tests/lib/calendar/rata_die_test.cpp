// Day numbers against the C++20 civil calendar, the named dates, and the bad
// inputs (a message for RataDie, the end of the run for invRataDie).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "lib/calendar/rata_die.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;

namespace {

// Every test runs in a directory of its own ("_error.msg" lands there) with
// the console captured.
class RataDieTest : public test::LibraryTest {
 protected:
  RataDieTest() : LibraryTest("sunder_ratadie_") {}
};

struct Date {
  std::int32_t day, month, year, weekday;
  std::string name;
};

Date inverse(std::int32_t n) {
  Date d{0, 0, 0, 0, std::string(9, ' ')};
  EXPECT_EQ(invRataDie(n, d.day, d.month, d.year, d.weekday, d.name), 0);
  return d;
}

std::int32_t forward(std::int32_t day, std::int32_t month, std::int32_t year,
                     std::int32_t* weekday = nullptr, std::string* name = nullptr) {
  std::int32_t w = 0;
  std::string n(9, ' ');
  const std::int32_t r = RataDie(day, month, year, w, n);
  if (weekday) *weekday = w;
  if (name) *name = n;
  return r;
}

TEST_F(RataDieTest, EveryDayNumberAgreesWithTheCivilCalendar) {
  using namespace std::chrono;
  std::int32_t day = 0, month = 0, year = 0, wd = 0, wd2 = 0;
  std::string name(9, ' ');
  const auto start = steady_clock::now();
  int mismatches = 0;
  for (std::int32_t n = 1; n <= 1'200'000; ++n) {
    invRataDie(n, day, month, year, wd, name);
    const sys_days civil_day{days{n - kDayNumber1970}};
    const year_month_day civil{civil_day};
    const bool same = static_cast<int>(civil.year()) == year &&
                      static_cast<unsigned>(civil.month()) == static_cast<unsigned>(month) &&
                      static_cast<unsigned>(civil.day()) == static_cast<unsigned>(day) &&
                      static_cast<std::int32_t>(weekday{civil_day}.iso_encoding()) == wd &&
                      RataDie(day, month, year, wd2, name) == n && wd2 == wd;
    if (!same && ++mismatches <= 5) {
      ADD_FAILURE() << "day number " << n << " gave " << day << "." << month << "." << year
                    << " weekday " << wd;
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 3000);
  EXPECT_EQ(con(), "");
}

TEST_F(RataDieTest, NamedDatesAndWeekdays) {
  std::int32_t w = 0;
  std::string name;
  EXPECT_EQ(forward(1, 1, 1, &w, &name), 1);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(name, "Monday   ");
  EXPECT_EQ(forward(1, 1, 1900, &w), 693596);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(forward(31, 12, 1969, &w), 719162);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(forward(1, 1, 1970, &w, &name), kDayNumber1970);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(name, "Thursday ");
  EXPECT_EQ(forward(29, 2, 2000, &w), 730179);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(forward(1, 3, 2000), 730180);
  EXPECT_EQ(forward(31, 12, 2000, &w, &name), 730485);
  EXPECT_EQ(name, "Sunday   ");
  EXPECT_EQ(forward(7, 12, 2026, &w), 739957);
  EXPECT_EQ(w, 1);
}

TEST_F(RataDieTest, DaysAndMonthsBeyondTheirRangeCountOn) {
  EXPECT_EQ(forward(1, 13, 1999), forward(1, 1, 2000));
  EXPECT_EQ(forward(1, 1, 2000), 730120);
  EXPECT_EQ(forward(32, 1, 2001), forward(1, 2, 2001));
  EXPECT_EQ(forward(29, 2, 1900), forward(1, 3, 1900));
}

TEST_F(RataDieTest, WeekdayNameIsCutOrPaddedToTheCallersText) {
  std::int32_t w = 0;
  std::string four(4, 'x'), twelve(12, 'x'), none;
  RataDie(7, 12, 2026, w, four);
  RataDie(9, 12, 2026, w, twelve);
  RataDie(9, 12, 2026, w, none);
  EXPECT_EQ(four, "Mond");
  EXPECT_EQ(twelve, "Wednesday   ");
  EXPECT_EQ(none, "");
}

TEST_F(RataDieTest, InverseOfNamedDayNumbers) {
  Date d = inverse(kDayNumber1970);
  EXPECT_EQ(d.day, 1);
  EXPECT_EQ(d.month, 1);
  EXPECT_EQ(d.year, 1970);
  EXPECT_EQ(d.weekday, 4);
  EXPECT_EQ(d.name, "Thursday ");
  d = inverse(730179);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(d.month, 2);
  EXPECT_EQ(d.year, 2000);
  d = inverse(1);
  EXPECT_EQ(d.day, 1);
  EXPECT_EQ(d.month, 1);
  EXPECT_EQ(d.year, 1);
  EXPECT_EQ(d.name, "Monday   ");
  // The estimate overshoots for 31 December of year 4.
  d = inverse(1461);
  EXPECT_EQ(d.day, 31);
  EXPECT_EQ(d.month, 12);
  EXPECT_EQ(d.year, 4);
}

TEST_F(RataDieTest, LargestDayNumbersStayExact) {
  // Up to the 32-bit limit: no overflow in the year and month searches.
  const std::int32_t top = 2'147'483'647;
  const Date d = inverse(top);
  EXPECT_EQ(forward(d.day, d.month, d.year), top);
  EXPECT_EQ(forward(1, 1, 9999), 3651695);
  // A date whose day number would pass the 32-bit range is refused.
  EXPECT_EQ(forward(1, 1, 6'000'000), -1);
}

TEST_F(RataDieTest, BadDateGivesMinusOneAndKeepsTheOutputs) {
  std::int32_t w = 5;
  std::string name = "keep     ";
  EXPECT_EQ(RataDie(0, 1, 2000, w, name), -1);
  EXPECT_EQ(RataDie(1, 0, 2000, w, name), -1);
  EXPECT_EQ(RataDie(1, 1, 0, w, name), -1);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(name, "keep     ");
  EXPECT_NE(con().find("*In RataDie: day, mon or yr <1\n"), std::string::npos) << con();
  EXPECT_NE(con().find(" day,mon,yr:           0           1        2000\n"), std::string::npos)
      << con();
  EXPECT_NE(con().find(" day,mon,yr:           1           1           0\n"), std::string::npos);
}

// The fatal errors end the run with exit status 1 after "*Terminating*".
// The child's console goes to its standard error, where the check reads it.
void inverse_in_child(std::int32_t n) {
  test::console_to_stderr();
  std::int32_t d = 0, m = 0, y = 0, w = 0;
  std::string name(9, ' ');
  invRataDie(n, d, m, y, w, name);
}

TEST_F(RataDieTest, InverseOfZeroOrLessEndsTheRun) {
  EXPECT_EXIT(inverse_in_child(0), ::testing::ExitedWithCode(1),
              "\\*invRataDie: Input RataDie value <= 0; stop\\s*\\*Terminating\\*");
  EXPECT_EXIT(inverse_in_child(-5), ::testing::ExitedWithCode(1), "Input RataDie value <= 0");
}

}  // namespace
