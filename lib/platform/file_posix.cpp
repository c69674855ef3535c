// Files on POSIX: descriptors, stat, utimensat, opendir.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "lib/platform/file.h"

namespace sunder::platform {
namespace {

int error_status() { return errno == ENOENT ? kNotFound : (errno > 0 ? errno : 5); }

}  // namespace

int open_file(std::string_view path_view, Access access, FileHandle& handle) {
  handle = kNoFile;
  const std::string path(path_view);
  int fd = -1;
  switch (access) {
    case Access::kRead:
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
          ::close(fd);
          return EISDIR;
        }
      }
      break;
    case Access::kReadWrite:
      fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
      break;
    case Access::kAppend:
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
      break;
    case Access::kWrite:
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      break;
    case Access::kTemporary: {
      const char* dir = std::getenv("TMPDIR");
      std::string tmpl = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/sunderXXXXXX";
      fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
      if (fd >= 0) ::unlink(tmpl.c_str());
      break;
    }
  }
  if (fd < 0) return error_status();
  handle = fd;
  return kFileOk;
}

std::int64_t read_file(FileHandle handle, void* buffer, std::size_t n) {
  for (;;) {
    ssize_t got = ::read(static_cast<int>(handle), buffer, n);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

int write_file(FileHandle handle, const void* buffer, std::size_t n) {
  const char* p = static_cast<const char*>(buffer);
  while (n > 0) {
    ssize_t put = ::write(static_cast<int>(handle), p, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno > 0 ? errno : 5;
    }
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return kFileOk;
}

int close_file(FileHandle handle) {
  if (::close(static_cast<int>(handle)) != 0) return errno > 0 ? errno : 5;
  return kFileOk;
}

int map_view(FileHandle handle, std::int64_t offset, std::size_t length, const char*& view) {
  view = nullptr;
  if (length == 0) return EINVAL;
  void* p = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, static_cast<int>(handle),
                   static_cast<off_t>(offset));
  if (p == MAP_FAILED) return errno > 0 ? errno : EINVAL;
  ::madvise(p, length, MADV_SEQUENTIAL);
  view = static_cast<const char*>(p);
  return kFileOk;
}

void unmap_view(const char* view, std::size_t length) {
  if (view != nullptr) ::munmap(const_cast<char*>(view), length);
}

std::size_t map_granularity() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

std::int64_t file_length(FileHandle handle) {
  struct stat st {};
  if (::fstat(static_cast<int>(handle), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

int copy_range(FileHandle in, std::int64_t offset, FileHandle out, std::size_t length) {
  off_t from = static_cast<off_t>(offset);
  while (length > 0) {
    const ssize_t n = ::copy_file_range(static_cast<int>(in), &from, static_cast<int>(out),
                                        nullptr, length, 0);
    if (n > 0) {
      length -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) return EIO;  // the source ended early
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
        errno != EBADF)
      return errno;
    break;  // not possible between these files: copy through a buffer
  }
  if (length == 0) return kFileOk;
  constexpr std::size_t kChunk = 1 << 16;
  std::unique_ptr<char[]> buffer(new char[kChunk]);
  while (length > 0) {
    const ssize_t n = ::pread(static_cast<int>(in), buffer.get(), std::min(kChunk, length), from);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0 ? EIO : errno;
    const int status = write_file(out, buffer.get(), static_cast<std::size_t>(n));
    if (status != kFileOk) return status;
    from += n;
    length -= static_cast<std::size_t>(n);
  }
  return kFileOk;
}

bool file_exists(std::string_view path) {
  // A symbolic link counts by itself, dangling or not: a name taken by a link
  // is not free, so a file created under it would land where the link points.
  struct stat st {};
  const std::string p(path);
  if (::lstat(p.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) return ::stat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
  return !S_ISDIR(st.st_mode);
}

bool directory_exists(std::string_view path) {
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int file_mtime(std::string_view path, std::int64_t& seconds) {
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) return error_status();
  seconds = static_cast<std::int64_t>(st.st_mtime);
  return kFileOk;
}

int set_file_mtime(std::string_view path, std::int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time stays
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = 0;
  if (::utimensat(AT_FDCWD, std::string(path).c_str(), times, 0) != 0) return error_status();
  return kFileOk;
}

int file_size(std::string_view path, std::int64_t& bytes) {
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) return error_status();
  bytes = static_cast<std::int64_t>(st.st_size);
  return kFileOk;
}

int remove_file(std::string_view path) {
  if (::unlink(std::string(path).c_str()) != 0) return error_status();
  return kFileOk;
}

int list_directory(std::string_view directory, std::vector<std::string>& names) {
  names.clear();
  const std::string dir(directory.empty() ? std::string_view(".") : directory);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return error_status();
  while (const dirent* e = ::readdir(d)) {
    std::string name(e->d_name);
    if (name == "." || name == "..") continue;
    if (file_exists(dir + "/" + name)) names.push_back(std::move(name));
  }
  ::closedir(d);
  return kFileOk;
}

}  // namespace sunder::platform
