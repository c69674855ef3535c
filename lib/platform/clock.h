// The local clock.
#pragma once

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
// The real local time of day, never the test clock: waits are measured with it.
void read_time_of_day(int& hour, int& minute, int& second, int& hundredths);
// Gives the processor away for about that many milliseconds.
void sleep_milliseconds(int milliseconds);

// Test seam: a fixed clock reading for read_local_clock; nullptr restores the real clock.
void set_test_clock(const ClockReading* reading);

}  // namespace sunder::platform
