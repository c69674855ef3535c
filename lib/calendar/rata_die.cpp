// Day numbers: date to day number with the weekday, and back.
#include "lib/calendar/rata_die.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include "lib/messages/mesag.h"
#include "lib/messages/nerrmsg.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::string_view kWeekdayNames =
    "Monday   Tuesday  WednesdayThursday Friday   Saturday Sunday   ";

constexpr bool leap_year(std::int64_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// The day number of a date with day, month and year of at least 1. A day
// beyond the month's end counts on into the following months; month 13 is
// January of the next year. Kept in 64 bits: large years or days pass the
// 32-bit range.
std::int64_t day_count(std::int64_t day, std::int64_t month, std::int64_t year) {
  std::int64_t n = day + (367 * month - 362) / 12;
  if (month > 2) n -= leap_year(year) ? 1 : 2;
  const std::int64_t p = year - 1;
  return n + 365 * p + p / 4 - p / 100 + p / 400;
}

void put_weekday(std::int64_t n, std::int32_t& weekday, std::string& weekday_name) {
  std::int32_t w = static_cast<std::int32_t>(n % 7);
  if (w == 0) w = 7;
  weekday = w;
  put_field(weekday_name, kWeekdayNames.substr(static_cast<std::size_t>(9 * (w - 1)), 9));
}

}  // namespace

std::int32_t RataDie(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t& weekday,
                     std::string& weekday_name) {
  if (day < 1 || month < 1 || year < 1) {
    mesag("*In RataDie: day, mon or yr <1", 2);
    write_free(kConsole, {"day,mon,yr:", day, month, year});
    return -1;
  }
  const std::int64_t n = day_count(day, month, year);
  if (n > std::numeric_limits<std::int32_t>::max()) {
    // Beyond the 32-bit day numbers: no valid answer, treated like bad input.
    mesag("*In RataDie: day number beyond range", 2);
    write_free(kConsole, {"day,mon,yr:", day, month, year});
    return -1;
  }
  put_weekday(n, weekday, weekday_name);
  return static_cast<std::int32_t>(n);
}

std::int32_t invRataDie(std::int32_t day_number, std::int32_t& day, std::int32_t& month,
                        std::int32_t& year, std::int32_t& weekday, std::string& weekday_name) {
  const std::int64_t n = day_number;
  if (n < 1) fatal("*invRataDie: Input RataDie value <= 0; stop");

  // Year: from the estimate on, the first year whose 1 January lies beyond n
  // ends the search; the year before it holds n.
  const std::int64_t f = static_cast<std::int64_t>(static_cast<double>(n) / 365.25);
  std::int64_t y_found = 0;
  std::int64_t base = 0;
  std::int64_t previous = -1;
  for (std::int64_t y = f + 1; y <= f + 1001; ++y) {
    const std::int64_t first = day_count(1, 1, y);
    if (first > n) {
      y_found = y - 1;
      base = previous >= 0 ? previous : day_count(1, 1, y_found);
      break;
    }
    previous = first;
  }
  if (y_found < 1) fatal("*invRataDie: Error in determining year; stop");

  // Month: the same search over the first days of the months (13 = January
  // of the next year).
  const std::int64_t q = (n - base) / 32;
  std::int64_t m_found = 0;
  previous = -1;
  for (std::int64_t m = q + 1; m <= q + 13; ++m) {
    const std::int64_t first = day_count(1, m, y_found);
    if (first > n) {
      if (previous < 0) break;  // cannot happen: no month is longer than 31 days
      m_found = m - 1;
      base = previous;
      break;
    }
    previous = first;
  }
  if (m_found < 1 || m_found > 12) fatal("*invRataDie: Error in determining month; stop");

  const std::int64_t d = n - base + 1;
  if (y_found > std::numeric_limits<std::int32_t>::max() || day_count(d, m_found, y_found) != n) {
    fatal("*invRataDie: Errin final recalculation; stop");
  }
  day = static_cast<std::int32_t>(d);
  month = static_cast<std::int32_t>(m_found);
  year = static_cast<std::int32_t>(y_found);
  put_weekday(n, weekday, weekday_name);
  return 0;
}

}  // namespace sunder
