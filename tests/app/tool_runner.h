// End-to-end helpers for the app tests: a scratch directory, running the
// built tool in it, and writing small synthetic volumes. How a child process
// is started is the platform's (tool_runner_posix.h, tool_runner_win32.h);
// everything else here is the same everywhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "lib/platform/console.h"
#include "lib/platform/file.h"
#include "tests/support/library_fixture.h"

namespace apptest {

namespace fs = std::filesystem;

// How the tool is started in a test: its directory, argv[0] (as the tool
// sees it), where its standard output and error go (one file may take both),
// a limit on the size of each file it writes (0: none), whether it runs as
// an unprivileged user, and which of its standard descriptors it is started
// without (bit n: descriptor n closed; POSIX only). Its standard input is
// empty.
struct Launch {
  fs::path dir;
  std::vector<std::string> args;
  std::string program = SUNDER_EXE;
  fs::path outPath, errPath;
  long maxFileBytes = 0;
  bool asNobody = false;
  int closedStreams = 0;
};

}  // namespace apptest

// The platform's side, in namespace apptest:
//   int start_and_wait(const Launch&)  the tool's exit status; -1 when it did
//                                      not start or did not exit normally,
//                                      125 when it could not change user
//   (POSIX) pid_t start_tool(const Launch&), int wait_tool(pid, seconds):
//                                      the same in two steps, with a limit
//   bool is_superuser()                permissions do not keep us out
//   kFileSizeLimits                    maxFileBytes can be honoured
//   kFilePermissions                   fs::permissions can keep the owner out
//   int mount_small_disk(path, size) / unmount_disk(path): 0 or an errno
#ifdef _WIN32
#include "tests/app/tool_runner_win32.h"
#else
#include "tests/app/tool_runner_posix.h"
#endif

namespace apptest {

// A fresh directory under the system's temporary directory, removed afterwards.
struct ScratchDir : sunder::test::TempDir {
  ScratchDir() : TempDir("sunder_e2e_") {}
};

struct RunResult {
  int status = -1;  // exit status; -1 when the tool did not exit normally
  std::string out;  // standard output, console lines ending "\n"
  std::string err;  // standard error, the same
};

using sunder::test::read_file;
using sunder::test::write_file;

// Console text with the platform's line ends as "\n". Where the platform's
// end is CR LF, every LF must come with its CR.
inline std::string console_text(const std::string& raw) {
  const std::string_view end = sunder::platform::console_line_end();
  if (end == "\n") return raw;
  std::string text;
  text.reserve(raw.size());
  std::size_t bare = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw.compare(i, end.size(), end) == 0) {
      text += '\n';
      i += end.size() - 1;
    } else {
      if (raw[i] == '\n') ++bare;
      text += raw[i];
    }
  }
  EXPECT_EQ(bare, 0u) << "console lines without the platform's line end:\n" << raw;
  return text;
}

// Where a run's standard output and error go: without an outPath, files of
// its directory; with only an outPath, both there.
inline void route_output(Launch& l) {
  const bool shared = !l.outPath.empty() && (l.errPath.empty() || l.errPath == l.outPath);
  if (l.outPath.empty()) l.outPath = l.dir / ".stdout";
  if (l.errPath.empty()) l.errPath = shared ? l.outPath : l.dir / ".stderr";
}

// The outcome of a routed run that ended with the status: its console text,
// checked for sanitizer reports. The output files are removed.
inline RunResult collect_run(const Launch& l, int status) {
  const bool shared = l.errPath == l.outPath;
  RunResult r;
  r.status = status;
  r.out = console_text(read_file(l.outPath));
  if (!shared) r.err = console_text(read_file(l.errPath));
  std::error_code ec;
  fs::remove(l.outPath, ec);
  fs::remove(l.errPath, ec);
  for (const std::string* text : {&r.out, &r.err}) {
    EXPECT_FALSE(text->find("Sanitizer") != std::string::npos) << *text;
    EXPECT_FALSE(text->find("runtime error") != std::string::npos) << *text;
  }
  return r;
}

// Runs the tool as launched (output routed as above) and waits for its end.
// A sanitizer build reports on the standard error.
inline RunResult run_launch(Launch l) {
  route_output(l);
  return collect_run(l, start_and_wait(l));
}

#ifndef _WIN32
// A run started without waiting for it, for a test that acts on the folder
// (or on the process) while the tool works. finish() collects it like
// run_launch; one still at work then is killed and fails the test. No run
// outlives the object.
class Background {
 public:
  explicit Background(Launch l) : launch_(std::move(l)) {
    route_output(launch_);
    pid_ = start_tool(launch_);
    EXPECT_GT(pid_, 0) << "the tool did not start";
  }
  ~Background() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      wait_tool(pid_, -1);
    }
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  // Still at work (a look, no wait).
  bool running() {
    if (ended_ || pid_ <= 0) return false;
    const int status = wait_tool(pid_, 0);
    if (status == kStillRunning) return true;
    ended_ = true;
    status_ = status;
    return false;
  }
  // Sends the signal while the tool is still at work; false when it has ended.
  bool signal(int sig) { return running() && ::kill(pid_, sig) == 0; }
  // Waits at most the seconds for the end.
  RunResult finish(double seconds = 10) {
    if (running()) {
      status_ = wait_tool(pid_, seconds);
      if (status_ == kStillRunning) {
        ADD_FAILURE() << "the tool was still at work after " << seconds << " s; killed";
        ::kill(pid_, SIGKILL);
        wait_tool(pid_, -1);
        status_ = -1;
      }
      ended_ = true;
    }
    return collect_run(launch_, status_);
  }

 private:
  Launch launch_;
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = -1;
};

// Looks for the file every millisecond until it is there (true) or the run
// has ended or the seconds have passed (false).
inline bool appears(const fs::path& file, Background& run, double seconds = 10) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    std::error_code ec;
    if (fs::exists(file, ec)) return true;
    if (!run.running() || std::chrono::steady_clock::now() >= deadline) return false;
    ::usleep(1000);
  }
}
#endif

// Runs the tool in dir with the arguments (no shell: patterns reach the tool
// as typed); program is argv[0]. A positive maxFileBytes limits the size of
// every file the tool writes (writes past it fail), to stand for a full disk
// (only where kFileSizeLimits holds).
inline RunResult run_tool(const fs::path& dir, const std::vector<std::string>& args,
                          const std::string& program = SUNDER_EXE, long maxFileBytes = 0) {
  Launch l;
  l.dir = dir;
  l.args = args;
  l.program = program;
  l.maxFileBytes = maxFileBytes;
  return run_launch(l);
}

// Name -> contents and modification time (nanoseconds) of every file of the
// directory (directories are listed with empty contents).
struct Entry {
  std::string bytes;
  long long mtimeNs = 0;
  bool isDirectory = false;
  bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;

inline Snapshot snapshot(const fs::path& dir) {
  Snapshot s;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name == ".stdout" || name == ".stderr") continue;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(e.path(), ec);
    const auto written = fs::last_write_time(e.path(), ec);
    if (ec) continue;
    Entry entry;
    entry.mtimeNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(written.time_since_epoch()).count();
    entry.isDirectory = fs::is_directory(st);
    if (fs::is_regular_file(st) && (st.permissions() & fs::perms::owner_read) != fs::perms::none)
      entry.bytes = read_file(e.path());
    s[name] = entry;
  }
  return s;
}

// Runs the tool in dir as the unprivileged user "nobody" (status 125 when
// the switch of user failed: callers skip then).
inline RunResult run_as_nobody(const fs::path& dir, const std::vector<std::string>& args) {
  Launch l;
  l.dir = dir;
  l.args = args;
  l.asNobody = true;
  return run_launch(l);
}

using sunder::test::names_ignore_case;

// Lines of a text, split at LF with a CR before it dropped.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string::npos) lf = text.size();
    std::string line = text.substr(start, lf - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = lf + 1;
  }
  return lines;
}

inline bool contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

// ---- synthetic volumes ---------------------------------------------------

inline std::string pad80(std::string s) {
  s.resize(80, ' ');
  return s;
}

// Header line 1 of a stage 0..3.
inline std::string stage_line(int stage) {
  static const char* words[] = {"Raw acceleration data", "Uncorrected acceleration data",
                                "Corrected acceleration data", "Response spectra data"};
  return pad80(words[stage]);
}

// The header line holding the station-channel number of a stage (1-based).
inline int station_line_index(int stage) {
  static const int index[] = {8, 7, 8, 9};
  return index[stage];
}

// A line with the text c6_7 in columns 6-7 and c28_30 in columns 28-30.
inline std::string station_fields(const std::string& c6_7, const std::string& c28_30) {
  std::string s = pad80("Chan");
  s.replace(5, 2, c6_7.substr(0, 2));
  s.replace(8, 17, "station-channel  ");
  s.replace(27, 3, c28_30.substr(0, 3));
  return s;
}

inline std::string station_line(int chn2, int stachn) {
  char a[16], b[16];
  std::snprintf(a, sizeof a, "%2d", chn2 % 100);
  std::snprintf(b, sizeof b, "%3d", stachn);
  return station_fields(a, b);
}

// The ten header lines of a record (line 1 and the station line set).
inline std::vector<std::string> header_lines(int stage, const std::string& staLine) {
  std::vector<std::string> h;
  h.push_back(stage_line(stage));
  for (int i = 2; i <= 10; ++i) h.push_back(pad80("Header line " + std::to_string(i)));
  h[station_line_index(stage) - 1] = staLine;
  return h;
}

// A numeric 80-column body line.
inline std::string data_line(int k) {
  std::string s;
  char v[16];
  for (int i = 0; i < 8; ++i) {
    std::snprintf(v, sizeof v, "%10.4f", (k * 8 + i) * 0.125 - 50.0);
    s += v;
  }
  return s;
}

inline std::string join_crlf(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

// A whole record: header, n numeric body lines, the "/&" flag line.
inline std::string record(int stage, int stachn, int nbody = 3, int chn2 = 1) {
  std::vector<std::string> lines = header_lines(stage, station_line(chn2, stachn));
  for (int k = 0; k < nbody; ++k) lines.push_back(data_line(k));
  lines.push_back("/&");
  return join_crlf(lines);
}

inline void set_mtime(const fs::path& p, long long seconds) {
  EXPECT_EQ(sunder::platform::set_file_mtime(p.string(), seconds), 0) << p.string();
}

inline long long mtime_of(const fs::path& p) {
  std::int64_t seconds = 0;
  if (sunder::platform::file_mtime(p.string(), seconds) != 0) return -1;
  return seconds;
}

}  // namespace apptest
