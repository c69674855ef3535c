// What the console needs from each platform (internal to the platform layer).
#pragma once

namespace sunder::platform {

// Make the standard streams carry bytes unchanged, before their first use.
void prepare_standard_output();
void prepare_standard_input();

}  // namespace sunder::platform
