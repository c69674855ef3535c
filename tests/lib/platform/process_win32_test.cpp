// The command processor on Windows: cmd.exe /c from the system directory.
// These pin down the behaviour the library relies on (and that the POSIX
// stand-in copies): redirection, echo, dir /b /on, del.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "lib/platform/process.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using sunder::platform::run_command;

namespace {

class ProcessWin32Test : public ::testing::Test {
 protected:
  static void touch(const std::string& name) { sunder::test::write_file(name, "x"); }
  static std::string contents(const std::string& name) { return sunder::test::read_file(name); }
  static std::set<std::string> files() { return sunder::test::names_in("."); }
  // The bare listing of a pattern, written into a folder of its own.
  static std::string listing(const std::string& pattern) {
    fs::create_directory("out");
    run_command("dir /b /on " + pattern + " >out\\list.out");
    std::string text = contents("out\\list.out");
    fs::remove_all("out");
    return text;
  }

  // A fresh scratch directory, the working directory while the test runs.
  sunder::test::ScratchDir scratch_{"sunder_process"};
  const fs::path& dir_ = scratch_.path();
};

TEST_F(ProcessWin32Test, EchoKeepsTheBlankBeforeTheRedirection) {
  EXPECT_EQ(run_command("echo Marker file. >SplitWas.bad   "), 0);
  EXPECT_EQ(contents("SplitWas.bad"), "Marker file. \r\n");
  EXPECT_EQ(run_command("echo one>out.txt"), 0);
  EXPECT_EQ(run_command("echo two >>out.txt"), 0);
  EXPECT_EQ(contents("out.txt"), "one\r\ntwo \r\n");
  // A bare echo writes the echo state: one line, whatever its wording.
  EXPECT_EQ(run_command("echo >BatIsRdy "), 0);
  const std::string state = contents("BatIsRdy");
  ASSERT_GE(state.size(), 2u);
  EXPECT_EQ(state.substr(state.size() - 2), "\r\n");
  EXPECT_EQ(state.find('\n'), state.size() - 1);
}

TEST_F(ProcessWin32Test, ExitStatusAndFailureToStart) {
  EXPECT_EQ(run_command("exit 3   "), 3);
  EXPECT_EQ(run_command("exit 0"), 0);
  EXPECT_EQ(run_command("exit 70000"), static_cast<std::int16_t>(70000));
}

TEST_F(ProcessWin32Test, DirListsBareNamesInNameOrderIgnoringCase) {
  for (const char* n : {"chan002.v2", "Chan001.V2", "chan010.v2", "abc.v1", "a.b.v2"}) touch(n);
  EXPECT_EQ(listing("*.v2"), "a.b.v2\r\nChan001.V2\r\nchan002.v2\r\nchan010.v2\r\n");
  EXPECT_EQ(listing("CHAN00?.V2"), "Chan001.V2\r\nchan002.v2\r\n");
  EXPECT_EQ(listing("abc.v1"), "abc.v1\r\n");
}

TEST_F(ProcessWin32Test, DirWithoutMatchFailsAndLeavesAnEmptyFile) {
  touch("a.txt");
  EXPECT_EQ(run_command("dir /b /on *.v2 >dir_fil$.14 2>nul "), 1);
  ASSERT_TRUE(fs::exists("dir_fil$.14"));
  EXPECT_EQ(contents("dir_fil$.14"), "");
}

TEST_F(ProcessWin32Test, DelRemovesTheNamedFileIgnoringCase) {
  touch("Mesg2log.ERR");
  touch("keep.txt");
  EXPECT_EQ(run_command("del mesg2log.err "), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"keep.txt"}));
  // No match is reported on the error output, and the status stays 0.
  EXPECT_EQ(run_command("del mesg2log.err 2>nul"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"keep.txt"}));
}

TEST_F(ProcessWin32Test, DelOfAPatternRemovesEveryMatch) {
  for (const char* n : {"a.v2", "B.V2", "c.v1"}) touch(n);
  EXPECT_EQ(run_command("del *.V2"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"c.v1"}));
}

TEST(ExecutablePathWin32, IsTheRunningTestProgram) {
  const std::string path = sunder::platform::executable_path();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\");
  EXPECT_TRUE(fs::equivalent(path, fs::path(path)));
  EXPECT_EQ(fs::path(path).extension().string(), ".exe");
}

}  // namespace
