// Units and the connection registry: which unit is connected to which file
// name in which mode; nextlu hands out unit numbers 14 to 50, each once a run.
#pragma once

#include <string>
#include <string_view>

#include "lib/text/streams.h"

namespace sunder {

// kOutput replaces one of the program's own files; kNew creates a file that
// must not exist yet (platform::kAlreadyExists when it does).
enum class UnitMode { kInput, kInOut, kAppend, kOutput, kNew, kScratch };

// The text that goes with platform::kNotRegularFile: what is at the name is
// a link, a special file or a second name of another file, and nothing is
// written through it.
inline constexpr std::string_view kNotRegularText =
    " is a link or not a regular file; nothing is written through it, stop";

// Connects the unit to the named file (its used part) in the mode. Returns 0,
// platform::kNotFound when an input file does not exist, 1 when the unit is
// out of range or already connected, or another OS error number.
int connect_unit(Unit unit, std::string_view name, UnitMode mode);
// Releases the unit: its file is flushed and closed. Returns 0, or the error
// of the flush or close. Releasing a unit that is not connected does nothing.
int close_unit(Unit unit);
bool unit_connected(Unit unit);
// Is the file of this name (its used part) connected to some unit?
bool file_connected(std::string_view name);
// The name the unit is connected to (empty when not connected).
std::string_view unit_file_name(Unit unit);

// A unit number in 14..50 not connected at the moment of the call, never
// handed out before in this run. No number left: the fatal message and the
// run ends (exit status 1).
// nextlu: "next logical unit".
Unit nextlu();

}  // namespace sunder
