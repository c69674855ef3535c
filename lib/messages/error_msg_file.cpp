// "_error.msg": connected for one message at a time, each message under a
// dated header line. An existing file is extended, never replaced.
#include "lib/messages/error_msg_file.h"

#include <string>

#include "lib/files/file_exists.h"
#include "lib/files/units.h"
#include "lib/platform/clock.h"
#include "lib/platform/file.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

// "12/07/26 at 14:05:09": month, day, year mod 100, hour, minute, second.
std::string date_text() {
  platform::ClockReading now;
  platform::read_local_clock(now);
  std::string text(20, ' ');
  render(text, "(2(I2, A, 2(I2.2, A)))",
         {now.month, "/", now.day, "/", now.year % 100, " at ", now.hour, ":", now.minute, ":",
          now.second});
  return text;
}

}  // namespace

void open_error_msg_file(Unit& luErr, std::int32_t ktest) {
  if (ktest >= 2) write_free(kConsole, {">>In open_error_msg_file, luErr=", luErr});
  if (luErr == -1) luErr = nextlu();
  if (ktest >= 2) write_free(kConsole, {"New luErr=", luErr});

  const std::string date = date_text();
  int iostat = 0;
  std::string_view header;
  if (file_exists(kErrorMsgFile)) {
    iostat = connect_unit(luErr, kErrorMsgFile, UnitMode::kAppend);
    // A link or a special file at the name: the messages have no safe place
    // to go, and the run ends before anything is written through it.
    if (iostat == platform::kNotRegularFile) {
      stop(kExitError, "*" + std::string(kErrorMsgFile) + std::string(kNotRegularText));
    }
    if (iostat != 0) write_free(kConsole, {"*Mesag: iostat!=0:", iostat});
    header = "-- Error message(s) added to existing file on: ";
  } else {
    iostat = connect_unit(luErr, kErrorMsgFile, UnitMode::kNew);
    if (iostat != 0) write_free(kConsole, {"*Mesag: iostat ne 0: ", iostat});
    header = "-- Error message(s) written on: ";
  }
  // Without a connection the header has nowhere to go; it is dropped (as is
  // the caller's message), rather than written to whatever luErr may hold.
  if (iostat == 0) write_line(luErr, "(2A)", {header, date});

  if (ktest >= 2) write_free(kConsole, {"<<Lv open_err_msg_file, luErr=", luErr});
}

}  // namespace sunder
