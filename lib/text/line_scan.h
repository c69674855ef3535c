// The lines of a block of a volume, found in one pass: where each begins and
// ends and what writing it to a channel file takes (its text cut to a width
// without trailing blanks, whether it is a record's end flag, whether cutting
// loses anything). The splitter then handles a line without looking at its
// bytes again, except to copy them.
//
// Line ends are found 64 bytes at a time with vector instructions where the
// machine has them (SSE2 on every x86-64, AVX2 where the processor has it);
// elsewhere a plain loop gives the same marks.
//
// Limits: offsets and lengths are 32-bit, so a block is at most 4 GiB - 1
// (bytes past that are not scanned); blocks are meant to be a few MiB. The
// width is at most 65535.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sunder {

// What the splitter needs to know of one line.
struct LineMark {
  std::uint32_t start;   // offset of the line's first byte in the block
  std::uint32_t length;  // bytes before the line end (a CR before the LF not counted)
  std::uint16_t kept;    // length after cutting to the width and dropping trailing blanks
  std::uint8_t flags;    // kLine... bits

  friend bool operator==(const LineMark&, const LineMark&) = default;
};

// The line ended in CR LF (for the file's last line, without LF: ended in a
// CR), and that CR is not in length.
inline constexpr std::uint8_t kLineCr = 1;
// The line begins with "/&": the last line of a record's body.
inline constexpr std::uint8_t kLineFlag = 2;
// The line is longer than the width and the part cut off holds something
// other than blanks and Ctrl-Z (0x1A): cutting it loses text.
inline constexpr std::uint8_t kLineCut = 4;
// What a cut may drop without losing text: blanks and Ctrl-Z filler.
inline constexpr std::string_view kCutFiller = " \x1a";
// Written out (kept bytes and CR LF) the line is the same bytes as in the
// block: it ends in CR LF, is no longer than the width and has no trailing
// blank. Such lines can be passed on as ranges of the block.
inline constexpr std::uint8_t kLineAsIs = 8;

inline constexpr std::size_t kMaxScanBlock = 0xffffffffu;
inline constexpr std::size_t kMaxScanWidth = 0xffffu;

// Marks the complete lines (those ending in LF) of block, at most cap of
// them, into marks; returns how many. The bytes after the last LF are not a
// line: the caller keeps them for the next block, or at the end of the file
// marks them with scan_last_line. Lines are cut to width (widths above
// kMaxScanWidth are taken as kMaxScanWidth). The trailing blanks dropped are
// spaces only (a tab is text), as used() in fields.h drops them. A lone CR,
// not directly before an LF, is text of its line.
std::size_t scan_lines(std::string_view block, std::size_t width, LineMark* marks, std::size_t cap);

// The file's last line when it has no LF: the bytes of block from from to
// the end, which must hold no LF. As the text layer reads such a line, a CR
// at its end is dropped (kLineCr); kLineAsIs is never set, as the line end
// is written where the block has none.
LineMark scan_last_line(std::string_view block, std::size_t from, std::size_t width);

// Offset of the byte after the LF of a line marked by scan_lines: where the
// next line, or the caller's remainder, begins.
inline constexpr std::size_t line_after(const LineMark& m) {
  return std::size_t{m.start} + m.length + ((m.flags & kLineCr) != 0 ? 1 : 0) + 1;
}

// The ways of finding line ends, for tests and benchmarks: scan_lines takes
// the fastest the machine runs; all give the same marks.
enum class ScanPath : std::uint8_t {
  kPortable,  // plain C++ (memchr per line)
  kSse2,      // 16-byte vectors, x86-64 only
  kAvx2,      // 32-byte vectors, x86-64 processors that have AVX2
};

// Whether this build on this machine runs path.
bool scan_path_available(ScanPath path);
// The path scan_lines takes.
ScanPath best_scan_path();
// scan_lines through path; through the portable one if path is not available.
std::size_t scan_lines_on(ScanPath path, std::string_view block, std::size_t width, LineMark* marks,
                          std::size_t cap);

}  // namespace sunder
