// The unit table and its buffered files.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/line_scan.h"
#include "lib/text/stream_buffer.h"

namespace sunder {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::array<std::unique_ptr<StreamBuffer>, kMaxUnit + 1> table;

// The line last handed out from a file opened for reading only, so a write
// of exactly that text can be recognised as passing it on unchanged.
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
    s.write_error =
        platform::copy_range(s.copy_from->handle, s.copy_offset, s.handle, s.copy_length);
  }
  s.copy_from = nullptr;
  s.copy_length = 0;
  return s.write_error;
}

int flush(StreamBuffer& s) {
  flush_buffer(s);
  return flush_copy(s);
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
  const std::int64_t got =
      platform::read_file(s.handle, s.in.get() + keep, kStreamBufferSize - keep);
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

// The bytes available from pos on.
const char* window(const StreamBuffer& s, std::size_t& available) {
  available = s.in_end - s.pos;
  return s.in.get() + s.pos;
}

}  // namespace

StreamBuffer* stream_of(Unit unit) {
  if (unit < 0 || unit > kMaxUnit) return nullptr;
  return table[static_cast<std::size_t>(unit)].get();
}

// Reading goes through the buffer with plain reads, never through a mapping
// of the file: a volume cut short by another process while it is read then
// simply ends early, where a mapping would kill the process (SIGBUS).
int stream_read_view(StreamBuffer& s, std::size_t max_length, std::string_view& line) {
  last_view.from = nullptr;
  line = {};
  std::size_t available = 0;
  const char* start = window(s, available);
  if (available == 0) {
    if (!refill(s)) return s.in_error ? 1 : -1;
    start = window(s, available);
  }
  const char* nl = static_cast<const char*>(std::memchr(start, '\n', available));
  while (nl == nullptr && refill(s)) {
    start = window(s, available);
    nl = static_cast<const char*>(std::memchr(start, '\n', available));
  }
  if (s.in_error) return 1;
  if (nl != nullptr || s.in_eof) {
    // The whole line is at hand (or it is the file's last, without a line end).
    std::size_t length = nl != nullptr ? static_cast<std::size_t>(nl - start) : available;
    const std::size_t consumed = length + (nl != nullptr ? 1 : 0);
    const bool cr = length > 0 && start[length - 1] == '\r';
    if (cr) --length;
    const std::size_t kept = std::min(length, max_length);
    line = std::string_view(start, kept);
    if (s.read_only) {
      last_view = {&s, start, kept, s.in_offset + static_cast<std::int64_t>(s.pos),
                   cr && nl != nullptr && kept == length};
    }
    s.pos += consumed;
    return 0;
  }
  // A line longer than the buffer: keep its first part, skip the rest.
  const std::size_t keep = max_length < kStreamBufferSize ? max_length + 1 : kStreamBufferSize;
  s.long_line.assign(start, std::min(available, keep));
  for (;;) {
    s.pos += available;
    if (!refill(s)) break;
    start = window(s, available);
    nl = static_cast<const char*>(std::memchr(start, '\n', available));
    const std::size_t part = nl != nullptr ? static_cast<std::size_t>(nl - start) : available;
    if (s.long_line.size() < keep)
      s.long_line.append(start, std::min(part, keep - s.long_line.size()));
    if (nl != nullptr) {
      s.pos += part + 1;
      break;
    }
  }
  if (s.in_error) return 1;
  line = std::string_view(s.long_line).substr(0, max_length);
  return 0;
}

namespace {

// Marks of one scan: enough lines for a block of the read buffer's size.
constexpr std::size_t kMarksPerScan = 8192;
// A run of unchanged lines this long goes on as a range of the file, copied
// by the system; a shorter one is copied into the write buffer, so lines that
// alternate between unchanged and changed cost no system call each.
constexpr std::size_t kMinRange = 16 * 1024;

// A changed line: its kept text and CR LF through the buffer.
void pass_changed(StreamBuffer& out, std::string_view text) {
  stream_write(out, text.data(), text.size());
  stream_write(out, kLineEnd.data(), kLineEnd.size());
}

// A run of unchanged lines (their bytes, line ends included, at offset in
// the file of from): joined to the range before when they touch it.
void pass_unchanged(StreamBuffer& from, StreamBuffer& out, std::int64_t offset,
                    std::string_view bytes) {
  if (out.copy_length > 0 && out.copy_from == &from &&
      out.copy_offset + static_cast<std::int64_t>(out.copy_length) == offset) {
    out.copy_length += bytes.size();
    return;
  }
  if (bytes.size() < kMinRange) {
    stream_write(out, bytes.data(), bytes.size());
    return;
  }
  flush(out);
  out.copy_from = &from;
  out.copy_offset = offset;
  out.copy_length = bytes.size();
}

void count_line(const LineMark& m, LinesCopied& copied) {
  ++copied.lines;
  if ((m.flags & kLineCut) != 0 && copied.cut++ == 0) copied.firstCut = copied.lines;
}

// A line that is not whole in the buffer: the file's last line without an
// end, or a line longer than the buffer (its first part kept, as a single
// read keeps it). Returns the read status; flag tells of a flag line.
int pass_single(StreamBuffer& s, StreamBuffer* out, std::size_t width, LinesCopied& copied,
                bool& flag) {
  LineMark m{};
  std::string_view text;
  if (s.in_eof) {
    const std::string_view rest(s.in.get() + s.pos, s.in_end - s.pos);
    m = scan_last_line(rest, 0, width);
    text = rest.substr(0, m.kept);
    s.pos = s.in_end;
  } else {
    std::string_view line;
    const int st = stream_read_view(s, std::string_view::npos, line);
    if (st != 0) return st;
    text = used(line.substr(0, width));
    if (line.starts_with("/&")) m.flags |= kLineFlag;
    if (line.size() > width && line.find_first_not_of(kCutFiller, width) != line.npos) {
      m.flags |= kLineCut;
    }
  }
  count_line(m, copied);
  if (out != nullptr) pass_changed(*out, text);
  flag = (m.flags & kLineFlag) != 0;
  return 0;
}

// Passes the marked lines of block (n of them, starting at offset base of
// the file) on; returns how many it took, the flag line ending them early.
std::size_t pass_marked(StreamBuffer& s, StreamBuffer* out, std::string_view block,
                        std::int64_t base, const LineMark* marks, std::size_t n,
                        LinesCopied& copied) {
  std::size_t i = 0;
  while (i < n) {
    const LineMark& m = marks[i];
    if (out == nullptr || (m.flags & kLineAsIs) == 0) {
      count_line(m, copied);
      if (out != nullptr) pass_changed(*out, block.substr(m.start, m.kept));
      ++i;
      if ((m.flags & kLineFlag) != 0) break;
      continue;
    }
    // A run of unchanged lines, a flag line ending it taken with it.
    std::size_t j = i;
    while (j < n && (marks[j].flags & kLineAsIs) != 0) {
      if ((marks[j++].flags & kLineFlag) != 0) break;
    }
    const std::size_t from = m.start;
    const std::size_t to = line_after(marks[j - 1]);
    copied.lines += static_cast<std::int32_t>(j - i);  // unchanged lines lose nothing
    pass_unchanged(s, *out, base + static_cast<std::int64_t>(from), block.substr(from, to - from));
    i = j;
    if ((marks[j - 1].flags & kLineFlag) != 0) break;
  }
  return i;
}

}  // namespace

int stream_copy_to_flag(StreamBuffer& s, StreamBuffer* out, std::size_t width,
                        std::int32_t maxLines, LinesCopied& copied) {
  last_view.from = nullptr;
  static LineMark marks[kMarksPerScan];
  while (copied.lines < maxLines && !copied.flag) {
    if (s.pos == s.in_end && !refill(s)) return s.in_error ? 1 : -1;
    const std::string_view block(s.in.get() + s.pos, s.in_end - s.pos);
    const std::size_t cap =
        std::min<std::size_t>(kMarksPerScan, static_cast<std::size_t>(maxLines - copied.lines));
    const std::size_t n = scan_lines(block, width, marks, cap);
    if (n == 0) {
      // No whole line in the buffer: read more, or take the line singly.
      if (refill(s)) continue;
      if (s.in_error) return 1;
      const int st = pass_single(s, out, width, copied, copied.flag);
      if (st != 0) return st;
      continue;
    }
    const std::int64_t base = s.in_offset + static_cast<std::int64_t>(s.pos);
    const std::size_t taken = pass_marked(s, out, block, base, marks, n, copied);
    copied.flag = (marks[taken - 1].flags & kLineFlag) != 0;
    s.pos += line_after(marks[taken - 1]);
  }
  if (out != nullptr) copied.writeError = out->write_error;
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
  if (status == 0 && s.write_through) status = flush(s);
  return status;
}

int attach_stream(Unit unit, platform::FileHandle handle, bool read_only) {
  if (unit < 0 || unit > kMaxUnit || unit == kConsole) return 1;
  // Files still open when the process ends through exit or a return from
  // main are flushed and closed then, as they are on a stop.
  static const bool closing_at_exit = std::atexit(close_all_streams) == 0;
  (void)closing_at_exit;
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
  const int closed = platform::close_file(s->handle);
  if (status == 0) status = closed;
  table[static_cast<std::size_t>(unit)].reset();
  return status;
}

bool stream_attached(Unit unit) { return stream_of(unit) != nullptr; }

namespace {

[[maybe_unused]] const bool registered = seams::register_reset(close_all_streams);

}  // namespace

void set_write_through(Unit unit) {
  if (StreamBuffer* s = stream_of(unit)) s->write_through = true;
}

int copy_lines_to_flag(Unit in, Unit out, std::size_t width, std::int32_t maxLines,
                       LinesCopied& copied) {
  copied = LinesCopied{};
  StreamBuffer* from = stream_of(in);
  if (from == nullptr) return 1;
  StreamBuffer* to = out == kNoUnit ? nullptr : stream_of(out);
  if (out != kNoUnit && to == nullptr) {
    copied.writeError = 1;
    return 0;
  }
  return stream_copy_to_flag(*from, to, width, maxLines, copied);
}

platform::FileHandle stream_handle(Unit unit) {
  const StreamBuffer* s = stream_of(unit);
  return s != nullptr ? s->handle : platform::kNoFile;
}

void close_all_streams() {
  for (Unit u = 0; u <= kMaxUnit; ++u) detach_stream(u);
}

}  // namespace sunder
