#include "app/run_state.h"

namespace sunder {
namespace {
RunState state;
}  // namespace

RunState& run_state() { return state; }
void reset_run_state_for_test() { state = RunState{}; }

}  // namespace sunder
