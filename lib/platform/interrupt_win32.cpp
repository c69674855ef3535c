// Interrupts on Windows: a console control handler. It runs on a thread of
// its own while the program goes on, so it ends the process itself.
#include <windows.h>

#include "lib/platform/interrupt.h"
#include "lib/platform/interrupt_os.h"

namespace sunder::platform {
namespace {

void write_all(HANDLE h, const char* p, std::size_t n) {
  DWORD put = 0;
  if (h != nullptr && h != INVALID_HANDLE_VALUE)
    WriteFile(h, p, static_cast<DWORD>(n), &put, nullptr);
}

BOOL WINAPI on_interrupt(DWORD) {
  if (const InterruptText* s = published_interrupt_text()) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    write_all(out, "\r\n", 2);
    write_all(out, s->text, s->length + 2);
    if (s->file != kNoFile) write_all(reinterpret_cast<HANDLE>(s->file), s->text, s->length + 2);
  }
  ExitProcess(kInterruptedStatus);
  return TRUE;
}

}  // namespace

void catch_interrupts() { SetConsoleCtrlHandler(on_interrupt, TRUE); }

}  // namespace sunder::platform
