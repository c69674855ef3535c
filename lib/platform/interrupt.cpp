// The text an interrupt leaves, kept where a handler can read it at any time.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "lib/platform/interrupt.h"
#include "lib/platform/interrupt_os.h"

namespace sunder::platform {
namespace {

InterruptText slots[2];
std::atomic<int> published{-1};

}  // namespace

void set_interrupt_text(std::string_view text, FileHandle file) {
  const int next = published.load() == 0 ? 1 : 0;
  InterruptText& s = slots[next];
  s.length = std::min(text.size(), kInterruptTextRoom);
  std::memcpy(s.text, text.data(), s.length);
  std::memcpy(s.text + s.length, "\r\n", 2);
  s.file = file;
  published.store(next);
}

const InterruptText* published_interrupt_text() {
  const int i = published.load();
  return i < 0 ? nullptr : &slots[i];
}

}  // namespace sunder::platform
