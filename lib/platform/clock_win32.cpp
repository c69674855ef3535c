// The local clock on Windows.
#include <windows.h>

#include "lib/platform/clock_os.h"

namespace sunder::platform {

void os_local_clock(ClockReading& r) {
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

void sleep_milliseconds(int milliseconds) {
  Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

}  // namespace sunder::platform
