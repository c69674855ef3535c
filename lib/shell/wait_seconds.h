// Pauses of the command bridge: the wait after a command, the polls of the
// batch handshake.
#pragma once

namespace sunder {

// Returns once at least that many seconds have passed, on a clock that only
// moves forward (a wall clock set back does not lengthen the wait).
void wait_seconds(float seconds);

}  // namespace sunder
