// The buffered file behind a unit (internal to the text layer).
//
// Reading: through a buffer. Writing: lines go into a buffer; a line that is
// passed on unchanged from a file read through another unit that was opened
// for reading only (its text followed by CR LF there) is instead recorded as
// a range of that file and copied from file to file by the operating system.
// A stream holds at most one of the two at a time, so the order of its lines
// is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "lib/platform/file.h"
#include "lib/text/streams.h"

namespace sunder {

inline constexpr std::size_t kStreamBufferSize = 1 << 20;

struct StreamBuffer {
  platform::FileHandle handle = platform::kNoFile;
  bool read_only = false;

  // Reading.
  std::unique_ptr<char[]> in;  // the read buffer
  std::size_t in_end = 0;
  std::int64_t in_offset = 0;  // file offset of in[0]
  std::size_t pos = 0;         // next unread byte in the buffer
  bool in_eof = false;
  bool in_error = false;
  std::string long_line;  // the kept part of a line longer than the buffer

  // Writing.
  std::unique_ptr<char[]> out;
  std::size_t out_len = 0;
  StreamBuffer* copy_from = nullptr;  // a pending range of a file being read
  std::int64_t copy_offset = 0;
  std::size_t copy_length = 0;
  int write_error = 0;         // sticky: the first failed write
  bool write_through = false;  // each line goes to the file as it is written
};

// The buffered file of a unit, nullptr when the unit is not attached.
StreamBuffer* stream_of(Unit unit);
// One line of the stream as a view, cut to max_length, without its line end.
// Returns kReadOk (0), -1 at the end of the file, or 1 after a read error.
int stream_read_view(StreamBuffer& s, std::size_t max_length, std::string_view& line);
// Writes the line and CR LF; 0 or the sticky write error.
int stream_write_line(StreamBuffer& s, std::string_view text);
// Writes the bytes as they are; 0 or the sticky write error.
int stream_write(StreamBuffer& s, const char* data, std::size_t n);
// copy_lines_to_flag on the streams (out nullptr: lines only counted).
int stream_copy_to_flag(StreamBuffer& s, StreamBuffer* out, std::size_t width,
                        std::int32_t maxLines, LinesCopied& copied);

}  // namespace sunder
