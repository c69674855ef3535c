// The log writer: hands lines, optionally stamped with the local time, to
// mesag; keeps its own log file ("mesg2log.err" by default) open for it.
#include "lib/messages/mesag_to_log.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "lib/calendar/clock.h"
#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::size_t kStampedLineLength = 125;
constexpr std::size_t kNameLength = 40;

Unit log_unit = -1;
std::string log_name(kNameLength, ' ');
bool close_after_write = false;
bool initialised = false;
std::int32_t ktest = 0;

bool starts_with(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

// A line being built. Each call has its own, so that a message sent while a
// stamped line is being built (the local-time routines report through here)
// leaves the outer line alone.
using LineBuffer = std::array<char, kStampedLineLength>;

std::string_view as_view(const LineBuffer& line) { return {line.data(), line.size()}; }

void stamp_line(std::string_view text, std::string_view options, std::int32_t code,
                LineBuffer& line) {
  std::int32_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
  std::string zone = "Loc";
  system_time_local(day, month, year, hour, minute, second, hundredths, zone, ktest);

  const bool twelve_hour = options.size() >= 10 && options.substr(6, 4) == "12hr";
  std::size_t n = used_length(text);
  if (n > 98) {
    std::array<char, 46> notice{};
    render(std::span<char>(notice), "(2A)",
           {"Mesag too long: ", std::string_view(line.data(), 30)});
    mesag(std::string_view(notice.data(), notice.size()), code);
    n = 97;
  }
  // ", at " + time part + " on " + mm/dd/yy + "." must fit the line.
  const std::size_t stamp_length = twelve_hour ? 40 : 26;
  if (n > kStampedLineLength - stamp_length) n = kStampedLineLength - stamp_length;

  const std::int32_t hour12 = hour >= 13 ? hour - 12 : hour;
  const std::string_view am_pm = hour >= 12 ? " PM)" : " AM)";
  std::array<char, 22> time_text{};
  render(std::span<char>(time_text), "(6(I2.2, A))",
         {hour, ":", minute, ":", second, " (", hour12, ":", minute, ":", second, am_pm});
  const std::string_view time_part(time_text.data(), twelve_hour ? 22 : 8);
  render(std::span<char>(line), "(4A, 3(I2.2, A))",
         {text.substr(0, n), ", at ", time_part, " on ", month, "/", day, "/", year % 100, "."});
}

}  // namespace

void mesag_to_log(std::string_view text, std::string_view options, std::int32_t kontrol) {
  if (ktest > 0) {
    write_free(kConsole, {">>In mesag_to_log: ", text, ", ", options, ", ", kontrol});
  }
  const std::string_view whole = used(text);
  if (whole == "Set ktest") {
    ktest = kontrol;
    mesag(kMesagSetKtest, kontrol);
    open_file(0, "Set ktest", " ", kontrol);
  } else if (whole == "Initialize") {
    log_unit = -kontrol;
    mesag("Initialize lu", kontrol);
    const std::size_t slash = options.find('/');
    put_field(log_name, options.substr(0, slash));
    close_after_write = slash != std::string_view::npos;
    initialised = true;
  } else {
    if (!initialised) {
      log_unit = nextlu();
      std::int32_t negated = -log_unit;
      mesag("Initialize lu", negated);
      put_field(log_name, "mesg2log.err");
      initialised = true;
    }
    if (kontrol == kLogControl && starts_with(text, "close")) {
      close_unit(log_unit);
      if (ktest > 0) write_free(kConsole, {"<<Lv mesag_to_log; lu closed"});
      return;
    }
    if (kontrol == kLogControl && !starts_with(text, "open")) {
      mesag("Bad kontrol=10 call to mesag_to_log", kMesagConsoleAndFile);
      return;
    }
    bool open = file_connected(log_name);
    if (ktest > 0) write_free(kConsole, {"Log file open: ", open});
    if (!open) {
      const std::int32_t status =
          open_file(log_unit, log_name, "append", kontrl(kOverwriteAlways, kReturnOnFailure));
      if (ktest > 0 || status > kOpenAppendCreated)
        write_free(kConsole, {"On open of logFile, ier= ", status});
    }
    if (kontrol == kLogControl) {
      if (ktest > 0) {
        open = file_connected(log_name);
        write_free(kConsole, {"<<Lv mesag_to_log, lu Opn=", open});
      }
      return;
    }

    LineBuffer line;
    put_field(std::span<char>(line), text);
    const std::int32_t code = kontrol > kLogConsoleAndFile ? kLogConsoleAndFile : kontrol;
    if (starts_with(options, "w/time")) stamp_line(text, options, code, line);
    mesag(as_view(line), code);

    if (kontrol == kLogAndStop) {
      mesag("Stopping..", kMesagConsoleAndFile);
      stop(kExitError, " ");
    }
    if (close_after_write) close_unit(log_unit);
  }
  const bool open = unit_connected(log_unit);
  if (ktest > 0) write_free(kConsole, {"<<Lv mesag_to_log: lu Opn=", open});
}

std::int32_t open_file_logged(Unit unit, std::string_view name, std::string_view mode,
                              std::int32_t kontrl) {
  mesag_to_log("open for msg", " ", kLogControl);
  const std::int32_t status = open_file(unit, name, mode, kontrl);
  mesag_to_log("close", " ", kLogControl);
  return status;
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  log_unit = -1;
  log_name.assign(kNameLength, ' ');
  close_after_write = false;
  initialised = false;
  ktest = 0;
});

}  // namespace sunder
