// Running command lines of the command processor, in-line or through the
// batch handshake with the companion sysCallr.bat, with the call log sysCalls.log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lib/platform/process.h"

namespace sunder {

using platform::CommandRunner;

// type: "initialize..." (cmd = home directory), "dos" in-line, "dos+" batch. Returns 0.
std::int32_t system_call(std::string_view cmd, std::string_view type, CommandRunner runner,
                         std::int32_t ktest);

}  // namespace sunder
