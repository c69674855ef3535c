// Interrupts on Windows: a console control handler. It runs on a thread of
// its own while the program goes on, so it ends the process itself.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "lib/platform/interrupt.h"

namespace sunder::platform {
namespace {

constexpr std::size_t kTextRoom = 400;
constexpr UINT kInterruptedStatus = 1;

struct Slot {
  char text[kTextRoom + 2];
  std::size_t length;
  HANDLE file;
};
Slot slots[2];
std::atomic<int> published{-1};

void write_all(HANDLE h, const char* p, std::size_t n) {
  DWORD put = 0;
  if (h != nullptr && h != INVALID_HANDLE_VALUE)
    WriteFile(h, p, static_cast<DWORD>(n), &put, nullptr);
}

BOOL WINAPI on_interrupt(DWORD) {
  const int i = published.load();
  if (i >= 0) {
    const Slot& s = slots[i];
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    write_all(out, "\r\n", 2);
    write_all(out, s.text, s.length + 2);
    if (s.file != INVALID_HANDLE_VALUE) write_all(s.file, s.text, s.length + 2);
  }
  ExitProcess(kInterruptedStatus);
  return TRUE;
}

}  // namespace

void catch_interrupts() { SetConsoleCtrlHandler(on_interrupt, TRUE); }

void set_interrupt_text(std::string_view text, FileHandle file) {
  const int next = published.load() == 0 ? 1 : 0;
  Slot& s = slots[next];
  s.length = std::min(text.size(), kTextRoom);
  std::memcpy(s.text, text.data(), s.length);
  std::memcpy(s.text + s.length, "\r\n", 2);
  s.file = file == kNoFile ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(file);
  published.store(next);
}

}  // namespace sunder::platform
