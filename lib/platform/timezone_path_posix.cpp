// The time-zone file on POSIX: no drive letters, so the same name under /etc.
#include "lib/platform/timezone_path.h"

namespace sunder::platform {

std::string default_timezone_file_path() { return "/etc/TimeZone.PC"; }

}  // namespace sunder::platform
