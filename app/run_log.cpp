#include "app/run_log.h"

#include <string>

#include "app/cmd_line.h"
#include "app/run_state.h"
#include "lib/calendar/clock.h"
#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
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

// A report line that did not reach the log: the run cannot claim success.
void check_log_write(int status) {
  RunState& rs = run_state();
  if (status == 0 || !rs.logOpen) return;
  mesag("*Err writing the run log Sunder.log; stop", 0);
  stop(kExitError);
}

}  // namespace

void setup_run_log() {
  RunState& rs = run_state();
  rs.luLog = nextlu();
  mesag("Initialize", -rs.luLog);
  rs.logOpen = open_file(rs.luLog, kLogName, "output", 42) == 0;
  if (rs.logOpen) set_write_through(rs.luLog);
}

bool run_log_written() { return run_state().logOpen; }

void write_echo_and_run_time() {
  std::string echo(kEchoLength, ' ');
  std::int32_t nargs = 0;
  cmd_line(nargs, echo);
  render(std::span<char>(echo).subspan(67, 12), "(3A)", {"(", kVersion, ")"});
  mesag(echo, 2);

  std::int32_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
  system_date_time(day, month, year, hour, minute, second, hundredths);
  render(echo, "(T57, 6(A, I2.2))",
         {"Run: ", month, "/", day, "/", year % 100, ", ", hour, ":", minute, ":", second});
  mesag(echo, 2);
}

void write_report_head() {
  const Unit lu = run_state().luLog;
  check_log_write(write_line(lu, "(/, T30, A)", {"- Split Files Report -"}));
  check_log_write(
      write_line(lu, "(/, T13, A, T32, A, T54, A)", {"File", "Dated", "Split Into"}));
}

void write_report_row(std::string_view volume, std::string_view date, std::string_view time,
                      std::int32_t nchannels) {
  static const Layout& row = layout("(T10, A, T27, A, 1X, A, T48, I3, A)");
  const Unit lu = run_state().luLog;
  const std::string_view name = used(volume);
  if (name.size() <= kReportNameField) {
    check_log_write(write_line(lu, row, {name, date, time, nchannels, " single-channel files"}));
    return;
  }
  // A longer name is written whole, then one blank and the rest of the row
  // as it stands from column 27 in a row of a short name.
  std::string text(kReportRowLength, ' ');
  render(text, row, {"", date, time, nchannels, " single-channel files"});
  const std::string_view rest = used(std::string_view(text).substr(kReportRestColumn - 1));
  check_log_write(write_line(lu, "(T10, 3A)", {name, " ", rest}));
}

void close_run_log() {
  RunState& rs = run_state();
  if (!rs.logOpen) return;
  rs.logOpen = false;
  if (close_unit(rs.luLog) != 0) {
    mesag("*Err writing the run log Sunder.log; stop", 0);
    stop(kExitError);
  }
}

}  // namespace sunder
