// The local clock on POSIX.
#include <sys/time.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "lib/platform/clock_os.h"

namespace sunder::platform {

void os_local_clock(ClockReading& r) {
  timeval tv{};
  ::gettimeofday(&tv, nullptr);
  std::tm tm{};
  const time_t seconds = tv.tv_sec;
  ::localtime_r(&seconds, &tm);
  r.year = tm.tm_year + 1900;
  r.month = tm.tm_mon + 1;
  r.day = tm.tm_mday;
  r.hour = tm.tm_hour;
  r.minute = tm.tm_min;
  r.second = tm.tm_sec;
  r.millisecond = static_cast<int>(tv.tv_usec / 1000);
}

void sleep_milliseconds(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace sunder::platform
