// The error-count limiter: print and abort limits, initialisation texts,
// queries and the caller-name suffix.
#include "lib/messages/nerrmsg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

using test::console_to_stderr;
using test::nl;

constexpr std::string_view kNotice50 =
    "(Reached max no. of error msgs to print ( 50); will stop printing them.)";

class NerrmsgTest : public test::LibraryTest {
 protected:
  NerrmsgTest() : LibraryTest("sunder_nerrmsg_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_test_clock();
    ASSERT_EQ(connect_unit(14, "run.log", UnitMode::kOutput), 0);
    mesag("Initialize", -14);
  }
  std::string log_text() {
    close_unit(14);
    return test::read_file("run.log");
  }
};

TEST_F(NerrmsgTest, DefaultPrintLimitPrints51ThenTheNotice) {
  for (int i = 1; i <= 60; ++i) EXPECT_EQ(nerrmsg("*err " + std::to_string(i), 1), i);
  const std::vector<std::string> lines = console_lines();
  ASSERT_EQ(lines.size(), 52u);
  EXPECT_EQ(lines[0], "*err 1");
  EXPECT_EQ(lines[50], "*err 51");
  EXPECT_EQ(lines[51], kNotice50);
  EXPECT_EQ(nerrmsg("x", 0), 60);
  EXPECT_EQ(nerrmsg("*", 0), 60);
  EXPECT_EQ(nerrmsg("#", 0), 0);
}

TEST_F(NerrmsgTest, DefaultAbortLimitEndsTheRunAtMessage101) {
  for (int i = 1; i <= 100; ++i) nerrmsg("err", 3);
  EXPECT_EQ(nerrmsg("q", 0), 100);
  EXPECT_EXIT(
      {
        console_to_stderr();
        nerrmsg("err 101", 1);
      },
      ::testing::ExitedWithCode(1), "^\\*nerrmsg: Max number errs exceeded; Terminate\n \n$");
  EXPECT_NE(log_text().find(
                "will stop printing them.)\r\n*nerrmsg: Max number errs exceeded; Terminate\r\n"),
            std::string::npos);
}

TEST_F(NerrmsgTest, FatalModeEndsTheRunAfterTheMessage) {
  EXPECT_EXIT(
      {
        console_to_stderr();
        nerrmsg("Stop:No chns given", 2);
      },
      ::testing::ExitedWithCode(1), "^Stop:No chns given\n\\*Terminating\\*\n \n$");
  // Beyond the print limit a fatal message is still printed.
  for (int i = 1; i <= 60; ++i) nerrmsg("err", 1);
  EXPECT_EXIT(
      {
        console_to_stderr();
        nerrmsg("*fatal late", 2);
      },
      ::testing::ExitedWithCode(1), "^\\*fatal late\n\\*Terminating\\*\n \n$");
}

TEST_F(NerrmsgTest, LeadingSlashGivesALineOfOneBlank) {
  nerrmsg("/*Bad day", 1);
  EXPECT_EQ(console_, nl(" ") + nl("*Bad day"));
  EXPECT_EQ(log_text(), " \r\n*Bad day\r\n");
}

TEST_F(NerrmsgTest, QueriesCountStarsAndHashes) {
  nerrmsg("*one", 1);
  nerrmsg(" #two", 1);
  nerrmsg("ab*", 1);
  nerrmsg("abc*#", 1);
  nerrmsg("#", 1);
  EXPECT_EQ(nerrmsg("x", 0), 5);
  EXPECT_EQ(nerrmsg("*", 0), 2);
  EXPECT_EQ(nerrmsg("#", 0), 2);
  EXPECT_EQ(nerrmsg("", 0), 5);
  // An initialisation resets the message and hash counts, not the stars.
  EXPECT_EQ(nerrmsg("/till 5/Abort at 9", -1), 0);
  EXPECT_EQ(nerrmsg("x", 0), 0);
  EXPECT_EQ(nerrmsg("#", 0), 0);
  EXPECT_EQ(nerrmsg("*", 0), 2);
}

TEST_F(NerrmsgTest, CallerNameAndLimitsFromTheText) {
  EXPECT_EQ(nerrmsg("get_filenames/Print till 25/Abort at 60", -1), 0);
  EXPECT_EQ(console_, "");
  for (int i = 1; i <= 30; ++i) nerrmsg("*No files", 1);
  const std::vector<std::string> lines = console_lines();
  ASSERT_EQ(lines.size(), 27u);
  EXPECT_EQ(lines[0], "*No files (get_filenames)");
  EXPECT_EQ(lines[26], "(Reached max no. of error msgs to print ( 25); will stop printing them.)");
  for (int i = 31; i <= 60; ++i) nerrmsg("*No files", 1);
  EXPECT_EXIT(
      {
        console_to_stderr();
        nerrmsg("*No files", 1);
      },
      ::testing::ExitedWithCode(1), "^\\*nerrmsg: Max number errs exceeded; Terminate\n \n$");
}

TEST_F(NerrmsgTest, LongNamesAndLongTextsAreCut) {
  nerrmsg("a_very_long_routine_name/till 5/Abort at 9", -1);
  nerrmsg("msg", 1);
  EXPECT_EQ(console_, nl("msg (a_very_long_routin"));
  console_.clear();
  nerrmsg("abcdefghijklmnopq/till 5/Abort at 9", -1);
  const std::string text(130, 't');
  nerrmsg(text, 1);
  EXPECT_EQ(console_, nl(std::string(79, 't')));
  const std::string log = log_text();
  EXPECT_NE(log.find(std::string(99, 't') + " (abcdefghijklmnopq)\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find(std::string(100, 't')), std::string::npos);
}

TEST_F(NerrmsgTest, LimitFieldsWithoutTillAndWithDecimals) {
  // Without "till" the print limit starts at the fourth character after the slash.
  nerrmsg("/Max 2/Abort at 3", -1);
  for (int i = 0; i < 3; ++i) nerrmsg("e", 1);
  EXPECT_EQ(console_,
            nl("e") + nl("e") + nl("e") +
                nl("(Reached max no. of error msgs to print (  2); will stop printing them.)"));
  EXPECT_EXIT(
      {
        console_to_stderr();
        nerrmsg("e", 1);
      },
      ::testing::ExitedWithCode(1), "^\\*nerrmsg: Max number errs exceeded; Terminate\n \n$");
  // Reals rounded to the nearest whole number, halves away from zero.
  nerrmsg("x/print till 1.5/Abort at 2.5", -2);
  EXPECT_EQ(console_.substr(console_.rfind(" >>")),
            nl(" >>In nerrmsg: nPrint,nAbort=           2           3"));
}

TEST_F(NerrmsgTest, AbortNeverLastsForTheRun) {
  nerrmsg("/till 1/Abort Never", -1);
  for (int i = 1; i <= 150; ++i) EXPECT_EQ(nerrmsg("e", 1), i);
  // A later abort limit does not switch the abort back on.
  nerrmsg("/till 1/Abort at 2", -2);
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(nerrmsg("e", 1), i);
}

TEST_F(NerrmsgTest, MalformedTextsGiveTheDefaults) {
  for (const char* bad :
       {"no slash at all", "name//Abort at 5", "n/till /Abort at 5", "n/till 5/Abort at",
        "n/till x5/Abort at 7", "n/till 5/Abort at q", "n/till 5e30/Abort at 5"}) {
    console_.clear();
    EXPECT_EQ(nerrmsg(bad, -1), 0);
    EXPECT_EQ(console_, nl(bad)) << bad;
  }
  const std::string log = log_text();
  EXPECT_EQ(log.find("*Error initializing \"nerrmsg\"; use 50,100\r\nno slash at all\r\n"), 0u)
      << log;
  // Defaults in force: 51 printed.
  console_.clear();
  for (int i = 0; i < 52; ++i) nerrmsg("e", 1);
  EXPECT_EQ(console_lines().size(), 52u);
  EXPECT_EQ(console_lines().back(), kNotice50);
}

TEST_F(NerrmsgTest, SilentModeCountsOnce) {
  EXPECT_EQ(nerrmsg("*quiet", 4), 1);
  EXPECT_EQ(nerrmsg("*quiet", 4), 2);
  EXPECT_EQ(console_, "");
  EXPECT_EQ(nerrmsg("*loud", 1), 3);
  EXPECT_EQ(nerrmsg("*", 0), 3);
  EXPECT_EQ(console_, nl("*loud"));
}

}  // namespace
}  // namespace sunder
