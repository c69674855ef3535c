// The log writer: lines with an optional time stamp handed to mesag, and its
// control calls ("Set ktest", "Initialize", "open"/"close" with kontrol 10).
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/messages/mesag.h"
#include "lib/text/streams.h"

namespace sunder {

// kontrol of a line: where it goes. Any other value above kLogConsoleAndFile
// counts as kLogConsoleAndFile; a negative one writes nothing. With
// "Set ktest" kontrol is the trace level, with "Initialize" the negated unit
// of the log file.
inline constexpr std::int32_t kLogConsole = kMesagConsole;                // the console only
inline constexpr std::int32_t kLogFile = kMesagFile;                      // the message file only
inline constexpr std::int32_t kLogConsoleAndFile = kMesagConsoleAndFile;  // both
inline constexpr std::int32_t kLogAndStop = 4;   // both, then the run ends (exit status 1)
inline constexpr std::int32_t kLogControl = 10;  // no line: "open..." or "close..." the log file

void mesag_to_log(std::string_view text, std::string_view options, std::int32_t kontrol);
// open_file bracketed by an open and a close of the log file.
std::int32_t open_file_logged(Unit unit, std::string_view name, std::string_view mode,
                              std::int32_t kontrl);

}  // namespace sunder
