// The command-line arguments of the process.
#pragma once

#include <string_view>

namespace sunder::platform {

// Called once by main.
void set_arguments(int argc, char** argv);
// The number of arguments, the program's name not counted.
int argument_count();
// The help option of the platform's own convention ("/?" on Windows), or an
// empty text where there is none.
std::string_view native_help_option();
// Argument i (0 is the program as it was started); empty when out of range.
std::string_view argument(int i);

}  // namespace sunder::platform
