#include "lib/shell/wait_seconds.h"

#include <cstdint>

#include "lib/platform/clock.h"

namespace sunder {

void wait_seconds(float seconds) {
  // A steady clock, not the time of day: a clock set back during the pause
  // would otherwise make it last an hour.
  const std::int64_t start = platform::steady_milliseconds();
  for (;;) {
    const float elapsed = static_cast<float>(platform::steady_milliseconds() - start) / 1000.0f;
    if (!(seconds > elapsed)) return;
    // Give the processor away between two readings of the clock.
    platform::sleep_milliseconds(1);
  }
}

}  // namespace sunder
