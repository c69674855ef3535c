// The run lock on POSIX: flock on the marker's descriptor. flock, not fcntl:
// an fcntl lock belongs to the process and goes as soon as any descriptor of
// the file is closed, whatever else of the program looked at the marker.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "lib/platform/file.h"
#include "lib/platform/run_lock.h"

namespace sunder::platform {
namespace {

int held = -1;
std::string held_name;
// A run that ends removes its marker while it still holds the lock; a run
// that opened the old marker just before then locks a file without a name.
// It looks again, a few times.
constexpr int kAttempts = 8;

int os_error() { return errno > 0 ? errno : EIO; }

// The descriptor is a regular file with one name, and the name still names it.
bool named_regular(int fd, const std::string& name, bool& regular) {
  struct stat by_fd {};
  struct stat by_name {};
  regular = ::fstat(fd, &by_fd) == 0 && S_ISREG(by_fd.st_mode) && by_fd.st_nlink <= 1;
  if (!regular) return false;
  return ::lstat(name.c_str(), &by_name) == 0 && by_name.st_dev == by_fd.st_dev &&
         by_name.st_ino == by_fd.st_ino;
}

}  // namespace

int take_run_lock(std::string_view marker, std::string_view text) {
  if (held >= 0) ::close(held);
  held = -1;
  const std::string name(marker);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Not emptied on opening: a marker of a run at work must stay as it is.
    const int fd =
        ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return (errno == ELOOP || errno == ENXIO) ? kNotRegularFile : os_error();
    bool regular = false;
    if (!named_regular(fd, name, regular) && !regular) {
      ::close(fd);
      return kNotRegularFile;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      return (error == EWOULDBLOCK || error == EAGAIN) ? kLockHeld : (error > 0 ? error : EIO);
    }
    if (!named_regular(fd, name, regular)) {
      ::close(fd);
      continue;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    held = fd;
    held_name = name;
    if (::ftruncate(fd, 0) != 0) return os_error();
    return write_file(fd, text.data(), text.size());
  }
  return kLockHeld;
}

int release_run_lock() {
  if (held < 0) return kFileOk;
  const int status = ::unlink(held_name.c_str()) == 0 ? kFileOk : os_error();
  ::close(held);
  held = -1;
  return status;
}

}  // namespace sunder::platform
