// The console on Windows: standard output and input in binary mode, so the
// "\r\n" line ends the callers write reach the console (or a redirected file)
// unchanged, and input lines keep their CR for the common code to drop.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "lib/platform/console.h"
#include "lib/platform/console_os.h"

namespace sunder::platform {

std::string_view console_line_end() { return "\r\n"; }

void prepare_standard_output() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

void prepare_standard_input() { _setmode(_fileno(stdin), _O_BINARY); }

}  // namespace sunder::platform
