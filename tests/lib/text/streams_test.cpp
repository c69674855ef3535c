// The buffered files behind units: lines read from a file opened for reading
// only and passed on unchanged (as ranges of that file) give the same lines
// and the same bytes as lines copied through the buffer, whatever the line
// ends, lengths and places in the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lib/platform/file.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/streams.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

class Streams : public test::LibraryTest {
 protected:
  Streams() : LibraryTest("sunder_streams_") {}
  // Every line of the file as read_view gives it (cut to max), and the last status.
  static std::vector<std::string> lines_of(Unit u, std::size_t max, int& last) {
    std::vector<std::string> out;
    std::string_view line;
    while ((last = read_view(u, max, line)) == kReadOk) out.emplace_back(line);
    return out;
  }
};

// A file with every kind of line, some of them across the 1 MiB view boundaries.
std::string awkward_file() {
  std::string f;
  const std::string row(78, '7');
  for (int i = 0; i < 13000; ++i) f += row + (i % 3 == 0 ? "\n" : "\r\n");
  f += "\r\n\n";                   // empty lines in both forms
  f += std::string(3 << 20, 'L');  // a line longer than a view
  f += "\r\n";
  f += "x\r";  // a CR that does not end a line
  f += "y\r\n";
  for (int i = 0; i < 20000; ++i) f += std::to_string(i) + "   \r\n";
  f += "last without an end";
  return f;
}

TEST_F(Streams, ViewedAndBufferedReadsGiveTheSameLines) {
  const std::string p = path("awkward");
  write_file(p, awkward_file());
  for (std::size_t max : {std::size_t{80}, std::size_t{5000}}) {
    attach_file(20, p, platform::Access::kRead, true);
    attach_file(21, p, platform::Access::kRead, false);
    int viewed_end = 0, buffered_end = 0;
    const auto viewed = lines_of(20, max, viewed_end);
    const auto buffered = lines_of(21, max, buffered_end);
    EXPECT_EQ(viewed_end, kReadEnd);
    EXPECT_EQ(buffered_end, kReadEnd);
    ASSERT_EQ(viewed.size(), buffered.size());
    for (std::size_t i = 0; i < viewed.size(); ++i)
      ASSERT_EQ(viewed[i], buffered[i]) << "line " << i;
    ASSERT_EQ(viewed.size(), 13000u + 2 + 1 + 1 + 20000 + 1);
    EXPECT_EQ(viewed[13000], "");
    EXPECT_EQ(viewed[13002], std::string(max, 'L'));
    EXPECT_EQ(viewed[13003], "x\ry");
    EXPECT_EQ(viewed.back(), "last without an end");
    detach_stream(20);
    detach_stream(21);
  }
}

TEST_F(Streams, EmptyAndOneLineFiles) {
  const std::string p = path("small");
  for (const char* content : {"", "\n", "one", "one\r\n"}) {
    write_file(p, content);
    attach_file(22, p, platform::Access::kRead, true);
    int end = 0;
    const auto lines = lines_of(22, 80, end);
    EXPECT_EQ(end, kReadEnd) << content;
    EXPECT_EQ(lines.size(), std::string(content).empty() ? 0u : 1u) << content;
    detach_stream(22);
  }
}

// Copies every line with write_text(used(line)), as the splitter writes body
// lines, with an extra line of its own now and then.
void copy_lines(Unit in, Unit out) {
  std::string_view line;
  int n = 0;
  while (read_view(in, 80, line) == kReadOk) {
    write_text(out, used(line));
    if (++n % 5000 == 0) write_line(out, "(A, I6)", {"mark", n});
  }
}

TEST_F(Streams, LinesPassedOnGiveTheSameBytesAsCopies) {
  const std::string p = path("awkward");
  write_file(p, awkward_file());
  attach_file(23, p, platform::Access::kRead, true);
  attach_file(24, path("viewed.out"), platform::Access::kWrite, false);
  copy_lines(23, 24);
  EXPECT_EQ(detach_stream(24), 0);
  attach_file(25, p, platform::Access::kRead, false);
  attach_file(26, path("buffered.out"), platform::Access::kWrite, false);
  copy_lines(25, 26);
  EXPECT_EQ(detach_stream(26), 0);
  const std::string viewed = read_file(path("viewed.out"));
  EXPECT_EQ(viewed, read_file(path("buffered.out")));
  EXPECT_NE(viewed.find("mark 10000\r\n"), std::string::npos);
  EXPECT_NE(viewed.find("\r\n19999\r\nlast without an end\r\n"), std::string::npos);
}

TEST_F(Streams, ASourceClosedFirstStillReachesItsCopies) {
  const std::string p = path("src");
  std::string content;
  for (int i = 0; i < 1000; ++i) content += "line " + std::to_string(i) + "\r\n";
  write_file(p, content);
  attach_file(27, p, platform::Access::kRead, true);
  attach_file(28, path("a.out"), platform::Access::kWrite, false);
  attach_file(29, path("b.out"), platform::Access::kWrite, false);
  std::string_view line;
  int i = 0;
  while (read_view(27, 80, line) == kReadOk) write_text(i++ % 2 == 0 ? 28 : 29, line);
  EXPECT_EQ(detach_stream(27), 0);  // the input goes first
  EXPECT_EQ(detach_stream(28), 0);
  EXPECT_EQ(detach_stream(29), 0);
  std::string a, b;
  for (int k = 0; k < 1000; ++k) (k % 2 == 0 ? a : b) += "line " + std::to_string(k) + "\r\n";
  EXPECT_EQ(read_file(path("a.out")), a);
  EXPECT_EQ(read_file(path("b.out")), b);
}

// Records in the shape the splitter meets, with every awkward line: runs of
// unchanged lines long and short, lines with trailing blanks between them,
// cut lines losing text or only filler, LF ends, a CR inside a line, a line
// longer than the buffer, flag lines (one with trailing blanks, one on the
// buffer's edge), and a last record whose flag line has no end.
std::string body_file() {
  std::string f;
  const std::string row = "  12.345678" + std::string(69, '9');
  for (int r = 0; r < 40; ++r) {
    for (int i = 0; i < 400 + r * 97; ++i) {
      switch ((i + r) % 9) {
        case 0:
          f += row + "   \r\n";
          break;  // trailing blanks
        case 1:
          f += row + std::string(12, ' ') + "\x1a\r\n";
          break;  // cut: only filler
        case 2:
          f += row + "  data\r\n";
          break;  // cut: text lost
        case 3:
          f += "x\ry\n";
          break;  // LF only, CR inside
        default:
          f += row + "\r\n";  // unchanged
      }
    }
    if (r == 7) f += std::string((1 << 20) + 5000, 'L') + "\r\n";
    if (r == 20) {  // the flag line begins on a MiB boundary of the file
      std::size_t gap = (1 << 20) - f.size() % (1 << 20);
      if (gap < 3) gap += 1 << 20;
      f += std::string(gap - 2, 'p') + "\r\n";
    }
    f += r % 2 == 0 ? "/&\r\n" : "/&  end  \r\n";
  }
  return f + "/&";
}

// The body lines as the splitter wrote them one at a time: cut to 80
// columns, trailing blanks dropped; the counts of lines and of lossy cuts.
void one_at_a_time(Unit in, Unit out, int& lines, int& cuts) {
  std::string_view line;
  lines = cuts = 0;
  while (read_view(in, std::string_view::npos, line) == kReadOk) {
    ++lines;
    if (line.size() > 80 && line.find_first_not_of(" \x1a", 80) != line.npos) ++cuts;
    write_text(out, used(line.substr(0, 80)));
  }
}

TEST_F(Streams, BulkCopyGivesTheBytesOfTheLineByLineCopy) {
  const std::string p = path("body");
  write_file(p, body_file());
  attach_file(30, p, platform::Access::kRead, true);
  attach_file(31, path("single.out"), platform::Access::kWrite, false);
  int lines = 0, cuts = 0;
  one_at_a_time(30, 31, lines, cuts);
  ASSERT_EQ(detach_stream(31), 0);
  detach_stream(30);

  // In pieces as the splitter asks for them: up to each flag line, some
  // calls stopped early by a count of lines.
  attach_file(32, p, platform::Access::kRead, true);
  attach_file(33, path("bulk.out"), platform::Access::kWrite, false);
  int total = 0, totalCuts = 0, flags = 0, st = kReadOk;
  for (int call = 0; st == kReadOk; ++call) {
    LinesCopied c;
    st = copy_lines_to_flag(32, 33, 80, call % 3 == 0 ? 57 : 100000, c);
    EXPECT_EQ(c.writeError, 0);
    total += c.lines;
    totalCuts += c.cut;
    if (c.flag) ++flags;
    if (c.lines == 0) break;
  }
  ASSERT_EQ(detach_stream(33), 0);
  EXPECT_EQ(total, lines);
  EXPECT_EQ(totalCuts, cuts);
  EXPECT_EQ(flags, 41);
  EXPECT_EQ(read_file(path("bulk.out")), read_file(path("single.out")));
}

TEST_F(Streams, BulkCountingWritesNothing) {
  const std::string p = path("body");
  write_file(p, "a\r\nb  \r\n/&\r\nc\r\n");
  attach_file(34, p, platform::Access::kRead, true);
  LinesCopied c;
  EXPECT_EQ(copy_lines_to_flag(34, kNoUnit, 80, 100, c), kReadOk);
  EXPECT_EQ(c.lines, 3);
  EXPECT_TRUE(c.flag);
  EXPECT_EQ(copy_lines_to_flag(34, kNoUnit, 80, 100, c), kReadEnd);  // no flag before the end
  EXPECT_EQ(c.lines, 1);
}

}  // namespace
}  // namespace sunder
