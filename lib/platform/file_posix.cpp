// Files on POSIX: descriptors, stat, utimensat, opendir.
#include <dirent.h>
#include <fcntl.h>
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

namespace {

// The opened file must be a regular file with one name: not a FIFO or a
// device (O_NONBLOCK only kept the open from hanging on those), and not a
// second name of somebody else's file. Closes it and says why when not.
int require_regular(int fd, bool single_name) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int status = error_status();
    ::close(fd);
    return status;
  }
  if (S_ISREG(st.st_mode) && (!single_name || st.st_nlink <= 1)) return kFileOk;
  ::close(fd);
  return S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
}

// Blocking reads and writes again, now that the file is known to be regular.
void clear_nonblock(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

// One of the tool's own files by its fixed name. A link there makes the
// open fail with ELOOP (O_NOFOLLOW); a FIFO without a reader with ENXIO.
int open_own(const std::string& path, int flags, bool empty_it) {
  const int fd = ::open(path.c_str(), flags | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return (errno == ELOOP || errno == ENXIO) ? -kNotRegularFile : -error_status();
  const int status = require_regular(fd, true);
  if (status != kFileOk) return -status;
  clear_nonblock(fd);
  if (empty_it && ::ftruncate(fd, 0) != 0) {
    const int error = error_status();
    ::close(fd);
    return -error;
  }
  return fd;
}

}  // namespace

int open_file(std::string_view path_view, Access access, FileHandle& handle) {
  handle = kNoFile;
  const std::string path(path_view);
  int fd = -1;
  switch (access) {
    case Access::kRead: {
      fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) return error_status();
      const int status = require_regular(fd, false);
      if (status != kFileOk) return status;
      clear_nonblock(fd);
      break;
    }
    case Access::kReadWrite:
      fd = open_own(path, O_RDWR, false);
      break;
    case Access::kAppend:
      fd = open_own(path, O_WRONLY | O_APPEND, false);
      break;
    case Access::kWrite:
      fd = open_own(path, O_WRONLY, true);
      break;
    case Access::kNew:
      // One step: no other process can slip a file or a link in between a
      // check and the creation.
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0) return errno == EEXIST ? kAlreadyExists : error_status();
      break;
    case Access::kTemporary: {
      const char* dir = std::getenv("TMPDIR");
      std::string tmpl =
          std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/sunderXXXXXX";
      fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
      if (fd < 0) return error_status();
      ::unlink(tmpl.c_str());
      break;
    }
  }
  if (fd < 0) return -fd;
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

int copy_range(FileHandle in, std::int64_t offset, FileHandle out, std::size_t length) {
  off_t from = static_cast<off_t>(offset);
  while (length > 0) {
    const ssize_t n =
        ::copy_file_range(static_cast<int>(in), &from, static_cast<int>(out), nullptr, length, 0);
    if (n > 0) {
      length -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) return kSourceEnded;  // another process cut the source short
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
    if (n <= 0) return n == 0 ? kSourceEnded : errno;
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

int make_directory(std::string_view path) {
  if (::mkdir(std::string(path).c_str(), 0777) == 0) return kFileOk;
  return errno == EEXIST ? kAlreadyExists : error_status();
}

std::string_view folder_separators() { return "/"; }

PathKind path_kind(std::string_view path) {
  struct stat st {};
  if (::lstat(std::string(path).c_str(), &st) != 0) return PathKind::kMissing;
  if (S_ISREG(st.st_mode)) return PathKind::kRegular;
  if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
  return PathKind::kOther;
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
  // A name swapped for a link since the file was written dates the link
  // itself, never what it points to.
  if (::utimensat(AT_FDCWD, std::string(path).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    return error_status();
  }
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
