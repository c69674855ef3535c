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

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kPauseMs = 50;
// open_marker: the name is a file being removed; look again shortly.
constexpr int kTryAgain = -1;

// Opens (or makes) the marker as a regular file with one name.
int open_marker(const std::string& name, HANDLE& h) {
  h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_ACCESS_DENIED ? kTryAgain : os_error();
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      info.nNumberOfLinks > 1) {
    CloseHandle(h);
    return kNotRegularFile;
  }
  return kFileOk;
}

// Does the name still name the file behind h?
bool still_named(HANDLE h, const std::string& name) {
  const HANDLE again = CreateFileA(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (again == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  const bool same = GetFileInformationByHandle(h, &a) && GetFileInformationByHandle(again, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(again);
  return same;
}

}  // namespace

int take_run_lock(std::string_view marker, std::string_view text) {
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  held = INVALID_HANDLE_VALUE;
  const std::string name(marker);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    HANDLE h = INVALID_HANDLE_VALUE;
    const int opened = open_marker(name, h);
    if (opened == kTryAgain) {
      Sleep(kPauseMs);
      continue;
    }
    if (opened != kFileOk) return opened;
    OVERLAPPED where{};
    where.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
      const DWORD error = GetLastError();
      CloseHandle(h);
      return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? kLockHeld
                                                                        : static_cast<int>(error);
    }
    // The run before may have removed the file just before it let the lock
    // go: a lock on a file that no longer has the name is no lock.
    if (!still_named(h, name)) {
      CloseHandle(h);
      Sleep(kPauseMs);
      continue;
    }
    held = h;
    held_name = name;
    if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(h)) {
      return os_error();
    }
    return write_file(reinterpret_cast<FileHandle>(h), text.data(), text.size());
  }
  return kLockHeld;
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
