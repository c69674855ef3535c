// The local clock on POSIX.
#include <sys/time.h>

#include <ctime>
#include <thread>

#include "lib/platform/clock.h"

namespace sunder::platform {
namespace {

bool have_test_clock = false;
ClockReading test_clock;

void real_clock(ClockReading& r) {
  timeval tv {};
  ::gettimeofday(&tv, nullptr);
  std::tm tm {};
  time_t seconds = tv.tv_sec;
  ::localtime_r(&seconds, &tm);
  r.year = tm.tm_year + 1900;
  r.month = tm.tm_mon + 1;
  r.day = tm.tm_mday;
  r.hour = tm.tm_hour;
  r.minute = tm.tm_min;
  r.second = tm.tm_sec;
  r.millisecond = static_cast<int>(tv.tv_usec / 1000);
}

}  // namespace

void read_local_clock(ClockReading& reading) {
  if (have_test_clock) {
    reading = test_clock;
    return;
  }
  real_clock(reading);
}

void read_time_of_day(int& hour, int& minute, int& second, int& hundredths) {
  ClockReading r;
  real_clock(r);
  hour = r.hour;
  minute = r.minute;
  second = r.second;
  hundredths = r.millisecond / 10;
}

void sleep_milliseconds(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void set_test_clock(const ClockReading* reading) {
  have_test_clock = reading != nullptr;
  if (reading != nullptr) test_clock = *reading;
}

}  // namespace sunder::platform
