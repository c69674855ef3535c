// The unit table and its buffered files.
#include <algorithm>
#include <array>
#include <cstring>

#include "lib/text/stream_buffer.h"

namespace sunder {
namespace {

// Views of a file are this long (a multiple of every platform's granularity).
constexpr std::size_t kViewLength = 1 << 20;
constexpr std::string_view kLineEnd = "\r\n";

std::array<std::unique_ptr<StreamBuffer>, kMaxUnit + 1> table;

// The line last handed out from a viewed file, so a write of exactly that
// text can be recognised as passing it on unchanged.
struct LastView {
  StreamBuffer* from = nullptr;
  const char* data = nullptr;
  std::size_t length = 0;
  std::int64_t offset = 0;  // of the line in its file
  bool crlf_follows = false;
} last_view;

int flush_buffer(StreamBuffer& s) {
  if (s.out_len > 0 && s.write_error == 0) {
    s.write_error = platform::write_file(s.handle, s.out.get(), s.out_len);
  }
  s.out_len = 0;
  return s.write_error;
}

int flush_copy(StreamBuffer& s) {
  if (s.copy_length > 0 && s.write_error == 0) {
    s.write_error = platform::copy_range(s.copy_from->handle, s.copy_offset, s.handle, s.copy_length);
  }
  s.copy_from = nullptr;
  s.copy_length = 0;
  return s.write_error;
}

int flush(StreamBuffer& s) {
  flush_buffer(s);
  return flush_copy(s);
}

void drop_view(StreamBuffer& s) {
  platform::unmap_view(s.view, s.view_length);
  s.view = nullptr;
  s.view_length = 0;
}

// Views the file from the granule holding offset on; false when that fails.
bool view_at(StreamBuffer& s, std::int64_t offset) {
  drop_view(s);
  const std::int64_t granule = static_cast<std::int64_t>(platform::map_granularity());
  const std::int64_t start = offset - offset % granule;
  const std::size_t length =
      static_cast<std::size_t>(std::min<std::int64_t>(kViewLength, s.file_length - start));
  const char* view = nullptr;
  if (platform::map_view(s.handle, start, length, view) != platform::kFileOk) return false;
  s.view = view;
  s.view_length = length;
  s.view_offset = start;
  s.pos = static_cast<std::size_t>(offset - start);
  return true;
}

void start_reading(StreamBuffer& s) {
  s.read_started = true;
  if (!s.read_only) return;
  const std::int64_t length = platform::file_length(s.handle);
  if (length <= 0) return;
  s.file_length = length;
  s.viewed = view_at(s, 0);
}

// Refills the read buffer, keeping the unread bytes; false at the end or on error.
bool refill(StreamBuffer& s) {
  if (s.in_eof || s.in_error) return false;
  if (!s.in) s.in.reset(new char[kStreamBufferSize]);
  const std::size_t keep = s.in_end - s.pos;
  if (keep == kStreamBufferSize) return false;  // full: the caller takes the line in parts
  std::memmove(s.in.get(), s.in.get() + s.pos, keep);
  s.in_offset += static_cast<std::int64_t>(s.pos);
  s.pos = 0;
  s.in_end = keep;
  const std::int64_t got = platform::read_file(s.handle, s.in.get() + keep, kStreamBufferSize - keep);
  if (got < 0) {
    s.in_error = true;
    return false;
  }
  if (got == 0) {
    s.in_eof = true;
    return false;
  }
  s.in_end += static_cast<std::size_t>(got);
  return true;
}

// The bytes available from pos on: in the view or the buffer.
const char* window(const StreamBuffer& s, std::size_t& available) {
  if (s.viewed) {
    available = s.view_length - s.pos;
    return s.view + s.pos;
  }
  available = s.in_end - s.pos;
  return s.in.get() + s.pos;
}

// Nothing of the file lies beyond the view or the buffer.
bool at_end(const StreamBuffer& s) {
  if (s.viewed) return s.view_offset + static_cast<std::int64_t>(s.view_length) >= s.file_length;
  return s.in_eof;
}

bool more(StreamBuffer& s) {
  if (!s.viewed) return refill(s);
  const std::int64_t next = s.view_offset + static_cast<std::int64_t>(s.view_length);
  if (next >= s.file_length) return false;
  if (!view_at(s, next)) {
    s.in_error = true;
    return false;
  }
  return true;
}

}  // namespace

StreamBuffer* stream_of(Unit unit) {
  if (unit < 0 || unit > kMaxUnit) return nullptr;
  return table[static_cast<std::size_t>(unit)].get();
}

int stream_read_view(StreamBuffer& s, std::size_t max_length, std::string_view& line) {
  if (!s.read_started) start_reading(s);
  last_view.from = nullptr;
  line = {};
  std::size_t available = 0;
  const char* start = window(s, available);
  if (available == 0) {
    if (!more(s)) return s.in_error ? 1 : -1;
    start = window(s, available);
  }
  const char* nl = static_cast<const char*>(std::memchr(start, '\n', available));
  if (nl == nullptr && s.viewed && !at_end(s)) {
    // The line runs past the view: view the file again from the line's start.
    if (!view_at(s, s.view_offset + static_cast<std::int64_t>(s.pos))) {
      s.in_error = true;
      return 1;
    }
    start = window(s, available);
    nl = static_cast<const char*>(std::memchr(start, '\n', available));
  }
  while (nl == nullptr && !s.viewed && refill(s)) {
    start = window(s, available);
    nl = static_cast<const char*>(std::memchr(start, '\n', available));
  }
  if (s.in_error) return 1;
  if (nl != nullptr || at_end(s)) {
    // The whole line is at hand (or it is the file's last, without a line end).
    std::size_t length = nl != nullptr ? static_cast<std::size_t>(nl - start) : available;
    const std::size_t consumed = length + (nl != nullptr ? 1 : 0);
    const bool cr = length > 0 && start[length - 1] == '\r';
    if (cr) --length;
    const std::size_t kept = std::min(length, max_length);
    line = std::string_view(start, kept);
    if (s.viewed) {
      last_view = {&s, start, kept, s.view_offset + static_cast<std::int64_t>(s.pos),
                   cr && nl != nullptr && kept == length};
    }
    s.pos += consumed;
    return 0;
  }
  // A line longer than a view or the buffer: keep its first part, skip the rest.
  const std::size_t keep = max_length < kStreamBufferSize ? max_length + 1 : kStreamBufferSize;
  s.long_line.assign(start, std::min(available, keep));
  for (;;) {
    s.pos += available;
    if (!more(s)) break;
    start = window(s, available);
    nl = static_cast<const char*>(std::memchr(start, '\n', available));
    const std::size_t part = nl != nullptr ? static_cast<std::size_t>(nl - start) : available;
    if (s.long_line.size() < keep) s.long_line.append(start, std::min(part, keep - s.long_line.size()));
    if (nl != nullptr) {
      s.pos += part + 1;
      break;
    }
  }
  if (s.in_error) return 1;
  line = std::string_view(s.long_line).substr(0, max_length);
  return 0;
}

int stream_write(StreamBuffer& s, const char* data, std::size_t n) {
  if (s.copy_length > 0) flush_copy(s);
  if (s.write_error != 0) return s.write_error;
  if (!s.out) s.out.reset(new char[kStreamBufferSize]);
  if (s.out_len + n > kStreamBufferSize) {
    if (flush_buffer(s) != 0) return s.write_error;
    if (n >= kStreamBufferSize) {
      s.write_error = platform::write_file(s.handle, data, n);
      return s.write_error;
    }
  }
  std::memcpy(s.out.get() + s.out_len, data, n);
  s.out_len += n;
  return 0;
}

int stream_write_line(StreamBuffer& s, std::string_view text) {
  const LastView& v = last_view;
  if (v.from != nullptr && v.crlf_follows && text.data() == v.data && text.size() == v.length &&
      v.from != &s) {
    // The line read last, passed on unchanged: a range of its file.
    const std::size_t n = text.size() + kLineEnd.size();
    if (s.copy_length > 0 && s.copy_from == v.from &&
        s.copy_offset + static_cast<std::int64_t>(s.copy_length) == v.offset) {
      s.copy_length += n;
      return s.write_error;
    }
    flush(s);
    s.copy_from = v.from;
    s.copy_offset = v.offset;
    s.copy_length = n;
    return s.write_error;
  }
  int status = stream_write(s, text.data(), text.size());
  if (status == 0) status = stream_write(s, kLineEnd.data(), kLineEnd.size());
  return status;
}

int attach_stream(Unit unit, platform::FileHandle handle, bool read_only) {
  if (unit < 0 || unit > kMaxUnit || unit == kConsole) return 1;
  auto& slot = table[static_cast<std::size_t>(unit)];
  if (slot) return 1;
  slot = std::make_unique<StreamBuffer>();
  slot->handle = handle;
  slot->read_only = read_only;
  return 0;
}

int detach_stream(Unit unit) {
  StreamBuffer* s = stream_of(unit);
  if (s == nullptr) return 0;
  // Ranges of this file still waiting in other streams are copied now.
  for (auto& other : table) {
    if (other && other->copy_from == s) flush(*other);
  }
  if (last_view.from == s) last_view.from = nullptr;
  int status = flush(*s);
  drop_view(*s);
  const int closed = platform::close_file(s->handle);
  if (status == 0) status = closed;
  table[static_cast<std::size_t>(unit)].reset();
  return status;
}

bool stream_attached(Unit unit) { return stream_of(unit) != nullptr; }

void close_all_streams() {
  for (Unit u = 0; u <= kMaxUnit; ++u) detach_stream(u);
}

}  // namespace sunder
