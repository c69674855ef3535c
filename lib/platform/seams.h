// The test seams: the one place where a test or a fuzzer stands in for the
// world, and where it starts the program's saved state afresh. The program
// itself never calls these; each setter given nullptr restores the real thing.
//
// Calls a test can take over:
//   set_console_input       console replies come from a text
//   capture_console_output  console lines go into a string
//   set_clock               the local clock reads a fixed time
//   set_timezone_file_path  the local-time routines read a file of the test's
//   set_stop_hook           a stop calls the hook (after closing the files)
//                           instead of ending the process
// Saved state: every routine family that keeps state between calls registers
// how to start it afresh (register_reset, at its start-up); reset_all runs
// them all, so a test or a fuzz input begins as a new process would.
#pragma once

#include <string>

#include "lib/platform/clock.h"

namespace sunder::seams {

void set_console_input(const std::string* input);
void capture_console_output(std::string* sink);
void set_clock(const platform::ClockReading* reading);
void set_timezone_file_path(const std::string* path);

// Called with the exit status in place of ending the process. It must not
// return; if it does, the process ends as usual.
using StopHook = void (*)(int exit_status);
void set_stop_hook(StopHook hook);
StopHook stop_hook();

using Reset = void (*)();
// Returns true, so a family can register as it starts up:
//   [[maybe_unused]] const bool registered = seams::register_reset(reset_state);
bool register_reset(Reset reset);
void reset_all();

}  // namespace sunder::seams
