// Lines per second of the text layer's hot path: one 80-column line written
// with the layout (A) to a file, and one line read back.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "lib/platform/file.h"
#include "lib/text/lines.h"

namespace {

using namespace sunder;

const std::string kLine =
    "  -0.123456E+01  0.234567E+00 -0.345678E-01  0.456789E+02 -0.567890E+00  0.1234";

// The files go to $TMPDIR (default /tmp): point it at a RAM disk to leave the
// disk's write-back out of the figures.
std::string bench_path(const char* stem) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/sunder_bench_" +
         std::string(stem) + "_" + std::to_string(::getpid());
}

// Writes the line once per iteration with write(unit) to a file that starts
// over every 86 MB or so, to keep it small.
template <typename Write>
void write_lines(benchmark::State& state, const char* stem, Unit unit, Write write) {
  const std::string path = bench_path(stem);
  platform::FileHandle h = platform::kNoFile;
  platform::open_file(path, platform::Access::kWrite, h);
  attach_stream(unit, h);
  std::int64_t lines = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(write(unit));
    if ((++lines & 0xfffff) == 0) {
      detach_stream(unit);
      platform::open_file(path, platform::Access::kWrite, h);
      attach_stream(unit, h);
    }
  }
  detach_stream(unit);
  platform::remove_file(path);
  state.SetItemsProcessed(state.iterations());
}

void BM_WriteLineA(benchmark::State& state) {
  const Layout& a = layout("(A)");
  write_lines(state, "write", 40, [&](Unit u) { return write_line(u, a, {kLine}); });
}
BENCHMARK(BM_WriteLineA);

void BM_WriteText(benchmark::State& state) {
  write_lines(state, "text", 41, [](Unit u) { return write_text(u, kLine); });
}
BENCHMARK(BM_WriteText);

void BM_ReadLine(benchmark::State& state) {
  const std::string path = bench_path("read");
  {
    platform::FileHandle h = platform::kNoFile;
    platform::open_file(path, platform::Access::kWrite, h);
    attach_stream(42, h);
    for (int i = 0; i < 1000000; ++i) write_text(42, kLine);
    detach_stream(42);
  }
  platform::FileHandle h = platform::kNoFile;
  platform::open_file(path, platform::Access::kRead, h);
  attach_stream(43, h);
  char field[80];
  for (auto _ : state) {
    if (read_text(43, std::span<char>(field, 80)) != kReadOk) {
      state.PauseTiming();
      detach_stream(43);
      platform::open_file(path, platform::Access::kRead, h);
      attach_stream(43, h);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(field);
  }
  detach_stream(43);
  platform::remove_file(path);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadLine);

}  // namespace

BENCHMARK_MAIN();
