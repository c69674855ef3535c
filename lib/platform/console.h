// Console output and input: the standard output for every console line, the
// standard input for replies.
#pragma once

#include <string>
#include <string_view>

namespace sunder::platform {

// At the start of the process: a standard stream that was not given to the
// program (a closed descriptor, a missing handle) is made a sink that
// discards, so no file the program opens later takes its place.
void guard_standard_streams();

// Writes the bytes to the console as they are (no line end added).
void console_write(std::string_view bytes);
// The platform's own line end for console lines ("\n" on POSIX, "\r\n" on Windows).
std::string_view console_line_end();
// Pushes buffered console output out (before a prompt waits, before the process ends).
void console_flush();
// Reads one console line without its line end (a CR before the LF is dropped).
// Returns 0, -1 at the end of the input, or a positive error code.
int console_read_line(std::string& line);

}  // namespace sunder::platform
