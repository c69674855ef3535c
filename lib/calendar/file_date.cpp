// A file's modification date and time as texts mm/dd/yy and hh:mm:ss plus a
// marker, in a fixed zone eight hours behind GMT (seven in daylight time).
#include "lib/calendar/file_date.h"

#include <array>
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

// The file status of the last successful query: element 8 (counting from 1)
// the size, element 10 the modification time, both in 64 bits; the others
// are not known to the platform layer and stay 0. Kept from call to call.
std::array<std::int64_t, 12> status_buffer{};

constexpr std::size_t kSizeElement = 7;
constexpr std::size_t kTimeElement = 9;

// Floor division and its remainder, also for times before 1970.
std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

std::int32_t file_date(std::string_view name, std::string& date, std::string& time,
                       std::int32_t k12or24) {
  if (date.size() < 8 || time.size() < 9) {
    mesag("*fileDate/or fileTime < 8/or 9 chrs in fildat", 2);
    date.assign(date.size(), ' ');
    time.assign(time.size(), ' ');
    return 1;
  }
  if (!file_exists(name)) {
    // The whole name field follows the fixed text; mesag drops trailing blanks.
    std::string message = "In file_date, file doesn't exist: ";
    message.append(name);
    mesag(message, 2);
    return 2;
  }
  const bool trace = k12or24 < 0;

  std::int32_t lulog = -1;
  mesag("Get lu", lulog);
  // Without a designated output unit the request above makes the error-message
  // file the output unit but does not answer; asked again it does.
  if (lulog < 0) mesag("Get lu", lulog);
  if (lulog < 0) lulog = kConsole;
  if (trace) write_free(lulog, {">>In file_date, lulog,k12or24=", lulog, k12or24});

  std::int64_t seconds = 0;
  std::int64_t bytes = 0;
  const int answer = platform::file_mtime(used(name), seconds);
  if (answer == platform::kFileOk) {
    status_buffer[kTimeElement] = seconds;
    if (platform::file_size(used(name), bytes) == platform::kFileOk)
      status_buffer[kSizeElement] = bytes;
  } else {
    write_free(lulog, {"*Stat err in file_date"});
  }
  if (trace) {
    const auto& b = status_buffer;
    write_line(
        lulog, "(A, I3, A, 2(/, 6I12))",
        {" iStatus=", answer, "  File infoArray:", static_cast<long long>(b[0]),
         static_cast<long long>(b[1]), static_cast<long long>(b[2]), static_cast<long long>(b[3]),
         static_cast<long long>(b[4]), static_cast<long long>(b[5]), static_cast<long long>(b[6]),
         static_cast<long long>(b[7]), static_cast<long long>(b[8]), static_cast<long long>(b[9]),
         static_cast<long long>(b[10]), static_cast<long long>(b[11])});
  }

  const std::int64_t t = status_buffer[kTimeElement];
  // The remainder taken directly: days * 86400 would overflow for the
  // earliest times a file system can hold.
  std::int64_t days = floor_div(t, 86400);
  std::int64_t seconds_of_day = t % 86400;
  if (seconds_of_day < 0) seconds_of_day += 86400;
  if (trace) {
    write_free(lulog, {"nSecsOfFile=", static_cast<long long>(t)});
    write_free(lulog, {"nsecsOfDay= ", static_cast<long long>(seconds_of_day)});
    write_free(lulog, {"nFileDaysSince1Jan1970=", static_cast<long long>(days)});
  }

  // Day numbers are 32-bit and begin with 1 January of year 1; a time outside
  // them (and the day before, needed for the zone shift) is not a real file date.
  std::int64_t day_number = days + kDayNumber1970;
  if (day_number < 2 || day_number > std::numeric_limits<std::int32_t>::max()) {
    mesag("*In file_date, file time out of range; using 1 Jan 1970", 2);
    days = 0;
    seconds_of_day = 0;
    day_number = kDayNumber1970;
  }
  if (trace) {
    write_line(lulog, "(A, I9)", {" ndaysOn1Jan1970=", kDayNumber1970});
    write_line(lulog, "(A, I12)", {" nFileDaysSince1Jan1900=", static_cast<long long>(day_number)});
  }

  std::int32_t day = 0, month = 0, year = 0, weekday = 0;
  std::string no_name;
  invRataDie(static_cast<std::int32_t>(day_number), day, month, year, weekday, no_name);
  if (trace) {
    write_line(lulog, "(A, 2(I2.2, A1), I4)", {" File date (m/d/y): ", month, "/", day, "/", year});
  }

  std::int32_t hour = static_cast<std::int32_t>(seconds_of_day / 3600);
  const std::int32_t minute = static_cast<std::int32_t>((seconds_of_day % 3600) / 60);
  const std::int32_t second = static_cast<std::int32_t>(seconds_of_day % 60);
  if (trace) {
    write_line(lulog, "(A, 3(I2.2, A))", {" File time (GMT) = ", hour, ":", minute, ":", second});
  }

  const std::int32_t adjust = daylight_time(day, month, year, hour) ? 7 : 8;
  hour -= adjust;
  if (hour < 0) {
    --day_number;
    invRataDie(static_cast<std::int32_t>(day_number), day, month, year, weekday, no_name);
    hour += 24;
  }
  if (trace) write_free(lulog, {"For Daylight, hrAdjust,hrNow=", adjust, hour});

  render(date, "(3(I2.2, A1))", {month, "/", day, "/", year % 100});

  std::string_view marker = " ";
  if (k12or24 == 12 || k12or24 == -12) {
    marker = "a";
    if (hour >= 12) marker = "p";
    if (hour >= 13) hour -= 12;
  }
  render(time, "(3(I2.2, A1))", {hour, ":", minute, ":", second, marker});
  if (trace) write_line(lulog, "(2A)", {"<<Lv file_date, final file time= ", time});
  return 0;
}

void file_date_status(std::string_view name, std::string& date, std::string& time,
                      std::int32_t k12or24, std::int32_t& status) {
  status = file_date(name, date, time, k12or24);
}

namespace {

// A fresh start, as in a new process (through the test seams).
void reset_state() { status_buffer.fill(0); }

[[maybe_unused]] const bool registered = seams::register_reset(reset_state);

}  // namespace

}  // namespace sunder
