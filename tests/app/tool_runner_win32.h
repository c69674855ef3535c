// The Windows side of the end-to-end helpers (included by tool_runner.h):
// the tool started with CreateProcessA in its directory, the standard handles
// on files. Windows has no per-process file-size limit, no "nobody" and no
// small file system to mount; permission bits do not keep the owner out. The
// tests that need those skip here.
#pragma once

#include <windows.h>

#include <cerrno>
#include <string>
#include <vector>

namespace apptest {

inline constexpr bool kFileSizeLimits = false;
inline constexpr bool kFilePermissions = false;

inline bool is_superuser() { return false; }

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
    if (c == '"')
      line.append(backslashes * 2 + 1, '\\');
    else
      line.append(backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

inline int start_and_wait(const Launch& l) {
  if (l.asNobody) return 125;
  if (l.maxFileBytes > 0) {
    ADD_FAILURE() << "no file-size limit on Windows: the test should have skipped";
    return -1;
  }
  if (l.closedStreams != 0) {
    ADD_FAILURE() << "no closed standard handles on Windows: the test should have skipped";
    return -1;
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE in = CreateFileA("NUL", GENERIC_READ, share, &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE out = CreateFileA(l.outPath.string().c_str(), GENERIC_WRITE, share, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = l.errPath == l.outPath
                   ? out
                   : CreateFileA(l.errPath.string().c_str(), GENERIC_WRITE, share, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  int status = -1;
  if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE) {
    std::string line;
    append_quoted(line, l.program);
    for (const std::string& a : l.args) {
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
    const std::string cwd = l.dir.string();
    if (CreateProcessA(SUNDER_EXE, writable.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(),
                       &startup, &child)) {
      DWORD code = 0;
      if (WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 &&
          GetExitCodeProcess(child.hProcess, &code))
        status = static_cast<int>(code);
      CloseHandle(child.hThread);
      CloseHandle(child.hProcess);
    } else {
      ADD_FAILURE() << "CreateProcessA failed for " << SUNDER_EXE << ": " << GetLastError();
    }
  } else {
    ADD_FAILURE() << "cannot open the standard handles for the tool: " << GetLastError();
  }
  for (HANDLE h : {in, out, err == out ? INVALID_HANDLE_VALUE : err})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return status;
}

inline int mount_small_disk(const fs::path&, const char*) { return ENOSYS; }
inline int unmount_disk(const fs::path&) { return ENOSYS; }

}  // namespace apptest
