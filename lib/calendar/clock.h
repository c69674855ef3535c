// Clock reading: the computer's clock as it is, and converted to local time.
#pragma once

#include <cstdint>
#include <string>

namespace sunder {

void system_date_time(std::int32_t& day, std::int32_t& month, std::int32_t& year,
                      std::int32_t& hour, std::int32_t& minute, std::int32_t& second,
                      std::int32_t& hundredths);
void system_time_local(std::int32_t& day, std::int32_t& month, std::int32_t& year,
                       std::int32_t& hour, std::int32_t& minute, std::int32_t& second,
                       std::int32_t& hundredths, std::string& zone, std::int32_t level);

}  // namespace sunder
