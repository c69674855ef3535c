// sunder: splits multi-channel strong-motion data volumes into single-channel files.
#include "app/driver.h"
#include "lib/platform/arguments.h"
#include "lib/platform/console.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream would hand its
  // number to the first file, and console lines would land in it.
  sunder::platform::guard_standard_streams();
  sunder::platform::set_arguments(argc, argv);
  return sunder::run_sunder();
}
