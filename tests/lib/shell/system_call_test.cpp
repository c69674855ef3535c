// system_call: initialisation options, the call log in both forms, the
// in-line path, the batch handshake against a companion thread with its
// time-outs and waited-time reports; ask_text; wait_seconds.
#include "lib/shell/system_call.h"
#include "lib/shell/ask_text.h"
#include "lib/shell/wait_seconds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/clock.h"
#include "lib/platform/console.h"
#include "lib/platform/process.h"
#include "lib/platform/seams.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;
using sunder::test::console_to_stderr;
using sunder::test::read_file;

namespace {

std::vector<std::string> commands;  // what the recording runner was given

std::int16_t recording_runner(std::string_view command) {
  commands.emplace_back(command);
  return 0;
}

void wait_for_file(const std::string& name) {
  while (!fs::exists(name)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// What sysCallr.bat must do: on the ready flag, raise the busy flag, take the
// ready flag away (after ready_delay), run the script and take the busy flag
// away (unless told to keep it).
void companion(std::chrono::milliseconds ready_delay, bool keep_busy,
               const std::string& prefix = "") {
  wait_for_file(prefix + "BatIsRdy");
  std::ofstream(prefix + "sysCallr.Bsy") << "busy\n";
  std::this_thread::sleep_for(ready_delay);
  fs::remove(prefix + "BatIsRdy");
  std::string script = read_file(prefix + "sysCall.bat");
  while (!script.empty() && (script.back() == '\n' || script.back() == '\r')) script.pop_back();
  platform::run_command(script);
  if (!keep_busy) fs::remove(prefix + "sysCallr.Bsy");
}

class SystemCallTest : public test::LibraryTest {
 protected:
  SystemCallTest() : LibraryTest("sunder_syscall_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    commands.clear();
    use_test_clock();
  }
};

TEST_F(SystemCallTest, InitialisationOptionsAndCallLogForms) {
  struct Case {
    const char* type;
    const char* seconds;  // as the trace line shows it
    bool short_form;
    bool bad_wait_time;
  };
  const Case cases[] = {
      {"initialize", "10.00000", false, false},
      {"initialize:shortdate:30s", "30.00000", true, false},
      {"initialize:30s", "30.00000", false, false},
      {"initialize:shortdate", "10.00000", true, false},
      {"initialize:3xs", "10.00000", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    seams::reset_all();
    console_.clear();
    commands.clear();
    system_call(" ", c.type, recording_runner, 1);
    EXPECT_NE(console_.find("  >>In system_call: cmd,type= , " + std::string(c.type)),
              std::string::npos)
        << console_;
    EXPECT_NE(console_.find("  <<Lv system_call: initialized, homeDirGvn,secsToWait= F"),
              std::string::npos)
        << console_;
    EXPECT_NE(console_.find(c.seconds), std::string::npos) << console_;
    EXPECT_EQ(
        console_.find("*Bad waitTime input to system_call; will use default") != std::string::npos,
        c.bad_wait_time)
        << console_;
    EXPECT_TRUE(commands.empty());
    EXPECT_FALSE(fs::exists("sysCalls.log"));  // initialisation writes no call-log line

    system_call("dir /b /on *.v2 >dir_fil$.14", "dos", recording_runner, 0);
    EXPECT_EQ(read_file("sysCalls.log"),
              c.short_form ? "14:05:09 12/07, dos:[dir /b /on *.v2 >dir_fil$.14]\r\n"
                           : "At 14:05:09 12/07/26, dos:[dir /b /on *.v2 >dir_fil$.14]\r\n");
    fs::remove("sysCalls.log");
  }
}

TEST_F(SystemCallTest, InLineCommandAtTraceLevelsZeroAndTwo) {
  system_call(" ", "initialize", recording_runner, 0);
  console_.clear();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(system_call("del x.txt   ", "dos", recording_runner, 0), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(240));
  EXPECT_EQ(console_, "");  // the routine itself writes nothing at level 0
  EXPECT_EQ(commands, std::vector<std::string>{"del x.txt "});

  system_call("echo hi", "dos", recording_runner, 2);
  EXPECT_NE(console_.find("  >>In system_call: cmd,type= echo hi, dos"), std::string::npos);
  EXPECT_NE(console_.find("  Executed in-line: echo hi"), std::string::npos);
  EXPECT_NE(console_.find("  <<Lv system_call"), std::string::npos);
  EXPECT_EQ(read_file("sysCalls.log"),
            "At 14:05:09 12/07/26, dos:[del x.txt]\r\nAt 14:05:09 12/07/26, dos:[echo hi]\r\n");
}

TEST_F(SystemCallTest, HomeDirectoryIsJoinedWithoutSeparator) {
  // A ready flag never raised (the recording runner runs nothing) counts as
  // taken at the first look: the batch command completes.
  system_call("x_", "initialize", recording_runner, 0);
  feed("y\n");
  system_call("echo one", "dos+", recording_runner, 0);
  EXPECT_TRUE(fs::exists("x_sysCalls.log"));
  EXPECT_EQ(read_file("x_sysCall.bat"), "echo one\r\n");
  EXPECT_EQ(commands, std::vector<std::string>{"echo >x_BatIsRdy "});
  EXPECT_FALSE(fs::exists("sysCalls.log"));
}

TEST_F(SystemCallTest, CommandBeforeInitialisationEndsTheRun) {
  EXPECT_EXIT(
      {
        console_to_stderr();
        system_call("dir", "dos", recording_runner, 0);
      },
      ::testing::ExitedWithCode(1), "Err - system_call\\(\\) not initialized");
}

TEST_F(SystemCallTest, BadTypeEndsTheRunAfterTheCallLogLine) {
  system_call(" ", "initialize:shortdate", recording_runner, 0);
  EXPECT_EXIT(
      {
        console_to_stderr();
        system_call("dir", "DOS", recording_runner, 0);
      },
      ::testing::ExitedWithCode(1), "\\*\\*dosType bad in system_call; stop");
  EXPECT_EQ(read_file("sysCalls.log"), "14:05:09 12/07, DOS:[dir]\r\n");
}

TEST_F(SystemCallTest, BatchHandshakeWithTheCompanion) {
  system_call(" ", "initialize", platform::run_command, 0);
  feed("y\n");
  std::thread helper(companion, std::chrono::milliseconds(0), false, "");
  system_call("echo ran >ran.txt", "dos+", platform::run_command, 0);
  helper.join();
  EXPECT_EQ(read_file("sysCall.bat"), "echo ran >ran.txt\r\n");
  EXPECT_EQ(read_file("ran.txt"), "ran \r\n");
  EXPECT_FALSE(fs::exists("BatIsRdy"));
  EXPECT_FALSE(fs::exists("sysCallr.Bsy"));
  EXPECT_EQ(console_, "   dosCmd=\"echo ran >ran.txt\" Ok? ");  // asked even at level 0
  EXPECT_EQ(read_file("sysCalls.log"), "At 14:05:09 12/07/26, dos+:[echo ran >ran.txt]\r\n");
}

TEST_F(SystemCallTest, WaitedTimeReports) {
  // Time-out 2 s: a wait of half of it or more is reported at any level.
  system_call(" ", "initialize:02s", platform::run_command, 0);
  feed("y\ny\n");
  std::thread slow(companion, std::chrono::milliseconds(1100), false, "");
  system_call("echo a >a.txt", "dos+", platform::run_command, 0);
  slow.join();
  const std::regex ready_report("\\*secs waited for BatIsRdy to be deleted: +([0-9.]+)");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(console_, m, ready_report)) << console_;
  EXPECT_GE(std::stof(m[1]), 1.0f);
  EXPECT_LE(std::stof(m[1]), 1.5f);
  EXPECT_EQ(console_.find("sysCallr.Bsy to be deleted"), std::string::npos);

  // Level 2: every wait is reported, also one of no time.
  console_.clear();
  std::thread quick(companion, std::chrono::milliseconds(0), false, "");
  system_call("echo b >b.txt", "dos+", platform::run_command, 2);
  quick.join();
  EXPECT_NE(console_.find("SysCall.bat and BatIsRdy written; wait for BatIsRdy, then "
                          "SysCallr.Bsy, to be deleted"),
            std::string::npos);
  EXPECT_NE(console_.find("*secs waited for BatIsRdy to be deleted:"), std::string::npos);
  EXPECT_NE(console_.find("*secs waited for sysCallr.Bsy to be deleted:"), std::string::npos);
  EXPECT_TRUE(fs::exists("b.txt"));
}

TEST_F(SystemCallTest, EarlierBusyFlagTimesOut) {
  system_call(" ", "initialize:01s", platform::run_command, 0);
  std::ofstream("sysCallr.Bsy") << "left over\n";
  EXPECT_EXIT(
      {
        console_to_stderr();
        feed("y\n");
        system_call("echo a", "dos+", platform::run_command, 0);
      },
      ::testing::ExitedWithCode(1), "\\*In system_call, sysCallr.bsy not deleted after 1.0s; stop");
  EXPECT_FALSE(fs::exists("sysCall.bat"));  // nothing handed over
}

TEST_F(SystemCallTest, CompanionThatNeverStartsTimesOut) {
  system_call(" ", "initialize:01s", platform::run_command, 0);
  EXPECT_EXIT(
      {
        console_to_stderr();
        feed("y\n");
        system_call("echo a", "dos+", platform::run_command, 0);
      },
      ::testing::ExitedWithCode(1),
      test::has_in_order(
          {"*secs waited for BatIsRdy to be deleted:  1.0\n",
           "*In system_call, sysCallr.bat didnt start Cmd batfile within  1.0s; stop"}));
  // The ready flag holds what the command processor's echo without text
  // writes: "ECHO is on." from Windows' cmd and our POSIX one, "Echo is ON"
  // from Wine's.
  const std::string flag = read_file("BatIsRdy");
  EXPECT_TRUE(flag == "ECHO is on.\r\n" || flag == "Echo is ON\r\n") << flag;
  platform::run_command("echo >echo_alone.txt");
  EXPECT_EQ(flag, read_file("echo_alone.txt"));
}

TEST_F(SystemCallTest, CompanionThatNeverEndsTimesOut) {
  system_call(" ", "initialize:01s", platform::run_command, 0);
  EXPECT_EXIT(
      {
        console_to_stderr();
        feed("y\n");
        std::thread(companion, std::chrono::milliseconds(0), true, "").detach();
        system_call("echo a", "dos+", platform::run_command, 0);
      },
      ::testing::ExitedWithCode(1),
      test::has_in_order(
          {"*secs waited for sysCallr.Bsy to be deleted:  1.0\n",
           "*In system_call, sysCallr.bat still running SysCall.bat after  1.0s; stop"}));
}

TEST_F(SystemCallTest, ConfirmationCountsFromTraceLevelThree) {
  system_call(" ", "initialize", recording_runner, 0);
  feed("n\n");
  system_call("echo a", "dos+", recording_runner, 2);  // a no below level 3 goes on
  EXPECT_EQ(read_file("sysCall.bat"), "echo a\r\n");
  fs::remove("sysCall.bat");
  EXPECT_EXIT(
      {
        console_to_stderr();
        feed("no\n");
        system_call("echo a", "dos+", recording_runner, 3);
      },
      ::testing::ExitedWithCode(1), "dosCmd=\"echo a\" Ok\\?");
  EXPECT_FALSE(fs::exists("sysCall.bat"));
}

TEST_F(SystemCallTest, AskText) {
  feed("  yes, please do it all right now and for good\nshort\n");
  EXPECT_EQ(ask_text("//Go on?", 3), "  y");
  EXPECT_EQ(console_, test::on_console("\n\n Go on? "));
  EXPECT_EQ(ask_text("Name?", 8), "short   ");
  EXPECT_EQ(ask_text("More?", 4), "    ");  // the input has ended
}

TEST(WaitSeconds, WaitsAtLeastThatLongAndYields) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = test::cpu_seconds();
  wait_seconds(0.3f);
  const double cpu_seconds = test::cpu_seconds() - cpu;
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
  EXPECT_LT(cpu_seconds, 0.05);
  wait_seconds(0.0f);
  wait_seconds(-1.0f);
}

}  // namespace
