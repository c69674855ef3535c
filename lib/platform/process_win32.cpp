// The command processor on Windows: cmd.exe /c from the system directory,
// started with the handles inherited, waited for without a time limit.
#include <windows.h>

#include <string>
#include <vector>

#include "lib/platform/console.h"
#include "lib/platform/process.h"

namespace sunder::platform {

std::int16_t run_command(std::string_view command) {
  std::size_t used = command.size();
  while (used > 0 && command[used - 1] == ' ') --used;

  char system_dir[MAX_PATH + 1];
  UINT n = GetSystemDirectoryA(system_dir, sizeof system_dir);
  if (n == 0 || n >= sizeof system_dir) return -1;
  const std::string processor = std::string(system_dir, n) + "\\cmd.exe";
  std::string line = processor + " /c ";
  line.append(command.substr(0, used));
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');

  // The child writes to the same console: what we have buffered goes first.
  console_flush();

  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child;
  ZeroMemory(&child, sizeof child);
  if (!CreateProcessA(processor.c_str(), writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &child)) {
    return -1;
  }
  std::int16_t status = -1;
  if (WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (GetExitCodeProcess(child.hProcess, &code)) status = static_cast<std::int16_t>(code);
  }
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return status;
}

std::string executable_path() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= 32768) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace sunder::platform
