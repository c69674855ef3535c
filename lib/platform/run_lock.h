// One run per folder: the run holds an advisory lock on its marker file for
// its whole life. The lock lives on a file the run has anyway, so a folder
// holds no file that a run did not leave there before; a marker left behind
// by a run that ended (a stop, a crash) holds no lock, since the operating
// system lets a lock go with its process.
#pragma once

#include <string_view>

namespace sunder::platform {

// Another process holds the lock: a run is at work in this folder.
inline constexpr int kLockHeld = 1002;

// Opens the marker as one of the program's own files (never through a link,
// never a special file; platform::kNotRegularFile otherwise), takes the
// exclusive lock without waiting, makes sure the name still names the locked
// file (the run before may just have removed it), and only then replaces its
// contents with text. Returns kFileOk, kLockHeld (nothing touched),
// kNotRegularFile, or an OS error number. Taking it again in the same
// process lets the earlier hold go first.
int take_run_lock(std::string_view marker, std::string_view text);

// At the normal end of a run: removes the marker, then lets the lock go.
// Returns kFileOk or an OS error number of the removal.
int release_run_lock();

}  // namespace sunder::platform
