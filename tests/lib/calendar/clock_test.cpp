// Clock reading with a fixed test clock: as it is, and in local time through
// a time-zone file of the test's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "lib/calendar/clock.h"
#include "lib/calendar/local_time.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;
using sunder::test::set_clock;

namespace {

struct Reading {
  std::int32_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
  std::string zone = "Loc";
};

class ClockTest : public test::LibraryTest {
 protected:
  ClockTest() : LibraryTest("sunder_clock_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_own_zone_file();
    designate_run_log();
  }
  static Reading local(std::int32_t level = 0) {
    Reading r;
    system_time_local(r.day, r.month, r.year, r.hour, r.minute, r.second, r.hundredths, r.zone,
                      level);
    return r;
  }
};

TEST_F(ClockTest, ClockAsItIsWithHundredthsCut) {
  set_clock(2026, 12, 7, 9, 5, 7, 349);
  Reading r;
  system_date_time(r.day, r.month, r.year, r.hour, r.minute, r.second, r.hundredths);
  EXPECT_EQ(r.day, 7);
  EXPECT_EQ(r.month, 12);
  EXPECT_EQ(r.year, 2026);
  EXPECT_EQ(r.hour, 9);
  EXPECT_EQ(r.minute, 5);
  EXPECT_EQ(r.second, 7);
  EXPECT_EQ(r.hundredths, 34);
  set_clock(2026, 12, 7, 23, 59, 59, 999);
  system_date_time(r.day, r.month, r.year, r.hour, r.minute, r.second, r.hundredths);
  EXPECT_EQ(r.hundredths, 99);
}

TEST_F(ClockTest, WithoutAZoneFileTheClockIsLocal) {
  set_clock(2026, 7, 1, 14, 5, 9, 0);
  Reading r = local();
  EXPECT_EQ(r.hour, 14);
  EXPECT_EQ(r.zone, "PDT");
  set_clock(2026, 1, 1, 14, 5, 9, 0);
  r = local();
  EXPECT_EQ(r.hour, 14);
  EXPECT_EQ(r.day, 1);
  EXPECT_EQ(r.zone, "PST");
  EXPECT_EQ(con(), "");
}

TEST_F(ClockTest, ClockOnGmtIsShifted) {
  std::ofstream(zone_file_) << "Computer clock is: GMT\nHrs: -8  0  P\n";
  set_clock(2026, 1, 3, 5, 30, 12, 560);
  const Reading r = local();
  EXPECT_EQ(r.day, 2);
  EXPECT_EQ(r.month, 1);
  EXPECT_EQ(r.year, 2026);
  EXPECT_EQ(r.hour, 21);
  EXPECT_EQ(r.minute, 30);
  EXPECT_EQ(r.second, 12);
  EXPECT_EQ(r.hundredths, 56);
  EXPECT_EQ(r.zone, "PST");
}

TEST_F(ClockTest, LevelTwoTracesAroundLocalTime) {
  set_clock(2026, 7, 1, 14, 5, 9, 0);
  const Reading r = local(2);
  EXPECT_EQ(r.hour, 14);
  EXPECT_EQ(r.zone, "PDT");
  const std::string c = con();
  const std::size_t in = c.find(" >>In system_time_local\n");
  const std::size_t going = c.find(
      " Going to local_time: nday,nMth,nYr, nHr,nMin           1           7        2026"
      "          38           5\n");
  const std::size_t local_in = c.find("   >>In local_time\n");
  const std::size_t local_out = c.find("   <<Lv local_time\n");
  const std::size_t back = c.find(
      " Back from local_time: nday,nMth,nYr, nHr,nMin           1           7        2026"
      "          14           5\n");
  const std::size_t out = c.find(" <<Lv system_time_local\n");
  ASSERT_NE(out, std::string::npos) << c;
  EXPECT_LT(in, going);
  EXPECT_LT(going, local_in);
  EXPECT_LT(local_in, local_out);
  EXPECT_LT(local_out, back);
  EXPECT_LT(back, out);
}

TEST_F(ClockTest, RejectedReadingComesBackWithoutTheTraceHour) {
  set_clock(2026, 7, 1, 14, 5, 9, 0);
  Reading r;
  r.zone = "UTC";
  system_time_local(r.day, r.month, r.year, r.hour, r.minute, r.second, r.hundredths, r.zone, 1);
  EXPECT_EQ(r.hour, 14);
  EXPECT_EQ(r.zone, "Unk");
  EXPECT_NE(con().find("*In local_time: Bad incoming time"), std::string::npos);
}

}  // namespace
