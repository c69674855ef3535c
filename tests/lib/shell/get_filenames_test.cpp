// get_filenames: the listing through the command processor, its filters and
// limits, the list file, refused patterns, and the CPU its pause takes.
#include "lib/shell/get_filenames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/process.h"
#include "lib/shell/system_call.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;
using sunder::test::console_to_stderr;
using sunder::test::read_file;

namespace {

void touch(const std::string& name) { std::ofstream(name) << "x\n"; }

std::set<std::string> files() {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(".")) names.insert(e.path().filename().string());
  return names;
}

// A runner that leaves a trace when any command reaches it.
std::int16_t tell_tale_runner(std::string_view) {
  touch("runner_was_called");
  return 0;
}

class GetFilenamesTest : public test::LibraryTest {
 protected:
  GetFilenamesTest() : LibraryTest("sunder_getfn_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    names_.assign(200, "untouched");
  }
  std::int32_t expand(std::string_view pattern, std::int32_t ktest,
                      platform::CommandRunner runner = platform::run_command) {
    std::int32_t nfiles = -7;
    EXPECT_EQ(get_filenames(pattern, names_, nfiles, 200, runner, ktest), 0);
    return nfiles;
  }

  std::vector<std::string> names_;
};

TEST_F(GetFilenamesTest, ListingFiltersLimitsAndTheReusedListUnit) {
  for (const char* n :
       {"chan002.v2", "chan001.v2", "Chan003.V2", "NULLDATA.V2", "XNULL.V2", "nullfile.v2",
        ".hidden.v2", "averyveryverylongname.v2", "abcdefghxNULx.v2", "        .v2", "other.v1"})
    touch(n);

  // Level 0: five names in name order, the rest of the array untouched, the
  // list file gone, one call-log line; the two-second pause costs no CPU.
  const double cpu_before = test::cpu_seconds();
  const auto wall_before = std::chrono::steady_clock::now();
  EXPECT_EQ(expand("*.v2                ", 0), 5);
  const double cpu = test::cpu_seconds() - cpu_before;
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_before;
  std::fprintf(stderr, "get_filenames call: %.3f s wall, %.4f s CPU\n", wall.count(), cpu);
  EXPECT_GE(wall.count(), 2.0);
  EXPECT_LT(cpu, 0.1);
  EXPECT_EQ(std::vector<std::string>(names_.begin(), names_.begin() + 6),
            (std::vector<std::string>{"averyveryverylongname.v2", "chan001.v2", "chan002.v2",
                                      "Chan003.V2", "nullfile.v2", "untouched"}));
  EXPECT_FALSE(fs::exists("dir_fil$.14"));
  const std::string log = read_file("sysCalls.log");
  EXPECT_NE(log.find(", dos:[dir /b /on *.v2 >dir_fil$.14]\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find('\n'), log.size() - 1);  // one line
  EXPECT_EQ(console_, "");

  // Second call, level 2: 199 names (one fewer than the array), a pattern of
  // 47 characters (counted, and listed all the same), the same list unit,
  // system_call not initialised again, the list file kept.
  for (int i = 0; i < 199; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d.v2", i);
    touch(name);
  }
  const std::string long_pattern = "f" + std::string(43, '*') + ".v2";
  ASSERT_EQ(long_pattern.size(), 47u);
  console_.clear();
  EXPECT_EQ(expand(long_pattern, 2), 199);
  EXPECT_EQ(names_[0], "f000.v2");
  EXPECT_EQ(names_[198], "f198.v2");
  EXPECT_EQ(names_[199], "untouched");
  EXPECT_GE(nerrmsg("x", 0), 1);  // the overlong pattern, counted silently
  EXPECT_TRUE(fs::exists("dir_fil$.14"));
  EXPECT_EQ(console_.find("initialized"), std::string::npos) << console_;
  EXPECT_NE(console_.find("  dosCmd: dir /b /on f****"), std::string::npos) << console_;
  EXPECT_NE(console_.find("DIR cmd ran, to file"), std::string::npos) << console_;
  EXPECT_NE(console_.find(" <Lv get_filenames, nfiles=**"), std::string::npos) << console_;
  const std::string both = read_file("sysCalls.log");
  EXPECT_EQ(std::count(both.begin(), both.end(), '\n'), 2);
}

TEST_F(GetFilenamesTest, NoMatchEndsTheRun) {
  touch("a.v1");
  EXPECT_EXIT(
      {
        console_to_stderr();
        expand("*.v2", 0);
      },
      ::testing::ExitedWithCode(1), "No files to join, stop\n\\*Terminating\\*");
}

TEST_F(GetFilenamesTest, TwoHundredNamesAreTooMany) {
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "g%03d.v2", i);
    touch(name);
  }
  EXPECT_EXIT(
      {
        console_to_stderr();
        expand("*.v2", 0);
      },
      ::testing::ExitedWithCode(1), "\\*Too many files match wildcard pattern in get_filenames");
}

TEST_F(GetFilenamesTest, PatternsThatReachTheCommandProcessorAreRefused) {
  touch("keep.v2");
  touch("keep.txt");
  const std::set<std::string> before = files();
  const char* patterns[] = {"*.v2&del *.*", "*.v2|rm -f keep.v2",
                            "*.v2>x",       "<x",
                            "a^b",          "\"*.v2",
                            "%PATH%",       "!x!",
                            "(x)",          "x;rm keep.v2",
                            "`rm keep.v2`", "a\tb",
                            "a\nb"};
  for (const char* p : patterns) {
    SCOPED_TRACE(p);
    EXPECT_EXIT(
        {
          console_to_stderr();
          std::int32_t nfiles = 0;
          get_filenames(p, names_, nfiles, 200, tell_tale_runner, 0);
        },
        ::testing::ExitedWithCode(1),
        test::has_in_order({"pattern refused: [", "*A pattern may not hold", "*Terminating*"}));
  }
  // No listing, no call log, no runner call: only the message file is new.
  std::set<std::string> after = files();
  EXPECT_EQ(after.erase("_error.msg"), 1u);
  EXPECT_EQ(after, before);
  EXPECT_NE(read_file("_error.msg").find("*get_filenames: pattern refused"), std::string::npos);
}

}  // namespace
