// The time-zone file's path, and the test path that can stand in for it.
#include "lib/platform/timezone_path.h"

#include "lib/platform/seams.h"

namespace sunder::platform {

// The path a test set (seams::set_timezone_file_path).
const std::string* test_path = nullptr;

std::string timezone_file_path() {
  if (test_path != nullptr) return *test_path;
  return default_timezone_file_path();
}

}  // namespace sunder::platform

namespace sunder::seams {

void set_timezone_file_path(const std::string* path) { platform::test_path = path; }

}  // namespace sunder::seams
