// The local clock.
#pragma once

#include <cstdint>

namespace sunder::platform {

struct ClockReading {
  int year = 0;    // full year
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  int millisecond = 0;
};

// The current local date and time to the millisecond (or the test clock).
void read_local_clock(ClockReading& reading);
// Milliseconds on a clock that only moves forward, whatever the wall clock
// does (set back, daylight-saving time ending): waits are measured with it.
std::int64_t steady_milliseconds();
// Gives the processor away for about that many milliseconds.
void sleep_milliseconds(int milliseconds);

}  // namespace sunder::platform
