// Ending the process.
#include <cstdlib>
#include <string>

#include "lib/platform/console.h"
#include "lib/platform/seams.h"
#include "lib/text/stop.h"
#include "lib/text/streams.h"

namespace sunder {

void stop(int exit_status, std::string_view message) {
  std::string line(message);
  line += platform::console_line_end();
  platform::console_write(line);
  stop(exit_status);
}

void stop(int exit_status) {
  close_all_streams();
  platform::console_flush();
  if (const seams::StopHook hook = seams::stop_hook()) hook(exit_status);
  std::exit(exit_status);
}

}  // namespace sunder
