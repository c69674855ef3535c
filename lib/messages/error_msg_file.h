// The error-message file "_error.msg": messages for the file while no message
// file is designated, each block under a dated header line.
#pragma once

#include <cstdint>

#include "lib/text/streams.h"

namespace sunder {

// Connects "_error.msg" to luErr (taken from nextlu when -1) and writes the header.
void open_error_msg_file(Unit& luErr, std::int32_t ktest);

}  // namespace sunder
