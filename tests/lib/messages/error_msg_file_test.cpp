// "_error.msg": header forms, the date text, the unit it is opened on, and a
// failed open.
#include "lib/messages/error_msg_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/platform/clock.h"
#include "lib/text/lines.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

namespace fs = std::filesystem;
using test::nl;
using test::read_file;

class ErrorMsgFileTest : public test::LibraryTest {
 protected:
  ErrorMsgFileTest() : LibraryTest("sunder_errmsg_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_test_clock();
  }
  // The header line written for the clock reading, on a fresh file.
  std::string header_for(const platform::ClockReading& at) {
    clock_ = at;
    use_test_clock();
    fs::remove("_error.msg");
    Unit luErr = 30;
    open_error_msg_file(luErr, 0);
    close_unit(luErr);
    return read_file("_error.msg");
  }
};

TEST_F(ErrorMsgFileTest, DateText) {
  EXPECT_EQ(header_for({2026, 12, 7, 14, 5, 9, 0}),
            "-- Error message(s) written on: 12/07/26 at 14:05:09\r\n");
  EXPECT_EQ(header_for({2026, 3, 3, 9, 30, 0, 0}),
            "-- Error message(s) written on:  3/03/26 at  9:30:00\r\n");
  EXPECT_EQ(header_for({2027, 2, 1, 9, 5, 3, 999}),
            "-- Error message(s) written on:  2/01/27 at  9:05:03\r\n");
  EXPECT_EQ(header_for({2000, 1, 31, 0, 0, 0, 0}),
            "-- Error message(s) written on:  1/31/00 at  0:00:00\r\n");
  EXPECT_EQ(header_for({2109, 10, 10, 23, 59, 59, 0}),
            "-- Error message(s) written on: 10/10/09 at 23:59:59\r\n");
  EXPECT_EQ(console_, "");
}

TEST_F(ErrorMsgFileTest, UnitFromNextluOnlyWhenNoneGiven) {
  Unit luErr = 17;
  open_error_msg_file(luErr, 0);
  EXPECT_EQ(luErr, 17);
  EXPECT_EQ(unit_file_name(17), "_error.msg");
  close_unit(17);
  EXPECT_EQ(nextlu(), 14);  // nextlu was not asked
  luErr = -1;
  open_error_msg_file(luErr, 0);
  EXPECT_EQ(luErr, 15);
  EXPECT_EQ(unit_file_name(15), "_error.msg");
  write_text(luErr, "message");
  close_unit(luErr);
  EXPECT_EQ(read_file("_error.msg"),
            "-- Error message(s) written on: 12/07/26 at 14:05:09\r\n"
            "-- Error message(s) added to existing file on: 12/07/26 at 14:05:09\r\nmessage\r\n");
}

TEST_F(ErrorMsgFileTest, AnExistingFileIsExtended) {
  std::ofstream("_error.msg", std::ios::binary) << "-- earlier run\r\nold message\r\n";
  mesag("new message", 1);
  EXPECT_EQ(
      read_file("_error.msg"),
      "-- earlier run\r\nold message\r\n"
      "-- Error message(s) added to existing file on: 12/07/26 at 14:05:09\r\nnew message\r\n");
}

TEST_F(ErrorMsgFileTest, TraceLines) {
  Unit luErr = -1;
  open_error_msg_file(luErr, 2);
  EXPECT_EQ(console_, nl(" >>In open_error_msg_file, luErr=          -1") +
                          nl(" New luErr=          14") +
                          nl(" <<Lv open_err_msg_file, luErr=          14"));
}

TEST_F(ErrorMsgFileTest, FailedOpenIsReportedAndTheLinesDropped) {
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  {
    std::ofstream probe("probe");
    if (probe) GTEST_SKIP() << "the directory stays writable (privileged user)";
  }
  mesag("*lost for the file", 2);
  mesag("*also lost", 1);
  EXPECT_EQ(console_.find(nl(" *Mesag: Output file not set, see \"_error.msg\" for messages.") +
                          " *Mesag: iostat ne 0: "),
            0u)
      << console_;
  EXPECT_NE(console_.find(nl("*lost for the file")), std::string::npos) << console_;
  EXPECT_FALSE(fs::exists("_error.msg"));
  for (Unit u = 14; u <= 50; ++u) EXPECT_FALSE(unit_connected(u)) << u;
}

TEST_F(ErrorMsgFileTest, UnopenableFileIsReportedAndTheLinesDropped) {
  // A directory in the file's place cannot be opened as a file, also for a
  // privileged user.
  fs::create_directory("_error.msg");
  mesag("*first", 2);
  mesag("*second", 1);
  const std::string failed = " *Mesag: iostat ne 0: ";
  EXPECT_EQ(
      console_.find(nl(" *Mesag: Output file not set, see \"_error.msg\" for messages.") + failed),
      0u)
      << console_;
  const std::size_t message = console_.find(nl("*first"));
  ASSERT_NE(message, std::string::npos) << console_;
  // The second message tries again, and is dropped again.
  EXPECT_NE(console_.find(failed, message), std::string::npos) << console_;
  EXPECT_TRUE(fs::is_directory("_error.msg"));
  for (Unit u = 14; u <= 50; ++u) EXPECT_FALSE(unit_connected(u)) << u;
}

}  // namespace
}  // namespace sunder
