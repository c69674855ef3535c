// Wildcard expansion through a bare, name-ordered listing of the command processor.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "lib/platform/process.h"

namespace sunder {

// names: the caller's array, filled with whole names (a pattern's folder in
// front of each); maxfiles = names.size() unless given smaller. Returns 0;
// nfiles is 0 after a failed read of the listing.
std::int32_t get_filenames(std::string_view pattern, std::span<std::string> names,
                           std::int32_t& nfiles, std::int32_t maxfiles,
                           platform::CommandRunner runner, std::int32_t ktest);

}  // namespace sunder
