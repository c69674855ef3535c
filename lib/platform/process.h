// The command processor and the running program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sunder::platform {

// A command runner: runs one command line with the command processor, waits
// for it without a time limit and returns its exit status, or -1 when it
// could not be started or waited for. Handed down as an argument, so tests
// can hand down their own.
using CommandRunner = std::int16_t (*)(std::string_view command);

// The platform's command runner. On Windows: cmd.exe /c from the system
// directory. On POSIX: our own small command processor (echo, del, dir /b /on,
// redirection), anything else through /bin/sh -c.
std::int16_t run_command(std::string_view command);

// The running executable's full path as the operating system knows it.
std::string executable_path();

}  // namespace sunder::platform
