// The console on POSIX: the streams carry bytes as they are; lines end with LF.
#include "lib/platform/console.h"
#include "lib/platform/console_os.h"

namespace sunder::platform {

std::string_view console_line_end() { return "\n"; }
void prepare_standard_output() {}
void prepare_standard_input() {}

}  // namespace sunder::platform
