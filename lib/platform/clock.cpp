// The local clock, and the test clock that can stand in for it.
#include <chrono>

#include "lib/platform/clock.h"
#include "lib/platform/clock_os.h"
#include "lib/platform/seams.h"

namespace sunder::platform {

// The clock a test set (seams::set_clock).
bool have_test_clock = false;
ClockReading test_clock;

void read_local_clock(ClockReading& reading) {
  if (have_test_clock) {
    reading = test_clock;
    return;
  }
  os_local_clock(reading);
}

std::int64_t steady_milliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace sunder::platform

namespace sunder::seams {

void set_clock(const platform::ClockReading* reading) {
  platform::have_test_clock = reading != nullptr;
  if (reading != nullptr) platform::test_clock = *reading;
}

}  // namespace sunder::seams
