// What the clock needs from each platform (internal to the platform layer).
#pragma once

#include "lib/platform/clock.h"

namespace sunder::platform {

// The operating system's local date and time to the millisecond.
void os_local_clock(ClockReading& reading);

}  // namespace sunder::platform
