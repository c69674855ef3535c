// Unit allocation and the connection registry.
#include <gtest/gtest.h>

#include <string>

#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/text/lines.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

using test::console_to_stderr;
using test::read_file;

class UnitsTest : public test::LibraryTest {
 protected:
  UnitsTest() : LibraryTest("sunder_units_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_test_clock();
  }
};

TEST_F(UnitsTest, NumbersCountUpFrom14AndNeverGoBack) {
  EXPECT_EQ(nextlu(), 14);
  EXPECT_EQ(nextlu(), 15);
  // A number handed out but never opened is not handed out again, and a
  // closed number is not revisited.
  ASSERT_EQ(connect_unit(16, "a.txt", UnitMode::kOutput), 0);
  ASSERT_EQ(connect_unit(17, "b.txt", UnitMode::kOutput), 0);
  EXPECT_EQ(nextlu(), 18);
  close_unit(16);
  close_unit(17);
  EXPECT_EQ(nextlu(), 19);
}

TEST_F(UnitsTest, FirstCallSkipsConnectedUnits) {
  ASSERT_EQ(connect_unit(14, "a.txt", UnitMode::kOutput), 0);
  ASSERT_EQ(connect_unit(15, "b.txt", UnitMode::kOutput), 0);
  EXPECT_EQ(nextlu(), 16);
  close_unit(14);
  close_unit(15);
  EXPECT_EQ(nextlu(), 17);
}

TEST_F(UnitsTest, ThirtySevenNumbersEndingAt50) {
  Unit last = 0;
  for (int i = 0; i < 37; ++i) last = nextlu();
  EXPECT_EQ(last, 50);
}

TEST_F(UnitsTest, ThirtyEighthCallEndsTheRunWithTheTextOnTheConsole) {
  // No message file arranged: the report needs a unit for "_error.msg" and
  // there is none; the text still reaches the console, no endless recursion.
  EXPECT_EXIT(
      {
        console_to_stderr();
        for (int i = 0; i < 38; ++i) nextlu();
      },
      ::testing::ExitedWithCode(1), "Fatal err in nextlu\\(\\), no unit available");
}

TEST_F(UnitsTest, FatalTextGoesToErrorFileOnceItsUnitExists) {
  // An earlier message took a unit for "_error.msg"; the fatal report then
  // reaches console and file.
  mesag("first", 1);
  EXPECT_EXIT(
      {
        console_to_stderr();
        for (int i = 0; i < 38; ++i) nextlu();
      },
      ::testing::ExitedWithCode(1), "^Fatal err in nextlu\\(\\), no unit available\n$");
  const std::string file = read_file("_error.msg");
  EXPECT_NE(file.find("\r\nfirst\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("added to existing file on: 12/07/26 at 14:05:09\r\n"
                      "Fatal err in nextlu(), no unit available\r\n"),
            std::string::npos)
      << file;
}

TEST_F(UnitsTest, FatalTextGoesToTheMessageFile) {
  const Unit log = nextlu();
  mesag("Initialize", -log);
  ASSERT_EQ(connect_unit(log, "run.log", UnitMode::kOutput), 0);
  EXPECT_EXIT(
      {
        console_to_stderr();
        for (int i = 0; i < 37; ++i) nextlu();
      },
      ::testing::ExitedWithCode(1), "^Fatal err in nextlu\\(\\), no unit available\n$");
  EXPECT_EQ(read_file("run.log"), "Fatal err in nextlu(), no unit available\r\n");
}

TEST_F(UnitsTest, RegistryKnowsNamesAndModes) {
  EXPECT_FALSE(unit_connected(20));
  EXPECT_FALSE(file_connected("data.txt"));
  ASSERT_EQ(connect_unit(20, "data.txt   ", UnitMode::kOutput), 0);
  EXPECT_TRUE(unit_connected(20));
  EXPECT_TRUE(file_connected("data.txt"));
  EXPECT_TRUE(file_connected("data.txt  "));
  EXPECT_FALSE(file_connected("Data.txt"));
  EXPECT_EQ(unit_file_name(20), "data.txt");
  // A connected unit is not connected a second time.
  EXPECT_EQ(connect_unit(20, "other.txt", UnitMode::kOutput), 1);
  EXPECT_EQ(unit_file_name(20), "data.txt");

  write_text(20, "line");
  EXPECT_EQ(close_unit(20), 0);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_FALSE(file_connected("data.txt"));
  EXPECT_EQ(unit_file_name(20), "");
  EXPECT_EQ(read_file("data.txt"), "line\r\n");
  // Releasing a unit that is not connected does nothing.
  EXPECT_EQ(close_unit(20), 0);
  EXPECT_EQ(close_unit(-1), 0);
}

TEST_F(UnitsTest, ConnectRefusesMissingInputConsoleAndOutOfRange) {
  EXPECT_EQ(connect_unit(20, "missing.txt", UnitMode::kInput), platform::kNotFound);
  EXPECT_FALSE(unit_connected(20));
  EXPECT_EQ(connect_unit(kConsole, "x.txt", UnitMode::kOutput), 1);
  EXPECT_EQ(connect_unit(-1, "x.txt", UnitMode::kOutput), 1);
  EXPECT_EQ(connect_unit(kMaxUnit + 1, "x.txt", UnitMode::kOutput), 1);
  EXPECT_FALSE(unit_connected(-1));
  EXPECT_FALSE(unit_connected(kMaxUnit + 1));
}

TEST_F(UnitsTest, AppendKeepsEarlierLinesAndScratchHasNoName) {
  ASSERT_EQ(connect_unit(20, "log.txt", UnitMode::kOutput), 0);
  write_text(20, "one");
  close_unit(20);
  ASSERT_EQ(connect_unit(20, "log.txt", UnitMode::kAppend), 0);
  write_text(20, "two");
  close_unit(20);
  EXPECT_EQ(read_file("log.txt"), "one\r\ntwo\r\n");

  ASSERT_EQ(connect_unit(21, "", UnitMode::kScratch), 0);
  EXPECT_TRUE(unit_connected(21));
  EXPECT_EQ(unit_file_name(21), "");
  EXPECT_FALSE(file_connected(""));
}

}  // namespace
}  // namespace sunder
