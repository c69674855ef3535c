// The local clock on Windows.
#include <windows.h>

#include "lib/platform/clock.h"

namespace sunder::platform {
namespace {

bool have_test_clock = false;
ClockReading test_clock;

void real_clock(ClockReading& r) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  r.year = st.wYear;
  r.month = st.wMonth;
  r.day = st.wDay;
  r.hour = st.wHour;
  r.minute = st.wMinute;
  r.second = st.wSecond;
  r.millisecond = st.wMilliseconds;
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

void sleep_milliseconds(int milliseconds) { Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

void set_test_clock(const ClockReading* reading) {
  have_test_clock = reading != nullptr;
  if (reading != nullptr) test_clock = *reading;
}

}  // namespace sunder::platform
