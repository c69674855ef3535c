// Interrupts on POSIX: a SIGINT or SIGTERM handler that does only what is
// safe in a handler: write(2) of a text prepared beforehand, then _exit.
#include <signal.h>
#include <unistd.h>

#include "lib/platform/interrupt.h"
#include "lib/platform/interrupt_os.h"

namespace sunder::platform {
namespace {

void write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t put = ::write(fd, p, n);
    if (put <= 0) return;
    p += put;
    n -= static_cast<std::size_t>(put);
  }
}

void on_interrupt(int) {
  if (const InterruptText* s = published_interrupt_text()) {
    write_all(STDOUT_FILENO, "\n", 1);
    write_all(STDOUT_FILENO, s->text, s->length);
    write_all(STDOUT_FILENO, "\n", 1);
    if (s->file != kNoFile) write_all(static_cast<int>(s->file), s->text, s->length + 2);
  }
  ::_exit(kInterruptedStatus);
}

}  // namespace

void catch_interrupts() {
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace sunder::platform
