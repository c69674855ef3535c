// sunder: splits multi-channel strong-motion data volumes into single-channel files.
#include "app/driver.h"
#include "lib/platform/arguments.h"

int main(int argc, char** argv) {
  sunder::platform::set_arguments(argc, argv);
  return sunder::run_sunder();
}
