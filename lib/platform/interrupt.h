// Ctrl-C and requests to terminate (SIGINT and SIGTERM on POSIX; Ctrl-C,
// Ctrl-Break and the console's close on Windows).
#pragma once

#include <string_view>

#include "lib/platform/file.h"

namespace sunder::platform {

// From now on an interrupt writes the text set last as one line to the
// console and to the file set with it, then ends the process with status 1.
// Nothing else runs then: buffered lines of other files are not written.
void catch_interrupts();

// The line to leave on an interrupt (without its line end; it is cut to a
// few hundred bytes) and the file that gets it too (kNoFile: none). The file
// line ends with CR LF, the console line with the platform's line end.
void set_interrupt_text(std::string_view text, FileHandle file);

}  // namespace sunder::platform
