// The POSIX command processor: echo, del, dir /b /on, redirection, the shell
// for everything else, and the running executable's path.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <iterator>

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

class ProcessTest : public ::testing::Test {
 protected:
  static void touch(const std::string& name, const std::string& text = "x") {
    sunder::test::write_file(name, text);
  }
  static std::string contents(const std::string& name) { return sunder::test::read_file(name); }
  static std::set<std::string> files() { return sunder::test::names_in("."); }
  // The bare listing of a pattern, as written to a file (kept outside the
  // scratch directory, which the listing would show).
  std::string listing(const std::string& pattern) const {
    const std::string list = dir_.string() + ".list";
    run_command("dir /b /on " + pattern + " >" + list);
    std::string text = contents(list);
    fs::remove(list);
    return text;
  }
  // Runs the command with the standard error output caught in a file.
  std::int16_t run_catching_errors(const std::string& command, std::string& errors) const {
    const std::string file = dir_.string() + ".err";
    const int saved = ::dup(STDERR_FILENO);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
    const std::int16_t status = run_command(command);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    errors = contents(file);
    fs::remove(file);
    return status;
  }
  static std::string here(const std::string& name) {
    return fs::current_path().string() + "/" + name;
  }

  // A fresh scratch directory, the working directory while the test runs.
  sunder::test::ScratchDir scratch_{"sunder_process"};
  const fs::path& dir_ = scratch_.path();
};

TEST_F(ProcessTest, EchoWritesTextOrTheEchoStateWithCrLf) {
  EXPECT_EQ(run_command("echo Marker file. >SplitWas.bad "), 0);
  EXPECT_EQ(contents("SplitWas.bad"), "Marker file. \r\n");  // the blank before > stays
  EXPECT_EQ(run_command("echo >BatIsRdy "), 0);
  EXPECT_EQ(contents("BatIsRdy"), "ECHO is on.\r\n");
  EXPECT_EQ(run_command("ECHO >BatIsRdy"), 0);
  EXPECT_EQ(contents("BatIsRdy"), "ECHO is on.\r\n");
  EXPECT_EQ(run_command("echo    >BatIsRdy"), 0);  // blanks only: no text either
  EXPECT_EQ(contents("BatIsRdy"), "ECHO is on.\r\n");
  // Only the one separator after "echo" goes.
  EXPECT_EQ(run_command("echo  two  blanks  >f"), 0);
  EXPECT_EQ(contents("f"), " two  blanks  \r\n");
  EXPECT_EQ(run_command("echo one>out.txt"), 0);
  EXPECT_EQ(run_command("echo two >>out.txt"), 0);
  EXPECT_EQ(contents("out.txt"), "one\r\ntwo \r\n");
  EXPECT_EQ(run_command("echo a1>f"), 0);  // a 1 inside a word is text
  EXPECT_EQ(contents("f"), "a1\r\n");
  EXPECT_EQ(run_command("echo gone >nul"), 0);
  EXPECT_EQ(run_command("echo gone >NUL"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"SplitWas.bad", "BatIsRdy", "f", "out.txt"}));
}

TEST_F(ProcessTest, RedirectionTargets) {
  // A target that cannot be opened: the command does not run, status 0.
  std::string errors;
  EXPECT_EQ(run_catching_errors("echo x >", errors), 0);
  EXPECT_EQ(errors, "The system cannot find the path specified.\n");
  EXPECT_EQ(run_catching_errors("echo x >no/such/dir/f", errors), 0);
  EXPECT_EQ(errors, "The system cannot find the path specified.\n");
  EXPECT_EQ(run_catching_errors("dir /b >no/such/dir/f", errors), 0);
  EXPECT_EQ(errors, "The system cannot find the path specified.\n");
  EXPECT_TRUE(files().empty());
  // Each target is created in turn; the last one takes the output.
  EXPECT_EQ(run_command("echo x >a >b"), 0);
  EXPECT_EQ(contents("a"), "");
  EXPECT_EQ(contents("b"), "x  \r\n");
  // The error output goes its own way.
  EXPECT_EQ(run_command("del missing.txt 2>err.txt >out.txt"), 0);
  EXPECT_EQ(contents("err.txt"), "Could Not Find " + here("missing.txt") + "\r\n");
  EXPECT_EQ(contents("out.txt"), "");
  EXPECT_EQ(run_catching_errors("del missing.txt 2>nul", errors), 0);
  EXPECT_EQ(errors, "");
}

TEST_F(ProcessTest, DirListsBareNamesInNameOrderIgnoringCase) {
  touch("chan002.v2");
  touch("Chan001.V2");
  touch("chan010.v2");
  touch("abc.v1");
  touch("README");
  EXPECT_EQ(listing("*.v2"), "Chan001.V2\r\nchan002.v2\r\nchan010.v2\r\n");
  EXPECT_EQ(listing("CHAN00?.V2"), "Chan001.V2\r\nchan002.v2\r\n");
  EXPECT_EQ(listing("*.*"), "abc.v1\r\nChan001.V2\r\nchan002.v2\r\nchan010.v2\r\nREADME\r\n");
  EXPECT_EQ(listing(""), "abc.v1\r\nChan001.V2\r\nchan002.v2\r\nchan010.v2\r\nREADME\r\n");
  EXPECT_EQ(listing("*."), "README\r\n");
  EXPECT_EQ(listing("readme"), "README\r\n");
}

TEST_F(ProcessTest, NameOrderIsAWordOrder) {
  // Hyphens and apostrophes do not count, punctuation and blanks come
  // before digits, digits before letters; then fewer hyphens first, then
  // lower case first. The order cmd's dir /on gives these names:
  const char* const expected[] = {"_x", "~y", "a b", "a_b", "A1", "a10", "a2", "ab", "aB", "a-b"};
  for (auto it = std::rbegin(expected); it != std::rend(expected); ++it) touch(*it);
  std::string want;
  for (const char* n : expected) want.append(n).append("\r\n");
  EXPECT_EQ(listing("*"), want);

  for (const char* n : {"a'c", "ac", "a.c", "AC", "a-b-c"}) touch(n);
  EXPECT_EQ(listing("a*c"), "a.c\r\na-b-c\r\nac\r\nAC\r\na'c\r\n");
}

TEST_F(ProcessTest, DirListsDirectoriesToo) {
  touch("x.v2");
  fs::create_directory("sub.v2");
  fs::create_directory("Data");
  touch("Data/b.v2");
  touch("Data/A.v2");
  EXPECT_EQ(listing("*.v2"), "sub.v2\r\nx.v2\r\n");
  EXPECT_EQ(listing("/a-d *.v2"), "x.v2\r\n");
  EXPECT_EQ(listing("*"), "Data\r\nsub.v2\r\nx.v2\r\n");
  // A directory's name lists what is in it, also when its case differs.
  EXPECT_EQ(listing("Data"), "A.v2\r\nb.v2\r\n");
  EXPECT_EQ(listing("data"), "A.v2\r\nb.v2\r\n");
  EXPECT_EQ(listing("Data/"), "A.v2\r\nb.v2\r\n");
  EXPECT_EQ(listing("d*"), "Data\r\n");
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

TEST_F(ProcessTest, DirWithoutMatchFailsAndLeavesAnEmptyFile) {
  touch("a.txt");
  std::string errors;
  EXPECT_EQ(run_catching_errors("dir /b /on *.v2 >dir_fil$.14 ", errors), 1);
  EXPECT_EQ(errors, "File Not Found\n");
  ASSERT_TRUE(fs::exists("dir_fil$.14"));
  EXPECT_EQ(contents("dir_fil$.14"), "");
  EXPECT_EQ(run_catching_errors("dir /b no_such_dir/*.v2 >nul", errors), 1);
  EXPECT_EQ(errors, "The system cannot find the path specified.\n");
  EXPECT_EQ(run_catching_errors("dir /x *.v2 >nul", errors), 1);  // unknown switch
  EXPECT_EQ(errors, "Invalid switch - /x\n");
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
  // Nothing to find: said with the full path, and the status stays 0.
  std::string errors;
  EXPECT_EQ(run_catching_errors("del ./syscalls.log", errors), 0);
  EXPECT_EQ(errors, "Could Not Find " + here("syscalls.log") + "\n");
  EXPECT_EQ(files(), (std::set<std::string>{"keep.txt"}));
}

TEST_F(ProcessTest, DelNeverRemovesSeveralForOneName) {
  touch("Data.v2");
  touch("DATA.V2");
  std::string errors;
  EXPECT_EQ(run_catching_errors("del data.v2", errors), 0);
  EXPECT_EQ(errors, "Not deleted, several files match ignoring case: " + here("data.v2") + "\n");
  EXPECT_EQ(files(), (std::set<std::string>{"Data.v2", "DATA.V2"}));
}

TEST_F(ProcessTest, DelOfAPatternRemovesEveryMatchingFile) {
  for (const char* n : {"a.v2", "B.V2", "c.v1", "d"}) touch(n);
  fs::create_directory("e.v2");
  EXPECT_EQ(run_command("del *.V2"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"c.v1", "d", "e.v2"}));
  std::string errors;
  EXPECT_EQ(run_catching_errors("del *.v2", errors), 0);
  EXPECT_EQ(errors, "Could Not Find " + here("*.v2") + "\n");
  EXPECT_EQ(run_command("del /q *.*"), 0);
  EXPECT_EQ(files(), (std::set<std::string>{"e.v2"}));
  EXPECT_EQ(run_catching_errors("del", errors), 0);
  EXPECT_EQ(errors, "The syntax of the command is incorrect.\n");
  EXPECT_EQ(run_catching_errors("del /s x", errors), 1);  // not a switch of ours
  EXPECT_EQ(errors, "Invalid switch - /s\n");
}

TEST_F(ProcessTest, DelThatCannotRemoveSaysSo) {
  // A file of the process file system cannot be removed, not even by root.
  ASSERT_TRUE(fs::is_regular_file("/proc/version"));
  std::string errors;
  EXPECT_EQ(run_catching_errors("del /proc/version", errors), 0);
  EXPECT_EQ(errors, "/proc/version\nAccess is denied.\n");
  EXPECT_TRUE(fs::exists("/proc/version"));
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
