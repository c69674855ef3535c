// The time-zone file on POSIX: no drive letters, so the same name under /etc.
#include "lib/platform/timezone_path.h"

namespace sunder::platform {
namespace {

const std::string* test_path = nullptr;

}  // namespace

std::string timezone_file_path() {
  if (test_path != nullptr) return *test_path;
  return "/etc/TimeZone.PC";
}

void set_timezone_file_path_for_test(const std::string* path) { test_path = path; }

}  // namespace sunder::platform
