#include "app/run_state.h"
#include "lib/platform/seams.h"

namespace sunder {
namespace {
RunState state;
}  // namespace

RunState& run_state() { return state; }
// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] { state = RunState{}; });

}  // namespace sunder
