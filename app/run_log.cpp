#include "app/run_log.h"

#include <string>

#include "app/cmd_line.h"
#include "app/run_state.h"
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

constexpr char kLogName[] = "Sunder.log";
constexpr std::size_t kEchoLength = 80;
// The report row: the name's field from column 10 is 17 columns wide, the
// date starts in column 27.
constexpr std::size_t kReportNameField = 16;
constexpr std::size_t kReportRestColumn = 27;
constexpr std::size_t kReportRowLength = 80;

constexpr std::string_view kLogWriteError = "*Err writing the run log Sunder.log; stop";

// The log's unit, from nextlu at the set-up; the log is open while the unit
// is connected.
Unit luLog = -1;

bool log_open() { return luLog >= 0 && unit_connected(luLog); }

// A report line that did not reach the log: the run cannot claim success.
void check_log_write(int status) {
  if (status == 0 || !log_open()) return;
  mesag(kLogWriteError, kMesagConsole);
  stop(kExitError);
}

}  // namespace

void setup_run_log() {
  luLog = nextlu();
  mesag("Initialize", -luLog);
  const std::int32_t kontrol = kontrl(kOverwriteAlways, kReturnOnFailure);
  if (open_file(luLog, kLogName, "output", kontrol) == kOpenOk) set_write_through(luLog);
}

bool run_log_written() { return log_open(); }

platform::FileHandle run_log_handle() { return stream_handle(luLog); }

void write_echo_and_run_time() {
  std::string echo(kEchoLength, ' ');
  std::int32_t nargs = 0;
  cmd_line(nargs, echo);
  render(std::span<char>(echo).subspan(67, 12), "(3A)", {"(", kVersion, ")"});
  mesag(echo, kMesagConsoleAndFile);

  std::int32_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
  system_date_time(day, month, year, hour, minute, second, hundredths);
  render(echo, "(T57, 6(A, I2.2))",
         {"Run: ", month, "/", day, "/", year % 100, ", ", hour, ":", minute, ":", second});
  mesag(echo, kMesagConsoleAndFile);
}

void write_report_head() {
  const Unit lu = luLog;
  check_log_write(write_line(lu, "(/, T30, A)", {"- Split Files Report -"}));
  check_log_write(write_line(lu, "(/, T13, A, T32, A, T54, A)", {"File", "Dated", "Split Into"}));
}

void write_report_row(std::string_view volume, std::string_view date, std::string_view time,
                      std::int32_t nchannels) {
  static const Layout& row = layout("(T10, A, T27, A, 1X, A, T48, I3, A)");
  const Unit lu = luLog;
  const std::string_view name = used(volume);
  // With --folders the row names the folder the files went into.
  const std::string files =
      " single-channel files" + (run_state().folder.empty() ? "" : " in " + run_state().folder);
  if (name.size() <= kReportNameField) {
    check_log_write(write_line(lu, row, {name, date, time, nchannels, files}));
    return;
  }
  // A longer name is written whole, then one blank and the rest of the row
  // as it stands from column 27 in a row of a short name.
  std::string text(kReportRowLength, ' ');
  render(text, row, {"", date, time, nchannels, files});
  const std::string_view rest = used(std::string_view(text).substr(kReportRestColumn - 1));
  check_log_write(write_line(lu, "(T10, 3A)", {name, " ", rest}));
}

void close_run_log() {
  if (!log_open()) return;
  if (close_unit(luLog) != 0) {
    mesag(kLogWriteError, kMesagConsole);
    stop(kExitError);
  }
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] { luLog = -1; });

}  // namespace sunder
