// End-to-end helpers for the app tests: a scratch directory, running the
// built tool in it, and writing small synthetic volumes.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace apptest {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary directory, removed afterwards.
struct ScratchDir {
  fs::path path;
  ScratchDir() {
    std::string tmpl = (fs::temp_directory_path() / "sunder_e2e.XXXXXX").string();
    path = ::mkdtemp(tmpl.data());
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  fs::path operator/(const std::string& name) const { return path / name; }
  bool has(const std::string& name) const { return fs::exists(path / name); }
};

struct RunResult {
  int status = -1;  // exit status; -1 when the tool did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

inline std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void write_file(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Runs the tool in dir with the arguments (no shell: patterns reach the tool
// as typed); program is argv[0]. A positive maxFileBytes limits the size of
// every file the tool writes (writes past it fail), to stand for a full disk.
inline RunResult run_tool(const fs::path& dir, const std::vector<std::string>& args,
                          const std::string& program = SUNDER_EXE, long maxFileBytes = 0) {
  const std::string outPath = (dir / ".stdout").string();
  const std::string errPath = (dir / ".stderr").string();
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    if (maxFileBytes > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      struct rlimit lim {};
      lim.rlim_cur = lim.rlim_max = static_cast<rlim_t>(maxFileBytes);
      ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(SUNDER_EXE, argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  RunResult r;
  if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
  r.out = read_file(outPath);
  r.err = read_file(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  // A sanitizer build reports on the standard error.
  EXPECT_FALSE(r.err.find("Sanitizer") != std::string::npos) << r.err;
  EXPECT_FALSE(r.err.find("runtime error") != std::string::npos) << r.err;
  return r;
}

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
  char a[8], b[8];
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
  struct timespec times[2];
  times[0].tv_sec = seconds;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  ::utimensat(AT_FDCWD, p.c_str(), times, 0);
}

inline long long mtime_of(const fs::path& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return -1;
  return st.st_mtime;
}

}  // namespace apptest
