// The console on POSIX: the streams carry bytes as they are; lines end with LF.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "lib/platform/console.h"
#include "lib/platform/console_os.h"

namespace sunder::platform {

std::string_view console_line_end() { return "\n"; }
void prepare_standard_output() {}
void prepare_standard_input() {}

void guard_standard_streams() {
  // Started with descriptor 1 closed, the first file the program opens gets
  // number 1, and every console line would land in it.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
}

}  // namespace sunder::platform
