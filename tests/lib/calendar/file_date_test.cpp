// File dates: the fixed zone eight hours behind GMT (seven in daylight time),
// both clocks, short texts, missing files, and times outside 1970..2038.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "lib/calendar/file_date.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/platform/file.h"
#include "lib/platform/seams.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;
using namespace std::chrono;
using sunder::test::read_file;

namespace {

class FileDateTest : public test::LibraryTest {
 protected:
  FileDateTest() : LibraryTest("sunder_filedate_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    // Messages go to a run log, as in the tool.
    designate_run_log();
  }
  // A file named vol.v2 with the given modification time.
  static void dated(std::int64_t seconds, const std::string& name = "vol.v2") {
    std::ofstream(name) << "x";
    ASSERT_EQ(platform::set_file_mtime(name, seconds), 0);
  }
  // The date and time texts of the file at that time.
  std::string at(std::int64_t seconds, std::int32_t k12or24 = 24) {
    dated(seconds);
    std::string date(8, '?'), time(9, '?');
    EXPECT_EQ(file_date("vol.v2", date, time, k12or24), 0);
    return date + "|" + time;
  }
};

// Seconds since 1970 of a GMT date and time.
std::int64_t gmt(int y, unsigned m, unsigned d, int hh = 0, int mm = 0, int ss = 0) {
  const sys_seconds t =
      sys_days{year{y} / month{m} / day{d}} + hours{hh} + minutes{mm} + seconds{ss};
  return t.time_since_epoch().count();
}

TEST_F(FileDateTest, EpochIsTheAfternoonBefore) {
  EXPECT_EQ(at(0), "12/31/69|16:00:00 ");
  EXPECT_EQ(at(0, 12), "12/31/69|04:00:00p");
  EXPECT_EQ(at(0, 0), "12/31/69|16:00:00 ");
  EXPECT_EQ(con(), "");
}

TEST_F(FileDateTest, OneBillionSecondsIsInDaylightTime) {
  EXPECT_EQ(at(1'000'000'000), "09/08/01|18:46:40 ");
  EXPECT_EQ(at(gmt(1999, 12, 31, 20)), "12/31/99|12:00:00 ");
  EXPECT_EQ(at(gmt(2009, 5, 27, 21, 5, 9)), "05/27/09|14:05:09 ");
}

TEST_F(FileDateTest, DaylightEdgesAreGmtHoursOnBothSundays) {
  // First Sunday of daylight time 2026: 8 March; from GMT 02:00 seven hours.
  EXPECT_EQ(at(gmt(2026, 3, 8, 1, 59, 59)), "03/07/26|17:59:59 ");
  EXPECT_EQ(at(gmt(2026, 3, 8, 2)), "03/07/26|19:00:00 ");
  // Last Sunday, 1 November: only GMT hour 0 is daylight time.
  EXPECT_EQ(at(gmt(2026, 11, 1, 0, 30)), "10/31/26|17:30:00 ");
  EXPECT_EQ(at(gmt(2026, 11, 1, 1)), "10/31/26|17:00:00 ");
  // The older rule: first Sunday of April 2001 (1 April).
  EXPECT_EQ(at(gmt(2001, 4, 1, 1)), "03/31/01|17:00:00 ");
  EXPECT_EQ(at(gmt(2001, 4, 1, 2)), "03/31/01|19:00:00 ");
}

TEST_F(FileDateTest, TwelveHourMarkers) {
  // Winter: local hour h is GMT hour h + 8.
  EXPECT_EQ(at(gmt(2026, 1, 10, 8, 1, 2), 12), "01/10/26|00:01:02a");
  EXPECT_EQ(at(gmt(2026, 1, 10, 19), -12).substr(9), "11:00:00a");
  EXPECT_EQ(at(gmt(2026, 1, 10, 20), 12), "01/10/26|12:00:00p");
  EXPECT_EQ(at(gmt(2026, 1, 10, 21), 12), "01/10/26|01:00:00p");
  EXPECT_EQ(at(gmt(2026, 1, 11, 7, 59, 59), 12), "01/10/26|11:59:59p");
  EXPECT_EQ(at(gmt(2026, 1, 11, 7, 59, 59), 24), "01/10/26|23:59:59 ");
}

TEST_F(FileDateTest, TimesBefore1970AndAfter2038) {
  EXPECT_EQ(at(-1), "12/31/69|15:59:59 ");
  EXPECT_EQ(at(gmt(1969, 1, 1)), "12/31/68|16:00:00 ");
  EXPECT_EQ(at(gmt(1950, 7, 4, 12, 30)), "07/04/50|05:30:00 ");
  EXPECT_EQ(at(gmt(2038, 1, 19, 3, 14, 8)), "01/18/38|19:14:08 ");
  EXPECT_EQ(at(gmt(2100, 7, 1, 6)), "06/30/00|23:00:00 ");
}

TEST_F(FileDateTest, LongTextsAreFilledWithBlanks) {
  dated(1'000'000'000);
  std::string date(10, '?'), time(12, '?');
  EXPECT_EQ(file_date("vol.v2", date, time, 24), 0);
  EXPECT_EQ(date, "09/08/01  ");
  EXPECT_EQ(time, "18:46:40    ");
}

TEST_F(FileDateTest, ShortTextsGiveStatusOneAndBlanks) {
  dated(0);
  std::string date(7, '?'), time(9, '?');
  EXPECT_EQ(file_date("vol.v2", date, time, 24), 1);
  EXPECT_EQ(date, "       ");
  EXPECT_EQ(time, "         ");
  date.assign(8, '?');
  time.assign(8, '?');
  std::int32_t status = -7;
  file_date_status("vol.v2", date, time, 24, status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(date + time, std::string(16, ' '));
  EXPECT_EQ(con(),
            "*fileDate/or fileTime < 8/or 9 chrs in fildat\n"
            "*fileDate/or fileTime < 8/or 9 chrs in fildat\n");
}

TEST_F(FileDateTest, MissingFileGivesStatusTwoAndKeepsTheTexts) {
  std::string date = "unchanged", time = "unchanged";
  std::int32_t status = 0;
  file_date_status("nothere.v2  ", date, time, 24, status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(date, "unchanged");
  EXPECT_EQ(time, "unchanged");
  EXPECT_NE(con().find("In file_date, file doesn't exist: nothere.v2\n"), std::string::npos)
      << con();
  // A name longer than the usual field is written whole to the message file.
  const std::string long_name(60, 'n');
  EXPECT_EQ(file_date(long_name, date, time, 24), 2);
  close_unit(30);
  EXPECT_EQ(read_file("run.log"),
            "In file_date, file doesn't exist: nothere.v2\r\n"
            "In file_date, file doesn't exist: " +
                long_name + "\r\n");
}

TEST_F(FileDateTest, NameWithTrailingBlanksIsTheFileWithoutThem) {
  dated(1'000'000'000);
  std::string date(8, ' '), time(9, ' ');
  EXPECT_EQ(file_date("vol.v2      ", date, time, 24), 0);
  EXPECT_EQ(date, "09/08/01");
}

TEST_F(FileDateTest, TraceGoesToTheMessageFile) {
  dated(0);
  std::string date(8, ' '), time(9, ' ');
  EXPECT_EQ(file_date("vol.v2", date, time, -24), 0);
  close_unit(30);
  EXPECT_EQ(con(), "");
  const std::string expected =
      " >>In file_date, lulog,k12or24=          30         -24\r\n"
      " iStatus=  0  File infoArray:\r\n"
      "           0           0           0           0           0           0\r\n"
      "           0           1           0           0           0           0\r\n"
      " nSecsOfFile=           0\r\n"
      " nsecsOfDay=            0\r\n"
      " nFileDaysSince1Jan1970=           0\r\n"
      " ndaysOn1Jan1970=   719163\r\n"
      " nFileDaysSince1Jan1900=      719163\r\n"
      " File date (m/d/y): 01/01/1970\r\n"
      " File time (GMT) = 00:00:00\r\n"
      " For Daylight, hrAdjust,hrNow=           8          16\r\n"
      "<<Lv file_date, final file time= 16:00:00 \r\n";
  EXPECT_EQ(read_file("run.log"), expected);
}

}  // namespace

namespace {

// Without a designated message file the trace goes to the error-message file,
// which the "Get lu" request makes the output unit.
TEST_F(FileDateTest, TraceWithoutMessageFileGoesToTheErrorMessageFile) {
  seams::reset_all();
  dated(0);
  std::string date(8, ' '), time(9, ' ');
  EXPECT_EQ(file_date("vol.v2", date, time, -12), 0);
  EXPECT_EQ(time, "04:00:00p");
  close_all_streams();
  const std::string log = read_file("_error.msg");
  EXPECT_NE(log.find(">>In file_date, lulog,k12or24="), std::string::npos) << log;
  EXPECT_NE(log.find("<<Lv file_date, final file time= 04:00:00p"), std::string::npos) << log;
}

}  // namespace
