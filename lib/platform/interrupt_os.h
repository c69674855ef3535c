// What the interrupt handlers of each platform share (internal to the
// platform layer): the text prepared for an interrupt.
#pragma once

#include <cstddef>

#include "lib/platform/file.h"

namespace sunder::platform {

inline constexpr std::size_t kInterruptTextRoom = 400;
inline constexpr int kInterruptedStatus = 1;

// The line to leave (with CR LF after its length bytes) and the file to
// leave it in too (kNoFile: none).
struct InterruptText {
  char text[kInterruptTextRoom + 2];
  std::size_t length;
  FileHandle file;
};

// The text set last, nullptr before any; safe to call in a handler: the
// program fills one of two slots while the handler reads the other.
const InterruptText* published_interrupt_text();

}  // namespace sunder::platform
