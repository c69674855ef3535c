// The run lock on Windows: LockFileEx on one byte far past the marker's end,
// so the marker's text stays readable to others.
#include <windows.h>

#include <string>

#include "lib/platform/file.h"
#include "lib/platform/run_lock.h"

namespace sunder::platform {
namespace {

HANDLE held = INVALID_HANDLE_VALUE;
std::string held_name;
// A marker removed by the run before stays "delete pending" until that run's
// handle is closed: opening it fails for that short while. Look again.
constexpr int kAttempts = 20;
constexpr DWORD kLockOffsetHigh = 0x40000000;

int os_error() {
  const DWORD e = GetLastError();
  return e != 0 ? static_cast<int>(e) : ERROR_GEN_FAILURE;
}

}  // namespace

int take_run_lock(std::string_view marker, std::string_view text) {
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  held = INVALID_HANDLE_VALUE;
  const std::string name(marker);
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kAttempts && h == INVALID_HANDLE_VALUE; ++attempt) {
    h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_ACCESS_DENIED) return os_error();
    if (h == INVALID_HANDLE_VALUE) Sleep(50);
  }
  if (h == INVALID_HANDLE_VALUE) return os_error();
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      info.nNumberOfLinks > 1) {
    CloseHandle(h);
    return kNotRegularFile;
  }
  OVERLAPPED where{};
  where.OffsetHigh = kLockOffsetHigh;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
    const DWORD error = GetLastError();
    CloseHandle(h);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? kLockHeld
                                                                      : static_cast<int>(error);
  }
  held = h;
  held_name = name;
  if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(h)) {
    return os_error();
  }
  return write_file(reinterpret_cast<FileHandle>(h), text.data(), text.size());
}

int release_run_lock() {
  if (held == INVALID_HANDLE_VALUE) return kFileOk;
  // Removed while still held: no other run can take the name in between.
  const int status = DeleteFileA(held_name.c_str()) ? kFileOk : os_error();
  CloseHandle(held);
  held = INVALID_HANDLE_VALUE;
  return status;
}

}  // namespace sunder::platform
