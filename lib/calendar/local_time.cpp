// GMT or local time to local time with a zone name. File mode reads the
// computer's time-zone file once a run; coordinate mode picks a North
// American standard-time zone by longitude. Both then apply daylight saving.
//
// The time-zone file, two lines (columns from 1):
//   line 1, columns 20-24: the zone of the computer's clock, "GMT" or a word
//                          with "oc" in columns 21-22 ("Local");
//   line 2, columns 5-7:   hour shift from GMT to local standard time,
//           columns 9-10:  minute shift (takes the hour shift's sign),
//           column 13:     the zone letter (P gives P_T, later PST or PDT).
#include "lib/calendar/local_time.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "lib/calendar/daylight_time.h"
#include "lib/calendar/rata_die.h"
#include "lib/files/file_exists.h"
#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/platform/seams.h"
#include "lib/platform/timezone_path.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

constexpr std::int32_t kHoursPerDay = 24;

bool trace_on = false;
bool file_to_read = true;
std::string pc_tim_zone(5, ' ');
std::string zone_name(3, ' ');
std::int32_t file_hour_shift = 0;
std::int32_t file_minute_shift = 0;

void log_error(std::string_view text) { mesag_to_log(text, " ", kLogConsoleAndFile); }

bool local_word(std::string_view word) { return word.size() >= 3 && word.substr(1, 2) == "oc"; }

// Division rounding down, also for negative values.
std::int32_t floor_div(std::int32_t a, std::int32_t b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

// Moves the date by that many days forwards or backwards.
void change_day(std::int32_t change, std::int32_t& day, std::int32_t& month, std::int32_t& year) {
  std::int32_t weekday = 0;
  std::string no_name;
  const std::int32_t n = RataDie(day, month, year, weekday, no_name) + change;
  invRataDie(n, day, month, year, weekday, no_name);
}

void read_timezone_file() {
  const std::string path = platform::timezone_file_path();
  if (!file_exists(path)) {
    pc_tim_zone = "Local";
    zone_name = "P_T";
    file_hour_shift = 0;
    file_minute_shift = 0;
  } else {
    const Unit unit = nextlu();
    if (open_file(unit, path, "input", kReturnOnFailure) != kOpenOk) {
      log_error("*In local_time: Err opening c:\\timeZone.pc");
    } else {
      std::string letter(1, ' ');
      std::int32_t hours = 0;
      std::int32_t minutes = 0;
      const int first = read_line(unit, "(T20, A5)", {pc_tim_zone});
      int second = kReadError;
      if (first == kReadOk)
        second = read_line(unit, "(T5, I3, 1X, I2, 2X, A1)", {hours, minutes, letter});
      zone_name = letter + "_T";
      if (minutes != 0 && hours < 0) minutes = -std::abs(minutes);
      if (first != kReadOk || second != kReadOk) {
        log_error("*In local_time, c:\\timeZone..pc read err; assume local time");
        hours = 0;
        minutes = 0;
      }
      file_hour_shift = hours;
      file_minute_shift = minutes;
    }
    close_unit(unit);
  }
  file_to_read = false;
}

// A date and time of day as local_time works on it.
struct Time {
  std::int32_t day, month, year, hour, minute;
};

// The shift from GMT to local standard time.
struct Shift {
  std::int32_t hours = 0;
  std::int32_t minutes = 0;
};

// The trace is asked for: on from now, and the incoming time written.
void start_trace(float latitude, float longitude, const Time& t, const std::string& zone) {
  trace_on = true;
  mesag(std::string_view("   >>In local_time"), kMesagConsoleAndFile);
  write_line(kConsole, "(6X, A, 2F7.2, I5, 3I3, 3A)",
             {"lat,lon, yr,mon,day, hr,zone=", latitude, longitude, t.year, t.month, t.day, t.hour,
              ", \"", zone, "\""});
}

// A date below 1 or a zone word neither GMT nor local is reported.
bool rejected(const Time& t, const std::string& word) {
  if (t.day >= 1 && t.month >= 1 && t.year >= 1 && (word == "GMT  " || local_word(word))) {
    return false;
  }
  log_error("*In local_time: Bad incoming time");
  write_free(kConsole, {"input:", word, t.day, t.month, t.year});
  return true;
}

// File mode: the time-zone file's shift when the clock keeps GMT, none when
// it keeps local time; the zone named by the file's letter.
Shift file_shift(std::string& zone) {
  if (file_to_read) read_timezone_file();
  Shift shift;
  if (pc_tim_zone.substr(0, 3) == "GMT") {
    shift = {file_hour_shift, file_minute_shift};
  } else if (!local_word(pc_tim_zone)) {
    log_error("*In local_time, c:\\timeZone.pc time zone err; assume local time");
  }
  put_field(zone, zone_name);
  if (trace_on) {
    write_free(kConsole, {"PcTimZone,timeZone, nHr&minShift=", pc_tim_zone, ",", zone, shift.hours,
                          shift.minutes});
  }
  return shift;
}

// Coordinate mode: a North American standard-time zone by longitude.
Shift coordinate_shift(float latitude, float longitude, const std::string& word,
                       std::string& zone) {
  if (word != "GMT  ") log_error("*In local_time, timeZone not GMT");
  if (std::fabs(latitude) > 90.0f || std::fabs(longitude) > 180.0f) {
    log_error("*In local_time: lat,lon args bad");
  }
  const float lon = longitude;
  std::string_view name = "Unk";
  Shift shift;
  if (lon >= -85.0f && lon < -67.0f) {
    name = "E_T", shift.hours = -5;
  } else if (lon >= -102.0f && lon < -85.0f) {
    name = "C_T", shift.hours = -6;
  } else if (lon >= -114.0f && lon < -102.0f) {
    name = "M_T", shift.hours = -7;
  } else if (lon >= -130.0f && lon < -114.0f) {
    name = "P_T", shift.hours = -8;
  } else if (lon >= -180.0f && lon < -130.0f && latitude > 48.0f) {
    name = "A_T", shift.hours = -9;
  } else if (lon >= -180.0f && lon < -130.0f && latitude > 0.0f && latitude < 48.0f) {
    name = "H_T", shift.hours = -10;
  }
  // Any other point (also far west at latitude 48 or south of the equator)
  // has no known zone: "Unk" and no shift.
  put_field(zone, name);
  return shift;
}

// Shifts carry over whole hours and whole days: the file's fields hold up to
// 99 hours and 99 minutes, more than one day or one hour.
void apply_shift(const Shift& shift, const std::string& zone, Time& t) {
  t.minute += shift.minutes;
  t.hour += shift.hours + floor_div(t.minute, 60);
  t.minute -= floor_div(t.minute, 60) * 60;
  const std::int32_t day_change = floor_div(t.hour, kHoursPerDay);
  t.hour -= day_change * kHoursPerDay;
  if (day_change != 0) change_day(day_change, t.day, t.month, t.year);
  if (trace_on) {
    write_line(kConsole, "(6X, 2A, 2I5)", {"timZone,loclHrStd,dayChng=", zone, t.hour, day_change});
  }
}

// A known zone becomes _ST or, in daylight time (never in Hawaii), _DT; a
// time given as GMT then gains the daylight hour.
void apply_daylight_time(const std::string& word, std::string& zone, Time& t) {
  if (zone.substr(0, 3) == "Unk") return;
  zone[1] = 'S';
  zone[2] = 'T';
  if (zone.substr(0, 3) == "HST" || !daylight_time(t.day, t.month, t.year, t.hour)) return;
  zone[1] = 'D';
  if (local_word(word)) return;
  ++t.hour;
  if (t.hour >= kHoursPerDay) {
    t.hour -= kHoursPerDay;
    change_day(1, t.day, t.month, t.year);
  }
}

void trace_result(const Time& local, const Time& gmt, std::int32_t hour_shift,
                  const std::string& zone) {
  mesag(std::string_view("   <<Lv local_time"), kMesagConsoleAndFile);
  write_line(kConsole, "(6X, A, 4I3, I5, A4)",
             {"with Local Hr,Mn, Mo/Dy/Yr=", local.hour, local.minute, local.month, local.day,
              local.year, zone});
  if (hour_shift != 0) {
    write_line(kConsole, "(11X, A, 4I3, I5, 2X, A, I3)",
               {"  GMT Hr,Mn, Mo/Dy/Yr=", gmt.hour, gmt.minute, gmt.month, gmt.day, gmt.year,
                "shift=", hour_shift});
  }
}

}  // namespace

std::int32_t local_time(float latitude, float longitude, std::int32_t& day, std::int32_t& month,
                        std::int32_t& year, std::int32_t& hour, std::int32_t& minute,
                        std::string& zone) {
  if (zone.size() < 3) zone.resize(3, ' ');
  const bool trace_asked = hour >= kLocalTimeTrace;
  const Time given{day, month, year, trace_asked ? hour - kLocalTimeTrace : hour, minute};
  if (trace_asked) start_trace(latitude, longitude, given, zone);

  const std::string word = field(zone, 5);
  if (rejected(given, word)) {
    put_field(zone, "Unk");
    return -1;
  }

  const Shift shift = std::fabs(latitude) >= 91.0f
                          ? file_shift(zone)
                          : coordinate_shift(latitude, longitude, word, zone);
  Time local = given;
  if (shift.hours != 0 || shift.minutes != 0) apply_shift(shift, zone, local);
  apply_daylight_time(word, zone, local);
  if (trace_on) trace_result(local, given, shift.hours, zone);

  day = local.day;
  month = local.month;
  year = local.year;
  hour = local.hour;
  minute = local.minute;
  return shift.hours;
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  trace_on = false;
  file_to_read = true;
  pc_tim_zone.assign(5, ' ');
  zone_name.assign(3, ' ');
  file_hour_shift = 0;
  file_minute_shift = 0;
});

}  // namespace sunder
