// The command line end to end: usage screen, "where?", the trace setting,
// channel arguments and their refusals, and the command-line echo.
#include <gtest/gtest.h>

#include <regex>

#include "tests/app/tool_runner.h"

namespace {

using namespace apptest;

std::string two_records() { return record(2, 33) + record(2, 45); }

TEST(Usage, NoArgumentShowsTheScreenAndKeepsTheMarker) {
  ScratchDir d;
  RunResult r = run_tool(d.path, {});
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 11u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], " USE: sunder filename {chaniii chanjjj ...} {ktest=n}");
  EXPECT_EQ(lines[3],
            "        named by the station-channel number, like \"chan033.v2\".  Default is to");
  EXPECT_EQ(lines[5], " ");
  EXPECT_EQ(lines[7], std::string(40, ' ') + "example, to split all Vi files in the");
  EXPECT_EQ(lines[9], std::string(40, ' ') + "station is found in the directory).");
  EXPECT_EQ(lines[10], std::string(69, ' ') + "v2.5, 3/15");
  EXPECT_TRUE(d.has("SplitWas.bad"));
  EXPECT_FALSE(d.has("Sunder.log"));
}

TEST(Where, AnswersTheFullPathLeavesAnEmptyLogAndEndsWithZero) {
  ScratchDir d;
  RunResult r = run_tool(d.path, {"where?"}, "sunder");
  EXPECT_EQ(r.status, 0);
  const std::string full = fs::canonical(SUNDER_EXE).string();
  EXPECT_TRUE(contains(r.out, "\n Executable location:  " + full + "\n")) << r.out;
  ASSERT_TRUE(d.has("Sunder.log"));
  EXPECT_EQ(fs::file_size(d / "Sunder.log"), 0u);
  EXPECT_TRUE(d.has("SplitWas.bad"));
}

TEST(Refusals, MissingFileStopsWithStatusOneInConsoleAndLog) {
  ScratchDir d;
  RunResult r = run_tool(d.path, {"nosuch.v2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, file not found: nosuch.v2\n*Terminating*\n")) << r.out;
  std::string log = read_file(d / "Sunder.log");
  EXPECT_TRUE(contains(log, "Stop, file not found: nosuch.v2\r\n*Terminating*\r\n")) << log;
  EXPECT_TRUE(d.has("SplitWas.bad"));
}

TEST(Refusals, NameIsTakenWholeNeverCut) {
  // A name cut to an old length would find the file beside it and split that.
  ScratchDir d;
  write_file(d / "station_a_20", two_records());
  RunResult r = run_tool(d.path, {"station_a_2024.v2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, file not found: station_a_2024.v2\n")) << r.out;
  EXPECT_FALSE(d.has("chan033.v2"));
}

TEST(TraceSetting, BadDigitStopsBeforeTheLogExists) {
  ScratchDir d;
  write_file(d / "vol.v2", two_records());
  RunResult r = run_tool(d.path, {"vol.v2", "ktest=x"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "ktest arg bad; stop")) << r.out;
  EXPECT_TRUE(contains(r.out, "*Terminating*"));
  EXPECT_FALSE(d.has("Sunder.log"));
  ASSERT_TRUE(d.has("_error.msg"));
  EXPECT_TRUE(contains(read_file(d / "_error.msg"), "ktest arg bad; stop"));
  EXPECT_FALSE(d.has("chan033.v2"));
}

TEST(TraceSetting, AloneItIsAlsoTakenAsTheFileName) {
  ScratchDir d;
  RunResult r = run_tool(d.path, {"ktest=1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, file not found: ktest=1\n")) << r.out;
  write_file(d / "ktest=1", two_records());
  r = run_tool(d.path, {"ktest=1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop:No chns given\n")) << r.out;
}

TEST(TraceSetting, AnyFiveCharactersBeforeTheEqualsSignAndOneDigitRead) {
  ScratchDir d;
  write_file(d / "vol.v2", two_records());
  RunResult r = run_tool(d.path, {"vol.v2", "abcde=3"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(contains(r.out, "iVol,StaChn=")) << r.out;  // traced
  fs::remove(d / "chan033.v2");
  fs::remove(d / "chan045.v2");
  r = run_tool(d.path, {"vol.v2", "ktest="});  // nothing behind: level 0
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(contains(r.out, "iVol,StaChn=")) << r.out;
  EXPECT_TRUE(d.has("chan045.v2"));
}

TEST(TraceSetting, NotLastItIsRefusedAsAChannel) {
  ScratchDir d;
  write_file(d / "vol.v2", two_records());
  RunResult r = run_tool(d.path, {"vol.v2", "ktest=1", "chan033"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, bad arg: ktest=1\n")) << r.out;
}

TEST(Channels, SpellingsOfChannel33AllSelectIt) {
  for (const char* arg : {"chan033", "CHAN033", "chan33", "chan0331", "Chan 33"}) {
    ScratchDir d;
    write_file(d / "vol.v2", two_records());
    RunResult r = run_tool(d.path, {"vol.v2", arg});
    EXPECT_EQ(r.status, 0) << arg << r.out;
    EXPECT_TRUE(d.has("chan033.v2")) << arg;
    EXPECT_FALSE(d.has("chan045.v2")) << arg;
  }
}

TEST(Channels, BadArgumentsStopTheRun) {
  ScratchDir d;
  write_file(d / "vol.v2", two_records());
  RunResult r = run_tool(d.path, {"vol.v2", "all"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, bad arg: all\n")) << r.out;
  r = run_tool(d.path, {"vol.v2", "chan033", "chanx"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, bad chan nmbr:chanx\n")) << r.out;
  EXPECT_TRUE(contains(read_file(d / "Sunder.log"), "Stop, bad chan nmbr:chanx\r\n*Terminating*"));
  EXPECT_FALSE(d.has("chan033.v2"));  // refused before any splitting
}

TEST(Channels, TwentyAreAcceptedATwentyFirstStops) {
  ScratchDir d;
  write_file(d / "vol.v2", two_records());
  std::vector<std::string> args = {"vol.v2"};
  for (int i = 0; i < 20; ++i) args.push_back("chan" + std::to_string(100 + i));
  RunResult r = run_tool(d.path, args);
  EXPECT_EQ(r.status, 1) << r.out;  // channel 100 is not in the volume
  EXPECT_TRUE(contains(r.out, " *File searched, Station Channel100 not found*")) << r.out;
  args.push_back("chan200");
  r = run_tool(d.path, args);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, too many chans to split out\n")) << r.out;
}

TEST(Echo, BaseNameWithoutDirectoryOrExtensionAndTheVersionStamp) {
  ScratchDir d;
  write_file(d / "vol.v2", two_records());
  RunResult r = run_tool(d.path, {"vol.v2", "ktest=0"}, "./build/tools/sunder.exe");
  ASSERT_EQ(r.status, 0) << r.out;
  std::vector<std::string> log = lines_of(read_file(d / "Sunder.log"));
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "sunder vol.v2 ktest=0" + std::string(46, ' ') + "(v2.5, 3/15)");
  EXPECT_TRUE(std::regex_match(
      log[1], std::regex(std::string(56, ' ') + R"(Run: \d\d/\d\d/\d\d, \d\d:\d\d:\d\d)")))
      << log[1];
  std::vector<std::string> con = lines_of(r.out);
  EXPECT_EQ(con[0], log[0]);
  EXPECT_EQ(con[1], log[1]);
}

TEST(Echo, ArgumentsReachingColumn68AreCoveredByTheStamp) {
  ScratchDir d;
  write_file(d / "vol.v2", two_records());
  std::vector<std::string> args = {"vol.v2"};
  for (int i = 1; i <= 8; ++i) args.push_back("chan00" + std::to_string(i));
  RunResult r = run_tool(d.path, args, "sunder");
  ASSERT_EQ(r.status, 1) << r.out;  // channels 3 to 8 are not in the volume
  std::string expect = "sunder vol.v2";
  for (int i = 1; i <= 8; ++i) expect += " chan00" + std::to_string(i);
  ASSERT_EQ(expect.size(), 77u);
  expect = expect.substr(0, 67) + "(v2.5, 3/15)";
  EXPECT_EQ(lines_of(read_file(d / "Sunder.log"))[0], expect);
}

}  // namespace
