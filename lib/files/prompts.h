// Console prompts.
#pragma once

#include <string_view>

namespace sunder {

// Leading "/" each write an empty line; the rest is shown as " prompt " with no
// line end. False only for a reply beginning with n or N, and when the console
// input has ended (no reply can come: nothing is overwritten without a yes).
bool ask_yes_no(std::string_view prompt);

}  // namespace sunder
