// Commands of the command processor, run in-line through the caller's runner
// or through the batch handshake with the companion sysCallr.bat; every
// command is first recorded with the time in the call log sysCalls.log.
#include "lib/shell/system_call.h"

#include "lib/shell/ask_text.h"
#include "lib/shell/wait_seconds.h"

#include <string>

#include "lib/calendar/clock.h"
#include "lib/files/file_exists.h"
#include "lib/files/open_file.h"
#include "lib/files/prompts.h"
#include "lib/files/units.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/platform/clock.h"
#include "lib/platform/console.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::size_t kHomeDirLength = 40;
constexpr std::size_t kNameLength = 60;
constexpr std::size_t kMessageLength = 80;
constexpr int kMaxPolls = 1000;

struct State {
  Unit luLog = -1;
  Unit luBat = -1;
  std::string homeDir = blanks(kHomeDirLength);
  std::string scriptName = "sysCall.bat";
  std::string logName = "sysCalls.log";
  std::string readyName = "BatIsRdy";
  std::string busyName = "sysCallr.Bsy";
  float secsToWait = 10.0f;
  float secsPerPoll = 0.25f;
  bool shortDate = false;
};

State state;

void initialize(std::string_view cmd, std::string_view type, std::int32_t ktest) {
  state.luLog = nextlu();
  state.luBat = nextlu();
  state.homeDir = field(cmd, kHomeDirLength);
  const std::string_view home = used(state.homeDir);
  const bool homeDirGvn = !home.empty();

  const std::string message = field(type, kMessageLength);
  const std::size_t n = used_length(message);
  state.shortDate = n >= 20 && message.compare(10, 10, ":shortdate") == 0;
  // The time-out option: a colon, two digits and one more character at the end.
  if (n >= 4 && message[n - 4] == ':') {
    std::int32_t seconds = 0;
    if (read_fields(message.substr(n - 3, 2), "(I2)", {seconds}) == kReadOk) {
      state.secsToWait = static_cast<float>(seconds);
    } else {
      mesag_to_log("*Bad waitTime input to system_call; will use default", " ", kLogConsoleAndFile);
    }
  }

  const std::string prefix = homeDirGvn ? std::string(home) : std::string();
  state.scriptName = used(field(prefix + "sysCall.bat", kNameLength));
  state.logName = used(field(prefix + "sysCalls.log", kNameLength));
  state.readyName = used(field(prefix + "BatIsRdy", kNameLength));
  state.busyName = used(field(prefix + "sysCallr.Bsy", kNameLength));

  if (ktest >= 1) {
    write_free(kConsole, {"  <<Lv system_call: initialized, homeDirGvn,secsToWait=", homeDirGvn,
                          state.secsToWait});
  }
}

void log_the_call(std::string_view cmd, std::string_view type) {
  open_file_logged(state.luLog, state.logName, "append",
                   kontrl(kOverwriteAlways, kReturnOnFailure));
  std::int32_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
  system_date_time(day, month, year, hour, minute, second, hundredths);
  std::string message = blanks(kMessageLength);
  render(message, "(5(I2.2, A), 2A)",
         {hour, ":", minute, ":", second, " ", month, "/", day, ", ", used(type), ":["});
  const std::string_view stamp = used(message);
  if (state.shortDate) {
    write_line(state.luLog, "(3A)", {stamp, used(cmd), "]"});
  } else {
    write_line(state.luLog, "(3A, I2.2, 3A)",
               {"At ", stamp.substr(0, 14), "/", year % 100, stamp.substr(14), used(cmd), "]"});
  }
  close_unit(state.luLog);
}

// Waits for the flag file to go, looking once a poll interval. Returns true
// when it went; waited is the sum of the intervals after which it was still there.
bool wait_for_removal(const std::string& flag, float& waited) {
  waited = 0.0f;
  for (int poll = 1; poll <= kMaxPolls; ++poll) {
    wait_seconds(state.secsPerPoll);
    if (!file_exists(flag)) return true;
    waited += state.secsPerPoll;
    if (waited >= state.secsToWait) return false;
  }
  return false;
}

void report_wait(std::string_view what, float waited, std::int32_t ktest) {
  if (ktest < 2 && waited < 0.5f * state.secsToWait) return;
  std::string message = blanks(kMessageLength);
  render(message, "(A, F5.1)", {what, waited});
  mesag_to_log(message, " ", kLogConsoleAndFile);
}

[[noreturn]] void stop_after_time_out(std::string_view text, std::string_view notation) {
  std::string message = blanks(kMessageLength);
  render(message, notation, {text, state.secsToWait, "s; stop"});
  mesag_to_log(message, "w/time", kLogAndStop);
  stop(kExitError);  // not reached: kLogAndStop ends the run
}

void run_in_line(const std::string& command, CommandRunner runner, std::int32_t ktest) {
  runner(command + " ");
  if (ktest >= 2) write_free(kConsole, {"  Executed in-line: " + command});
  wait_seconds(state.secsPerPoll);
}

void run_in_batch(const std::string& command, CommandRunner runner, std::int32_t ktest) {
  const std::string reply = ask_text("  dosCmd=\"" + command + "\" Ok?", 1);
  if (ktest >= 3 && reply[0] == 'n') stop(kExitError);

  float waited = 0.0f;
  if (file_exists(state.busyName) && !wait_for_removal(state.busyName, waited))
    stop_after_time_out("*In system_call, sysCallr.bsy not deleted after", "(A, F4.1, A)");

  open_file_logged(state.luBat, state.scriptName, "output",
                   kontrl(kOverwriteAlways, kReturnOnFailure));
  write_line(state.luBat, "(A)", {command});
  close_unit(state.luBat);

  runner("echo >" + state.readyName + " ");
  if (ktest >= 2) {
    write_free(
        kConsole,
        {"SysCall.bat and BatIsRdy written; wait for BatIsRdy, then SysCallr.Bsy, to be deleted"});
  }

  bool gone = wait_for_removal(state.readyName, waited);
  report_wait("*secs waited for BatIsRdy to be deleted:", waited, ktest);
  if (!gone) {
    stop_after_time_out("*In system_call, sysCallr.bat didnt start Cmd batfile within",
                        "(A, F5.1, A)");
  }
  gone = wait_for_removal(state.busyName, waited);
  report_wait("*secs waited for sysCallr.Bsy to be deleted:", waited, ktest);
  if (!gone) {
    stop_after_time_out("*In system_call, sysCallr.bat still running SysCall.bat after",
                        "(A, F5.1, A)");
  }
}

}  // namespace

std::int32_t system_call(std::string_view cmd, std::string_view type, CommandRunner runner,
                         std::int32_t ktest) {
  if (ktest >= 1) write_free(kConsole, {"  >>In system_call: cmd,type= ", used(cmd), ", ", type});

  if (type.substr(0, 10) == "initialize") {
    initialize(cmd, type, ktest);
    return 0;
  }

  if (state.luLog == -1) mesag_to_log("Err - system_call() not initialized", " ", kLogAndStop);
  log_the_call(cmd, type);

  // The whole command: a command cut to a field would send a listing of a
  // long pattern to a file of another name.
  const std::string command(used(cmd));
  const std::string_view kind = used(type);
  if (kind == "dos") {
    run_in_line(command, runner, ktest);
  } else if (kind == "dos+") {
    run_in_batch(command, runner, ktest);
  } else {
    mesag_to_log("**dosType bad in system_call; stop", "w/time", kLogAndStop);
  }

  if (ktest >= 1) write_free(kConsole, {"  <<Lv system_call"});
  return 0;
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] { state = State(); });

}  // namespace sunder
