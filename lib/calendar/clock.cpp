// Clock reading: the platform clock as it is, and converted into local time
// through the time-zone file.
#include "lib/calendar/clock.h"

#include "lib/calendar/local_time.h"
#include "lib/platform/clock.h"
#include "lib/text/lines.h"

namespace sunder {

void system_date_time(std::int32_t& day, std::int32_t& month, std::int32_t& year,
                      std::int32_t& hour, std::int32_t& minute, std::int32_t& second,
                      std::int32_t& hundredths) {
  platform::ClockReading reading;
  platform::read_local_clock(reading);
  day = reading.day;
  month = reading.month;
  year = reading.year;
  hour = reading.hour;
  minute = reading.minute;
  second = reading.second;
  hundredths = reading.millisecond / 10;
}

void system_time_local(std::int32_t& day, std::int32_t& month, std::int32_t& year,
                       std::int32_t& hour, std::int32_t& minute, std::int32_t& second,
                       std::int32_t& hundredths, std::string& zone, std::int32_t level) {
  if (level > 0) write_free(kConsole, {" >>In system_time_local"});
  system_date_time(day, month, year, hour, minute, second, hundredths);
  if (level >= 1) hour += kLocalTimeTrace;  // asks local_time to trace
  if (level >= 2) {
    write_free(kConsole,
               {"Going to local_time: nday,nMth,nYr, nHr,nMin", day, month, year, hour, minute});
  }
  // A rejected reading comes back unchanged: take the trace request off again.
  local_time(91.0f, 0.0f, day, month, year, hour, minute, zone);
  if (hour >= kLocalTimeTrace) hour -= kLocalTimeTrace;
  if (level >= 2) {
    write_free(kConsole,
               {"Back from local_time: nday,nMth,nYr, nHr,nMin", day, month, year, hour, minute});
  }
  if (level > 0) write_free(kConsole, {" <<Lv system_time_local"});
}

}  // namespace sunder
