// Command-line conventions on POSIX.
#include "lib/platform/arguments.h"

namespace sunder::platform {

// "/?" is a path here (a one-letter name in the root folder), not a request for help.
std::string_view native_help_option() { return {}; }

}  // namespace sunder::platform
