// Ending the process.
#include <cstdlib>
#include <string>

#include "lib/platform/console.h"
#include "lib/text/stop.h"
#include "lib/text/streams.h"

namespace sunder {
namespace {

StopHook stop_hook = nullptr;

}  // namespace

void set_stop_hook_for_test(StopHook hook) { stop_hook = hook; }

void stop(int exit_status, std::string_view message) {
  std::string line(message);
  line += platform::console_line_end();
  platform::console_write(line);
  stop(exit_status);
}

void stop(int exit_status) {
  close_all_streams();
  platform::console_flush();
  if (stop_hook != nullptr) stop_hook(exit_status);
  std::exit(exit_status);
}

}  // namespace sunder
