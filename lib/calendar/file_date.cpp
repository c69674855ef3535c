// A file's modification date and time as texts mm/dd/yy and hh:mm:ss plus a
// marker, in a fixed zone eight hours behind GMT (seven in daylight time).
#include "lib/calendar/file_date.h"

#include <cstdint>
#include <limits>
#include <string>

#include "lib/calendar/daylight_time.h"
#include "lib/calendar/rata_die.h"
#include "lib/files/file_exists.h"
#include "lib/messages/mesag.h"
#include "lib/platform/file.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

// What the last successful query told of the file: its size and its
// modification time in seconds since 1970. Kept from call to call: a failed
// query leaves the last ones.
std::int64_t last_size = 0;
std::int64_t last_modified = 0;

constexpr std::int64_t kSecondsPerDay = 86400;

// A file's date and time of day; day_number counts from 1 January of year 1.
struct Moment {
  std::int64_t day_number = 0;
  std::int32_t day = 0, month = 0, year = 0;
  std::int32_t hour = 0, minute = 0, second = 0;
};

// Floor division and its remainder, also for times before 1970.
std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Texts too short (status 1, both blanked) or no such file (status 2): reported.
std::int32_t unfit(std::string_view name, std::string& date, std::string& time) {
  if (date.size() < 8 || time.size() < 9) {
    mesag("*fileDate/or fileTime < 8/or 9 chrs in fildat", kMesagConsoleAndFile);
    date.assign(date.size(), ' ');
    time.assign(time.size(), ' ');
    return 1;
  }
  if (!file_exists(name)) {
    // The whole name field follows the fixed text; mesag drops trailing blanks.
    std::string message = "In file_date, file doesn't exist: ";
    message.append(name);
    mesag(message, kMesagConsoleAndFile);
    return 2;
  }
  return 0;
}

// The unit of the message file, where the trace and the query's error go.
Unit message_unit() {
  std::int32_t lulog = -1;
  mesag(kMesagGetLu, lulog);
  // Without a designated output unit the request above makes the error-message
  // file the output unit but does not answer; asked again it does.
  if (lulog < 0) mesag(kMesagGetLu, lulog);
  if (lulog < 0) lulog = kConsole;
  return lulog;
}

// The file's size and modification time from the platform. The trace shows
// them in the places of the old twelve-slot status record (8 and 10),
// the others 0.
void query_file(std::string_view name, Unit lulog, bool trace) {
  std::int64_t seconds = 0;
  std::int64_t bytes = 0;
  const int answer = platform::file_mtime(used(name), seconds);
  if (answer == platform::kFileOk) {
    last_modified = seconds;
    if (platform::file_size(used(name), bytes) == platform::kFileOk) last_size = bytes;
  } else {
    write_free(lulog, {"*Stat err in file_date"});
  }
  if (trace) {
    const auto size = static_cast<long long>(last_size);
    const auto modified = static_cast<long long>(last_modified);
    write_line(
        lulog, "(A, I3, A, 2(/, 6I12))",
        {" iStatus=", answer, "  File infoArray:", 0, 0, 0, 0, 0, 0, 0, size, 0, modified, 0, 0});
  }
}

// The GMT date and time of the seconds since 1970.
Moment gmt_moment(std::int64_t t, Unit lulog, bool trace) {
  // The remainder taken directly: days * 86400 would overflow for the
  // earliest times a file system can hold.
  std::int64_t days = floor_div(t, kSecondsPerDay);
  std::int64_t seconds_of_day = t % kSecondsPerDay;
  if (seconds_of_day < 0) seconds_of_day += kSecondsPerDay;
  if (trace) {
    write_free(lulog, {"nSecsOfFile=", static_cast<long long>(t)});
    write_free(lulog, {"nsecsOfDay= ", static_cast<long long>(seconds_of_day)});
    write_free(lulog, {"nFileDaysSince1Jan1970=", static_cast<long long>(days)});
  }

  // Day numbers are 32-bit and begin with 1 January of year 1; a time outside
  // them (and the day before, needed for the zone shift) is not a real file date.
  Moment m;
  m.day_number = days + kDayNumber1970;
  if (m.day_number < 2 || m.day_number > std::numeric_limits<std::int32_t>::max()) {
    mesag("*In file_date, file time out of range; using 1 Jan 1970", kMesagConsoleAndFile);
    seconds_of_day = 0;
    m.day_number = kDayNumber1970;
  }
  if (trace) {
    write_line(lulog, "(A, I9)", {" ndaysOn1Jan1970=", kDayNumber1970});
    write_line(lulog, "(A, I12)",
               {" nFileDaysSince1Jan1900=", static_cast<long long>(m.day_number)});
  }

  std::int32_t weekday = 0;
  std::string no_name;
  invRataDie(static_cast<std::int32_t>(m.day_number), m.day, m.month, m.year, weekday, no_name);
  if (trace) {
    write_line(lulog, "(A, 2(I2.2, A1), I4)",
               {" File date (m/d/y): ", m.month, "/", m.day, "/", m.year});
  }
  m.hour = static_cast<std::int32_t>(seconds_of_day / 3600);
  m.minute = static_cast<std::int32_t>((seconds_of_day % 3600) / 60);
  m.second = static_cast<std::int32_t>(seconds_of_day % 60);
  if (trace) {
    write_line(lulog, "(A, 3(I2.2, A))",
               {" File time (GMT) = ", m.hour, ":", m.minute, ":", m.second});
  }
  return m;
}

// From GMT to the fixed zone: eight hours back, seven in daylight time.
void shift_to_zone(Moment& m, Unit lulog, bool trace) {
  const std::int32_t adjust = daylight_time(m.day, m.month, m.year, m.hour) ? 7 : 8;
  m.hour -= adjust;
  if (m.hour < 0) {
    --m.day_number;
    std::int32_t weekday = 0;
    std::string no_name;
    invRataDie(static_cast<std::int32_t>(m.day_number), m.day, m.month, m.year, weekday, no_name);
    m.hour += 24;
  }
  if (trace) write_free(lulog, {"For Daylight, hrAdjust,hrNow=", adjust, m.hour});
}

// mm/dd/yy, and hh:mm:ss with a blank or, on the 12-hour clock, a or p.
void render_texts(Moment m, std::int32_t k12or24, std::string& date, std::string& time) {
  render(date, "(3(I2.2, A1))", {m.month, "/", m.day, "/", m.year % 100});
  std::string_view marker = " ";
  if (k12or24 == 12 || k12or24 == -12) {
    marker = "a";
    if (m.hour >= 12) marker = "p";
    if (m.hour >= 13) m.hour -= 12;
  }
  render(time, "(3(I2.2, A1))", {m.hour, ":", m.minute, ":", m.second, marker});
}

}  // namespace

std::int32_t file_date(std::string_view name, std::string& date, std::string& time,
                       std::int32_t k12or24) {
  const std::int32_t status = unfit(name, date, time);
  if (status != 0) return status;
  const bool trace = k12or24 < 0;
  const Unit lulog = message_unit();
  if (trace) write_free(lulog, {">>In file_date, lulog,k12or24=", lulog, k12or24});

  query_file(name, lulog, trace);
  Moment m = gmt_moment(last_modified, lulog, trace);
  shift_to_zone(m, lulog, trace);
  render_texts(m, k12or24, date, time);
  if (trace) write_line(lulog, "(2A)", {"<<Lv file_date, final file time= ", time});
  return 0;
}

void file_date_status(std::string_view name, std::string& date, std::string& time,
                      std::int32_t k12or24, std::int32_t& status) {
  status = file_date(name, date, time, k12or24);
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  last_size = 0;
  last_modified = 0;
});

}  // namespace sunder
