// Options: words beginning with "--" (and -h, and /? on Windows) before the
// name or pattern. Without them a run is the plain split.
#pragma once

#include <cstdint>

namespace sunder {

struct Options {
  bool help = false;     // --help, -h: the usage screen and the options
  bool version = false;  // --version: one line
  bool list = false;     // --list: an inventory of the volumes, nothing written
  bool folders = false;  // --folders: a folder of channel files per volume
  // How many arguments the options took: the name or pattern follows them.
  std::int32_t count = 0;
};

// Reads the options from argument 1 on. An unknown option ends the run with
// status 1 before anything is created.
Options read_options();

// The usage screen on the console (no argument, and --help).
void write_usage_screen();
// --help: the usage screen, then a line for each option, on the console.
void help_screen();
// --version: "sunder v2.5, 3/15" on the console.
void version_line();

}  // namespace sunder
