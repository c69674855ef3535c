// The Windows side of the end-to-end helpers: running the built tool in a
// directory with CreateProcessA, its standard output and error in files, and
// setting a file's modification time. Same names and results as the POSIX
// helpers in tool_runner.h.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lib/platform/file.h"

namespace apptest {

// One argument quoted the way the C runtime splits a command line again.
inline void append_quoted(std::string& line, const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
    line += arg;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') line.append(backslashes * 2 + 1, '\\');
    else line.append(backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

struct RunResultWin32 {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool in dir with the arguments; program is argv[0] as the tool
// sees it. A file-size limit (the POSIX helper's maxFileBytes) has no
// counterpart here: callers skip those cases on Windows.
inline RunResultWin32 run_tool_win32(const std::filesystem::path& dir, const std::vector<std::string>& args,
                                     const std::string& program, const std::string& exe) {
  RunResultWin32 r;
  const std::string outPath = (dir / ".stdout").string();
  const std::string errPath = (dir / ".stderr").string();
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                          nullptr);
  HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string line;
  append_quoted(line, program);
  for (const std::string& a : args) {
    line += ' ';
    append_quoted(line, a);
  }
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION child{};
  const std::string cwd = dir.string();
  if (CreateProcessA(exe.c_str(), writable.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(), &startup,
                     &child)) {
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(child.hProcess, &code)) r.status = static_cast<int>(code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  } else {
    ADD_FAILURE() << "CreateProcessA failed for " << exe << ": " << GetLastError();
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  auto slurp = [](const std::string& p) {
    std::string text;
    sunder::platform::FileHandle h = sunder::platform::kNoFile;
    if (sunder::platform::open_file(p, sunder::platform::Access::kRead, h) != 0) return text;
    char buffer[4096];
    std::int64_t got = 0;
    while ((got = sunder::platform::read_file(h, buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<std::size_t>(got));
    sunder::platform::close_file(h);
    return text;
  };
  r.out = slurp(outPath);
  r.err = slurp(errPath);
  DeleteFileA(outPath.c_str());
  DeleteFileA(errPath.c_str());
  return r;
}

inline void set_mtime_win32(const std::filesystem::path& p, long long seconds) {
  sunder::platform::set_file_mtime(p.string(), seconds);
}

}  // namespace apptest
