// A file's modification date (mm/dd/yy) and time (hh:mm:ss and a marker) in a
// fixed zone eight hours behind GMT, seven in daylight-saving time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sunder {

inline constexpr std::int32_t kClock24 = 24;  // hh:mm:ss and a blank
inline constexpr std::int32_t kClock12 = 12;  // hh:mm:ss and "a" or "p"
// |k12or24| 12: 12-hour clock; negative: trace. Status 0, 1 texts too short, 2 no file.
std::int32_t file_date(std::string_view name, std::string& date, std::string& time,
                       std::int32_t k12or24);
void file_date_status(std::string_view name, std::string& date, std::string& time,
                      std::int32_t k12or24, std::int32_t& status);

}  // namespace sunder
