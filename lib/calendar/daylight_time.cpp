// The North American daylight-saving rule: up to 2006 from the first Sunday
// of April to the last Sunday of October, from 2007 on from the second Sunday
// of March to the first Sunday of November; the change happens at hour 2.
#include "lib/calendar/daylight_time.h"

#include <string>

#include "lib/calendar/rata_die.h"
#include "lib/messages/nerrmsg.h"

namespace sunder {

bool daylight_time(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t hour) {
  if (day < 1 || month < 1 || year <= 1900) {
    nerrmsg("*In daylight_time: Bad day, mth, or yr", 1);
    return false;
  }
  std::string no_name;  // the weekday names are not needed here
  std::int32_t w = 0;
  std::int32_t start = 0;
  std::int32_t end = 0;
  if (year <= 2006) {
    const std::int32_t april1 = RataDie(1, 4, year, w, no_name);
    start = april1 - w + 7;
    const std::int32_t october31 = RataDie(31, 10, year, w, no_name);
    end = october31 - (w % 7);
  } else {
    const std::int32_t march1 = RataDie(1, 3, year, w, no_name);
    start = march1 - w + 14;
    const std::int32_t november1 = RataDie(1, 11, year, w, no_name);
    end = november1 - w + 7;
  }
  const std::int32_t d = RataDie(day, month, year, w, no_name);
  if (d < start || d > end) return false;
  if (d == start && hour < 2) return false;
  if (d == end && hour > 0) return false;
  return true;
}

}  // namespace sunder
