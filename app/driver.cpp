#include "app/driver.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/channel_file.h"
#include "app/options.h"
#include "app/run_log.h"
#include "app/run_state.h"
#include "app/split_volume.h"
#include "lib/files/file_exists.h"
#include "lib/files/text_case.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/arguments.h"
#include "lib/platform/interrupt.h"
#include "lib/platform/name_match.h"
#include "lib/platform/process.h"
#include "lib/platform/run_lock.h"
#include "lib/shell/get_filenames.h"
#include "lib/shell/len_file.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

// The options come first; argument 1 is the name or pattern after them.
std::int32_t argBase = 0;

std::string_view arg(std::int32_t i) { return platform::argument(argBase + i); }
std::int32_t arg_count() { return platform::argument_count() - argBase; }

// Argument i in the 20-character argument field.
std::string fetch_argument(std::int32_t i) { return field(arg(i), kArgumentLength); }

// No argument: the usage screen, and the run ends as a stop does.
[[noreturn]] void usage_screen() {
  write_usage_screen();
  stop(kExitNormal, " ");
}

// The channel list from arguments 2..nargs, in order.
void read_channel_list(std::int32_t nargs) {
  RunState& rs = run_state();
  static const Layout& numberLayout = layout("(T5, I3)");
  for (std::int32_t i = 2; i <= nargs; ++i) {
    std::string arg = fetch_argument(i);
    to_lower(arg, kArgumentLength);
    if (!arg.starts_with("chan")) fatal("Stop, bad arg: " + arg);
    if (rs.nChans >= kMaxChannels) fatal("Stop, too many chans to split out");
    std::int32_t number = 0;
    if (read_fields(arg, numberLayout, {number}) != kReadOk) {
      fatal("Stop, bad chan nmbr:" + arg);
    }
    rs.chanList[rs.nChans++] = number;
  }
  if (rs.nChans == 0) fatal("Stop:No chns given");
}

// The file list from argument 1, taken whole: a pattern's matches, or the
// name and the names after it that name existing files (a shell that
// expanded a pattern hands them over so). Returns the position of the first
// argument after the names.
std::int32_t take_file_list(std::int32_t nargs) {
  RunState& rs = run_state();
  // A name is taken whole, less the trailing blanks that the library's
  // routines take for padding: trimmed once, here, where it enters.
  const std::string_view first = used(arg(1));
  if (first.find_first_of("*?") != std::string_view::npos) {
    rs.fileList.assign(kMaxVolumes, std::string());
    get_filenames(first, rs.fileList, rs.nFiles, kMaxVolumes, platform::run_command, rs.ktest);
    rs.fileList.resize(static_cast<std::size_t>(rs.nFiles));
    return 2;
  }
  if (!file_exists(first)) fatal("Stop, file not found: " + std::string(first));
  rs.fileList.assign(1, std::string(first));
  std::int32_t i = 2;
  for (; i <= nargs && file_exists(used(arg(i))); ++i) {
    if (rs.fileList.size() == kMaxVolumes) {
      fatal("*Too many files match wildcard pattern in get_filenames");
    }
    rs.fileList.emplace_back(used(arg(i)));
  }
  rs.nFiles = static_cast<std::int32_t>(rs.fileList.size());
  return i;
}

// Arguments from..nargs must be channel arguments (not read further).
void refuse_non_channels(std::int32_t from, std::int32_t nargs) {
  for (std::int32_t i = from; i <= nargs; ++i) {
    std::string arg = fetch_argument(i);
    to_lower(arg, kArgumentLength);
    if (!arg.starts_with("chan")) fatal("Stop, bad arg: " + arg);
  }
}

void end_of_run() {
  RunState& rs = run_state();
  closing_note();
  if (rs.ktest == 0) {
    // The call log, by the name the command bridge gives it, and only when it
    // is there: a user's file whose name differs only in letter case is not
    // ours to delete, and a run without wildcards has no call log at all.
    if (file_exists("sysCalls.log")) platform::run_command("del sysCalls.log ");
    if (file_exists("mesg2log.err") && len_file("mesg2log.err", rs.ktest) == 0) {
      platform::run_command("del mesg2log.err ");
    }
  }
  if (rs.incomplete) {
    mesag("*Not everything asked for could be split (see the messages above); exit status 1",
          kMesagConsoleAndFile);
  }
  mesag("//", kMesagConsoleAndFile);
  if (!run_log_written()) {
    // The run's record is lost: it cannot count as a success.
    mesag("*The run log Sunder.log could not be written; stop", kMesagConsole);
    stop(kExitError);
  }
  close_run_log();
  // A run that did not do all it was asked leaves its marker, as an early
  // end does.
  if (rs.incomplete) stop(kExitError);
  platform::release_run_lock();
}

// The marker, and with it the folder's one lock. A second run in the folder
// touches nothing and goes.
void take_marker() {
  const int status = platform::take_run_lock(kMarkerName, kMarkerText);
  if (status == platform::kFileOk) return;
  std::string text = "*";
  text += kMarkerName;
  if (status == platform::kLockHeld) {
    stop(kExitError, "*Another sunder run is at work in this folder (it holds " +
                         std::string(kMarkerName) + "); stop");
  }
  if (status == platform::kNotRegularFile) stop(kExitError, text + std::string(kNotRegularText));
  stop(kExitError, text + " cannot be created here, error " + std::to_string(status) + "; stop");
}

// --list: an inventory of the named volumes and the patterns' matches, on
// the console alone; nothing is written in the folder, not even a listing.
int list_volumes() {
  RunState& rs = run_state();
  const std::int32_t nargs = arg_count();
  if (nargs < 1) stop(kExitError, "*--list needs a volume's name or a pattern; stop");
  // Messages go to the console alone: the message file is a unit that is
  // never connected.
  mesag("Initialize", -nextlu());
  rs.inventory = true;
  std::vector<std::string> matches;
  for (std::int32_t i = 1; i <= nargs; ++i) {
    const std::string_view name = used(arg(i));
    if (!platform::has_wildcard(name)) {
      if (!file_exists(name)) fatal("Stop, file not found: " + std::string(name));
      rs.fileList.emplace_back(name);
      continue;
    }
    platform::expand_pattern(name, matches);
    // The wildcard expansion's own words for no match, kept as users know them.
    if (matches.empty()) fatal("No files to join, stop");
    rs.fileList.insert(rs.fileList.end(), matches.begin(), matches.end());
  }
  rs.luIn = nextlu();
  for (const std::string& volume : rs.fileList) split_volume(volume);
  return rs.incomplete ? kExitError : kExitNormal;
}

}  // namespace

int run_sunder() {
  RunState& rs = run_state();

  // Options first: --help, --version and --list create nothing, and an
  // unknown option is refused before anything is created.
  const Options options = read_options();
  if (options.help) {
    help_screen();
    return kExitNormal;
  }
  if (options.version) {
    version_line();
    return kExitNormal;
  }
  argBase = options.count;
  if (options.list) return list_volumes();
  rs.folders = options.folders;

  // The marker stays behind after any run that does not reach its end.
  take_marker();

  std::int32_t nargs = arg_count();
  if (nargs < 1) usage_screen();

  // Trace setting: the last argument with "=" as its sixth character.
  {
    const std::string last = fetch_argument(nargs);
    if (last[5] == '=') {
      std::int32_t level = 0;
      if (read_fields(std::string_view(last).substr(6, 1), "(I1)", {level}) != kReadOk) {
        fatal("ktest arg bad; stop");
      }
      rs.ktest = level;
      --nargs;
    }
  }

  setup_run_log();
  platform::set_interrupt_text(kInterruptedText, run_log_handle());
  platform::catch_interrupts();
  if (arg(1) == "where?") {
    // A query, not a volume: where the running program lives, and the end.
    write_line(kConsole, "(/, 2A)", {" Executable location:  ", platform::executable_path()});
    stop(kExitNormal, " ");
  }
  write_echo_and_run_time();

  const std::int32_t next = take_file_list(nargs);

  if (nargs == 1 || rs.nFiles >= 2) {
    rs.allChans = true;
    // Names a shell handed over may be followed by channel arguments, which
    // are not read then; anything else is refused.
    if (next > 2) refuse_non_channels(next, nargs);
  } else {
    read_channel_list(nargs);
    rs.allChans = false;
  }

  rs.luIn = nextlu();
  rs.luOut = nextlu();

  write_report_head();

  for (std::int32_t i = 0; i < rs.nFiles; ++i) split_volume(rs.fileList[i]);

  end_of_run();
  return kExitNormal;
}

}  // namespace sunder
