// In-process runs of the whole tool for the libFuzzer harnesses: each run in
// a fresh scratch directory, with fresh state in every routine family, the
// console captured, and every stop of the tool brought back to the harness.
//
// A stop closes the files and calls the stop hook, which throws back to
// run_tool_in_process: the frames in between are unwound, so nothing leaks.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/channel_file.h"
#include "app/driver.h"
#include "app/run_state.h"
#include "lib/calendar/file_date.h"
#include "lib/calendar/local_time.h"
#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/arguments.h"
#include "lib/platform/console.h"
#include "lib/platform/seams.h"
#include "lib/shell/get_filenames.h"
#include "lib/shell/len_file.h"
#include "lib/shell/system_call.h"
#include "lib/text/stop.h"
#include "lib/text/streams.h"

namespace fuzzrun {

namespace fs = std::filesystem;

struct Stopped {
  int status;
};

inline void throw_stop(int status) { throw Stopped{status}; }

inline void reset_everything() { sunder::seams::reset_all(); }

inline const fs::path& scratch_root();

inline void remove_scratch_root() {
  std::error_code ec;
  fs::remove_all(scratch_root(), ec);
}

// The directory all scratch directories go under, made once and removed
// when the process ends.
inline const fs::path& scratch_root() {
  static const fs::path root = [] {
    std::string tmpl = (fs::temp_directory_path() / "sunder_fuzz.XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    std::atexit(remove_scratch_root);
    return fs::path(tmpl);
  }();
  return root;
}

// A fresh scratch directory, entered; when destroyed, the directory the
// process was in before (libFuzzer's relative paths stay valid) is entered
// again and the scratch directory removed.
struct Scratch {
  fs::path path;
  fs::path before;
  Scratch() : before(fs::current_path()) {
    static unsigned long serial = 0;
    path = scratch_root() / std::to_string(++serial);
    fs::create_directory(path);
    if (::chdir(path.c_str()) != 0) std::abort();
  }
  ~Scratch() {
    if (::chdir(before.c_str()) != 0) std::abort();
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
};

struct Outcome {
  int status = -1;
  bool stopped = false;
  std::string console;
};

// Runs the tool with these arguments (args[0] the program) in the current
// directory. The tool must end with 0 or 1, never anything else.
inline Outcome run_tool_in_process(std::vector<std::string> args) {
  reset_everything();
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  sunder::platform::set_arguments(static_cast<int>(args.size()), argv.data());

  Outcome out;
  sunder::seams::capture_console_output(&out.console);
  sunder::seams::set_stop_hook(throw_stop);
  try {
    out.status = sunder::run_sunder();
  } catch (const Stopped& s) {
    out.status = s.status;
    out.stopped = true;
  }
  sunder::seams::set_stop_hook(nullptr);
  sunder::close_all_streams();
  sunder::seams::capture_console_output(nullptr);
  sunder::platform::set_arguments(0, nullptr);
  if (out.status != sunder::kExitNormal && out.status != sunder::kExitError) {
    std::fprintf(stdout, "exit status %d\n%s\n", out.status, out.console.c_str());
    std::fflush(stdout);
    std::abort();
  }
  return out;
}

}  // namespace fuzzrun
