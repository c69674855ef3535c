// The buffered file behind a unit (internal to the text layer).
#pragma once

#include <cstddef>
#include <memory>

#include "lib/platform/file.h"
#include "lib/text/streams.h"

namespace sunder {

inline constexpr std::size_t kStreamBufferSize = 1 << 20;

struct StreamBuffer {
  platform::FileHandle handle = platform::kNoFile;
  std::unique_ptr<char[]> in;   // read buffer, made on the first read
  std::size_t in_pos = 0;
  std::size_t in_end = 0;
  bool in_eof = false;
  bool in_error = false;
  std::unique_ptr<char[]> out;  // write buffer, made on the first write
  std::size_t out_len = 0;
  int write_error = 0;  // sticky: the first failed write
};

// The buffered file of a unit, nullptr when the unit is not attached.
StreamBuffer* stream_of(Unit unit);
// Writes the bytes to the unit's buffer; 0 or the sticky write error.
int stream_write(StreamBuffer& s, const char* data, std::size_t n);

}  // namespace sunder
