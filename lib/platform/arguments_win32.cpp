// Command-line conventions on Windows.
#include "lib/platform/arguments.h"

namespace sunder::platform {

std::string_view native_help_option() { return "/?"; }

}  // namespace sunder::platform
