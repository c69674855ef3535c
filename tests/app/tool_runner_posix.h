// The POSIX side of the end-to-end helpers (included by tool_runner.h):
// fork and exec with the standard handles on files, a file-size limit for
// the child, another user, a small file system of its own.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

namespace apptest {

inline constexpr bool kFileSizeLimits = true;
inline constexpr bool kFilePermissions = true;

inline bool is_superuser() { return ::geteuid() == 0; }

inline int start_and_wait(const Launch& l) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(l.dir.c_str()) != 0) ::_exit(126);
    // The unprivileged user "nobody" (uid 65534).
    if (l.asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
    if (l.maxFileBytes > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      struct rlimit lim {};
      lim.rlim_cur = lim.rlim_max = static_cast<rlim_t>(l.maxFileBytes);
      ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(l.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    int err = l.errPath == l.outPath
                  ? out
                  : ::open(l.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (in < 0 || out < 0 || err < 0) ::_exit(124);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(l.program.c_str()));
    for (const std::string& a : l.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(SUNDER_EXE, argv.data());
    ::_exit(127);
  }
  if (pid < 0) return -1;
  int wstatus = 0;
  if (::waitpid(pid, &wstatus, 0) != pid || !WIFEXITED(wstatus)) return -1;
  return WEXITSTATUS(wstatus);
}

// A tmpfs of the size ("64k") mounted on the directory (needs root).
inline int mount_small_disk(const fs::path& dir, const char* size) {
  const std::string options = std::string("size=") + size;
  return ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0 ? 0 : errno;
}

inline int unmount_disk(const fs::path& dir) {
  return ::umount2(dir.c_str(), MNT_DETACH) == 0 ? 0 : errno;
}

}  // namespace apptest
