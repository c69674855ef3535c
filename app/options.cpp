#include "app/options.h"

#include <string>
#include <string_view>

#include "app/run_state.h"
#include "lib/platform/arguments.h"
#include "lib/platform/console.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

struct Known {
  std::string_view word;
  bool Options::*flag;
};

constexpr Known kKnown[] = {
    {"--help", &Options::help}, {"-h", &Options::help},           {"--version", &Options::version},
    {"--list", &Options::list}, {"--folders", &Options::folders},
};

bool is_native_help(std::string_view arg) {
  const std::string_view help = platform::native_help_option();
  return !help.empty() && arg == help;
}

bool is_option(std::string_view arg) {
  return arg.starts_with("--") || arg == "-h" || is_native_help(arg);
}

}  // namespace

Options read_options() {
  Options o;
  const std::int32_t nargs = platform::argument_count();
  while (o.count < nargs) {
    const std::string_view arg = platform::argument(o.count + 1);
    if (!is_option(arg)) break;
    ++o.count;
    if (is_native_help(arg)) {
      o.help = true;
      continue;
    }
    bool known = false;
    for (const Known& k : kKnown) {
      if (arg == k.word) {
        o.*(k.flag) = true;
        known = true;
      }
    }
    if (!known) {
      stop(kExitError,
           "*Unknown option " + std::string(arg) + " (sunder --help lists the options); stop");
    }
    // Everything after --list names volumes.
    if (o.list) break;
  }
  return o;
}

void write_usage_screen() {
  write_line(kConsole, "(6(/, A), 3(/, T41, A), /, T70, A)",
             {" USE: sunder filename {chaniii chanjjj ...} {ktest=n}",
              "        to split out the channels in a v0,1,2,3 file into single-channel files",
              "        named by the station-channel number, like \"chan033.v2\".  Default is to",
              "        split out all channels; otherwise, specify which channels to split out.",
              " ", "  OR: sunder wildcardName {ktest=n}  (where wildcardName can be *.v1, for",
              "example, to split all Vi files in the", "directory (will halt if more than one",
              "station is found in the directory).", kVersion});
}

void help_screen() {
  write_usage_screen();
  write_line(kConsole, "(/, A, 5(/, A))",
             {" Options, given before the name or pattern:", "   --help, -h         this screen",
              "   --version          the version",
              "   --list NAME ...    an inventory of each volume's records; writes nothing",
              "   --folders          each volume's channel files into a folder named after it",
              "                      (ST89146.V2 -> ST89146/), so several stations can be split"});
}

void version_line() { write_line(kConsole, "(2A)", {"sunder ", kVersion}); }

}  // namespace sunder
