// Bytes per second of the line scanner on volume-like text, on each of its
// paths, beside a plain memchr loop that only finds the line ends, one call a
// line, as the text layer reads today (and doing nothing else with them).
//
// The text is 64 MiB of records as bench/gen_volume.py makes them: ten header
// lines blank-padded to 80 columns, body lines of eight 10-column numbers, a
// "/&" line, all ending in CR LF. It is scanned as the splitter would, in
// blocks of 1 MiB, each one going on at the end of the last whole line of
// the one before, into a marks array that is reused.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lib/text/line_scan.h"

namespace {

using namespace sunder;

constexpr std::size_t kTextSize = std::size_t{64} << 20;
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr std::size_t kWidth = 80;
constexpr int kBodyLines = 12000;  // about 1 MB a record, as gen_volume.py's
constexpr int kHeaderLines = 10;
constexpr int kValuesPerLine = 8;
constexpr std::string_view kLineEnd = "\r\n";

std::string padded(std::string text) {
  text.resize(kWidth, ' ');
  return text;
}

const std::string& volume_text() {
  static const std::string text = [] {
    std::string t;
    t.reserve(kTextSize + 2 * kWidth);
    std::uint32_t state = 12345;  // the generator's LCG: the same kind of numbers
    char value[32];
    for (int record = 1; t.size() < kTextSize; ++record) {
      for (int h = 1; h <= kHeaderLines; ++h) {
        t += padded("Header line " + std::to_string(h) + " of synthetic record " +
                    std::to_string(record));
        t += kLineEnd;
      }
      for (int i = 0; i < kBodyLines && t.size() < kTextSize; ++i) {
        for (int v = 0; v < kValuesPerLine; ++v) {
          state = (state * 1103515245u + 12345u) & 0x7fffffffu;
          std::snprintf(value, sizeof value, "%10.4f", (state % 2000000) / 1000.0 - 1000.0);
          t += value;
        }
        t += kLineEnd;
      }
      t += "/&";
      t += kLineEnd;
    }
    return t;
  }();
  return text;
}

void BM_ScanLines(benchmark::State& state, ScanPath path) {
  if (!scan_path_available(path)) {
    state.SkipWithError("path not available on this machine");
    return;
  }
  const std::string& text = volume_text();
  // A 1 MiB block of 82-byte lines has some 12,800 lines.
  std::vector<LineMark> marks(kBlockSize / 64);
  std::size_t lines = 0;
  for (auto _ : state) {
    std::size_t from = 0;
    while (from < text.size()) {
      const std::string_view block(text.data() + from, std::min(kBlockSize, text.size() - from));
      const std::size_t n = scan_lines_on(path, block, kWidth, marks.data(), marks.size());
      benchmark::DoNotOptimize(marks.data());
      benchmark::ClobberMemory();
      if (n == 0) break;  // the text ends in a line end: nothing is left
      from += line_after(marks[n - 1]);
      lines += n;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["lines"] = static_cast<double>(lines / state.iterations());
}
BENCHMARK_CAPTURE(BM_ScanLines, avx2, ScanPath::kAvx2);
BENCHMARK_CAPTURE(BM_ScanLines, sse2, ScanPath::kSse2);
BENCHMARK_CAPTURE(BM_ScanLines, portable, ScanPath::kPortable);

// Only the line ends: memchr from line to line over the same text.
void BM_MemchrLines(benchmark::State& state) {
  const std::string& text = volume_text();
  std::size_t lines = 0;
  for (auto _ : state) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
      p = static_cast<const char*>(lf) + 1;
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["lines"] = static_cast<double>(lines / state.iterations());
}
BENCHMARK(BM_MemchrLines);

}  // namespace

BENCHMARK_MAIN();
