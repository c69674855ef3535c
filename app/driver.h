// The run of sunder: start-up and command line, the mode, each volume in
// turn, and the end of the run with its clean-up.
#pragma once

namespace sunder {

// The whole run; returns the exit status of a normal end (stops end the
// process on their own).
int run_sunder();

}  // namespace sunder
