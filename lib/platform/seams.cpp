// The table behind the test seams: the stop hook and the registered resets.
// The other seams live with the calls they stand in for.
#include "lib/platform/seams.h"

#include <vector>

namespace sunder::seams {
namespace {

StopHook hook = nullptr;

// Filled while the program starts up, from every routine family's file: a
// function's own static, so it exists before the first registration.
std::vector<Reset>& resets() {
  static std::vector<Reset> table;
  return table;
}

}  // namespace

void set_stop_hook(StopHook h) { hook = h; }
StopHook stop_hook() { return hook; }

bool register_reset(Reset reset) {
  resets().push_back(reset);
  return true;
}

void reset_all() {
  for (const Reset reset : resets()) reset();
}

}  // namespace sunder::seams
