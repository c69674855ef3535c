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
// 1 when the unit is out of range or already attached. The lines of a file
// opened for reading only may be passed on to other units as ranges of the
// file, copied from file to file by the operating system.
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

// What copy_lines_to_flag did.
struct LinesCopied {
  std::int32_t lines = 0;     // lines read, the flag line included
  bool flag = false;          // it ended at a line beginning with "/&"
  std::int32_t cut = 0;       // lines whose cut lost text (not only blanks and Ctrl-Z)
  std::int32_t firstCut = 0;  // the first of them, counted from 1 in this call
  int writeError = 0;         // the output's first failed write (sticky), or 0
};

// The splitter's hot loop: reads lines from the unit in (a file opened for
// reading only) and writes each to the unit out (kNoUnit: only counts them),
// cut to width, without trailing blanks, with CR LF, up to and including the
// first line that begins with "/&", or until maxLines lines are read. A block
// of the file is scanned at a time; runs of lines that pass unchanged go on as
// ranges of the file. Returns the read status: kReadOk (0), kReadEnd (-1)
// when the file ended first, kReadError (1) (lines.h).
inline constexpr Unit kNoUnit = -1;
int copy_lines_to_flag(Unit in, Unit out, std::size_t width, std::int32_t maxLines,
                       LinesCopied& copied);

}  // namespace sunder
