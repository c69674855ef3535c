// Ending the process: with a message on the console as one line, or bare.
// Open files are flushed and closed on the way out. The exit status is the
// caller's: 0 for a normal end, 1 for a run ended by an error.
#pragma once

#include <string_view>

namespace sunder {

inline constexpr int kExitNormal = 0;
inline constexpr int kExitError = 1;

[[noreturn]] void stop(int exit_status, std::string_view message);
[[noreturn]] void stop(int exit_status);

}  // namespace sunder
