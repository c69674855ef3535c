// The length of a named file in bytes, or -2 (no such file), -5, -10.
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/platform/process.h"

namespace sunder {

std::int64_t len_file(std::string_view file, platform::CommandRunner runner, std::int32_t ktest);

}  // namespace sunder
