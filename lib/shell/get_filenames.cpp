// Wildcard expansion: the command processor writes a bare, name-ordered
// listing of the pattern into a list file, which is read back and filtered.
#include "lib/shell/get_filenames.h"

#include <algorithm>
#include <string>

#include "lib/files/file_exists.h"
#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/file.h"
#include "lib/platform/seams.h"
#include "lib/shell/ask_text.h"
#include "lib/shell/system_call.h"
#include "lib/shell/wait_seconds.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

constexpr std::size_t kListNameLength = 12;
constexpr std::size_t kCommandLength = 70;
constexpr std::size_t kMessageLength = 80;
// The listing's quirks are judged in the columns of the old 12-character names.
constexpr std::size_t kOldNameLength = 12;
constexpr std::size_t kWholeLine = std::string_view::npos;
constexpr std::size_t kLongestPattern = 46;
constexpr int kMaxLines = 10000;

struct State {
  bool initialised = false;
  Unit listUnit = -1;
};

State state;

// Characters with which a pattern would reach beyond the listing command:
// chaining, piping, redirection, escapes, quotes, variables, groups.
bool refused_character(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u == 0x7f) return true;
  return std::string_view("&|<>^\"%!();`").find(c) != std::string_view::npos;
}

void refuse_unsafe_pattern(std::string_view pattern) {
  if (std::none_of(pattern.begin(), pattern.end(), refused_character)) return;
  std::string shown(pattern);
  for (char& c : shown) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = '?';
  }
  mesag("*get_filenames: pattern refused: [" + shown + "]", kMesagConsoleAndFile);
  nerrmsg("*A pattern may not hold & | < > ^ \" % ! ( ) ; ` or control characters", kNerrmsgFatal);
}

bool skipped(std::string_view line) {
  if (line[0] == '.') return true;
  if (line.substr(0, 8).find("NULL") != std::string_view::npos) return true;
  if (line.substr(9, 3) == "NUL") return true;
  return line.substr(0, 8) == "        ";
}

// A listing left by an earlier run is never read as this one's: it goes
// before the listing command runs, and a listing that cannot go (another
// user's, a read-only one) ends the run. A link or a special file there is
// refused before anything is written through it.
void clear_old_listing(std::string_view list) {
  switch (platform::path_kind(list)) {
    case platform::PathKind::kMissing:
      return;
    case platform::PathKind::kRegular:
      if (platform::remove_file(list) == platform::kFileOk) return;
      fatal("*In get_filenames, the old listing " + std::string(list) +
            " cannot be replaced; stop");
    default:
      refuse_not_regular(list);
  }
}

// The listing command: a bare, name-ordered listing of the pattern into the
// list file. The whole command, also for a pattern too long for the command
// field. A pattern holding blanks goes in quotes: one pattern to the listing,
// as given, not several (quotes are refused inside a pattern).
std::string listing_command(std::string_view wanted, std::string_view list) {
  const bool blanks_inside = wanted.find(' ') != std::string_view::npos;
  std::string shown(wanted);
  if (blanks_inside) {
    shown.insert(shown.begin(), '"');
    shown.push_back('"');
  }
  return "dir /b /on " + shown + " >" + std::string(list);
}

// The listing made afresh: the old one cleared, the command run; a listing
// the command did not make ends the run.
void make_listing(const std::string& command, std::string_view list, platform::CommandRunner runner,
                  std::int32_t ktest) {
  if (ktest >= 2) {
    mesag_to_log(field("  dosCmd: " + field(command, kCommandLength), kMessageLength), " ",
                 kLogConsoleAndFile);
  }
  if (ktest >= 3) {
    // Paused: an empty line goes on, anything else is run as a command first.
    for (;;) {
      const std::string reply = ask_text("Paused; Enter to go on, or type a command to run:", 40);
      if (used(reply).empty()) break;
      runner(used(reply));
    }
  }

  clear_old_listing(list);
  system_call(command, "dos", runner, ktest);
  if (ktest >= 2) mesag_to_log("DIR cmd ran, to file", " ", kLogConsoleAndFile);
  wait_seconds(2.0f);

  // Only the listing this call's command made is read: the old one is gone.
  if (platform::path_kind(list) != platform::PathKind::kRegular) {
    nerrmsg("Dir file not created in get_filenames; stop", kNerrmsgFatal);
  }
}

// The listing on the list unit; one that cannot be opened ends the run.
void open_listing(std::string_view list, std::string_view pattern) {
  std::int32_t status = kOpenOk;
  opnfil(state.listUnit, list, "input", kReturnOnFailure, status);
  if (status != kOpenOk) {
    std::string message = blanks(kMessageLength);
    render(
        message, "(3A, I4)",
        {field("In get_filenames, Stop: Err opening DIR file for \"", 50), pattern, "\":", status});
    mesag_to_log(message, " ", kLogAndStop);
  }
}

// What the reading of the listing found.
struct Listing {
  std::int32_t count = 0;    // names put into the caller's array
  bool full = false;         // a name came with no room left in the caller's array
  bool read_failed = false;  // the listing could not be read to its end
};

// The names of the listing, those of no file skipped, into the caller's array.
Listing read_listing(std::string_view wanted, std::span<std::string> names, std::int32_t capacity,
                     std::int32_t maxfiles, std::int32_t ktest) {
  // The listing holds bare names; a pattern with a folder gets its names back
  // with that folder in front, so they open where they were found.
  const std::string folder(
      wanted.substr(0, wanted.find_last_of(platform::folder_separators()) + 1));
  Listing listing;
  std::int32_t c = 1;
  for (int i = 1; i <= kMaxLines; ++i) {
    std::string_view line;
    const int read = read_view(state.listUnit, kWholeLine, line);
    if (read == kReadEnd) break;
    if (read != kReadOk) {
      mesag_to_log("In get_filenames, DIR file read err", " ", kLogConsoleAndFile);
      listing.read_failed = true;
      return listing;
    }
    if (ktest >= 3) write_line(kConsole, "(I4, 2A)", {i, "th Line: ", line});
    if (skipped(field(line, kOldNameLength))) continue;
    if (c > capacity) {
      listing.full = true;
      break;
    }
    // Names are taken whole: a name is as long as the platform allows.
    names[static_cast<std::size_t>(c - 1)] = folder + std::string(used(line));
    ++c;
    if (c > maxfiles) break;
  }
  listing.count = c - 1;
  return listing;
}

// No name at all, or the caller's limit reached: each ends the run.
void check_count(std::int32_t& nfiles, std::int32_t maxfiles, bool full) {
  if (nfiles == 0) nerrmsg("No files to join, stop", kNerrmsgFatal);
  if (nfiles >= maxfiles || full) {
    nfiles = std::min(nfiles, maxfiles);
    nerrmsg("*Too many files match wildcard pattern in get_filenames", kNerrmsgFatal);
  }
}

void delete_listing(std::string_view list, platform::CommandRunner runner) {
  const std::int16_t deleted = runner("del " + std::string(list) + " ");
  if (deleted != 0) {
    std::string message = blanks(kMessageLength);
    render(message, "(A, I3)", {"In get_filenames, Stop: Dir file deleting err=", deleted});
    nerrmsg(message, kNerrmsgFatal);
  }
}

}  // namespace

std::int32_t get_filenames(std::string_view pattern, std::span<std::string> names,
                           std::int32_t& nfiles, std::int32_t maxfiles,
                           platform::CommandRunner runner, std::int32_t ktest) {
  if (ktest >= 1) {
    std::string message = blanks(kMessageLength);
    render(message, "(3A)", {" >In get_filenames, pattern=[", pattern, "]"});
    mesag_to_log(message, " ", kLogConsoleAndFile);
  }
  const std::string_view wanted = used(pattern);
  // Before any command runs: the pattern goes into a command line.
  refuse_unsafe_pattern(wanted);

  if (!state.initialised) {
    state.listUnit = nextlu();
    system_call(" ", "initialize", runner, ktest);
    state.initialised = true;
  }

  if (wanted.size() > kLongestPattern)
    nerrmsg("ERROR in get_filenames: filename pattern too long", kNerrmsgSilent);

  std::string listName = blanks(kListNameLength);
  render(listName, "(A, I2.2)", {"dir_fil$.", state.listUnit});
  const std::string_view list = used(listName);

  make_listing(listing_command(wanted, list), list, runner, ktest);
  open_listing(list, pattern);
  const std::int32_t capacity =
      std::min<std::int32_t>(maxfiles, static_cast<std::int32_t>(names.size()));
  const Listing listing = read_listing(wanted, names, capacity, maxfiles, ktest);
  close_unit(state.listUnit);
  if (listing.read_failed) {
    // The caller sees no files; the list file stays for a look at it.
    nfiles = 0;
    return 0;
  }

  nfiles = listing.count;
  check_count(nfiles, maxfiles, listing.full);
  if (ktest <= 1) delete_listing(list, runner);
  if (ktest >= 1) {
    std::string message = blanks(kMessageLength);
    render(message, "(A, I2)", {" <Lv get_filenames, nfiles=", nfiles});
    mesag_to_log(message, " ", kLogConsoleAndFile);
  }
  return 0;
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] { state = State(); });

}  // namespace sunder
