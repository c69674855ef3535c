// Splitting one multi-channel volume record by record into channel files.
#pragma once

#include <string_view>

namespace sunder {

// volume: a 12-character text (an 8.3 name, blank-padded). Uses and updates
// the run state; the outcome shows on the console, in the log and on disk.
void split_volume(std::string_view volume);

}  // namespace sunder
