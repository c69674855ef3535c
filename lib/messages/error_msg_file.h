// The error-message file "_error.msg": messages for the file while no message
// file is designated, each block under a dated header line.
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/text/streams.h"

namespace sunder {

// Its name: extended, never replaced.
inline constexpr std::string_view kErrorMsgFile = "_error.msg";

// Connects "_error.msg" to luErr (taken from nextlu when -1) and writes the header.
void open_error_msg_file(Unit& luErr, std::int32_t ktest);

}  // namespace sunder
