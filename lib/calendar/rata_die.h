// Day numbers: 1 January of year 1 (proleptic Gregorian) is day 1; 1 January
// 1970 is day 719163. Weekdays 1 = Monday .. 7 = Sunday.
#pragma once

#include <cstdint>
#include <string>

namespace sunder {

inline constexpr std::int32_t kDayNumber1970 = 719163;

// Date to day number, with the weekday and its 9-character name (cut or padded
// to the name's length). -1 on a day, month or year below 1 (outputs unchanged).
std::int32_t RataDie(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t& weekday,
                     std::string& weekday_name);
// Day number to date; a day number below 1 ends the run. Returns 0.
std::int32_t invRataDie(std::int32_t day_number, std::int32_t& day, std::int32_t& month,
                        std::int32_t& year, std::int32_t& weekday, std::string& weekday_name);

}  // namespace sunder
