// Fuzzes the splitting of one volume: the input bytes are the volume, split
// by a whole in-process run of the tool (sunder quake.v2) in a scratch
// directory. Besides crashes and sanitizer reports it checks what a user
// relies on: the run ends with 0 or 1, the volume is left as it was, and the
// marker "SplitWas.bad" is gone after a normal end and stays after an error stop.
// Stops unwind back to the harness (tool_harness.h), so leak checking can stay on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tool_harness.h"

namespace {

std::string read_all(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void fail(const char* what, const fuzzrun::Outcome& out) {
  // On the standard output: fuzz.sh discards the standard error of the tool.
  std::fprintf(stdout, "volume_fuzz: %s (status %d)\n%s\n", what, out.status, out.console.c_str());
  std::fflush(stdout);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string volume(reinterpret_cast<const char*>(data), size);
  fuzzrun::Scratch scratch;
  {
    std::ofstream out("quake.v2", std::ios::binary);
    out << volume;
  }
  const fuzzrun::Outcome out = fuzzrun::run_tool_in_process({"sunder", "quake.v2"});

  if (read_all("quake.v2") != volume) fail("the volume was changed", out);
  const bool marker = sunder::platform::file_exists("SplitWas.bad");
  if (out.status == sunder::kExitNormal && !out.stopped && marker)
    fail("SplitWas.bad left after a normal end", out);
  if (out.status == sunder::kExitError && !marker)
    fail("SplitWas.bad gone after an error stop", out);
  return 0;
}
