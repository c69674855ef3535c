#include "tests/support/library_fixture.h"

#include <unistd.h>  // getpid, also in the Windows C runtime's headers
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "lib/calendar/file_date.h"
#include "lib/calendar/local_time.h"
#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/console.h"
#include "lib/platform/seams.h"
#include "lib/platform/timezone_path.h"
#include "lib/shell/get_filenames.h"
#include "lib/shell/len_file.h"
#include "lib/shell/system_call.h"
#include "lib/text/streams.h"

namespace sunder::test {

namespace fs = std::filesystem;

namespace {

// The console of a death test's child, written out when the child ends.
std::string& child_console() {
  static std::string text;
  return text;
}

void dump_child_console() {
  const std::string text = without_cr(child_console());
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

// Takes the directory away even when a test left it without write permission.
void remove_tree(const fs::path& dir) {
  // A death test's child may be working in its parent's directory.
  if (dir.empty() || ::testing::internal::InDeathTestChild()) return;
  std::error_code ec;
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir, ec);
}

}  // namespace

namespace {

// The scratch directories made for the running test, one a line, in the
// environment: a death test's child started as a new process inherits it.
constexpr const char* kScratchDirsVariable = "SUNDER_TEST_SCRATCH_DIRS";

std::string current_test_name() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string();
}

// The parent's k-th directory of this test (k from 1), when this is a death
// test's child and the parent made that many.
fs::path parents_scratch_dir(unsigned k) {
  if (!::testing::internal::InDeathTestChild()) return {};
  const char* list = std::getenv(kScratchDirsVariable);
  if (list == nullptr) return {};
  std::string_view rest(list);
  for (unsigned i = 1; !rest.empty(); ++i) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    if (i == k) {
      fs::path p(std::string(rest.substr(0, end)));
      std::error_code ec;
      return fs::is_directory(p, ec) ? p : fs::path();
    }
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return {};
}

}  // namespace

fs::path make_scratch_dir(std::string_view stem) {
  static unsigned serial = 0;
  static std::string test;  // the test the directories below were made for
  static std::string made;
  static unsigned made_count = 0;
  if (const std::string now = current_test_name(); now != test) {
    test = now;
    made.clear();
    made_count = 0;
  }
  ++made_count;
  if (fs::path p = parents_scratch_dir(made_count); !p.empty()) return p;

  const std::string prefix = std::string(stem) + std::to_string(::getpid()) + "_";
  for (;;) {
    fs::path p = fs::temp_directory_path() / (prefix + std::to_string(++serial));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      if (!::testing::internal::InDeathTestChild()) {
        made += p.string() + "\n";
        ::setenv(kScratchDirsVariable, made.c_str(), 1);
      }
      return p;
    }
    if (ec) {
      ADD_FAILURE() << "no scratch directory " << p.string() << ": " << ec.message();
      return {};
    }
    // Left over from an earlier process of the same id: take the next number.
  }
}

TempDir::TempDir(std::string_view stem) : path(make_scratch_dir(stem)) {}

TempDir::~TempDir() { remove_tree(path); }

ScratchDir::ScratchDir(std::string_view stem) : home_(fs::current_path()), dir_(stem) {
  if (!dir_.path.empty()) fs::current_path(dir_.path);
}

// The old current directory comes back before the scratch one goes.
ScratchDir::~ScratchDir() { fs::current_path(home_); }

std::set<std::string> names_in(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(directory))
    names.insert(e.path().filename().string());
  return names;
}

void reset_library_state() { seams::reset_all(); }

std::string read_file(const fs::path& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path& name, std::string_view bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

std::string without_cr(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char ch : text) {
    if (ch != '\r') s += ch;
  }
  return s;
}

std::string on_console(std::string_view text) {
  const std::string_view end = platform::console_line_end();
  std::string s;
  s.reserve(text.size() + text.size() / 16);
  for (char ch : text) {
    if (ch == '\n')
      s += end;
    else
      s += ch;
  }
  return s;
}

bool names_ignore_case(const fs::path& dir) {
  const fs::path probe = dir / ".case_probe";
  std::ofstream(probe).put('x');
  std::error_code ec;
  const bool same = fs::exists(dir / ".CASE_PROBE", ec);
  fs::remove(probe, ec);
  return same;
}

double cpu_seconds() {
#ifdef _WIN32
  // The C runtime's clock() counts wall time here.
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  auto ticks = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;  // 100 ns ticks
#else
  struct rusage use {};
  ::getrusage(RUSAGE_SELF, &use);
  return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
         static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
#endif
}

namespace {

class InOrderMatcher : public ::testing::MatcherInterface<const std::string&> {
 public:
  explicit InOrderMatcher(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}
  bool MatchAndExplain(const std::string& text,
                       ::testing::MatchResultListener* listener) const override {
    std::size_t at = 0;
    for (const std::string& piece : pieces_) {
      const std::size_t found = text.find(piece, at);
      if (found == std::string::npos) {
        *listener << "no \"" << piece << "\" after offset " << at;
        return false;
      }
      at = found + piece.size();
    }
    return true;
  }
  void DescribeTo(std::ostream* os) const override {
    *os << "holds in this order:";
    for (const std::string& piece : pieces_) *os << " \"" << piece << "\"";
  }

 private:
  std::vector<std::string> pieces_;
};

}  // namespace

::testing::Matcher<const std::string&> has_in_order(std::vector<std::string> pieces) {
  return ::testing::MakeMatcher(new InOrderMatcher(std::move(pieces)));
}

std::string nl(std::string_view line) {
  return std::string(line) + std::string(platform::console_line_end());
}

std::vector<std::string> split_lines(std::string_view text, std::string_view end) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t e = text.find(end, at);
    if (e == std::string_view::npos) e = text.size();
    lines.emplace_back(text.substr(at, e - at));
    at = e + end.size();
  }
  return lines;
}

void set_clock(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  platform::ClockReading r;
  r.year = year, r.month = month, r.day = day;
  r.hour = hour, r.minute = minute, r.second = second, r.millisecond = millisecond;
  seams::set_clock(&r);
}

void console_to_stderr() {
  child_console().clear();
  seams::capture_console_output(&child_console());
  std::atexit(dump_child_console);
}

void LibraryTest::SetUp() {
  home_ = fs::current_path();
  dir_ = make_scratch_dir(stem_);
  ASSERT_FALSE(dir_.empty());
  fs::current_path(dir_);
  reset_library_state();
  seams::capture_console_output(&console_);
}

void LibraryTest::TearDown() {
  seams::capture_console_output(nullptr);
  seams::set_console_input(nullptr);
  seams::set_clock(nullptr);
  seams::set_timezone_file_path(nullptr);
  reset_library_state();
  fs::current_path(home_);
  remove_tree(dir_);
}

void LibraryTest::feed(const std::string& text) {
  input_ = text;
  seams::set_console_input(&input_);
}

void LibraryTest::designate_run_log() {
  std::int32_t lu = -30;
  mesag("Initialize", lu);
  ASSERT_EQ(connect_unit(30, "run.log", UnitMode::kOutput), 0);
}

void LibraryTest::attach_file(Unit unit, const std::string& path, platform::Access access,
                              bool read_only) {
  platform::FileHandle h = platform::kNoFile;
  ASSERT_EQ(platform::open_file(path, access, h), 0) << path;
  ASSERT_EQ(attach_stream(unit, h, read_only), 0) << unit;
}

void LibraryTest::use_test_clock() { seams::set_clock(&clock_); }

void LibraryTest::use_own_zone_file() {
  zone_file_ = (dir_ / "TimeZone.PC").string();
  seams::set_timezone_file_path(&zone_file_);
}

std::vector<std::string> LibraryTest::console_lines() const {
  return split_lines(console_, platform::console_line_end());
}

}  // namespace sunder::test
