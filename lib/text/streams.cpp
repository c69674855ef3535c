// The unit table and its buffered files.
#include <array>
#include <cstring>

#include "lib/text/stream_buffer.h"

namespace sunder {
namespace {

std::array<std::unique_ptr<StreamBuffer>, kMaxUnit + 1> table;

int flush(StreamBuffer& s) {
  if (s.out_len > 0 && s.write_error == 0) {
    s.write_error = platform::write_file(s.handle, s.out.get(), s.out_len);
  }
  s.out_len = 0;
  return s.write_error;
}

}  // namespace

StreamBuffer* stream_of(Unit unit) {
  if (unit < 0 || unit > kMaxUnit) return nullptr;
  return table[static_cast<std::size_t>(unit)].get();
}

int stream_write(StreamBuffer& s, const char* data, std::size_t n) {
  if (s.write_error != 0) return s.write_error;
  if (!s.out) s.out = std::make_unique<char[]>(kStreamBufferSize);
  if (s.out_len + n > kStreamBufferSize) {
    if (flush(s) != 0) return s.write_error;
    if (n >= kStreamBufferSize) {
      s.write_error = platform::write_file(s.handle, data, n);
      return s.write_error;
    }
  }
  std::memcpy(s.out.get() + s.out_len, data, n);
  s.out_len += n;
  return 0;
}

int attach_stream(Unit unit, platform::FileHandle handle) {
  if (unit < 0 || unit > kMaxUnit || unit == kConsole) return 1;
  auto& slot = table[static_cast<std::size_t>(unit)];
  if (slot) return 1;
  slot = std::make_unique<StreamBuffer>();
  slot->handle = handle;
  return 0;
}

int detach_stream(Unit unit) {
  StreamBuffer* s = stream_of(unit);
  if (s == nullptr) return 0;
  int status = flush(*s);
  int closed = platform::close_file(s->handle);
  if (status == 0) status = closed;
  table[static_cast<std::size_t>(unit)].reset();
  return status;
}

bool stream_attached(Unit unit) { return stream_of(unit) != nullptr; }

void close_all_streams() {
  for (Unit u = 0; u <= kMaxUnit; ++u) detach_stream(u);
}

}  // namespace sunder
