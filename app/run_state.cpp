#include "app/run_state.h"
#include "lib/platform/seams.h"

namespace sunder {
namespace {
RunState state;
}  // namespace

RunState& run_state() { return state; }
namespace {

// A fresh start, as in a new process (through the test seams).
void reset_state() { state = RunState{}; }

[[maybe_unused]] const bool registered = seams::register_reset(reset_state);

}  // namespace

}  // namespace sunder
