// The unit table: which unit number reads or writes which buffered file. The
// console is the standard unit. Units are looked up by number in a table, so
// the line routines do no search and no allocation per line.
#pragma once

#include <cstdint>

#include "lib/platform/file.h"

namespace sunder {

using Unit = std::int32_t;
// The console: the standard unit, never handed out, opened or closed.
inline constexpr Unit kConsole = 6;
// Highest unit number the table holds.
inline constexpr Unit kMaxUnit = 99;

// Puts an open file on a unit (the unit must not be attached). Returns 0, or
// 1 when the unit is out of range or already attached. A file opened for
// reading only may be read through views of the file itself, not a buffer.
int attach_stream(Unit unit, platform::FileHandle handle, bool read_only = false);
// Flushes and closes the unit's file; 0, or the error of the flush or close.
// A unit that is not attached gives 0.
int detach_stream(Unit unit);
bool stream_attached(Unit unit);
// Flushes and closes every attached file. Also done when the process ends
// by returning from main or calling exit, not only through stop.
void close_all_streams();
// Every line written to the unit reaches its file at once, not at the next
// flush: for a log that must tell what happened when the process is killed.
void set_write_through(Unit unit);
// The operating system's handle of the unit's file; kNoFile when not attached.
platform::FileHandle stream_handle(Unit unit);

}  // namespace sunder
