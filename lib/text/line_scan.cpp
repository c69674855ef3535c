// The line scanner. Every path finds the line ends its own way and hands each
// line to mark_line, which is written once; only its two byte loops (trailing
// blanks, the cut-off part) come in a plain and a vector form. So the paths
// can differ in speed only, never in marks.
#include "lib/text/line_scan.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#define SUNDER_SCAN_X86 1
#endif

namespace sunder {
namespace {

constexpr char kLf = '\n';
constexpr char kCr = '\r';
// The trailing blanks dropped from a line are spaces only: used() in
// fields.h, which the splitter applies today, treats a tab as text.
constexpr char kBlank = ' ';
// Ctrl-Z: old DOS tools pad a file to a full sector with it, so a cut part
// holding only that and blanks loses nothing.
constexpr char kCtrlZ = '\x1a';
constexpr std::string_view kFlag = "/&";

// The vector loops look at 64 bytes a step: one bit of a 64-bit mask a byte.
constexpr std::size_t kStep = 64;

bool filler(char c) { return kCutFiller.find(c) != std::string_view::npos; }

// The byte loops of mark_line, plain: for every platform, and for the bits
// too short for a vector.
struct PlainBytes {
  // The end of b[s, e) without its trailing blanks.
  static std::size_t trim(const char* b, std::size_t s, std::size_t e) {
    while (e > s && b[e - 1] == kBlank) --e;
    return e;
  }
  // Are the n bytes at p all blanks and Ctrl-Z?
  static bool only_filler(const char* p, std::size_t n) { return std::all_of(p, p + n, filler); }
};

#ifdef SUNDER_SCAN_X86
constexpr std::size_t kLane = 16;
constexpr unsigned kAllLanes = 0xffff;

unsigned blank_lanes(const char* p) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(kBlank))));
}

// The same with 16-byte vectors (SSE2, which every x86-64 has, so this
// needs no run-time check and inlines into the AVX2 loop as well).
struct VectorBytes {
  static std::size_t trim(const char* b, std::size_t s, std::size_t e) {
    if (e == s || b[e - 1] != kBlank) return e;
    for (; e - s >= kLane; e -= kLane) {
      const unsigned text = ~blank_lanes(b + e - kLane) & kAllLanes;
      if (text != 0) return e - kLane + static_cast<std::size_t>(std::bit_width(text));
    }
    if (e == s) return s;
    if (e >= kLane) {
      // Fewer than 16 bytes left: load 16 ending at e and ignore the lanes
      // before s (bytes of the block before the line, so still readable).
      unsigned text = ~blank_lanes(b + e - kLane) & kAllLanes;
      text &= kAllLanes << (kLane - (e - s));
      return text != 0 ? e - kLane + static_cast<std::size_t>(std::bit_width(text)) : s;
    }
    return PlainBytes::trim(b, s, e);
  }
  static bool only_filler(const char* p, std::size_t n) {
    const __m128i blank = _mm_set1_epi8(kBlank);
    const __m128i ctrl_z = _mm_set1_epi8(kCtrlZ);
    for (; n >= kLane; p += kLane, n -= kLane) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, ctrl_z));
      if (static_cast<unsigned>(_mm_movemask_epi8(hit)) != kAllLanes) return false;
    }
    return PlainBytes::only_filler(p, n);
  }
};
#endif

// The kept length of the line b[start, start + length), with kLineCut added
// to flags when cutting loses text: for the lines that are cut or end in a
// blank. Out of line, so the common line's code stays short.
template <typename Bytes>
[[gnu::noinline]] std::size_t kept_slow(const char* b, std::size_t start, std::size_t length,
                                        std::size_t width, std::uint8_t& flags) {
  std::size_t text_end = start + length;
  if (length > width) {
    text_end = start + width;
    if (!Bytes::only_filler(b + text_end, length - width)) flags |= kLineCut;
  }
  return Bytes::trim(b, start, text_end) - start;
}

// The mark of the line b[start, end); end is its LF (complete) or the end of
// the file.
template <typename Bytes>
inline LineMark mark_line(const char* b, std::size_t start, std::size_t end, std::size_t width,
                          bool complete) {
  std::size_t length = end - start;
  const bool cr = length > 0 && b[end - 1] == kCr;
  length -= cr ? 1 : 0;
  std::uint8_t flags = cr ? kLineCr : 0;
  if (length >= kFlag.size() && b[start] == kFlag[0] && b[start + 1] == kFlag[1]) {
    flags |= kLineFlag;
  }
  // Most lines are no longer than the width and end in text: kept whole.
  std::size_t kept = length;
  if (length > width || (length > 0 && b[start + length - 1] == kBlank)) {
    kept = kept_slow<Bytes>(b, start, length, width, flags);
  }
  // kept == length holds only when nothing was cut and no blank dropped.
  if (complete && cr && kept == length) flags |= kLineAsIs;
  return {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length),
          static_cast<std::uint16_t>(kept), flags};
}

// Marks the lines whose LF lies at or after from, the next one beginning at
// start (no LF lies in [start, from)), with marks[0, n) taken; returns the
// new count. The portable path, and the vector loops' last few bytes.
template <typename Bytes>
std::size_t scan_rest(std::string_view block, std::size_t start, std::size_t from,
                      std::size_t width, LineMark* marks, std::size_t n, std::size_t cap) {
  const char* b = block.data();
  while (n < cap && from < block.size()) {
    const void* lf = std::memchr(b + from, kLf, block.size() - from);
    if (lf == nullptr) break;
    const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - b);
    marks[n++] = mark_line<Bytes>(b, start, end, width, true);
    start = from = end + 1;
  }
  return n;
}

std::size_t scan_portable(std::string_view block, std::size_t width, LineMark* marks,
                          std::size_t cap) {
  return scan_rest<PlainBytes>(block, 0, 0, width, marks, 0, cap);
}

#ifdef SUNDER_SCAN_X86
std::uint64_t lf_mask_sse2(const char* p) {
  const __m128i lf = _mm_set1_epi8(kLf);
  std::uint64_t m = 0;
  for (std::size_t i = 0; i < kStep / kLane; ++i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i * kLane));
    const auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    m |= std::uint64_t{bits} << (i * kLane);
  }
  return m;
}

std::size_t scan_sse2(std::string_view block, std::size_t width, LineMark* marks, std::size_t cap) {
  const char* b = block.data();
  std::size_t n = 0, start = 0, pos = 0;
  if (cap == 0) return 0;
  for (; block.size() - pos >= kStep; pos += kStep) {
    for (std::uint64_t m = lf_mask_sse2(b + pos); m != 0; m &= m - 1) {
      const std::size_t end = pos + static_cast<std::size_t>(std::countr_zero(m));
      marks[n] = mark_line<VectorBytes>(b, start, end, width, true);
      start = end + 1;
      if (++n == cap) return n;
    }
  }
  return scan_rest<VectorBytes>(block, start, pos, width, marks, n, cap);
}

// The AVX2 loop is compiled for AVX2 on its own and run only where the
// processor has it; mark_line, plain x86-64 code, inlines into it. Nothing
// 32 bytes wide may be spilled to the stack here, as GCC for Windows cannot
// align the stack for it: GCC 12 keeps the LF vector in a register across the
// calls (it sees that they leave it alone). The Windows tests under Wine run
// this loop, so a change that spills would show there.
__attribute__((target("avx2"))) std::uint64_t lf_mask_avx2(const char* p) {
  const __m256i lf = _mm256_set1_epi8(kLf);
  const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + kStep / 2));
  const auto lo_bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, lf)));
  const auto hi_bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, lf)));
  return (std::uint64_t{hi_bits} << (kStep / 2)) | lo_bits;
}

__attribute__((target("avx2"))) std::size_t scan_avx2(std::string_view block, std::size_t width,
                                                      LineMark* marks, std::size_t cap) {
  const char* b = block.data();
  std::size_t n = 0, start = 0, pos = 0;
  if (cap == 0) return 0;
  for (; block.size() - pos >= kStep; pos += kStep) {
    for (std::uint64_t m = lf_mask_avx2(b + pos); m != 0; m &= m - 1) {
      const std::size_t end = pos + static_cast<std::size_t>(std::countr_zero(m));
      marks[n] = mark_line<VectorBytes>(b, start, end, width, true);
      start = end + 1;
      if (++n == cap) return n;
    }
  }
  return scan_rest<VectorBytes>(block, start, pos, width, marks, n, cap);
}
#endif

ScanPath detect_path() {
#ifdef SUNDER_SCAN_X86
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? ScanPath::kAvx2 : ScanPath::kSse2;
#else
  return ScanPath::kPortable;
#endif
}

std::string_view within_limit(std::string_view block) {
  return block.substr(0, std::min(block.size(), kMaxScanBlock));
}

}  // namespace

bool scan_path_available(ScanPath path) {
  switch (path) {
    case ScanPath::kPortable:
      return true;
    case ScanPath::kSse2:
      return best_scan_path() != ScanPath::kPortable;
    case ScanPath::kAvx2:
      return best_scan_path() == ScanPath::kAvx2;
  }
  return false;
}

ScanPath best_scan_path() {
  static const ScanPath best = detect_path();
  return best;
}

std::size_t scan_lines_on(ScanPath path, std::string_view block, std::size_t width, LineMark* marks,
                          std::size_t cap) {
  block = within_limit(block);
  width = std::min(width, kMaxScanWidth);
  if (!scan_path_available(path)) path = ScanPath::kPortable;
  switch (path) {
#ifdef SUNDER_SCAN_X86
    case ScanPath::kSse2:
      return scan_sse2(block, width, marks, cap);
    case ScanPath::kAvx2:
      return scan_avx2(block, width, marks, cap);
#endif
    default:
      return scan_portable(block, width, marks, cap);
  }
}

std::size_t scan_lines(std::string_view block, std::size_t width, LineMark* marks,
                       std::size_t cap) {
  return scan_lines_on(best_scan_path(), block, width, marks, cap);
}

LineMark scan_last_line(std::string_view block, std::size_t from, std::size_t width) {
  block = within_limit(block);
  from = std::min(from, block.size());
  return mark_line<PlainBytes>(block.data(), from, block.size(), std::min(width, kMaxScanWidth),
                               false);
}

}  // namespace sunder
