// Where the time-zone file lives: c:\TimeZone.PC on Windows, /etc/TimeZone.PC
// on POSIX (no drive letters there; same name and layout).
#pragma once

#include <string>

namespace sunder::platform {

std::string timezone_file_path();
// The platform's own place, without the test path.
std::string default_timezone_file_path();
}  // namespace sunder::platform
