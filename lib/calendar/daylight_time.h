// The North American daylight-saving rule (to 2006 and from 2007).
#pragma once

#include <cstdint>

namespace sunder {

bool daylight_time(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t hour);

}  // namespace sunder
