// The line scanner: the marks of every kind of line, the same on every path
// (plain and vector), the same as a simple reference built on used(), and
// the same text as the text layer reads and the splitter writes today.
#include "lib/text/line_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "lib/platform/file.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/streams.h"
#include "tests/support/library_fixture.h"

namespace sunder {

// Marks in failure messages (found by GoogleTest beside LineMark).
void PrintTo(const LineMark& m, std::ostream* os) {
  *os << "{start " << m.start << ", length " << m.length << ", kept " << m.kept << ", flags "
      << int{m.flags} << "}";
}

namespace {

constexpr std::size_t kWidth = 80;
constexpr std::size_t kAll = std::size_t(-1) / sizeof(LineMark);

const char* name_of(ScanPath path) {
  switch (path) {
    case ScanPath::kPortable:
      return "portable";
    case ScanPath::kSse2:
      return "sse2";
    case ScanPath::kAvx2:
      return "avx2";
  }
  return "?";
}

std::vector<ScanPath> available_paths() {
  std::vector<ScanPath> paths;
  for (ScanPath p : {ScanPath::kPortable, ScanPath::kSse2, ScanPath::kAvx2}) {
    if (scan_path_available(p)) paths.push_back(p);
  }
  return paths;
}

std::vector<LineMark> scan(ScanPath path, std::string_view block, std::size_t width = kWidth,
                           std::size_t cap = kAll) {
  std::vector<LineMark> marks(std::min(cap, block.size() + 1));
  marks.resize(scan_lines_on(path, block, width, marks.data(), marks.size()));
  return marks;
}

// The marks as the splitter's reading and writing of a line define them,
// one line at a time, with used() doing the trimming.
std::vector<LineMark> reference(std::string_view block, std::size_t width) {
  std::vector<LineMark> marks;
  std::size_t start = 0;
  for (std::size_t lf = block.find('\n'); lf != std::string_view::npos;
       start = lf + 1, lf = block.find('\n', start)) {
    std::string_view line = block.substr(start, lf - start);
    std::uint8_t flags = 0;
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
      flags |= kLineCr;
    }
    if (line.starts_with("/&")) flags |= kLineFlag;
    if (line.size() > width && line.substr(width).find_first_not_of(" \x1a") != line.npos) {
      flags |= kLineCut;
    }
    const std::size_t kept = used(line.substr(0, width)).size();
    if ((flags & kLineCr) != 0 && kept == line.size()) flags |= kLineAsIs;
    marks.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(line.size()),
                     static_cast<std::uint16_t>(kept), flags});
  }
  return marks;
}

// Each line's one mark, on every path.
void expect_marks(std::string_view block, const std::vector<LineMark>& want,
                  std::size_t width = kWidth) {
  for (ScanPath p : available_paths()) {
    EXPECT_EQ(scan(p, block, width), want) << name_of(p);
  }
}

// The text a channel file gets for the line.
std::string_view kept_text(std::string_view block, const LineMark& m) {
  return block.substr(m.start, m.kept);
}

TEST(LineScan, LineEndsCrLfAndLf) {
  const std::string block = "ab\r\ncd\n\r\n\n";
  expect_marks(
      block,
      {{0, 2, 2, kLineCr | kLineAsIs}, {4, 2, 2, 0}, {7, 0, 0, kLineCr | kLineAsIs}, {9, 0, 0, 0}});
  const auto marks = scan(best_scan_path(), block);
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_EQ(line_after(marks[0]), 4u);
  EXPECT_EQ(line_after(marks[1]), 7u);
  EXPECT_EQ(line_after(marks[3]), block.size());
}

TEST(LineScan, OnlyTheCrBeforeTheLfEndsALine) {
  expect_marks("a\rb\n", {{0, 3, 3, 0}});
  expect_marks("a\r\r\n", {{0, 2, 2, kLineCr | kLineAsIs}});
  expect_marks("\r\r\n", {{0, 1, 1, kLineCr | kLineAsIs}});
  // A CR is text, so blanks before the line end are dropped and the CR kept.
  expect_marks("a\r  \r\n", {{0, 4, 2, kLineCr}});
}

TEST(LineScan, CutToTheWidth) {
  const std::string full(80, '9');
  const std::string blank_end = std::string(79, '9') + ' ';
  expect_marks(full + "\r\n", {{0, 80, 80, kLineCr | kLineAsIs}});
  expect_marks(full + "\n", {{0, 80, 80, 0}});
  expect_marks(full + " \r\n", {{0, 81, 80, kLineCr}});
  expect_marks(full + "x\r\n", {{0, 81, 80, kLineCr | kLineCut}});
  expect_marks(blank_end + "x\r\n", {{0, 81, 79, kLineCr | kLineCut}});
  // Blanks and Ctrl-Z past the width are filler; a tab or a CR is not.
  expect_marks(full + "\x1a \x1a\x1a   \r\n", {{0, 87, 80, kLineCr}});
  expect_marks(full + std::string(300, ' ') + "\x1a\r\n", {{0, 381, 80, kLineCr}});
  expect_marks(full + std::string(40, '\x1a') + "\r\n", {{0, 120, 80, kLineCr}});
  expect_marks(full + std::string(300, ' ') + "\t\r\n", {{0, 381, 80, kLineCr | kLineCut}});
  expect_marks(full + "\r \r\n", {{0, 82, 80, kLineCr | kLineCut}});
  // Other widths.
  expect_marks("abc  d\r\n", {{0, 6, 3, kLineCr | kLineCut}}, 5);
  expect_marks("ab\r\n", {{0, 2, 0, kLineCr | kLineCut}}, 0);
  expect_marks(std::string(70000, 'x') + "\n", {{0, 70000, 65535, kLineCut}}, 100000);
}

TEST(LineScan, TrailingBlanksAreSpacesOnly) {
  expect_marks("abc   \r\n", {{0, 6, 3, kLineCr}});
  expect_marks("     \r\n", {{0, 5, 0, kLineCr}});
  expect_marks("abc\t\r\n", {{0, 4, 4, kLineCr | kLineAsIs}});
  expect_marks("abc \x1a\r\n", {{0, 5, 5, kLineCr | kLineAsIs}});
  expect_marks("a b\r\n", {{0, 3, 3, kLineCr | kLineAsIs}});
}

// The trailing-blank scan of the vector path reads 16 bytes at a time ending
// at the line's end, the last of them also bytes of the line before: k
// characters of text then blanks to length n, after lines of every short
// length, give k.
TEST(LineScan, TrailingBlanksWhereverTheLineStarts) {
  for (std::size_t before = 0; before < 40; ++before) {
    const std::string prior = before == 0 ? "" : std::string(before - 1, 'y') + "\n";
    for (std::size_t n = 0; n <= kWidth + 1; ++n) {
      for (std::size_t k = 0; k <= n; ++k) {
        const std::string block = prior + std::string(k, 'x') + std::string(n - k, ' ') + "\r\n";
        for (ScanPath p : available_paths()) {
          const auto marks = scan(p, block);
          ASSERT_FALSE(marks.empty());
          ASSERT_EQ(marks.back().kept, std::min(k, kWidth))
              << name_of(p) << " after " << before << " bytes, " << k << " of " << n;
        }
      }
    }
  }
}

TEST(LineScan, EndOfRecordFlag) {
  expect_marks("/&\r\n", {{0, 2, 2, kLineCr | kLineFlag | kLineAsIs}});
  expect_marks("/&  end of record\n", {{0, 17, 17, kLineFlag}});
  // Not the flag: "/" alone, "&" alone, "/&" further on, "&/".
  constexpr std::uint8_t kPlain = kLineCr | kLineAsIs;
  expect_marks("/\r\n&\r\n /&\r\nx/&\r\n&/\r\n", {{0, 1, 1, kPlain},
                                                  {3, 1, 1, kPlain},
                                                  {6, 3, 3, kPlain},
                                                  {11, 3, 3, kPlain},
                                                  {16, 2, 2, kPlain}});
  // The flag is the line's, whatever the width.
  expect_marks("/&\n", {{0, 2, 0, kLineFlag | kLineCut}}, 0);
}

TEST(LineScan, BlocksWithoutCompleteLines) {
  expect_marks("", {});
  expect_marks("no line end", {});
  expect_marks(std::string(200, 'x'), {});
  expect_marks("\n", {{0, 0, 0, 0}});
  // What follows the last LF is left to the caller.
  expect_marks("ab\r\ncd  ", {{0, 2, 2, kLineCr | kLineAsIs}});
}

TEST(LineScan, LastLineWithoutLf) {
  EXPECT_EQ(scan_last_line("x\r\nabc  ", 3, kWidth), (LineMark{3, 5, 3, 0}));
  // As the text layer reads the file's last line, a CR at its end is dropped;
  // the line is never as is, as its line end is not in the block.
  EXPECT_EQ(scan_last_line("abc\r", 0, kWidth), (LineMark{0, 3, 3, kLineCr}));
  EXPECT_EQ(scan_last_line("/&", 0, kWidth), (LineMark{0, 2, 2, kLineFlag}));
  EXPECT_EQ(scan_last_line(std::string(81, 'z'), 0, kWidth), (LineMark{0, 81, 80, kLineCut}));
  EXPECT_EQ(scan_last_line("\x1a\x1a", 0, kWidth), (LineMark{0, 2, 2, 0}));
}

// LFs at every place of the 16-, 32- and 64-byte steps, in blocks that end on
// a step and just before and after one.
TEST(LineScan, LinesAcrossVectorSteps) {
  for (std::size_t length = 0; length < 140; ++length) {
    for (std::size_t size : {63, 64, 65, 127, 128, 129, 300}) {
      std::string block;
      for (std::size_t i = 0; block.size() < size; ++i) {
        std::string line(length, static_cast<char>('a' + i % 26));
        if (length > 3) line[length - 2] = ' ';
        block += line + (i % 2 == 0 ? "\r\n" : "\n");
      }
      block.resize(size);
      const auto want = reference(block, kWidth);
      for (ScanPath p : available_paths()) {
        ASSERT_EQ(scan(p, block), want) << name_of(p) << " lines of " << length << ", " << size;
      }
    }
  }
}

// A full marks array stops the scan; the caller goes on from the last line's
// end and gets the rest.
TEST(LineScan, StopsWhenTheMarksAreFull) {
  std::string block;
  for (int i = 0; i < 50; ++i) block += std::string(i % 7 * 20, 'q') + "\r\n";
  block += "tail";
  const auto want = reference(block, kWidth);
  for (ScanPath p : available_paths()) {
    EXPECT_TRUE(scan(p, block, kWidth, 0).empty()) << name_of(p);
    for (std::size_t cap : {1, 2, 3, 7, 49, 50, 51}) {
      std::vector<LineMark> all;
      std::size_t from = 0;
      for (;;) {
        auto part = scan(p, std::string_view(block).substr(from), kWidth, cap);
        ASSERT_LE(part.size(), cap);
        if (part.empty()) break;
        for (auto& m : part) {
          m.start += static_cast<std::uint32_t>(from);
          all.push_back(m);
        }
        from = line_after(all.back());
      }
      EXPECT_EQ(all, want) << name_of(p) << " cap " << cap;
      EXPECT_EQ(block.substr(from), "tail");
    }
  }
}

// Random blocks, mostly of the bytes that matter, with any byte now and then:
// every path gives the reference's marks.
TEST(LineScan, RandomBlocksAllPathsAgree) {
  std::mt19937 rng(20261207);
  const std::string common = " \r\n/&aZ\x1a";
  for (int round = 0; round < 3000; ++round) {
    // Long lines need blocks where LF is rare: the mix varies by block.
    const unsigned lf_weight = rng() % 4 == 0 ? 1 : 8;
    std::string block;
    const std::size_t size = rng() % 700;
    while (block.size() < size) {
      const unsigned r = rng() % 100;
      if (r < lf_weight) {
        block += '\n';
      } else if (r < 20) {
        // Runs of blanks and of Ctrl-Z, longer than a vector.
        block.append(rng() % 40, rng() % 3 == 0 ? '\x1a' : ' ');
      } else if (r < 95) {
        const char c = common[rng() % common.size()];
        block += c == '\n' ? '9' : c;
      } else {
        block += static_cast<char>(rng() % 256);
      }
    }
    static constexpr std::size_t widths[] = {0, 1, 2, 15, 16, 17, 80, 81, 200};
    const std::size_t width = widths[rng() % std::size(widths)];
    const auto want = reference(block, width);
    for (ScanPath p : available_paths()) {
      ASSERT_EQ(scan(p, block, width), want) << name_of(p) << " round " << round;
    }
  }
}

// The scanner against the text layer itself: a file of awkward lines read
// with read_view as the splitter reads a volume (81 characters, cut to 80,
// used()) gives the kept text of every mark, the last line without LF too.
class LineScanFile : public test::LibraryTest {
 protected:
  LineScanFile() : LibraryTest("sunder_line_scan_") {}
};

TEST_F(LineScanFile, SameTextAsTheTextLayerReads) {
  std::mt19937 rng(4242);
  std::string file;
  const std::string pieces[] = {"  -0.1234", "/&", " ", "    ", "\x1a", "\t", "\r", "x", "7"};
  for (int i = 0; i < 4000; ++i) {
    const std::size_t parts = rng() % 30;
    for (std::size_t k = 0; k < parts; ++k) file += pieces[rng() % std::size(pieces)];
    file += rng() % 4 == 0 ? "\n" : "\r\n";
  }
  file += "  last line  \r";
  const std::string name = path("volume.v2");
  test::write_file(name, file);

  platform::FileHandle h = platform::kNoFile;
  ASSERT_EQ(platform::open_file(name, platform::Access::kRead, h), 0);
  const Unit unit = 20;
  ASSERT_EQ(attach_stream(unit, h, true), 0);
  std::vector<std::string> read;
  std::vector<bool> longer;
  std::string_view line;
  while (read_view(unit, kWidth + 1, line) == kReadOk) {
    longer.push_back(line.size() > kWidth);
    read.emplace_back(used(line.substr(0, kWidth)));
  }
  detach_stream(unit);

  for (ScanPath p : available_paths()) {
    auto marks = scan(p, file);
    ASSERT_LT(line_after(marks.back()), file.size());
    marks.push_back(scan_last_line(file, line_after(marks.back()), kWidth));
    ASSERT_EQ(marks.size(), read.size()) << name_of(p);
    for (std::size_t i = 0; i < marks.size(); ++i) {
      ASSERT_EQ(kept_text(file, marks[i]), read[i]) << name_of(p) << " line " << i + 1;
      ASSERT_EQ(marks[i].length > kWidth, longer[i]) << name_of(p) << " line " << i + 1;
      if ((marks[i].flags & kLineAsIs) != 0) {
        // Passed on as a range of the file: the same bytes as written out.
        ASSERT_EQ(file.substr(marks[i].start, marks[i].kept + 2), read[i] + "\r\n");
      }
    }
  }
}

}  // namespace
}  // namespace sunder
