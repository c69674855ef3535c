// Interrupts on POSIX: a SIGINT or SIGTERM handler that does only what is
// safe in a handler: write(2) of a text prepared beforehand, then _exit.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "lib/platform/interrupt.h"

namespace sunder::platform {
namespace {

constexpr std::size_t kTextRoom = 400;
constexpr int kInterruptedStatus = 1;

// Two slots: the handler reads the one published last while the program
// fills the other, so it never sees a half-written text.
struct Slot {
  char text[kTextRoom + 2];
  std::size_t length;
  int file;
};
Slot slots[2];
std::atomic<int> published{-1};

void write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t put = ::write(fd, p, n);
    if (put <= 0) return;
    p += put;
    n -= static_cast<std::size_t>(put);
  }
}

void on_interrupt(int) {
  const int i = published.load();
  if (i >= 0) {
    const Slot& s = slots[i];
    write_all(STDOUT_FILENO, "\n", 1);
    write_all(STDOUT_FILENO, s.text, s.length);
    write_all(STDOUT_FILENO, "\n", 1);
    if (s.file >= 0) write_all(s.file, s.text, s.length + 2);  // with its CR LF
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

void set_interrupt_text(std::string_view text, FileHandle file) {
  const int next = published.load() == 0 ? 1 : 0;
  Slot& s = slots[next];
  s.length = std::min(text.size(), kTextRoom);
  std::memcpy(s.text, text.data(), s.length);
  std::memcpy(s.text + s.length, "\r\n", 2);
  s.file = static_cast<int>(file);
  published.store(next);
}

}  // namespace sunder::platform
