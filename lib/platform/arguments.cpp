// The command-line arguments, kept as main received them.
#include "lib/platform/arguments.h"

namespace sunder::platform {
namespace {

int count = 0;
char** values = nullptr;

}  // namespace

void set_arguments(int argc, char** argv) {
  count = argc;
  values = argv;
}

int argument_count() { return count > 0 ? count - 1 : 0; }

std::string_view argument(int i) {
  if (i < 0 || i >= count || values == nullptr || values[i] == nullptr) return {};
  return values[i];
}

}  // namespace sunder::platform
