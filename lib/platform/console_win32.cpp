// The console on Windows: standard output and input in binary mode, so the
// "\r\n" line ends the callers write reach the console (or a redirected file)
// unchanged, and input lines keep their CR for the common code to drop.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

void guard_standard_streams() {
  // A missing standard handle (a program started without a console) means
  // discard: the stream reads as empty and takes writes without a trace.
  struct Standard {
    DWORD id;
    FILE* stream;
    const char* mode;
  };
  const Standard standards[] = {{STD_INPUT_HANDLE, stdin, "rb"},
                                {STD_OUTPUT_HANDLE, stdout, "wb"},
                                {STD_ERROR_HANDLE, stderr, "wb"}};
  for (const Standard& s : standards) {
    const HANDLE h = GetStdHandle(s.id);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) std::freopen("NUL", s.mode, s.stream);
  }
}

}  // namespace sunder::platform
