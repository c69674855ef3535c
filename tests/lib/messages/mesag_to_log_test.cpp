// The log writer with a fixed clock: where lines go, the time stamp in both
// clock forms, long texts, the control calls, and a message from the
// local-time routines while a stamped line is being built.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/platform/seams.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;
using sunder::test::read_file;
using sunder::test::set_clock;

namespace {

class MesagToLogTest : public test::LibraryTest {
 protected:
  MesagToLogTest() : LibraryTest("sunder_mesg2log_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_own_zone_file();  // missing unless a test writes it
    set_clock(2026, 12, 7, 14, 5, 9);
  }
  // The file's contents once every unit is released.
  static std::string closed(const std::string& name) {
    seams::reset_all();
    return read_file(name);
  }
};

TEST_F(MesagToLogTest, LinesGoToTheRunLogAndItsOwnFileStaysEmpty) {
  designate_run_log();
  mesag_to_log("First line", " ", 2);
  EXPECT_EQ(con(), "First line\n");
  EXPECT_TRUE(fs::exists("mesg2log.err"));
  EXPECT_TRUE(file_connected("mesg2log.err"));
  EXPECT_EQ(unit_file_name(14), "mesg2log.err");
  mesag_to_log("File only", " ", 1);
  mesag_to_log("Console only", " ", 0);
  mesag_to_log("Code 3 is both", " ", 3);
  mesag_to_log("Negative writes nothing", " ", -1);
  EXPECT_EQ(con(), "First line\nConsole only\nCode 3 is both\n");
  EXPECT_EQ(read_file("mesg2log.err"), "");
  EXPECT_EQ(closed("run.log"), "First line\r\nFile only\r\nCode 3 is both\r\n");
}

TEST_F(MesagToLogTest, WithoutARunLogLinesGoToItsOwnFile) {
  mesag_to_log("Into mesg2log", " ", 2);
  EXPECT_EQ(con(), "Into mesg2log\n");
  EXPECT_EQ(closed("mesg2log.err"), "Into mesg2log\r\n");
  EXPECT_FALSE(fs::exists("_error.msg"));
}

TEST_F(MesagToLogTest, StampedLinesInBothClockForms) {
  designate_run_log();
  mesag_to_log("DIR cmd ran, to file", "w/time", 2);
  set_clock(2026, 1, 5, 0, 15, 0);
  mesag_to_log("Midnight", "w/time12hr", 1);
  set_clock(2026, 7, 9, 12, 30, 0);
  mesag_to_log("Noon", "w/time12hr", 1);
  set_clock(2009, 3, 1, 23, 59, 58);
  mesag_to_log("Late", "w/time12hr and more", 1);
  mesag_to_log("Not stamped", "with time", 1);
  EXPECT_EQ(con(), "DIR cmd ran, to file, at 14:05:09 on 12/07/26.\n");
  EXPECT_EQ(closed("run.log"),
            "DIR cmd ran, to file, at 14:05:09 on 12/07/26.\r\n"
            "Midnight, at 00:15:00 (00:15:00 AM) on 01/05/26.\r\n"
            "Noon, at 12:30:00 (12:30:00 PM) on 07/09/26.\r\n"
            "Late, at 23:59:58 (11:59:58 PM) on 03/01/09.\r\n"
            "Not stamped\r\n");
}

TEST_F(MesagToLogTest, StampIsLocalTimeFromTheZoneFile) {
  std::ofstream(zone_file_) << "Computer clock is: GMT\nHrs: -8  0  P\n";
  designate_run_log();
  set_clock(2027, 1, 1, 5, 30, 0);
  mesag_to_log("New year", "w/time", 1);
  EXPECT_EQ(closed("run.log"), "New year, at 21:30:00 on 12/31/26.\r\n");
}

TEST_F(MesagToLogTest, LongTextsAreCutSoTheLineFits) {
  designate_run_log();
  std::string text;
  for (int i = 0; i < 130; ++i) text += static_cast<char>('a' + i % 26);
  mesag_to_log(text.substr(0, 98), "w/time", 1);  // stays whole
  mesag_to_log(text.substr(0, 99), "w/time", 1);
  mesag_to_log(text.substr(0, 90), "w/time12hr", 1);
  mesag_to_log(text, "w/time12hr", 1);
  const std::string stamp = ", at 14:05:09 on 12/07/26.\r\n";
  const std::string stamp12 = ", at 14:05:09 (02:05:09 PM) on 12/07/26.\r\n";
  const std::string notice = "Mesag too long: " + text.substr(0, 30) + "\r\n";
  EXPECT_EQ(closed("run.log"), text.substr(0, 98) + stamp + notice + text.substr(0, 97) + stamp +
                                   text.substr(0, 85) + stamp12 + notice + text.substr(0, 85) +
                                   stamp12);
}

TEST_F(MesagToLogTest, UnstampedTextIsCutTo125) {
  designate_run_log();
  const std::string text(130, 'x');
  mesag_to_log(text, " ", 1);
  EXPECT_EQ(closed("run.log"), std::string(125, 'x') + "\r\n");
}

TEST_F(MesagToLogTest, MessageFromLocalTimeWhileAStampIsBuilt) {
  // A clock zone that is neither GMT nor local: local_time reports through the
  // log writer while the outer line waits for its time.
  std::ofstream(zone_file_) << "Computer clock is: EST\nHrs: -5  0  E\n";
  designate_run_log();
  mesag_to_log("Outer line", "w/time", 1);
  EXPECT_EQ(con(), "*In local_time, c:\\timeZone.pc time zone err; assume local time\n");
  EXPECT_EQ(closed("run.log"),
            "*In local_time, c:\\timeZone.pc time zone err; assume local time\r\n"
            "Outer line, at 14:05:09 on 12/07/26.\r\n");
}

TEST_F(MesagToLogTest, NestedMessageBeforeTheLogWriterWasInitialised) {
  // The first call of the run is itself the stamped one: the nested call finds
  // the log writer initialised and its file open.
  std::ofstream(zone_file_) << "Computer clock is: EST\nHrs: -5  0  E\n";
  const std::string long_text(99, 'q');
  mesag_to_log(long_text, "w/time", 2);
  EXPECT_EQ(closed("mesg2log.err"),
            "*In local_time, c:\\timeZone.pc time zone err; assume local time\r\n"
            "Mesag too long: " +
                std::string(30, 'q') + "\r\n" + std::string(97, 'q') +
                ", at 14:05:09 on 12/07/26.\r\n");
}

TEST_F(MesagToLogTest, InitializeNamesTheFileAndCloseAfterWrite) {
  mesag_to_log("Initialize", "own.log/close", -20);
  EXPECT_FALSE(fs::exists("own.log"));
  mesag_to_log("One", " ", 2);
  EXPECT_FALSE(unit_connected(20));
  mesag_to_log("Two", " ", 2);
  EXPECT_EQ(read_file("own.log"), "One\r\nTwo\r\n");
  EXPECT_FALSE(fs::exists("mesg2log.err"));
}

TEST_F(MesagToLogTest, OpenAndCloseCalls) {
  mesag_to_log("close", " ", 10);  // initialises, nothing open yet
  EXPECT_FALSE(fs::exists("mesg2log.err"));
  mesag_to_log("open now", " ", 10);
  EXPECT_TRUE(unit_connected(14));
  mesag_to_log("close it", " ", 10);
  EXPECT_FALSE(unit_connected(14));
  mesag_to_log("After close", " ", 2);  // reopened in append mode
  mesag_to_log("shut", " ", 10);
  EXPECT_EQ(con(),
            "After close\n"
            "Bad kontrol=10 call to mesag_to_log\n");
  EXPECT_EQ(closed("mesg2log.err"), "After close\r\nBad kontrol=10 call to mesag_to_log\r\n");
}

TEST_F(MesagToLogTest, OpenFileLoggedReleasesTheLogUnit) {
  designate_run_log();
  const std::int32_t status = open_file_logged(40, "missing.dat", "input", 2);
  EXPECT_EQ(status, 2);
  EXPECT_FALSE(unit_connected(14));
  EXPECT_FALSE(unit_connected(40));
  EXPECT_NE(con().find("missing.dat"), std::string::npos) << con();
  EXPECT_NE(closed("run.log").find("missing.dat"), std::string::npos);
}

TEST_F(MesagToLogTest, SetKtestTracesTheCalls) {
  designate_run_log();
  mesag_to_log("Set ktest", " ", 1);
  console_.clear();
  mesag_to_log("Traced", " ", 0);
  EXPECT_NE(con().find(" >>In mesag_to_log: Traced,  , "), std::string::npos) << con();
  EXPECT_NE(con().find(" Log file open:  F\n"), std::string::npos) << con();
  EXPECT_NE(con().find(" On open of logFile, ier=            1\n"), std::string::npos);
  EXPECT_NE(con().find("\nTraced\n"), std::string::npos);
  EXPECT_NE(con().find(" <<Lv mesag_to_log: lu Opn= T\n"), std::string::npos);
  mesag_to_log("Set ktest", " ", 0);
}

TEST_F(MesagToLogTest, KontrolFourEndsTheRun) {
  designate_run_log();
  EXPECT_EXIT(
      {
        test::console_to_stderr();
        mesag_to_log("Fatal here", " ", 4);
      },
      ::testing::ExitedWithCode(1), "Fatal here\\s*Stopping\\.\\.");
}

}  // namespace
