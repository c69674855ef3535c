// File opening: statuses, mode words, overwrite and failure policies.
#include "lib/files/open_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/platform/clock.h"
#include "lib/platform/console.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

namespace fs = std::filesystem;

std::string child_console;
// Console lines with "\n" ends whatever the platform's, for the patterns below.
void dump_child_console() {
  std::string text;
  for (char c : child_console) {
    if (c != '\r') text += c;
  }
  std::fputs(text.c_str(), stderr);
}
void console_to_stderr() {
  child_console.clear();
  platform::capture_console_output_for_test(&child_console);
  std::atexit(dump_child_console);
}

constexpr Unit kLog = 13;

class OpenFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::current_path();
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("sunder_open_" + std::to_string(rd()));
    fs::create_directories(dir_);
    fs::current_path(dir_);
    reset_units_for_test();
    reset_mesag_for_test();
    reset_open_file_for_test();
    platform::set_test_clock(&clock_);
    platform::capture_console_output_for_test(&console_);
    // Messages go to the console and to run.log.
    ASSERT_EQ(connect_unit(kLog, "run.log", UnitMode::kOutput), 0);
    mesag("Initialize", -kLog);
  }
  void TearDown() override {
    reset_units_for_test();
    reset_mesag_for_test();
    reset_open_file_for_test();
    platform::capture_console_output_for_test(nullptr);
    platform::set_console_input_for_test(nullptr);
    platform::set_test_clock(nullptr);
    fs::current_path(home_);
    fs::remove_all(dir_);
  }
  static std::string contents(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void make_file(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  std::string log_text() {
    close_unit(kLog);
    return contents("run.log");
  }
  void reply(const std::string& text) {
    input_ = text;
    platform::set_console_input_for_test(&input_);
  }
  static std::string nl(std::string_view line) {
    return std::string(line) + std::string(platform::console_line_end());
  }

  fs::path home_, dir_;
  std::string console_, input_;
  platform::ClockReading clock_{2026, 12, 7, 14, 5, 9, 0};
};

TEST_F(OpenFileTest, ModeWordsAreCaseInsensitiveAndCompareAsWholeFields) {
  make_file("in.txt", "x\n");
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
  EXPECT_EQ(contents("new.log"), "one\r\ntwo\r\n");
  EXPECT_EQ(console_, "");
}

TEST_F(OpenFileTest, OutputOverwritePolicies) {
  make_file("old.txt", "old\r\n");
  // 40: overwritten without a question.
  EXPECT_EQ(open_file(20, "old.txt", "Output", 40), 0);
  write_text(20, "new");
  close_unit(20);
  EXPECT_EQ(contents("old.txt"), "new\r\n");
  EXPECT_EQ(console_, "");

  // 20: asked; an empty reply is a yes.
  reply("\n");
  EXPECT_EQ(open_file(20, "old.txt", "Output", 20), 0);
  close_unit(20);
  EXPECT_EQ(console_, " Output file \"old.txt\" already exists.  Overwrite it? ");
  EXPECT_EQ(contents("old.txt"), "");

  // opnfil, 0: status 3 and the message; the file stays.
  make_file("old.txt", "old\r\n");
  console_.clear();
  std::int32_t status = -1;
  opnfil(20, "old.txt", "Output", 0, status);
  EXPECT_EQ(status, 3);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(console_,
            nl("*Opnfil: Output file already exists, and overwrite not requested: old.txt"));
  EXPECT_EQ(contents("old.txt"), "old\r\n");

  // Invalid overwrite policies: 8, nothing opened or touched.
  console_.clear();
  EXPECT_EQ(open_file(20, "old.txt", "Output", 30), 8);
  opnfil(20, "old.txt", "Output", 50, status);
  EXPECT_EQ(status, 8);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(console_, nl("*open_file: Invalid output overwrite optn") +
                          nl("*Opnfil: Invalid output overwrite option"));
  EXPECT_EQ(contents("old.txt"), "old\r\n");
  // An invalid policy matters only for an existing file.
  EXPECT_EQ(open_file(20, "fresh.txt", "Output", 30), 0);
}

TEST_F(OpenFileTest, DeclinedOverwriteUnderFailurePolicy2ReturnsQuietly) {
  make_file("old.txt", "old\r\n");
  reply("No\nnope\n");
  EXPECT_EQ(open_file(20, "old.txt", "Output", 22), 4);
  std::int32_t status = -1;
  opnfil(20, "old.txt", "Output", 22, status);
  EXPECT_EQ(status, 3);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(contents("old.txt"), "old\r\n");
  // Only the two questions, no message.
  const std::string q = " Output file \"old.txt\" already exists.  Overwrite it? ";
  EXPECT_EQ(console_, q + q);
}

TEST_F(OpenFileTest, EndedConsoleInputNeverOverwrites) {
  make_file("old.txt", "old\r\n");
  reply("");
  EXPECT_EQ(open_file(20, "old.txt", "Output", 22), 4);
  EXPECT_EQ(contents("old.txt"), "old\r\n");
}

TEST_F(OpenFileTest, DeclinedOverwriteStops) {
  make_file("old.txt", "old\r\n");
  reply("n\n");
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "old.txt", "Output", 21);
      },
      ::testing::ExitedWithCode(1), "Overwrite it\\? Aborting\\.\n$");
  reply("n\n");
  // Failure policy 0: as if no overwrite had been asked for.
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "old.txt", "Output", 20);
      },
      ::testing::ExitedWithCode(1),
      "Overwrite it\\? \\*Stop: Output file old.txt already exists, overwrite not requested.\n \n$");
  EXPECT_EQ(contents("old.txt"), "old\r\n");
}

TEST_F(OpenFileTest, ExistingOutputWithoutOverwriteStopsOpenFile) {
  make_file("old.txt", "old\r\n");
  EXPECT_EXIT(
      {
        console_to_stderr();
        open_file(20, "old.txt        ", "Output", 0);
      },
      ::testing::ExitedWithCode(1),
      "^\\*Stop: Output file old.txt already exists, overwrite not requested.\n \n$");
  EXPECT_EQ(contents("old.txt"), "old\r\n");
  EXPECT_NE(contents("run.log").find("*Stop: Output file old.txt already exists"),
            std::string::npos);
  // opnfil under failure policy 1 ends the run as well.
  EXPECT_EXIT(
      {
        console_to_stderr();
        std::int32_t status = 0;
        opnfil(20, "old.txt", "Output", 1, status);
      },
      ::testing::ExitedWithCode(1), "overwrite not requested: old.txt\nTerminating in Opnfil on OpenErr\n$");
}

TEST_F(OpenFileTest, FileOrUnitInUse) {
  make_file("a.txt", "a\n");
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
  make_file("in.txt", "x\n");
  EXPECT_EQ(open_file(20, "in.txt", "input", 0), 0);
  EXPECT_EQ(console_, nl(" >>In open_file, filename,mode,lu,kontrl= \"in.txt\", \"input\",  20   0") +
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
