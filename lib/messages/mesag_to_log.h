// The log writer: lines with an optional time stamp handed to mesag, and its
// control calls ("Set ktest", "Initialize", "open"/"close" with kontrol 10).
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/text/streams.h"

namespace sunder {

void mesag_to_log(std::string_view text, std::string_view options, std::int32_t kontrol);
// open_file bracketed by an open and a close of the log file.
std::int32_t open_file_logged(Unit unit, std::string_view name, std::string_view mode,
                              std::int32_t kontrl);

}  // namespace sunder
