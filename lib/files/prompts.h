// Console prompts.
#pragma once

#include <string_view>

namespace sunder {

// Shows a prompt: leading "/" each write an empty line; the rest is shown as
// " prompt " with no line end, so the reply is typed on the same line.
void show_prompt(std::string_view prompt);
// Shows the prompt and reads the reply. False only for a reply beginning with n or N, and when the
// console input has ended (no reply can come: nothing is overwritten without a yes).
bool ask_yes_no(std::string_view prompt);

}  // namespace sunder
