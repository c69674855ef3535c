// Lines on the console and in files: templated, free-form, line ends, reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "lib/platform/console.h"
#include "lib/platform/file.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

class Lines : public test::LibraryTest {
 protected:
  Lines() : LibraryTest("sunder_lines_") {}
};

TEST_F(Lines, FreeFormWidths) {
  write_free(kConsole, {"x=", 5});
  write_free(kConsole, {7});
  write_free(kConsole, {"a", "b"});
  write_free(kConsole, {true, false});
  write_free(kConsole, {});
  write_free(kConsole, {1.5f});
  EXPECT_EQ(console_,
            test::on_console(" x=           5\n           7\n ab\n T F\n\n       1.500000\n"));
}

TEST_F(Lines, FreeFormRealsKeepFifteenColumns) {
  write_free(kConsole, {10.0f});
  write_free(kConsole, {0.25f});
  write_free(kConsole, {1.0e9f});
  write_free(kConsole, {-3.0e-5f});
  const std::string c = con();
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    std::size_t end = c.find('\n', start);
    EXPECT_EQ(end - start, 15u) << c.substr(start, end - start);
    start = end + 1;
  }
  EXPECT_NE(console_.find("10.00000"), std::string::npos);
  EXPECT_NE(console_.find("E+09"), std::string::npos);
}

TEST_F(Lines, SlashRepeatsAndReuseOfTheLastGroup) {
  write_line(kConsole, "(6(/, A), 3(/, T41, A), /, T70, A)",
             {"l2", "l3", "l4", "l5", " ", "l7", "l8", "l9", "l10", "v"});
  EXPECT_EQ(console_, test::on_console("\nl2\nl3\nl4\nl5\n \nl7\n" + std::string(40, ' ') + "l8\n" +
                                       std::string(40, ' ') + "l9\n" + std::string(40, ' ') +
                                       "l10\n" + std::string(69, ' ') + "v\n"));
  console_.clear();
  // Items left when the layout ends: a new line, from the last group on.
  write_line(kConsole, "(A, 2(1X, I2))", {"n:", 1, 2, 3, 4, 5});
  EXPECT_EQ(console_, test::on_console("n:  1  2\n  3  4\n  5\n"));
  console_.clear();
  write_line(kConsole, "(I3)", {1, 2});
  EXPECT_EQ(console_, test::on_console("  1\n  2\n"));
  console_.clear();
  write_line(kConsole, "(1X, 2A, $)", {"Continue?", " "});
  EXPECT_EQ(console_, " Continue? ");
}

TEST_F(Lines, FilesGetCrLfAndReadsAcceptBoth) {
  const std::string p = path("f.txt");
  attach_file(20, p, platform::Access::kWrite);
  EXPECT_EQ(write_text(20, "first"), 0);
  EXPECT_EQ(write_line(20, "(A, I3)", {"n=", 5}), 0);
  EXPECT_EQ(write_free(20, {"z"}), 0);
  EXPECT_EQ(detach_stream(20), 0);
  EXPECT_EQ(read_file(p), "first\r\nn=  5\r\n z\r\n");

  write_file(p, "lf line\ncrlf line\r\n\nlast without end");
  attach_file(21, p, platform::Access::kRead);
  std::string f(10, '?');
  EXPECT_EQ(read_text(21, f), kReadOk);
  EXPECT_EQ(f, "lf line   ");
  EXPECT_EQ(read_text(21, f), kReadOk);
  EXPECT_EQ(f, "crlf line ");
  EXPECT_EQ(read_text(21, f), kReadOk);
  EXPECT_EQ(f, blanks(10));  // an empty line reads all blank
  EXPECT_EQ(read_text(21, f), kReadOk);
  EXPECT_EQ(f, "last witho");
  EXPECT_EQ(read_text(21, f), kReadEnd);
  EXPECT_EQ(read_text(21, f), kReadEnd);
}

TEST_F(Lines, LongLinesAreCutAndTheNextLineIsIntact) {
  const std::string p = path("long.txt");
  std::string big(3 << 20, 'x');  // longer than the read buffer
  write_file(p, big + "\r\nnext\r\n" + std::string(79, 'y') + "\r\n");
  attach_file(22, p, platform::Access::kRead);
  std::string f(80, ' ');
  EXPECT_EQ(read_text(22, f), kReadOk);
  EXPECT_EQ(f, std::string(80, 'x'));
  EXPECT_EQ(read_text(22, f), kReadOk);
  EXPECT_EQ(used(f), "next");
  EXPECT_EQ(read_text(22, f), kReadOk);
  EXPECT_EQ(f, std::string(79, 'y') + " ");  // the CR is not part of the line
}

TEST_F(Lines, ReadingADirectoryIsAnErrorNotAnEnd) {
  platform::FileHandle h = platform::kNoFile;
  EXPECT_NE(platform::open_file(dir_.string(), platform::Access::kRead, h), 0);
  std::string f(5, ' ');
  EXPECT_EQ(read_text(23, f), kReadError);
}

TEST_F(Lines, FieldsReadFromText) {
  std::int32_t a = -1, b = -1;
  EXPECT_EQ(read_fields("Sta  5" + std::string(21, ' ') + "033", "(T6, I2, T28, I3)", {a, b}),
            kReadOk);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 33);
  EXPECT_EQ(read_fields("", "(T6, I2, T28, I3)", {a, b}), kReadOk);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(read_fields("     xy", "(T6, I2)", {a}), kReadError);
  EXPECT_EQ(read_fields(" 1 2", "(I4)", {a}), kReadOk);
  EXPECT_EQ(a, 12);  // blanks ignored
  EXPECT_EQ(read_fields("-8", "(I3)", {a}), kReadOk);
  EXPECT_EQ(a, -8);
  float r = 0;
  EXPECT_EQ(read_fields("  25", "(F10.0)", {r}), kReadOk);
  EXPECT_FLOAT_EQ(r, 25.0f);
  EXPECT_EQ(read_fields("1234", "(F4.2)", {r}), kReadOk);
  EXPECT_FLOAT_EQ(r, 12.34f);
  EXPECT_EQ(read_fields("1.5", "(F4.2)", {r}), kReadOk);
  EXPECT_FLOAT_EQ(r, 1.5f);
  std::string zone(5, '?');
  EXPECT_EQ(read_fields("Time zone of clock:GMT", "(T20, A5)", {zone}), kReadOk);
  EXPECT_EQ(zone, "GMT  ");
  EXPECT_EQ(read_fields("99999999999", "(I11)", {a}), kReadError);
}

TEST_F(Lines, WriteToUnattachedUnitReportsIt) {
  EXPECT_EQ(write_text(30, "x"), kNotAttached);
  std::string f(3, ' ');
  EXPECT_EQ(read_text(30, f), kReadError);
}

TEST_F(Lines, ConsoleInputEndsWithEnd) {
  const std::string input = "yes\r\nno";
  seams::set_console_input(&input);
  std::string f(4, ' ');
  EXPECT_EQ(read_text(kConsole, f), kReadOk);
  EXPECT_EQ(f, "yes ");
  EXPECT_EQ(read_text(kConsole, f), kReadOk);
  EXPECT_EQ(f, "no  ");
  EXPECT_EQ(read_text(kConsole, f), kReadEnd);
}

TEST(Stop, MessageThenExitStatusAndFilesFlushed) {
  const test::ScratchDir scratch("sunder_stop_");
  const std::string p = (scratch.path() / "stopped.txt").string();
  EXPECT_EXIT(
      {
        platform::FileHandle h = platform::kNoFile;
        platform::open_file(p, platform::Access::kWrite, h);
        attach_stream(25, h);
        write_text(25, "kept");
        stop(kExitError, "Err - going");
      },
      ::testing::ExitedWithCode(1), "");
  const std::string content = test::read_file(p);
  EXPECT_EQ(content, "kept\r\n");
  fs::remove(p);
  EXPECT_EXIT(stop(kExitNormal), ::testing::ExitedWithCode(0), "");
}

TEST(Exit, FilesStillOpenAreFlushedWhenTheProcessExits) {
  // An exit that bypasses stop, with a file attached and never closed: its
  // lines still reach the file.
  const test::ScratchDir scratch("sunder_exit_");
  const std::string p = (scratch.path() / "left_open.txt").string();
  EXPECT_EXIT(
      {
        platform::FileHandle h = platform::kNoFile;
        platform::open_file(p, platform::Access::kWrite, h);
        attach_stream(26, h);
        write_text(26, "kept at exit");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(test::read_file(p), "kept at exit\r\n");
}

}  // namespace
}  // namespace sunder
