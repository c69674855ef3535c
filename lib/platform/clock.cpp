// The local clock, and the test clock that can stand in for it.
#include "lib/platform/clock.h"
#include "lib/platform/clock_os.h"

namespace sunder::platform {
namespace {

bool have_test_clock = false;
ClockReading test_clock;

}  // namespace

void read_local_clock(ClockReading& reading) {
  if (have_test_clock) {
    reading = test_clock;
    return;
  }
  os_local_clock(reading);
}

void read_time_of_day(int& hour, int& minute, int& second, int& hundredths) {
  ClockReading r;
  os_local_clock(r);
  hour = r.hour;
  minute = r.minute;
  second = r.second;
  hundredths = r.millisecond / 10;
}

void set_test_clock(const ClockReading* reading) {
  have_test_clock = reading != nullptr;
  if (reading != nullptr) test_clock = *reading;
}

}  // namespace sunder::platform
