// A question on the console and its typed reply.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sunder {

// Shows the prompt (leading "/" each an empty line) and reads a reply, cut or
// padded to length; an empty reply when the console input has ended.
std::string ask_text(std::string_view prompt, std::size_t length);

}  // namespace sunder
