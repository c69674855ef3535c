// The time-zone file on Windows: in the root of drive C.
#include "lib/platform/timezone_path.h"

namespace sunder::platform {

std::string default_timezone_file_path() { return "c:\\TimeZone.PC"; }

}  // namespace sunder::platform
