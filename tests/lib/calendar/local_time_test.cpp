// Local time: file mode with time-zone files of the test's own (never the
// machine's), coordinate mode, daylight saving, day changes and tracing.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "lib/calendar/local_time.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/platform/timezone_path.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;
using sunder::test::read_file;

namespace {

struct When {
  std::int32_t day, month, year, hour, minute;
  std::string zone;
  std::int32_t shift;
};

class LocalTimeTest : public test::LibraryTest {
 protected:
  LocalTimeTest() : LibraryTest("sunder_localtime_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_own_zone_file();
    designate_run_log();
  }
  void zone_file(const std::string& text) { test::write_file(zone_file_, text); }
  static When convert(float lat, float lon, std::int32_t day, std::int32_t month, std::int32_t year,
                      std::int32_t hour, std::int32_t minute, const std::string& zone) {
    When w{day, month, year, hour, minute, zone, 0};
    w.shift = local_time(lat, lon, w.day, w.month, w.year, w.hour, w.minute, w.zone);
    return w;
  }
  static When file_mode(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t hour,
                        std::int32_t minute, const std::string& zone) {
    return convert(91.0f, 0.0f, day, month, year, hour, minute, zone);
  }
  std::size_t count(const std::string& what) const {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = con().find(what, at)) != std::string::npos; ++at) ++n;
    return n;
  }
};

void expect_when(const When& w, std::int32_t day, std::int32_t month, std::int32_t year,
                 std::int32_t hour, std::int32_t minute, const std::string& zone,
                 std::int32_t shift) {
  EXPECT_EQ(w.day, day);
  EXPECT_EQ(w.month, month);
  EXPECT_EQ(w.year, year);
  EXPECT_EQ(w.hour, hour);
  EXPECT_EQ(w.minute, minute);
  EXPECT_EQ(w.zone, zone);
  EXPECT_EQ(w.shift, shift);
}

// Line 1: the clock's zone in columns 20-24; line 2: hour shift in 5-7,
// minute shift in 9-10, zone letter in 13.
const char* const kGmtMinus8 = "Computer clock is: GMT\r\nHrs: -8  0  P\r\n";

TEST_F(LocalTimeTest, WithoutAFileTheClockIsPacificLocalTime) {
  expect_when(file_mode(1, 7, 2026, 14, 5, "Loc"), 1, 7, 2026, 14, 5, "PDT", 0);
  // An incoming GMT time is taken as local standard time: daylight adds an hour.
  expect_when(file_mode(1, 7, 2026, 14, 5, "GMT"), 1, 7, 2026, 15, 5, "PDT", 0);
  expect_when(file_mode(1, 1, 2026, 14, 5, "Local"), 1, 1, 2026, 14, 5, "PST  ", 0);
  EXPECT_EQ(con(), "");
}

TEST_F(LocalTimeTest, GmtFileShiftsAcrossDayMonthAndYearEnds) {
  zone_file(kGmtMinus8);
  expect_when(file_mode(3, 1, 2026, 5, 30, "GMT"), 2, 1, 2026, 21, 30, "PST", -8);
  expect_when(file_mode(1, 7, 2026, 6, 30, "GMT"), 30, 6, 2026, 23, 30, "PDT", -8);
  // Daylight saving pushes 23:30 on 30 June over midnight.
  expect_when(file_mode(1, 7, 2026, 7, 30, "GMT"), 1, 7, 2026, 0, 30, "PDT", -8);
  expect_when(file_mode(1, 1, 2026, 3, 0, "GMT"), 31, 12, 2025, 19, 0, "PST", -8);
  expect_when(file_mode(1, 3, 2024, 2, 0, "GMT"), 29, 2, 2024, 18, 0, "PST", -8);
  // The clock's own word "Loc" is the computer's clock: still shifted from GMT.
  expect_when(file_mode(3, 1, 2026, 5, 30, "Loc"), 2, 1, 2026, 21, 30, "PST", -8);
  EXPECT_EQ(con(), "");
}

TEST_F(LocalTimeTest, NegativeShiftWithMinutes) {
  zone_file("                   GMT\r\n     -3 30  A\r\n");
  expect_when(file_mode(10, 1, 2026, 2, 10, "GMT"), 9, 1, 2026, 22, 40, "AST", -3);
}

TEST_F(LocalTimeTest, MinuteShiftCarriesIntoTheHourAndTheNextYear) {
  zone_file("                   GMT\r\nHrs:  5 15  X\r\n");
  expect_when(file_mode(10, 1, 2026, 10, 45, "GMT"), 10, 1, 2026, 16, 0, "XST", 5);
  expect_when(file_mode(31, 12, 2026, 20, 45, "GMT"), 1, 1, 2027, 2, 0, "XST", 5);
}

TEST_F(LocalTimeTest, LocalFileIgnoresItsShiftsButNamesTheZone) {
  zone_file("Clock zone here:   Local\r\nHrs: -8 30  P\r\n");
  expect_when(file_mode(1, 7, 2026, 14, 5, "Loc"), 1, 7, 2026, 14, 5, "PDT", 0);
  expect_when(file_mode(1, 1, 2026, 14, 5, "Loc"), 1, 1, 2026, 14, 5, "PST", 0);
  EXPECT_EQ(con(), "");
}

TEST_F(LocalTimeTest, FileIsReadOnceARun) {
  zone_file(kGmtMinus8);
  expect_when(file_mode(3, 1, 2026, 5, 30, "GMT"), 2, 1, 2026, 21, 30, "PST", -8);
  zone_file("                   GMT\r\nHrs: -5  0  E\r\n");
  expect_when(file_mode(3, 1, 2026, 5, 30, "GMT"), 2, 1, 2026, 21, 30, "PST", -8);
}

TEST_F(LocalTimeTest, MissingSecondLineIsAReadErrorWithoutShift) {
  zone_file("Computer clock is: GMT\r\n");
  const When w = file_mode(3, 1, 2026, 5, 30, "Loc");
  EXPECT_EQ(w.shift, 0);
  EXPECT_EQ(w.day, 3);
  EXPECT_EQ(w.hour, 5);
  EXPECT_EQ(w.minute, 30);
  EXPECT_EQ(count("*In local_time, c:\\timeZone..pc read err; assume local time\n"), 1u) << con();
  // Read once: no second message.
  file_mode(3, 1, 2026, 5, 30, "Loc");
  EXPECT_EQ(count("read err"), 1u);
  close_unit(30);
  EXPECT_NE(read_file("run.log").find("read err; assume local time"), std::string::npos);
}

TEST_F(LocalTimeTest, UnknownClockZoneIsReportedOnEveryCall) {
  zone_file("Computer clock is: EST\r\nHrs: -5  0  E\r\n");
  expect_when(file_mode(1, 1, 2026, 12, 0, "Loc"), 1, 1, 2026, 12, 0, "EST", 0);
  file_mode(1, 1, 2026, 12, 0, "Loc");
  EXPECT_EQ(count("*In local_time, c:\\timeZone.pc time zone err; assume local time\n"), 2u)
      << con();
}

TEST_F(LocalTimeTest, RejectedInputsLeaveTheTimeAndSayUnk) {
  expect_when(file_mode(0, 7, 2026, 14, 5, "Loc"), 0, 7, 2026, 14, 5, "Unk", -1);
  expect_when(file_mode(1, 7, 2026, 14, 5, "gmt"), 1, 7, 2026, 14, 5, "Unk", -1);
  expect_when(file_mode(1, 7, 2026, 14, 5, "UTC  "), 1, 7, 2026, 14, 5, "Unk  ", -1);
  EXPECT_EQ(count("*In local_time: Bad incoming time\n"), 3u);
  EXPECT_NE(con().find(" input:Loc             0           7        2026\n"), std::string::npos)
      << con();
  EXPECT_NE(con().find(" input:UTC             1           7        2026\n"), std::string::npos);
}

TEST_F(LocalTimeTest, CoordinateModePicksZonesByLongitude) {
  expect_when(convert(34.0f, -118.2f, 3, 1, 2026, 5, 30, "GMT"), 2, 1, 2026, 21, 30, "PST", -8);
  expect_when(convert(34.0f, -118.2f, 1, 7, 2026, 6, 30, "GMT"), 30, 6, 2026, 23, 30, "PDT", -8);
  expect_when(convert(40.7f, -74.0f, 1, 7, 2026, 16, 0, "GMT"), 1, 7, 2026, 12, 0, "EDT", -5);
  expect_when(convert(41.9f, -87.6f, 1, 1, 2026, 16, 0, "GMT"), 1, 1, 2026, 10, 0, "CST", -6);
  expect_when(convert(39.7f, -105.0f, 1, 1, 2026, 16, 0, "GMT"), 1, 1, 2026, 9, 0, "MST", -7);
  // Hawaii never changes to daylight time.
  expect_when(convert(20.0f, -155.0f, 1, 7, 2026, 12, 0, "GMT"), 1, 7, 2026, 2, 0, "HST", -10);
  expect_when(convert(61.0f, -150.0f, 1, 7, 2026, 12, 0, "GMT"), 1, 7, 2026, 4, 0, "ADT", -9);
  expect_when(convert(48.0f, 10.0f, 1, 7, 2026, 12, 0, "GMT"), 1, 7, 2026, 12, 0, "Unk", 0);
  EXPECT_EQ(con(), "");
}

TEST_F(LocalTimeTest, FarWestPointsWithoutARowAreUnkWithoutAnEarlierShift) {
  expect_when(convert(61.0f, -150.0f, 1, 1, 2026, 12, 0, "GMT"), 1, 1, 2026, 3, 0, "AST", -9);
  expect_when(convert(48.0f, -150.0f, 1, 1, 2026, 12, 0, "GMT"), 1, 1, 2026, 12, 0, "Unk", 0);
  expect_when(convert(-14.3f, -170.7f, 1, 1, 2026, 12, 0, "GMT"), 1, 1, 2026, 12, 0, "Unk", 0);
  expect_when(convert(0.0f, -140.0f, 1, 7, 2026, 12, 0, "GMT"), 1, 7, 2026, 12, 0, "Unk", 0);
}

TEST_F(LocalTimeTest, CoordinateModeComplainsButGoesOn) {
  expect_when(convert(34.0f, -118.2f, 3, 1, 2026, 5, 30, "Loc"), 2, 1, 2026, 21, 30, "PST", -8);
  EXPECT_EQ(count("*In local_time, timeZone not GMT\n"), 1u);
  expect_when(convert(34.0f, -200.0f, 3, 1, 2026, 5, 30, "GMT"), 3, 1, 2026, 5, 30, "Unk", 0);
  expect_when(convert(90.5f, -118.0f, 3, 1, 2026, 5, 30, "GMT"), 2, 1, 2026, 21, 30, "PST", -8);
  EXPECT_EQ(count("*In local_time: lat,lon args bad\n"), 2u) << con();
}

TEST_F(LocalTimeTest, HourPlus24AsksForTheTraceFromThenOn) {
  zone_file(kGmtMinus8);
  expect_when(file_mode(3, 1, 2026, 24 + 5, 30, "GMT"), 2, 1, 2026, 21, 30, "PST", -8);
  const std::string expected =
      "   >>In local_time\n"
      "      lat,lon, yr,mon,day, hr,zone=  91.00   0.00 2026  1  3  5, \"GMT\"\n"
      " PcTimZone,timeZone, nHr&minShift=GMT  ,P_T          -8           0\n"
      "      timZone,loclHrStd,dayChng=P_T   21   -1\n"
      "   <<Lv local_time\n"
      "      with Local Hr,Mn, Mo/Dy/Yr= 21 30  1  2 2026 PST\n"
      "             GMT Hr,Mn, Mo/Dy/Yr=  5 30  1  3 2026  shift= -8\n";
  EXPECT_EQ(con(), expected);
  // The switch stays on: a plain call traces its shift and result lines.
  console_.clear();
  file_mode(3, 1, 2026, 5, 30, "GMT");
  EXPECT_EQ(con().find("   >>In local_time"), std::string::npos);
  EXPECT_NE(con().find("   <<Lv local_time\n"), std::string::npos);
  close_unit(30);
  EXPECT_NE(read_file("run.log").find("   >>In local_time\r\n"), std::string::npos);
}

TEST_F(LocalTimeTest, TheMachinesOwnFileIsNeverRead) {
  // With the test path pointing at a missing file the built-in default holds,
  // whatever the machine has.
  expect_when(file_mode(1, 1, 2026, 10, 0, "GMT"), 1, 1, 2026, 10, 0, "PST", 0);
  EXPECT_NE(platform::timezone_file_path(), "/etc/TimeZone.PC");
}

}  // namespace
