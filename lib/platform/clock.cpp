// The local clock, and the test clock that can stand in for it.
#include <chrono>

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

std::int64_t steady_milliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void set_test_clock(const ClockReading* reading) {
  have_test_clock = reading != nullptr;
  if (reading != nullptr) test_clock = *reading;
}

}  // namespace sunder::platform
