// The time-zone file's path, and the test path that can stand in for it.
#include "lib/platform/timezone_path.h"

namespace sunder::platform {
namespace {

const std::string* test_path = nullptr;

}  // namespace

std::string timezone_file_path() {
  if (test_path != nullptr) return *test_path;
  return default_timezone_file_path();
}

void set_timezone_file_path_for_test(const std::string* path) { test_path = path; }

}  // namespace sunder::platform
