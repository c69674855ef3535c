// GMT or local time to local time with a zone name (PST, PDT, ...), by the
// time-zone file (|latitude| >= 91) or by coordinates in North America.
#pragma once

#include <cstdint>
#include <string>

namespace sunder {

// Added to the incoming hour: the trace lines are written from this call on.
inline constexpr std::int32_t kLocalTimeTrace = 24;

// Returns the whole-hour shift applied, or -1 when the input is rejected.
std::int32_t local_time(float latitude, float longitude, std::int32_t& day, std::int32_t& month,
                        std::int32_t& year, std::int32_t& hour, std::int32_t& minute,
                        std::string& zone);

}  // namespace sunder
