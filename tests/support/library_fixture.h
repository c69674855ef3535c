// The common ground of the library tests: a scratch directory per test, the
// console captured and fed, the library's saved state reset, a fixed test
// clock, whole files read and written, console text split into lines.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lib/platform/clock.h"
#include "lib/platform/file.h"
#include "lib/text/streams.h"

namespace sunder::test {

// A fresh, empty directory under the system's temporary directory, named from
// the stem, the process id and a counter. In a death test's child that runs
// as a process of its own (Windows), the test's k-th call gives the k-th
// directory its parent made for that test, so that what the child writes is
// where the parent looks for it.
std::filesystem::path make_scratch_dir(std::string_view stem);

// A scratch directory (make_scratch_dir), removed with all it holds when the
// object goes.
struct TempDir {
  explicit TempDir(std::string_view stem);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
  bool has(const std::string& name) const { return std::filesystem::exists(path / name); }

  std::filesystem::path path;
};

// A scratch directory that is the current directory while the object lives;
// afterwards the old current directory is back and the scratch one is gone.
class ScratchDir {
 public:
  explicit ScratchDir(std::string_view stem);
  ~ScratchDir();
  const std::filesystem::path& path() const { return dir_.path; }

 private:
  std::filesystem::path home_;
  TempDir dir_;
};

// Every family's saved state as at the start of a process (every file closed).
void reset_library_state();

// The whole file as bytes ("" when it cannot be read), and a file of exactly these bytes.
std::string read_file(const std::filesystem::path& name);
void write_file(const std::filesystem::path& name, std::string_view bytes);
// The names of everything in the directory.
std::set<std::string> names_in(const std::filesystem::path& directory);

// The text with every CR taken out: console lines with "\n" ends whatever the platform's.
std::string without_cr(std::string_view text);
// The text as the console gets it: every "\n" the platform's console line end.
std::string on_console(std::string_view text);
// The line followed by the platform's console line end.
std::string nl(std::string_view line);
// The lines of the text, each without its end; a last line needs no end.
std::vector<std::string> split_lines(std::string_view text, std::string_view end);

// The clock most tests stand still at: 7 December 2026, 14:05:09.
inline constexpr platform::ClockReading kTestClock{2026, 12, 7, 14, 5, 9, 0};
// The test clock at that reading.
void set_clock(int year, int month, int day, int hour, int minute, int second, int millisecond = 0);

// True when the directory's file system takes names that differ only in
// letter case for the same file (as Windows does).
bool names_ignore_case(const std::filesystem::path& dir);

// The processor time the process has used so far, in seconds.
double cpu_seconds();

// For death tests: the output holds the pieces in this order, anything
// (line ends too) before, between and after them. Plain texts, no patterns:
// portable where the death tests' regular expressions are not.
::testing::Matcher<const std::string&> has_in_order(std::vector<std::string> pieces);

// In a death test's child: the console goes to the standard error when the
// process ends, with "\n" line ends, where the death test looks for it.
void console_to_stderr();

// Base of the library test fixtures: each test runs in a scratch directory of
// its own with the console captured in console_ and the library's state fresh.
// On the way out every test seam is restored and the directory removed.
class LibraryTest : public ::testing::Test {
 protected:
  explicit LibraryTest(std::string stem = "sunder_lib_") : stem_(std::move(stem)) {}
  void SetUp() override;
  void TearDown() override;

  // Console input for replies, kept alive by the fixture.
  void feed(const std::string& text);
  // The test clock at clock_.
  void use_test_clock();
  // "TimeZone.PC" in the scratch directory (missing until a test writes it)
  // as the machine's time-zone file.
  void use_own_zone_file();
  // The tool's start-up: its run log on unit 30 is mesag's message file.
  static void designate_run_log();
  // Opens the file as the platform's file layer does and puts it on the unit
  // (read_only: the unit may pass its lines on as ranges of the file).
  static void attach_file(Unit unit, const std::string& path, platform::Access access,
                          bool read_only = false);
  // The full name of a file in the scratch directory.
  std::string path(const char* name) const { return (dir_ / name).string(); }
  // The captured console without CRs.
  std::string con() const { return without_cr(console_); }
  // The captured console lines without their line ends.
  std::vector<std::string> console_lines() const;

  std::filesystem::path home_, dir_;
  std::string console_, input_, zone_file_;
  platform::ClockReading clock_ = kTestClock;

 private:
  std::string stem_;
};

}  // namespace sunder::test
