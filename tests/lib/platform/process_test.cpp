// The POSIX command processor: echo, del, dir /b /on, redirection, the shell
// for everything else, and the running executable's path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "lib/platform/process.h"

namespace fs = std::filesystem;
using sunder::platform::run_command;

namespace {

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "sunder_process_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(home_);
    fs::remove_all(dir_);
  }
  static void touch(const std::string& name, const std::string& text = "x") {
    std::ofstream(name, std::ios::binary) << text;
  }
  static std::string contents(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::set<std::string> files() {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) names.insert(e.path().filename().string());
    return names;
  }
  // The bare listing of a pattern, as written to a file (kept in a
  // directory of its own, which the listing leaves out).
  static std::string listing(const std::string& pattern) {
    fs::create_directory("out");
    run_command("dir /b /on " + pattern + " >out/list.out");
    std::string text = contents("out/list.out");
    fs::remove_all("out");
    return text;
  }

  fs::path home_;
  fs::path dir_;
};

TEST_F(ProcessTest, EchoWritesTextOrTheEchoStateWithCrLf) {
  EXPECT_EQ(run_command("echo Marker file. >SplitWas.bad "), 0);
  EXPECT_EQ(contents("SplitWas.bad"), "Marker file. \r\n");  // the blank before > stays
  EXPECT_EQ(run_command("echo >BatIsRdy "), 0);
  EXPECT_EQ(contents("BatIsRdy"), "ECHO is on.\r\n");
  EXPECT_EQ(run_command("ECHO >BatIsRdy"), 0);
  EXPECT_EQ(contents("BatIsRdy"), "ECHO is on.\r\n");
  EXPECT_EQ(run_command("echo one>out.txt"), 0);
  EXPECT_EQ(run_command("echo two >>out.txt"), 0);
  EXPECT_EQ(contents("out.txt"), "one\r\ntwo \r\n");
  EXPECT_EQ(run_command("echo gone >nul"), 0);
  EXPECT_EQ(run_command("echo gone >NUL"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"SplitWas.bad", "BatIsRdy", "out.txt"}));
}

TEST_F(ProcessTest, RedirectionFaults) {
  EXPECT_EQ(run_command("echo x >"), 1);
  EXPECT_EQ(run_command("echo x >a >b"), 1);
  EXPECT_EQ(run_command("echo x >no/such/dir/f"), 1);
  EXPECT_TRUE(files().empty());
}

TEST_F(ProcessTest, DirListsBareNamesInNameOrderIgnoringCase) {
  touch("chan002.v2");
  touch("Chan001.V2");
  touch("chan010.v2");
  touch("abc.v1");
  touch("README");
  fs::create_directory("sub.v2");  // directories are not listed
  EXPECT_EQ(listing("*.v2"), "Chan001.V2\r\nchan002.v2\r\nchan010.v2\r\n");
  EXPECT_EQ(listing("CHAN00?.V2"), "Chan001.V2\r\nchan002.v2\r\n");
  EXPECT_EQ(listing("*.*"), "abc.v1\r\nChan001.V2\r\nchan002.v2\r\nchan010.v2\r\nREADME\r\n");
  EXPECT_EQ(listing(""), "abc.v1\r\nChan001.V2\r\nchan002.v2\r\nchan010.v2\r\nREADME\r\n");
  EXPECT_EQ(listing("*."), "README\r\n");
  EXPECT_EQ(listing("readme"), "README\r\n");
}

TEST_F(ProcessTest, WindowsWildcardRules) {
  for (const char* n : {"a.b.v2", "x.v2", "x.v2x", "xv2", "chan1.v2", "chan001.v2", "chan0001.v2",
                        "chan", "chan.v1"})
    touch(n);
  // *.v2: the extension after the last dot is v2.
  EXPECT_EQ(listing("*.v2"), "a.b.v2\r\nchan0001.v2\r\nchan001.v2\r\nchan1.v2\r\nx.v2\r\n");
  // ? matches one character, or none before a dot or at the end.
  EXPECT_EQ(listing("chan???.v2"), "chan001.v2\r\nchan1.v2\r\n");
  EXPECT_EQ(listing("ch?n"), "chan\r\n");
  EXPECT_EQ(listing("chan?"), "chan\r\n");
  // name.* takes the name with any extension and without one.
  EXPECT_EQ(listing("chan.*"), "chan\r\nchan.v1\r\n");
  // A plain * spans dots.
  EXPECT_EQ(listing("*v2*"),
            "a.b.v2\r\nchan0001.v2\r\nchan001.v2\r\nchan1.v2\r\nx.v2\r\nx.v2x\r\nxv2\r\n");
}

TEST_F(ProcessTest, DirWithoutMatchLeavesAnEmptyFile) {
  touch("a.txt");
  EXPECT_EQ(run_command("dir /b /on *.v2 >dir_fil$.14 "), 1);
  ASSERT_TRUE(fs::exists("dir_fil$.14"));
  EXPECT_EQ(contents("dir_fil$.14"), "");
  EXPECT_EQ(run_command("dir /x *.v2 >nul"), 1);  // unknown switch
}

TEST_F(ProcessTest, DelOfANameTakesThatFileOrTheOneMatchingIgnoringCase) {
  touch("sysCalls.log");
  touch("SYSCALLS.LOG");
  touch("keep.txt");
  // The exact name wins; the user's upper-case file survives.
  EXPECT_EQ(run_command("del sysCalls.log "), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"SYSCALLS.LOG", "keep.txt"}));
  // No exact name: the one file matching ignoring case.
  EXPECT_EQ(run_command("del syscalls.log"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"keep.txt"}));
  // Nothing to find.
  EXPECT_EQ(run_command("del syscalls.log"), 1);
  EXPECT_EQ(files(), (std::set<std::string>{"keep.txt"}));
}

TEST_F(ProcessTest, DelNeverRemovesSeveralForOneName) {
  touch("Data.v2");
  touch("DATA.V2");
  EXPECT_EQ(run_command("del data.v2"), 1);
  EXPECT_EQ(files(), (std::set<std::string>{"Data.v2", "DATA.V2"}));
}

TEST_F(ProcessTest, DelOfAPatternRemovesEveryMatch) {
  for (const char* n : {"a.v2", "B.V2", "c.v1", "d"}) touch(n);
  fs::create_directory("e.v2");
  EXPECT_EQ(run_command("del *.V2"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"c.v1", "d", "e.v2"}));
  EXPECT_EQ(run_command("del *.v2"), 1);
  EXPECT_EQ(run_command("del /q *.*"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"e.v2"}));
  EXPECT_EQ(run_command("del"), 1);
  EXPECT_EQ(run_command("del /s x"), 1);
}

TEST_F(ProcessTest, DelAndDirWithADirectoryPart) {
  fs::create_directory("sub");
  touch("sub/Mesg2log.err");
  touch("sub/x.v2");
  EXPECT_EQ(listing("sub/*.*"), "Mesg2log.err\r\nx.v2\r\n");
  EXPECT_EQ(run_command("del sub/mesg2log.err"), 0);
  EXPECT_EQ(run_command("del \"sub/x.v2\""), 0);
  EXPECT_TRUE(fs::is_empty("sub"));
}

TEST_F(ProcessTest, OtherCommandsGoToTheShell) {
  EXPECT_EQ(run_command("exit 3   "), 3);
  EXPECT_EQ(run_command("printf 'a b' > shell.out"), 0);
  EXPECT_EQ(contents("shell.out"), "a b");  // the shell writes LF ends, no CR
  EXPECT_EQ(run_command("echo x | cat >piped.out"), 0);
  EXPECT_EQ(contents("piped.out"), "x\n");
  EXPECT_EQ(run_command("no_such_command_here_ 2>/dev/null"), 127);
  // A missing tool probed with its output redirected still leaves the file.
  EXPECT_NE(run_command("no_such_tool_ /? >probe.fd 2>/dev/null"), 0);
  EXPECT_TRUE(fs::exists("probe.fd"));
}

TEST(ExecutablePath, IsTheRunningTestProgram) {
  const std::string path = sunder::platform::executable_path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe"));
}

}  // namespace
