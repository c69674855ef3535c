// Files on Windows: CreateFileA handles, GetFileAttributesExA, SetFileTime,
// FindFirstFileA. Sizes and times are 64-bit throughout.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lib/platform/file.h"

namespace sunder::platform {
namespace {

// FILETIME counts 100 ns ticks from 1601-01-01; this many lie before 1970.
constexpr std::int64_t kTicksTo1970 = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

int error_status(DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kNotFound;
  return error != 0 ? static_cast<int>(error) : ERROR_GEN_FAILURE;
}

int last_error() { return error_status(GetLastError()); }

HANDLE as_handle(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// Others (the command processor's del, a second opening) may read, write
// and delete a file while we hold it, as on POSIX.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool attributes(std::string_view path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return GetFileAttributesExA(std::string(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

HANDLE open_temporary() {
  char dir[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof dir, dir);
  if (n == 0 || n > MAX_PATH) return INVALID_HANDLE_VALUE;
  char name[MAX_PATH + 1];
  if (GetTempFileNameA(dir, "snd", 0, name) == 0) return INVALID_HANDLE_VALUE;
  HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    DeleteFileA(name);
    SetLastError(error);
  }
  return h;
}

}  // namespace

namespace {

// The opened file must be an ordinary disk file with one name: not a link
// (a reparse point, opened as itself), a directory, a device or a pipe.
// Closes it and says why when not.
int require_regular(HANDLE h, bool single_name) {
  BY_HANDLE_FILE_INFORMATION info{};
  const bool disk = GetFileType(h) == FILE_TYPE_DISK;
  if (!disk || !GetFileInformationByHandle(h, &info)) {
    CloseHandle(h);
    return kNotRegularFile;
  }
  int status = kFileOk;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    status = ERROR_ACCESS_DENIED;
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
             (single_name && info.nNumberOfLinks > 1)) {
    status = kNotRegularFile;
  }
  if (status != kFileOk) CloseHandle(h);
  return status;
}

// One of the tool's own files by its fixed name: the name itself is opened,
// never what a link there points to.
int open_own(const std::string& path, DWORD access, bool empty_it, HANDLE& h) {
  h = CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  const int status = require_regular(h, true);
  if (status != kFileOk) return status;
  if (empty_it && !SetEndOfFile(h)) {
    const int error = last_error();
    CloseHandle(h);
    return error;
  }
  return kFileOk;
}

}  // namespace

int open_file(std::string_view path_view, Access access, FileHandle& handle) {
  handle = kNoFile;
  const std::string path(path_view);
  HANDLE h = INVALID_HANDLE_VALUE;
  int status = kFileOk;
  switch (access) {
    case Access::kRead:
      h = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) return last_error();
      status = require_regular(h, false);
      break;
    case Access::kReadWrite:
      status = open_own(path, GENERIC_READ | GENERIC_WRITE, false, h);
      break;
    case Access::kAppend:
      // Append data only: every write lands at the end of the file.
      status = open_own(path, FILE_APPEND_DATA | SYNCHRONIZE, false, h);
      break;
    case Access::kWrite:
      status = open_own(path, GENERIC_WRITE, true, h);
      break;
    case Access::kNew:
      // One step: nothing can slip in between a check and the creation.
      h = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? kAlreadyExists
                                                                           : error_status(error);
      }
      break;
    case Access::kTemporary:
      h = open_temporary();
      if (h == INVALID_HANDLE_VALUE) return last_error();
      break;
  }
  if (status != kFileOk) return status;
  handle = reinterpret_cast<FileHandle>(h);
  return kFileOk;
}

std::int64_t read_file(FileHandle handle, void* buffer, std::size_t n) {
  const DWORD want = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
  DWORD got = 0;
  if (!ReadFile(as_handle(handle), buffer, want, &got, nullptr)) {
    // A pipe whose writer has gone reads as the end of the file.
    if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
    return -1;
  }
  return static_cast<std::int64_t>(got);
}

int write_file(FileHandle handle, const void* buffer, std::size_t n) {
  const char* p = static_cast<const char*>(buffer);
  while (n > 0) {
    const DWORD want = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
    DWORD put = 0;
    if (!WriteFile(as_handle(handle), p, want, &put, nullptr)) return last_error();
    if (put == 0) return ERROR_WRITE_FAULT;
    p += put;
    n -= put;
  }
  return kFileOk;
}

int close_file(FileHandle handle) {
  if (!CloseHandle(as_handle(handle))) return last_error();
  return kFileOk;
}

// Reads at an offset; note that on a synchronous handle this moves the file
// position of in as well.
int copy_range(FileHandle in, std::int64_t offset, FileHandle out, std::size_t length) {
  // A read at an offset moves the file's own position on Windows (it does not
  // with pread on POSIX): the position the reader of in goes on from is put
  // back afterwards.
  LARGE_INTEGER here{};
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(as_handle(in), zero, &here, FILE_CURRENT)) return last_error();
  constexpr std::size_t kChunk = 1 << 16;
  std::vector<char> buffer(kChunk);
  int status = kFileOk;
  while (length > 0 && status == kFileOk) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xffffffff);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min(kChunk, length));
    if (!ReadFile(as_handle(in), buffer.data(), want, &got, &at)) {
      status = GetLastError() == ERROR_HANDLE_EOF ? kSourceEnded : last_error();
    } else if (got == 0) {
      status = kSourceEnded;  // another process cut the source short
    } else {
      status = write_file(out, buffer.data(), got);
      offset += got;
      length -= got;
    }
  }
  if (!SetFilePointerEx(as_handle(in), here, nullptr, FILE_BEGIN) && status == kFileOk) {
    status = last_error();
  }
  return status;
}

bool file_exists(std::string_view path) {
  const DWORD a = GetFileAttributesA(std::string(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int make_directory(std::string_view path) {
  if (CreateDirectoryA(std::string(path).c_str(), nullptr)) return kFileOk;
  return GetLastError() == ERROR_ALREADY_EXISTS ? kAlreadyExists : last_error();
}

std::string_view folder_separators() { return "/\\:"; }

PathKind path_kind(std::string_view path) {
  const DWORD a = GetFileAttributesA(std::string(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::kOther;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kDirectory;
  if (a & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
  return PathKind::kRegular;
}

int file_mtime(std::string_view path, std::int64_t& seconds) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!attributes(path, data)) return last_error();
  const std::int64_t ticks =
      (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime;
  // Whole seconds, rounded down also before 1970.
  std::int64_t since = ticks - kTicksTo1970;
  std::int64_t whole = since / kTicksPerSecond;
  if (since % kTicksPerSecond < 0) --whole;
  seconds = whole;
  return kFileOk;
}

int set_file_mtime(std::string_view path, std::int64_t seconds) {
  const std::int64_t ticks = seconds * kTicksPerSecond + kTicksTo1970;
  if (ticks < 0) return ERROR_INVALID_PARAMETER;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFLL);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  HANDLE h = CreateFileA(std::string(path).c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  int status = kFileOk;
  if (!SetFileTime(h, nullptr, nullptr, &ft)) status = last_error();
  CloseHandle(h);
  return status;
}

int file_size(std::string_view path, std::int64_t& bytes) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!attributes(path, data)) return last_error();
  bytes = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return kFileOk;
}

int remove_file(std::string_view path) {
  if (!DeleteFileA(std::string(path).c_str())) return last_error();
  return kFileOk;
}

int list_directory(std::string_view directory, std::vector<std::string>& names) {
  names.clear();
  std::string pattern(directory.empty() ? std::string_view(".") : directory);
  if (pattern.back() != '\\' && pattern.back() != '/' && pattern.back() != ':') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // An existing directory with nothing in it is no failure.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return kFileOk;
    return error_status(error);
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      names.emplace_back(found.cFileName);
  } while (FindNextFileA(h, &found));
  const DWORD error = GetLastError();
  FindClose(h);
  if (error != ERROR_NO_MORE_FILES) return error_status(error);
  return kFileOk;
}

}  // namespace sunder::platform
