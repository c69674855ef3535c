// File opening: statuses, mode words, overwrite and failure policies.
#include "lib/files/open_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/text/lines.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

namespace fs = std::filesystem;
using test::console_to_stderr;
using test::nl;
using test::read_file;
using test::write_file;

constexpr Unit kLog = 13;

class OpenFileTest : public test::LibraryTest {
 protected:
  OpenFileTest() : LibraryTest("sunder_open_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_test_clock();
    // Messages go to the console and to run.log.
    ASSERT_EQ(connect_unit(kLog, "run.log", UnitMode::kOutput), 0);
    mesag("Initialize", -kLog);
  }
  std::string log_text() {
    close_unit(kLog);
    return read_file("run.log");
  }
};

TEST_F(OpenFileTest, ModeWordsAreCaseInsensitiveAndCompareAsWholeFields) {
  write_file("in.txt", "x\n");
  EXPECT_EQ(open_file(20, "in.txt", "INPUT", 0), 0);
  EXPECT_EQ(open_file(21, "in2.txt", "in/out", 0), 0);
  EXPECT_EQ(open_file(22, "out.txt", "oUtPuT", 0), 0);
  EXPECT_EQ(open_file(23, "", "scratch", 0), 0);
  close_unit(20);
  EXPECT_EQ(open_file(20, "in.txt", "input", 0), 0);
  close_unit(20);
  std::int32_t status = -1;
  opnfil(20, "in.txt", "Input", 0, status);
  EXPECT_EQ(status, 0);
  close_unit(20);
  EXPECT_EQ(console_, "");

  EXPECT_EQ(open_file(20, "in.txt", "Inp", 0), 8);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(console_, nl("*open_file: Bad mode argument: Inp"));
  console_.clear();
  // Six characters: "scratch" becomes "Scratc", and opnfil has no Scratch.
  opnfil(20, "", "scratch", 0, status);
  EXPECT_EQ(status, 8);
  EXPECT_EQ(console_, nl("*Opnfil: Bad mode argument: Scratc"));
  EXPECT_EQ(log_text(),
            "*open_file: Bad mode argument: Inp\r\n*Opnfil: Bad mode argument: Scratc\r\n");
}

TEST_F(OpenFileTest, InputMissingIsStatus2AndLeavesTheUnitFree) {
  EXPECT_EQ(open_file(20, "none.txt", "Input", 0), 2);
  EXPECT_FALSE(unit_connected(20));
  std::int32_t status = -1;
  opnfil(20, "none.txt", "Input", 0, status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(console_, nl("*open_file: File to open not found: none.txt") +
                          nl("Opnfil: File to be opened not found: none.txt"));
  EXPECT_FALSE(fs::exists("none.txt"));
}

TEST_F(OpenFileTest, AppendCreatesAMissingFileWithStatus1) {
  EXPECT_EQ(open_file(20, "new.log", "Append", 0), 1);
  write_text(20, "one");
  close_unit(20);
  EXPECT_EQ(open_file(20, "new.log", "APPEND", 0), 0);
  write_text(20, "two");
  close_unit(20);
  std::int32_t status = -1;
  opnfil(20, "other.log", "append", 3, status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(read_file("new.log"), "one\r\ntwo\r\n");
  EXPECT_EQ(console_, "");
}

TEST_F(OpenFileTest, OutputOverwritePolicies) {
  write_file("old.txt", "old\r\n");
  // 40: overwritten without a question.
  EXPECT_EQ(open_file(20, "old.txt", "Output", 40), 0);
  write_text(20, "new");
  close_unit(20);
  EXPECT_EQ(read_file("old.txt"), "new\r\n");
  EXPECT_EQ(console_, "");

  // 20: asked; an empty reply is a yes.
  feed("\n");
  EXPECT_EQ(open_file(20, "old.txt", "Output", 20), 0);
  close_unit(20);
  EXPECT_EQ(console_, " Output file \"old.txt\" already exists.  Overwrite it? ");
  EXPECT_EQ(read_file("old.txt"), "");

  // opnfil, 0: status 3 and the message; the file stays.
  write_file("old.txt", "old\r\n");
  console_.clear();
  std::int32_t status = -1;
  opnfil(20, "old.txt", "Output", 0, status);
  EXPECT_EQ(status, 3);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(console_,
            nl("*Opnfil: Output file already exists, and overwrite not requested: old.txt"));
  EXPECT_EQ(read_file("old.txt"), "old\r\n");

  // Invalid overwrite policies: 8, nothing opened or touched.
  console_.clear();
  EXPECT_EQ(open_file(20, "old.txt", "Output", 30), 8);
  opnfil(20, "old.txt", "Output", 50, status);
  EXPECT_EQ(status, 8);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(console_, nl("*open_file: Invalid output overwrite optn") +
                          nl("*Opnfil: Invalid output overwrite option"));
  EXPECT_EQ(read_file("old.txt"), "old\r\n");
  // An invalid policy matters only for an existing file.
  EXPECT_EQ(open_file(20, "fresh.txt", "Output", 30), 0);
}

TEST_F(OpenFileTest, DeclinedOverwriteUnderFailurePolicy2ReturnsQuietly) {
  write_file("old.txt", "old\r\n");
  feed("No\nnope\n");
  EXPECT_EQ(open_file(20, "old.txt", "Output", 22), 4);
  std::int32_t status = -1;
  opnfil(20, "old.txt", "Output", 22, status);
  EXPECT_EQ(status, 3);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(read_file("old.txt"), "old\r\n");
  // Only the two questions, no message.
  const std::string q = " Output file \"old.txt\" already exists.  Overwrite it? ";
  EXPECT_EQ(console_, q + q);
}

TEST_F(OpenFileTest, EndedConsoleInputNeverOverwrites) {
  write_file("old.txt", "old\r\n");
  feed("");
  EXPECT_EQ(open_file(20, "old.txt", "Output", 22), 4);
  EXPECT_EQ(read_file("old.txt"), "old\r\n");
}

TEST_F(OpenFileTest, DeclinedOverwriteStops) {
  write_file("old.txt", "old\r\n");
  feed("n\n");
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "old.txt", "Output", 21);
      },
      ::testing::ExitedWithCode(1), "Overwrite it\\? Aborting\\.\n$");
  feed("n\n");
  // Failure policy 0: as if no overwrite had been asked for.
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "old.txt", "Output", 20);
      },
      ::testing::ExitedWithCode(1),
      "Overwrite it\\? \\*Stop: Output file old.txt already exists, overwrite not requested.\n "
      "\n$");
  EXPECT_EQ(read_file("old.txt"), "old\r\n");
}

TEST_F(OpenFileTest, ExistingOutputWithoutOverwriteStopsOpenFile) {
  write_file("old.txt", "old\r\n");
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "old.txt        ", "Output", 0);
      },
      ::testing::ExitedWithCode(1),
      "^\\*Stop: Output file old.txt already exists, overwrite not requested.\n \n$");
  EXPECT_EQ(read_file("old.txt"), "old\r\n");
  EXPECT_NE(read_file("run.log").find("*Stop: Output file old.txt already exists"),
            std::string::npos);
  // opnfil under failure policy 1 ends the run as well.
  EXPECT_EXIT(
      {
        console_to_stderr();
        std::int32_t status = 0;
        opnfil(20, "old.txt", "Output", 1, status);
      },
      ::testing::ExitedWithCode(1),
      "overwrite not requested: old.txt\nTerminating in Opnfil on OpenErr\n$");
}

TEST_F(OpenFileTest, FileOrUnitInUse) {
  write_file("a.txt", "a\n");
  ASSERT_EQ(open_file(20, "a.txt", "Input", 0), 0);
  // The same file on another unit: 4, and nothing is opened.
  EXPECT_EQ(open_file(21, "a.txt", "Input", 0), 4);
  EXPECT_FALSE(unit_connected(21));
  // Another file on the busy unit: 6.
  EXPECT_EQ(open_file(20, "b.txt", "Output", 0), 6);
  EXPECT_FALSE(fs::exists("b.txt"));
  // Both: 10, both messages.
  console_.clear();
  EXPECT_EQ(open_file(20, "a.txt", "Input", 0), 10);
  EXPECT_EQ(console_, nl("*open_file: Error - File already open: a.txt") +
                          nl("*open_file: Unit in use-cant open file: a.txt"));
  console_.clear();
  std::int32_t status = -1;
  opnfil(20, "a.txt", "Input", 0, status);
  EXPECT_EQ(status, 10);
  EXPECT_EQ(console_, nl("*Opnfil: Error - File already open: a.txt") +
                          nl("*Opnfil: Unit in use, cannot open file: a.txt"));
  // The console is never opened.
  EXPECT_EQ(open_file(kConsole, "c.txt", "Output", 0), 6);
  EXPECT_TRUE(unit_connected(20));

  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(21, "a.txt", "Input", 1);
      },
      ::testing::ExitedWithCode(1), "already open: a.txt\nTerminating in open_file\n$");
  EXPECT_EXIT(
      {
        console_to_stderr();
        opnfil(20, "z.txt", "Input", 11, status);
      },
      ::testing::ExitedWithCode(1), "cannot open file: z.txt\nTerminating in opnfil\\(\\)\n$");
}

TEST_F(OpenFileTest, FailurePolicy1EndsTheRun) {
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "none.txt", "Input", 1);
      },
      ::testing::ExitedWithCode(1),
      "^\\*open_file: File to open not found: none.txt\nTerminating in open_file on OpenErr\n$");
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "none.log", "Append", 41);
      },
      ::testing::ExitedWithCode(1), "^\\*open_file: Append file missing:none.log\nTerminating\n$");
  EXPECT_FALSE(fs::exists("none.log"));
  EXPECT_EXIT(
      {
        console_to_stderr();
        std::int32_t status = 0;
        opnfil(20, "x.txt", "Bogus", 1, status);
      },
      ::testing::ExitedWithCode(1), "^\\*Opnfil: Bad mode argument: Bogus\nTerminating\n$");
}

TEST_F(OpenFileTest, FailedWriteOpenGivesStatus3AndTheErrorLine) {
  EXPECT_EQ(open_file(20, "no_such_dir/out.txt", "Output", 0), 3);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(console_.rfind(nl("*open_file: Err opening to write: no_such_dir/out.txt") +
                               "  with run-time error:",
                           0),
            0u)
      << console_;
  console_.clear();
  EXPECT_EQ(open_file(20, "no_such_dir/out.log", "In/out", 0), 8);
  EXPECT_EQ(console_.rfind(nl("*open_file for in/out failed, file:no_such_dir/out.log"), 0), 0u)
      << console_;
}

TEST_F(OpenFileTest, SetKtestTurnsOnTraceLines) {
  EXPECT_EQ(open_file(0, "Set ktest", "", 2), 0);
  std::int32_t status = -1;
  opnfil(0, "Set ktest", "", 2, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(console_, "");
  write_file("in.txt", "x\n");
  EXPECT_EQ(open_file(20, "in.txt", "input", 0), 0);
  EXPECT_EQ(console_,
            nl(" >>In open_file, filename,mode,lu,kontrl= \"in.txt\", \"input\",  20   0") +
                nl(" Open (input) iochek=           0") + nl(" << Leaving open_file.."));
  console_.clear();
  opnfil(21, "none.txt", "Input", 0, status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(console_, nl("  >>In opnfil: lu,kontrl,mode,filnam  21   0, \"Input\", \"none.txt\"") +
                          nl(" Open (input) iochek=           2") +
                          nl("Opnfil: File to be opened not found: none.txt") +
                          nl("  <<Leaving opnfil, opnErr=   2"));
}

}  // namespace
}  // namespace sunder
